// N1MM Logger+'s broadcasts as this program uses them: a <RadioInfo> (one
// per radio, at least every 10 s and at each change) as the transceiver's
// state, a <contactinfo> (one per logged contact) as a QSO, and the rule
// for which of two radios (SO2R) the meter is on. Pure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "station/log/qso.h"
#include "station/rig/rig_state.h"

namespace station {

// The largest datagram read; N1MM's are 1 to 3 KB.
constexpr std::size_t kN1mmMaxDatagram = 16384;

struct N1mmRadio {
  std::string station;  // StationName: the computer N1MM runs on
  int radioNr = 1;
  int activeRadioNr = 0;  // 0: not said
  std::optional<std::int64_t> rxHz, txHz;
  std::string mode;
  bool transmitting = false;
  bool connected = true;  // IsConnected: N1MM has the radio by CAT
  std::optional<int> antenna;  // 0 to 63
};

enum class N1mmParse { Radio, Contact, Unknown, Broken };

struct N1mmMessage {
  N1mmParse result = N1mmParse::Unknown;
  N1mmRadio radio;           // a RadioInfo
  std::optional<Qso> qso;    // a contactinfo that makes a QSO
};

// Broken: not XML that the bounded reader takes whole, or a RadioInfo
// without a radio number of 1 to 64. Unknown: another of N1MM's messages
// (spots, scores, a contact replaced or deleted). A contactinfo without a
// call, a time or a frequency, or copied from another computer of the
// network (IsOriginal False), is a Contact without a QSO.
N1mmMessage ParseN1mm(std::string_view datagram);

// Heard, on the transmit frequency (the receive one when N1MM gives none),
// in its mode, PTT while it transmits, with the selected antenna. A radio
// N1MM has lost (IsConnected False) gives no tuning, only its PTT.
RigState RigFromN1mm(const N1mmRadio& radio);

// The radio the meter is on among one station's: the one transmitting
// (the active one when both are), else the one ActiveRadioNr names in the
// latest datagram (`latest`), else `latest` itself. Null for none.
const N1mmRadio* ChosenRadio(const std::vector<N1mmRadio>& radios, const N1mmRadio* latest);

}  // namespace station
