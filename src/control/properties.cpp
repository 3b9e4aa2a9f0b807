// TODO(stub): replaced by the real procedures.
#include "control/vyx.h"

namespace vyx {

void Vyx::TxtEvent_Change() {}
Status Vyx::Get(std::string_view, PropValue&) const { return Status::Fail("todo"); }
Status Vyx::Set(std::string_view, const PropValue&) { return Status::Fail("todo"); }

}  // namespace vyx
