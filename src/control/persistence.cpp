// TODO(stub): replaced by the real procedures.
#include "control/vyx.h"

namespace vyx {

Status Vyx::Save(PropertyBag&) const { return Status::Fail("todo"); }
Status Vyx::Restore(PropertyBag&) { return Status::Fail("todo"); }

}  // namespace vyx
