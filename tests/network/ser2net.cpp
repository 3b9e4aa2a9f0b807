#include "ser2net.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTcpServer>

#include "far_end.h"

namespace vyx::test {
namespace {

// A loopback port nobody listens on now.
int FreePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost);
  return probe.serverPort();
}

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

Ser2net::~Ser2net() {
  process_.kill();
  process_.waitForFinished();
}

std::string Ser2net::Serve(const std::string& device, Mode mode, const std::string& line) {
  const int port = FreePort();
  const std::string address = "tcp,127.0.0.1," + std::to_string(port);
  const QString config = dir_.filePath("ser2net.yaml");
  QFile file(config);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(("connection: &line\n  accepter: " +
              (mode == Mode::Raw ? address : "telnet(rfc2217)," + address) +
              "\n  connector: serialdev," + device + "," + line + ",local\n")
                 .c_str());
  file.close();
  process_.setProcessChannelMode(QProcess::MergedChannels);
  process_.start(VYX_SER2NET, {"-d", "-u", "-P", dir_.filePath("pid"), "-c", config});
  const bool up = TurnUntil([&] { return Listening(port); }, milliseconds(5000));
  EXPECT_TRUE(up) << "ser2net did not listen: " << process_.readAll().toStdString();
  if (!up) return "";
  return (mode == Mode::Raw ? "tcp://" : "rfc2217://") + std::string("127.0.0.1:") +
         std::to_string(port);
}

}  // namespace vyx::test
