// What the simulated station's transmitter does over time when it works on
// its own: a repeating session of overs (voice with pauses between words,
// FT8-like cycles of 13 s on every 15 s, CW) with listening pauses between
// them. A pure function of time, so the bus can produce reports lazily.
#pragma once

namespace sim_overs {

// The transmitter's output `t` seconds after the controller came up, as a
// share of full output: 0 while it is not transmitting (receiving, or a gap
// between words or Morse elements), otherwise between about 0.35 and 1.
double Drive(double t);

// The length of one pass through the session, in seconds; it then repeats.
double SessionSeconds();

}  // namespace sim_overs
