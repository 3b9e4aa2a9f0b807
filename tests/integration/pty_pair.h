// A pseudo-terminal pair made by the test: the port opens the slave path, the test plays the
// board on the master.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace vyx::test {

class PtyPair {
 public:
  PtyPair();  // fails the test through ADD_FAILURE when no pair can be made
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& SlavePath() const { return slavePath_; }
  int Master() const { return master_; }
  // Closing the master is the device going away for whoever holds the slave.
  void CloseMaster();

 private:
  int master_ = -1;
  int slave_ = -1;  // held open so the pair stays alive until the port opens it
  std::string slavePath_;
};

// Raw descriptor helpers for the far end of a line, usable from a helper thread.
void WriteAll(int fd, std::string_view bytes);
// Reads until n bytes came or the time ran out; returns what came.
std::string ReadSome(int fd, std::size_t n, std::chrono::milliseconds limit);

}  // namespace vyx::test
