// The WSJT-X/JTDX datagram parser and the Halt Tx encoder: a cursor over the
// bytes that fails, and stays failed, at the first field that does not fit.
#include "station/wsjtx/wsjtx_message.h"

#include <algorithm>
#include <cctype>

namespace station {
namespace {

constexpr std::int64_t kUnixEpochJulianDay = 2440588;  // 1970-01-01
constexpr std::int64_t kMsPerDay = 86400000;
constexpr std::int64_t kDaysCounted = 1000000;  // about 2700 years either side

class Cursor {
 public:
  explicit Cursor(std::string_view bytes) : bytes_(bytes) {}

  bool Failed() const { return fault_ != WsjtxParse::Ok; }
  WsjtxParse Fault() const { return fault_; }
  // At a field boundary with nothing after it: the later fields are absent.
  bool AtEnd() const { return !Failed() && pos_ == bytes_.size(); }

  std::uint64_t Unsigned(std::size_t n) {
    if (!Take(n)) return 0;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < n; ++i) {
      value = value << 8 | static_cast<unsigned char>(bytes_[pos_ - n + i]);
    }
    return value;
  }
  std::uint8_t U8() { return static_cast<std::uint8_t>(Unsigned(1)); }
  bool Bool() { return U8() != 0; }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Unsigned(4)); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::uint64_t U64() { return Unsigned(8); }
  std::int64_t I64() { return static_cast<std::int64_t>(U64()); }

  // utf8: a uint32 length and the bytes; 0xFFFFFFFF is a null text (empty).
  std::string Text() {
    const std::uint32_t size = U32();
    if (Failed() || size == 0xFFFFFFFFu) return {};
    if (size > kWsjtxMaxText) return Fail(WsjtxParse::Broken), std::string();
    if (!Take(size)) return {};
    return std::string(bytes_.substr(pos_ - size, size));
  }

  WsjtxTime Time() {
    WsjtxTime t;
    t.julianDay = I64();
    t.msOfDay = U32();
    t.timespec = U8();
    if (t.timespec == 2) t.offsetS = I32();
    // A time zone (3) would follow in a form of its own; the senders use UTC.
    if (t.timespec > 2) Fail(WsjtxParse::Broken);
    if (Failed()) return t;
    const std::int64_t days = t.julianDay - kUnixEpochJulianDay;
    const bool counted = t.julianDay > kUnixEpochJulianDay - kDaysCounted &&
                         t.julianDay < kUnixEpochJulianDay + kDaysCounted;
    if (counted && t.msOfDay < kMsPerDay && t.timespec != 0) {
      t.unixMs = days * kMsPerDay + t.msOfDay - std::int64_t{t.offsetS} * 1000;
    }
    return t;
  }

  void Fail(WsjtxParse why) {
    if (!Failed()) fault_ = why;
  }

 private:
  bool Take(std::size_t n) {
    if (Failed()) return false;
    if (bytes_.size() - pos_ < n) {
      Fail(WsjtxParse::Truncated);
      return false;
    }
    pos_ += n;
    return true;
  }

  std::string_view bytes_;
  std::size_t pos_ = 0;
  WsjtxParse fault_ = WsjtxParse::Ok;
};

void ReadHeartbeat(Cursor& in, WsjtxHeartbeat& out) {
  out.maxSchema = in.U32();
  if (in.AtEnd()) return;
  out.version = in.Text();
  if (in.AtEnd()) return;
  out.revision = in.Text();
}

