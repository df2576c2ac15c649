// The poll's answer parser: line by line, each get taking its own lines.
#include "station/rig/rig_protocol.h"

#include <cmath>
#include <vector>

namespace station {
namespace {

constexpr std::int64_t kMaxFrequencyHz = 1'000'000'000'000;  // 1 THz

bool Digits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// "7100000" or "7100000.000000", as rigctld versions print it.
bool ParseFrequency(std::string_view text, std::int64_t& hz) {
  const std::size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  if (!Digits(whole) || whole.size() > 13) return false;
  if (dot != std::string_view::npos && !Digits(text.substr(dot + 1))) return false;
  const double value = std::stod(std::string(text));
  hz = static_cast<std::int64_t>(std::llround(value));
  return hz > 0 && hz < kMaxFrequencyHz;
}

// A signed decimal of at most 9 digits.
bool ParseInt(std::string_view text, int& value) {
  const bool negative = !text.empty() && text[0] == '-';
  const std::string_view digits = negative ? text.substr(1) : text;
  if (!Digits(digits) || digits.size() > 9) return false;
  value = std::stoi(std::string(digits)) * (negative ? -1 : 1);
  return true;
}

bool ModeName(std::string_view text) {
  if (text.empty() || text.size() > 16) return false;
  for (char c : text) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

// "RPRT -11" -> -11.
bool ParseRprt(std::string_view line, int& code) {
  return line.substr(0, 5) == "RPRT " && ParseInt(line.substr(5), code);
}

RigReply Bad(std::string why) {
  RigReply reply;
  reply.status = RigReplyStatus::Bad;
  reply.bad = std::move(why);
  return reply;
}

// Splits into complete lines ('\n', an optional '\r' before it dropped);
// `rest` is what follows the last newline.
bool SplitLines(std::string_view bytes, std::vector<std::string_view>& lines,
                std::string_view& rest) {
  std::size_t start = 0;
  for (std::size_t nl; (nl = bytes.find('\n', start)) != std::string_view::npos; start = nl + 1) {
    std::string_view line = bytes.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kRigMaxLine) return false;
    lines.push_back(line);
  }
  rest = bytes.substr(start);
  return rest.size() <= kRigMaxLine;
}

void NoteError(RigReply& reply, const char* get, std::string_view line) {
  if (!reply.rigError.empty()) reply.rigError += ", ";
  reply.rigError += std::string(get) + ": " + std::string(line);
}

// The answers to "f" and "m" from line `i` on, into `reply`: Incomplete
// while lines are missing, Bad (with `reply.bad`) for what is not theirs.
RigReplyStatus ParseTuning(const std::vector<std::string_view>& lines, std::size_t& i,
                           RigReply& reply) {
  using S = RigReplyStatus;
  const auto bad = [&reply](const char* why) {
    reply.bad = why;
    return S::Bad;
  };
  int code = 0;
  if (i == lines.size()) return S::Incomplete;
  std::string_view line = lines[i++];
  std::int64_t hz = 0;
  if (ParseRprt(line, code)) NoteError(reply, "f", line);
  else if (ParseFrequency(line, hz)) reply.frequencyHz = hz;
  else return bad("an answer to 'f' that is no frequency");
  if (i == lines.size()) return S::Incomplete;
  line = lines[i++];
  if (ParseRprt(line, code)) {
    NoteError(reply, "m", line);
    return S::Complete;
  }
  if (!ModeName(line)) return bad("an answer to 'm' that is no mode");
  if (i == lines.size()) return S::Incomplete;
  int passband = 0;
  if (!ParseInt(lines[i++], passband)) return bad("an answer to 'm' without a passband");
  reply.mode = std::string(line);
  if (passband > 0) reply.passbandHz = passband;
  return S::Complete;
}

}  // namespace

std::string RigPollCommand(RigAsk ask) {
  return std::string(ask.ptt ? "t\n" : "") + (ask.tuning ? "f\nm\n" : "");
}

RigReply ParseRigReply(std::string_view bytes, RigAsk ask) {
  if (bytes.size() > kRigMaxReply) return Bad("an answer longer than " + std::to_string(kRigMaxReply) + " bytes");
  std::vector<std::string_view> lines;
  std::string_view rest;
  if (!SplitLines(bytes, lines, rest)) return Bad("a line longer than " + std::to_string(kRigMaxLine) + " bytes");
  RigReply reply;
  std::size_t i = 0;
  int code = 0;
  auto more = [&] { return i < lines.size(); };
  if (ask.ptt) {
    if (!more()) return reply;
    const std::string_view line = lines[i++];
    if (ParseRprt(line, code)) {
      if (code == -11 || code == -4) reply.pttUnsupported = true;
      else NoteError(reply, "t", line);
    } else if (line.size() == 1 && line[0] >= '0' && line[0] <= '3') {
      reply.ptt = line[0] != '0';
    } else {
      return Bad("an answer to 't' that is no PTT state");
    }
  }
  if (ask.tuning) {
    const RigReplyStatus tuning = ParseTuning(lines, i, reply);
    if (tuning == RigReplyStatus::Bad) return Bad(reply.bad);
    if (tuning == RigReplyStatus::Incomplete) return reply;
  }
  if (i != lines.size() || !rest.empty()) return Bad("more lines than were asked for");
  reply.status = RigReplyStatus::Complete;
  return reply;
}

}  // namespace station
