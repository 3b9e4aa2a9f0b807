#include "link/platform.h"

namespace vyx {

const char* ToString(IoResult r) {
  switch (r) {
    case IoResult::Ok: return "ok";
    case IoResult::BadArgument: return "bad argument";
    case IoResult::NoDevice: return "no such device";
    case IoResult::InUse: return "device in use";
    case IoResult::NotOpen: return "port not open";
    case IoResult::Unsupported: return "not supported by the line";
    case IoResult::Failed: return "failed";
  }
  return "failed";
}

}  // namespace vyx
