// TODO(stub): replaced by the real procedures.
#include "control/vyx.h"

namespace vyx {

void Vyx::StartUpdate() {}
void Vyx::ArmReplyWait() {}
void Vyx::RetryUpdate() {}
void Vyx::EndUpdate() {}

}  // namespace vyx
