#include "protocol/clock_field.h"

#include <cmath>

#include "panel/text_number.h"

namespace vyx::protocol {

double BoardClockSeconds(double high, double low) { return (high * 256.0 + low) * kBoardTick; }

double BoardElapsed(double previous, double now) {
  const double d = now - previous;
  return d < 0.0 ? d + kBoardWrap : d;
}

double HostElapsed(double previous, double now) {
  const double d = now - previous;
  return d < 0.0 ? d + kDay : d;
}

double EstimateElapsed(double boardElapsed, double hostElapsed) {
  double est = std::floor(hostElapsed / kBoardWrap) * kBoardWrap + boardElapsed;
  if (est > hostElapsed + kBoardWrap / 2.0) est -= kBoardWrap;
  if (est < hostElapsed - kBoardWrap / 2.0) est += kBoardWrap;
  return est;
}

double AdvanceClock(double value, double elapsed) {
  double t = value + elapsed;
  if (t > kDay) t -= kDay;
  return t;
}

std::string ClockText(std::string_view current, double elapsed) {
  return FormatFixed(AdvanceClock(NumericValue(current), elapsed), 4);
}

}  // namespace vyx::protocol
