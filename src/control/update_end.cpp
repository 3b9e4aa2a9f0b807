#include "control/update_end.h"

namespace vyx {

std::string_view ToString(UpdateFailure failure) {
  switch (failure) {
    case UpdateFailure::None:
      return "ok";
    case UpdateFailure::NoReply:
      return "no reply";
    case UpdateFailure::CorruptReply:
      return "corrupt reply";
    case UpdateFailure::PortNotOpen:
      return "port not open";
    case UpdateFailure::DeviceGone:
      return "device gone";
    case UpdateFailure::PortError:
      return "port error";
    case UpdateFailure::Cancelled:
      return "cancelled";
    case UpdateFailure::NotReady:
      return "not ready";
  }
  return "unknown";
}

std::string UpdateEnd::Describe() const {
  std::string text(ToString(failure));
  if (!ok() && !detail.empty()) text += ": " + detail;
  return text;
}

}  // namespace vyx
