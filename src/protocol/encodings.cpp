#include "protocol/encodings.h"

#include <cmath>

namespace vyx::protocol {

int OutputByte(std::initializer_list<OutputBit> outputs) {
  int d = 0;
  // A state other than 0 or 1 must not spill into the neighbouring bit.
  for (const OutputBit& o : outputs) {
    if (o.state != 0) d |= 1 << o.bit;
  }
  return d;
}

double ClampPercent(double percent) {
  if (!(percent >= 0.0)) return 0.0;  // also NaN
  return percent > 100.0 ? 100.0 : percent;
}

int DutyByte(double percent) { return static_cast<int>(std::floor(ClampPercent(percent) * 1.6)); }

PwmPair PwmBytes(double percent) {
  const double x = ClampPercent(percent) * 2.5;
  const double hi = std::floor(x);
  return {static_cast<int>(hi), static_cast<int>(std::floor((x - hi) * 256.0))};
}

}  // namespace vyx::protocol
