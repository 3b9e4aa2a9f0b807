// TODO(stub): replaced by the real procedures.
#include "control/vyx.h"

namespace vyx {

void Vyx::WriteIDstring() {}
void Vyx::ReadIDstring() {}
void Vyx::WriteVref() {}
void Vyx::ReadVref() {}

}  // namespace vyx
