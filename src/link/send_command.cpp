// TODO(stub): replaced by the real procedures.
#include "control/vyx.h"

namespace vyx {

void Vyx::SendCommand(std::string_view, int, int, int, int, int) {}

}  // namespace vyx