void ReadStatus(Cursor& in, WsjtxDialect dialect, WsjtxStatus& out) {
  const bool jtdx = dialect == WsjtxDialect::Jtdx;
  out.dialHz = in.U64();
  out.mode = in.Text();
  out.dxCall = in.Text();
  out.report = in.Text();
  out.txMode = in.Text();
  out.txEnabled = in.Bool();
  out.transmitting = in.Bool();
  out.decoding = in.Bool();
  out.rxDf = jtdx ? std::int64_t{in.I32()} : std::int64_t{in.U32()};
  out.txDf = jtdx ? std::int64_t{in.I32()} : std::int64_t{in.U32()};
  out.deCall = in.Text();
  out.deGrid = in.Text();
  out.dxGrid = in.Text();
  if (in.AtEnd()) return;
  out.txWatchdog = in.Bool();
  if (in.AtEnd()) return;
  out.subMode = in.Text();
  if (in.AtEnd()) return;
  out.fastMode = in.Bool();
  if (in.AtEnd()) return;
  const std::uint8_t next = in.U8();
  if (jtdx) {
    out.txFirst = next != 0;
  } else {
    out.specialOperation = next;
  }
}

void ReadQsoLogged(Cursor& in, WsjtxQsoLogged& out) {
  out.timeOff = in.Time();
  out.dxCall = in.Text();
  out.dxGrid = in.Text();
  out.txHz = in.U64();
  out.mode = in.Text();
  out.reportSent = in.Text();
  out.reportReceived = in.Text();
  out.txPower = in.Text();
  out.comments = in.Text();
  out.name = in.Text();
  out.timeOn = in.Time();
  // The appended fields, in order; JTDX ends among them.
  std::string* const later[] = {&out.operatorCall,     &out.myCall,          &out.myGrid,
                                &out.exchangeSent,     &out.exchangeReceived, &out.propagationMode};
  for (std::string* field : later) {
    if (in.AtEnd()) return;
    *field = in.Text();
  }
}

bool ReadHeader(Cursor& in, WsjtxHeader& header, WsjtxParse& result) {
  const std::uint32_t magic = in.U32();
  header.schema = in.U32();
  header.type = in.U32();
  if (in.Failed() || magic != kWsjtxMagic) {
    result = WsjtxParse::NotWsjtx;
    return false;
  }
  if (header.schema != 2 && header.schema != 3) {
    result = WsjtxParse::Schema;
    return false;
  }
  header.id = in.Text();
  result = in.Fault();
  return !in.Failed();
}

void PutU32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift & 0xFF));
}

}  // namespace

std::optional<WsjtxHeader> ParseWsjtxHeader(std::string_view datagram) {
  Cursor in(datagram);
  WsjtxHeader header;
  WsjtxParse result = WsjtxParse::Ok;
  if (!ReadHeader(in, header, result)) return std::nullopt;
  return header;
}

WsjtxMessage ParseWsjtx(std::string_view datagram, WsjtxDialect dialect) {
  WsjtxMessage m;
  Cursor in(datagram);
  if (!ReadHeader(in, m.header, m.result)) return m;
  switch (static_cast<WsjtxType>(m.header.type)) {
    case WsjtxType::Heartbeat: ReadHeartbeat(in, m.heartbeat); break;
    case WsjtxType::Status: ReadStatus(in, dialect, m.status); break;
    case WsjtxType::QsoLogged: ReadQsoLogged(in, m.qso); break;
    case WsjtxType::LoggedAdif: m.adif = in.Text(); break;
    case WsjtxType::Close: break;
    default: m.result = WsjtxParse::Unknown; return m;
  }
  m.result = in.Fault();
  return m;
}

WsjtxDialect WsjtxDialectOf(std::string_view id, std::string_view version) {
  const auto jtdx = [](std::string_view text) {
    std::string upper(text.substr(0, 64));
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper.find("JTDX") != std::string::npos;
  };
  return jtdx(id) || jtdx(version) ? WsjtxDialect::Jtdx : WsjtxDialect::Wsjtx;
}

std::string EncodeWsjtxHaltTx(std::string_view id, bool autoTxOnly, std::uint32_t schema) {
  std::string out;
  PutU32(out, kWsjtxMagic);
  PutU32(out, schema);
  PutU32(out, static_cast<std::uint32_t>(WsjtxType::HaltTx));
  const std::string_view shown = id.substr(0, kWsjtxMaxText);
  PutU32(out, static_cast<std::uint32_t>(shown.size()));
  out.append(shown);
  out.push_back(autoTxOnly ? 1 : 0);
  return out;
}

}  // namespace station
