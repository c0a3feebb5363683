// The MML of the built-in chimes: the quarter hour on channel 0, the half hour on channels 0
// and 1, and the full hour on channels 0 and 1 (its long note falls on the hour when started
// at second 57).
#pragma once

namespace chimora {

inline constexpr char CHIME_QUARTER[] = "t60o5@0 l4 h90 m3 i3 w15  v15 D0  q2a1x";
inline constexpr char CHIME_HALF_A[] = "t60o5@0 l4 h90 m3 i3 w15  v15 D0  q8a2x";
inline constexpr char CHIME_HALF_B[] = "t60o5@0 l4 h90 m3 i2 w15  v15 D0  q8r16f2x";
inline constexpr char CHIME_HOUR_A[] = "t120o4@0 l4 h90 m3 i2 w15  v15 D0  q2ararar>q8a2.x";
inline constexpr char CHIME_HOUR_B[] = "t120o4@2 l4 h90 m3 i2 w10  v9 D20 q6ararar>q8a2.x";

} // namespace chimora
