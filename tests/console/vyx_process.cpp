#include "vyx_process.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <fstream>
#include <sstream>

namespace vyx::console::test {

std::vector<std::string> Outcome::Lines() const {
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

Outcome RunVyx(const QStringList& args, const std::string& input, int timeoutMs,
               const QStringList& environment, const std::function<void()>& inChild) {
  QProcess p;
  p.setEnvironment(QProcess::systemEnvironment() + environment);
  if (inChild) p.setChildProcessModifier(inChild);
  p.start(QStringLiteral(VYX_BINARY), args);
  Outcome o;
  if (!p.waitForStarted(5000)) {
    ADD_FAILURE() << "vyx did not start: " << p.errorString().toStdString();
    return o;
  }
  p.write(input.data(), static_cast<qint64>(input.size()));
  p.closeWriteChannel();
  if (!p.waitForFinished(timeoutMs)) {
    ADD_FAILURE() << "vyx did not end within " << timeoutMs << " ms";
    p.kill();
    p.waitForFinished(2000);
  }
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "vyx crashed";
  o.exitCode = p.exitCode();
  o.out = p.readAllStandardOutput().toStdString();
  o.err = p.readAllStandardError().toStdString();
  return o;
}

Board::Board(sim::Options options) : sim(std::make_unique<sim::Simulator>(std::move(options))) {
  device = sim->Start();
  EXPECT_FALSE(device.empty()) << sim->LastError();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace vyx::console::test
