// TODO(stub): replaced by the real procedures.
#include "control/vyx.h"

namespace vyx {

int Vyx::ReadEEByte(int) { return 0; }
void Vyx::WriteEEByte(int, int) {}

}  // namespace vyx
