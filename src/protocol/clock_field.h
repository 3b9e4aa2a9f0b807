// The clock field: the board's 16-bit counter is precise but wraps every 32.768 s, the host's
// seconds since midnight are coarse but long-ranged. The elapsed time takes its fraction of a
// wrap from the board and the number of whole wraps from the host. Pure functions.
#pragma once

#include <string>
#include <string_view>

namespace vyx::protocol {

inline constexpr double kBoardTick = 0.0005;                // seconds per counter step
inline constexpr double kBoardWrap = 65536.0 * kBoardTick;  // 32.768 s
inline constexpr double kDay = 86400.0;

// The board counter (high·256 + low) in seconds.
double BoardClockSeconds(double high, double low);

// Time on the board counter from previous to now, in seconds; a counter that went back has
// wrapped once.
double BoardElapsed(double previous, double now);

// Time on the host clock from previous to now; a clock that went back has passed midnight.
double HostElapsed(double previous, double now);

// The elapsed time: whole wraps counted by the host, the rest from the board, chosen to lie
// within half a wrap of the host's figure.
double EstimateElapsed(double boardElapsed, double hostElapsed);

// The clock value after `elapsed` has passed. Only a value above one day is brought back by a
// day; exactly 86400 stays, and a result below zero is left as it is.
double AdvanceClock(double value, double elapsed);

// The text of the clock field after `elapsed` has passed: its number advanced, as "0.0000".
std::string ClockText(std::string_view current, double elapsed);

}  // namespace vyx::protocol
