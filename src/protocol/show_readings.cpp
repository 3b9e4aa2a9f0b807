// TODO(stub): replaced by the real procedures.
#include "control/vyx.h"

namespace vyx {

void Vyx::ShowReadings() {}
double Vyx::AdcToVolts(double) const { return 0.0; }

}  // namespace vyx
