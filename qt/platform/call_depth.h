// Internal: counts the calls of a kind under way, so that a signal arriving within one can
// tell it is nested.
#pragma once

namespace vyx::qt {

class CallDepth {
 public:
  explicit CallDepth(int& depth) : depth_(depth) { ++depth_; }
  ~CallDepth() { --depth_; }
  CallDepth(const CallDepth&) = delete;
  CallDepth& operator=(const CallDepth&) = delete;

 private:
  int& depth_;
};

}  // namespace vyx::qt
