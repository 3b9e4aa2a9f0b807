// A real ser2net serving one serial device on a free loopback port, for the length of a test.
#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <string>

namespace vyx::test {

// A loopback TCP port nobody listens on now.
int FreeLoopbackPort();

class Ser2net {
 public:
  enum class Mode { Raw, Rfc2217 };

  ~Ser2net();
  // Serves `device`, set to the connector's `line` ("9600n81") when a client connects, and
  // returns the device text that reaches it: tcp:// raw, rfc2217:// over Telnet. Empty, with
  // a test failure, when the server does not come up.
  std::string Serve(const std::string& device, Mode mode, const std::string& line);

 private:
  QTemporaryDir dir_;
  QProcess process_;
};

}  // namespace vyx::test
