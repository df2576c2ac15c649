// The simulated station's session of overs: one table of what it does and
// for how long, and how each kind of transmission shapes the output.
#include "device/bus/sim_overs.h"

#include <cmath>
#include <vector>

#include "device/bus/sim_model.h"

namespace sim_overs {

namespace {

constexpr double kPi = 3.14159265358979323846;

enum class Mode { Listen, Voice, Ft8, Cw };

struct Segment {
  Mode mode;
  double seconds;
};

// One pass of the session, about three and a half minutes. The first over
// starts half a second after the controller comes up, so a log fills within
// the first minute.
constexpr Segment kSession[] = {
    {Mode::Listen, 0.5}, {Mode::Voice, 6},  // a short call
    {Mode::Listen, 6},   {Mode::Voice, 24},
    {Mode::Listen, 8},   {Mode::Ft8, 58},   // four cycles of 13 s on every 15 s
    {Mode::Listen, 12},  {Mode::Cw, 16},
    {Mode::Listen, 10},  {Mode::Voice, 48},
    {Mode::Listen, 14},
};

// Voice: words in cells of 0.9 s, each word 0.45 to 0.75 s long (so the
// pauses between words stay under half a second), with its own loudness,
// and syllables of about 0.15 s within it.
constexpr double kWordCell = 0.9;
double Voice(double u) {
  const auto word = static_cast<std::uint64_t>(u / kWordCell);
  const double at = u - static_cast<double>(word) * kWordCell;
  const double length = 0.45 + 0.003 * static_cast<double>(sim_model::Noise(word) % 100);
  if (at >= length) return 0.0;
  const double loudness = 0.6 + 0.004 * static_cast<double>(sim_model::Noise(word + 7919) % 100);
  return loudness * (0.6 + 0.4 * std::fabs(std::sin(kPi * at / 0.15)));
}

// FT8-like: 13 s of constant output at the start of every 15 s.
double Ft8(double u) { return std::fmod(u, 15.0) < 13.0 ? 0.9 : 0.0; }

// CW at 20 words a minute: a 60 ms unit, the message keyed over and over.
constexpr double kCwUnit = 0.06;
constexpr const char* kCwMessage = "-.-. --.- / -.-. --.- / -.. . / ... .-- .-. / ... .-- .-. / -.-";

// The message as key-down (true) and key-up units: a dot is one unit, a
// dash three; one unit between elements, three between letters, seven
// between words and before the message repeats.
const std::vector<bool>& CwUnits() {
  static const std::vector<bool> units = [] {
    std::vector<bool> out;
    for (const char* c = kCwMessage; *c; ++c) {
      if (*c == '.' || *c == '-') {
        out.insert(out.end(), *c == '.' ? 1 : 3, true);
        out.push_back(false);
      } else {
        // ' ' between letters, " / " between words, on top of the unit
        // after each element.
        out.insert(out.end(), 2, false);
      }
    }
    out.insert(out.end(), 6, false);
    return out;
  }();
  return units;
}

double Cw(double u) {
  const auto& units = CwUnits();
  return units[static_cast<std::size_t>(u / kCwUnit) % units.size()] ? 0.95 : 0.0;
}

}  // namespace

double SessionSeconds() {
  double total = 0;
  for (const Segment& s : kSession) total += s.seconds;
  return total;
}

double Drive(double t) {
  if (!(t >= 0)) return 0.0;
  double u = std::fmod(t, SessionSeconds());
  for (const Segment& s : kSession) {
    if (u >= s.seconds) {
      u -= s.seconds;
      continue;
    }
    switch (s.mode) {
      case Mode::Voice:
        return Voice(u);
      case Mode::Ft8:
        return Ft8(u);
      case Mode::Cw:
        return Cw(u);
      case Mode::Listen:
        return 0.0;
    }
  }
  return 0.0;
}

}  // namespace sim_overs
