#include "link/platform.h"

namespace vyx {

const char* ToString(IoResult r) {
  // One line a result reads as the table it is.
  // clang-format off
  switch (r) {
    case IoResult::Ok: return "ok";
    case IoResult::BadArgument: return "bad argument";
    case IoResult::NoDevice: return "no such device";
    case IoResult::InUse: return "device in use";
    case IoResult::NotOpen: return "port not open";
    case IoResult::Unsupported: return "not supported by the line";
    case IoResult::Failed: return "failed";
  }
  // clang-format on
  return "failed";
}

}  // namespace vyx
