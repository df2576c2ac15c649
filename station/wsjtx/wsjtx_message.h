// The datagrams WSJT-X and JTDX send to their "UDP server": a bounded,
// pure parser of the messages the station uses (Heartbeat, Status, QSO
// Logged, Logged ADIF, Close) into typed structs, and the encoder of the
// one message the station may send back (Halt Tx).
//
// The layout is Qt's QDataStream, big-endian: a header (magic, schema,
// message type, the sender's id) and then the message's fields in order.
// New fields are only ever appended, so a message that ends at a field
// boundary after its first fields is whole (its later fields stay empty),
// while one that ends inside a field is truncated; trailing bytes beyond
// what we know are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace station {

constexpr std::uint32_t kWsjtxMagic = 0xADBCCBDA;
// The largest datagram taken (WSJT-X's are a few hundred bytes; a Logged
// ADIF record a few kilobytes); larger ones are dropped whole.
constexpr std::size_t kWsjtxMaxDatagram = 16384;
// The longest text field taken; a longer length is a broken message.
constexpr std::uint32_t kWsjtxMaxText = 8192;

enum class WsjtxType : std::uint32_t {
  Heartbeat = 0,
  Status = 1,
  QsoLogged = 5,
  Close = 6,
  HaltTx = 8,
  LoggedAdif = 12,
};

// Which program's layout a sender uses: JTDX's Status and QSO Logged differ.
enum class WsjtxDialect { Wsjtx, Jtdx };

// A QDateTime as sent: null when the date or the time is null.
struct WsjtxTime {
  std::int64_t julianDay = 0;
  std::uint32_t msOfDay = 0;
  std::uint8_t timespec = 1;  // 0 local, 1 UTC, 2 offset from UTC
  std::int32_t offsetS = 0;   // timespec 2 only
  // Unix milliseconds for UTC and offset times; none for a null or local
  // time (the sender's zone is unknown here) or one beyond the years we
  // can count in.
  std::optional<std::int64_t> unixMs;
};

struct WsjtxHeader {
  std::uint32_t schema = 0;
  std::uint32_t type = 0;
  std::string id;  // the sender's unique key ("WSJT-X", "JTDX", ...)
};

struct WsjtxHeartbeat {
  std::uint32_t maxSchema = 0;
  std::string version;
  std::string revision;
};

struct WsjtxStatus {
  std::uint64_t dialHz = 0;
  std::string mode;
  std::string dxCall;
  std::string report;
  std::string txMode;
  bool txEnabled = false;
  bool transmitting = false;
  bool decoding = false;
  std::int64_t rxDf = 0;  // audio offsets above the dial: unsigned from WSJT-X,
  std::int64_t txDf = 0;  // signed from JTDX
  std::string deCall;
  std::string deGrid;
  std::string dxGrid;
  // Appended by later versions; empty when the sender stops before them.
  std::optional<bool> txWatchdog;
  std::string subMode;
  std::optional<bool> fastMode;
  std::optional<std::uint8_t> specialOperation;  // WSJT-X only
  std::optional<bool> txFirst;                   // JTDX only, in that place
};

struct WsjtxQsoLogged {
  WsjtxTime timeOff;
  std::string dxCall;
  std::string dxGrid;
  std::uint64_t txHz = 0;
  std::string mode;
  std::string reportSent;
  std::string reportReceived;
  std::string txPower;  // free text as typed ("100W")
  std::string comments;
  std::string name;
  WsjtxTime timeOn;
  // Appended by later versions (JTDX stops before some of them).
  std::string operatorCall;
  std::string myCall;
  std::string myGrid;
  std::string exchangeSent;
  std::string exchangeReceived;
  std::string propagationMode;
};

enum class WsjtxParse {
  Ok,
  NotWsjtx,   // too short for a header, or another magic
  Schema,     // a schema other than 2 or 3
  Unknown,    // a message type the station does not use (ignored)
  Truncated,  // ends inside a field
  Broken,     // a field that cannot be (a text longer than kWsjtxMaxText...)
};

struct WsjtxMessage {
  WsjtxParse result = WsjtxParse::NotWsjtx;
  WsjtxHeader header;
  // The one that `header.type` names, filled when `result` is Ok.
  WsjtxHeartbeat heartbeat;
  WsjtxStatus status;
  WsjtxQsoLogged qso;
  std::string adif;  // Logged ADIF: one ADIF record as text
};

// The header alone (its id tells the caller which dialect to parse with);
// none unless the header is whole and the schema 2 or 3.
std::optional<WsjtxHeader> ParseWsjtxHeader(std::string_view datagram);

// One datagram. Reads nothing beyond `datagram`, allocates at most its size.
WsjtxMessage ParseWsjtx(std::string_view datagram, WsjtxDialect dialect);

// JTDX tells itself apart by its id or its heartbeat's version.
WsjtxDialect WsjtxDialectOf(std::string_view id, std::string_view version);

// Halt Tx (8) to the sender `id`: stop transmitting now, or with
// `autoTxOnly` only switch its automatic transmission off.
std::string EncodeWsjtxHaltTx(std::string_view id, bool autoTxOnly, std::uint32_t schema = 2);

}  // namespace station
