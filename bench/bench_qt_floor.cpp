// The least a Qt host can do: the bare floor's request and reply, driven by Qt's event loop
// through a socket notifier instead of a poll loop. Between it and the component lies what the
// component itself costs; between it and the bare floor, what the event loop costs.
//
//   bench_qt_floor DEVICE N   prints updates=N succeeded=K seconds=S per_second=R and the
//                             CPU time per update
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "cpu_time.h"

namespace {

constexpr char kRequest[] = "Q02119";
constexpr int kReplyMs = 220;  // the bare floor's wait for a reply

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: bench_qt_floor DEVICE N\n", stderr);
    return 2;
  }
  QCoreApplication app(argc, argv);
  const int fd = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return 1;
  termios t{};
  ::tcgetattr(fd, &t);
  ::cfmakeraw(&t);
  ::cfsetspeed(&t, B38400);
  ::tcsetattr(fd, TCSANOW, &t);
  ::tcflush(fd, TCIOFLUSH);

  const long n = std::atol(argv[2]);
  long done = 0;
  long good = 0;
  unsigned char reply[26];
  std::size_t have = 0;
  QSocketNotifier readable(fd, QSocketNotifier::Read);
  QTimer late;  // a reply that does not come ends its update, as in the other hosts
  late.setSingleShot(true);
  late.setInterval(kReplyMs);

  auto next = [&] {
    have = 0;
    if (++done > n || ::write(fd, kRequest, sizeof kRequest - 1) != sizeof kRequest - 1) {
      app.quit();
      return;
    }
    late.start();
  };
  QObject::connect(&late, &QTimer::timeout, next);
  QObject::connect(&readable, &QSocketNotifier::activated, [&] {
    const ssize_t got = ::read(fd, reply + have, sizeof reply - have);
    if (got <= 0) return;
    have += static_cast<std::size_t>(got);
    if (have < sizeof reply) return;
    unsigned sum = 0;
    for (std::size_t j = 0; j + 1 < sizeof reply; ++j) sum += reply[j];
    if (sum % 256 == reply[25]) ++good;
    next();
  });

  const vyx::bench::Stopwatch w;
  QTimer::singleShot(0, next);
  app.exec();
  const double s = w.Wall();
  const double cpu = w.Cpu();
  std::printf("updates=%ld succeeded=%ld seconds=%.4f per_second=%.2f cpu_us_per_update=%.2f\n", n,
              good, s, static_cast<double>(good) / s,
              good > 0 ? cpu * 1e6 / static_cast<double>(good) : 0.0);
  ::close(fd);
  return 0;
}
