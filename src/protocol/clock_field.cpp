// TODO(stub): replaced by the real procedures.
#include "control/vyx.h"

namespace vyx {

void Vyx::UpdateClock() {}

}  // namespace vyx
