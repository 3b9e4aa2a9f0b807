// TODO(stub): replaced by the real procedures.
#include "control/vyx.h"

namespace vyx {

Status Vyx::Focus(std::optional<Field>) { return Status::Fail("todo"); }
Status Vyx::Type(std::string) { return Status::Fail("todo"); }
Status Vyx::KeyDown(int) { return Status::Fail("todo"); }
Status Vyx::Click(Field, int) { return Status::Fail("todo"); }

}  // namespace vyx
