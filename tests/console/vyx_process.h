// Running the vyx program as a user would, and a simulated board for it to talk to.
#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vyx/sim/simulator.h"

namespace vyx::console::test {

struct Outcome {
  int exitCode = -1;
  std::string out, err;
  std::vector<std::string> Lines() const;  // standard output split at newlines
};

// Runs vyx with `args` and `environment` ("NAME=value"), feeds it `input` and waits for it to
// end (a failure after `timeoutMs`); `inChild` runs in the new process before vyx starts.
Outcome RunVyx(const QStringList& args, const std::string& input = {}, int timeoutMs = 20000,
               const QStringList& environment = {}, const std::function<void()>& inChild = {});

// A simulated board on a pseudo-terminal, and a directory, for the length of a test.
struct Board {
  explicit Board(sim::Options options = {});
  QStringList PortArgs() const { return {"--port", QString::fromStdString("1=" + device)}; }
  std::unique_ptr<sim::Simulator> sim;
  std::string device;
};

struct TempDir {
  std::string operator/(const std::string& name) const { return path + "/" + name; }
  QTemporaryDir dir;
  std::string path = dir.path().toStdString();
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

}  // namespace vyx::console::test
