// TODO(stub): replaced by the real procedures.
#include "control/vyx.h"

namespace vyx {

void Vyx::MSComm1_OnComm(CommEvent)  {}
void Vyx::Timer1_Timer() {}

}  // namespace vyx
