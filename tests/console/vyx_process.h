// Running the vyx program as a user would, and a simulated board for it to talk to.
#pragma once

#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vyx/sim/simulator.h"

namespace vyx::console::test {

struct Outcome {
  int exitCode = -1;
  bool crashed = false;
  std::string out;
  std::string err;
  std::vector<std::string> Lines() const;  // standard output split at newlines
};

// Runs vyx with `args` and `environment` ("NAME=value") added to this one's, feeds `input` to
// its standard input and closes it, and waits for it to end (a test failure after
// `timeoutMs`). `inChild` runs in the new process just before vyx starts (to set its limits).
Outcome RunVyx(const QStringList& args, const std::string& input = {}, int timeoutMs = 20000,
               const QStringList& environment = {}, const std::function<void()>& inChild = {});

// A simulated board on a pseudo-terminal, for the length of a test.
class Board {
 public:
  explicit Board(sim::Options options = {});
  ~Board();
  const std::string& Device() const { return device_; }
  sim::Simulator& Sim() { return *sim_; }
  // "--port", "1=DEVICE"
  QStringList PortArgs() const;

 private:
  std::unique_ptr<sim::Simulator> sim_;
  std::string device_;
};

// A directory removed at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

}  // namespace vyx::console::test
