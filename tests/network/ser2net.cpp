#include "ser2net.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTcpServer>

#include "far_end.h"

namespace vyx::test {
namespace {

// Read from the kernel's table, so that looking does not open the device as a client would.
bool Listening(int port) {
  QFile table("/proc/net/tcp");
  if (!table.open(QIODevice::ReadOnly)) return false;
  const QByteArray local =
      QByteArray(":") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
  for (const QByteArray& line : table.readAll().split('\n')) {
    const QList<QByteArray> f = line.simplified().split(' ');
    if (f.size() > 3 && f[1].endsWith(local) && f[3] == "0A") return true;
  }
  return false;
}

}  // namespace

int FreeLoopbackPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost);
  return probe.serverPort();
}

Ser2net::~Ser2net() {
  process_.kill();
  process_.waitForFinished();
}

std::string Ser2net::Serve(const std::string& device, Mode mode, const std::string& line) {
  const int port = FreeLoopbackPort();
  const std::string tcp = "tcp,127.0.0.1," + std::to_string(port);
  QFile config(dir_.filePath("ser2net.yaml"));
  EXPECT_TRUE(config.open(QIODevice::WriteOnly));
  config.write(
      ("connection: &line\n  accepter: " + (mode == Mode::Raw ? tcp : "telnet(rfc2217)," + tcp) +
       "\n  connector: serialdev," + device + "," + line + ",local\n")
          .c_str());
  config.close();
  process_.setProcessChannelMode(QProcess::MergedChannels);
  process_.start(VYX_SER2NET, {"-d", "-u", "-P", dir_.filePath("pid"), "-c", config.fileName()});
  const bool up = TurnUntil([&] { return Listening(port); }, milliseconds(5000));
  EXPECT_TRUE(up) << "ser2net did not listen: " << process_.readAll().toStdString();
  if (!up) return "";
  return (mode == Mode::Raw ? "tcp://127.0.0.1:" : "rfc2217://127.0.0.1:") + std::to_string(port);
}

}  // namespace vyx::test
