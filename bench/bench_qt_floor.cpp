// The least a Qt host can do: the bare floor's request and reply, driven by Qt's event loop
// through a socket notifier instead of a poll loop. Between it and the component lies what the
// component itself costs; between it and the bare floor, what the event loop costs.
//
//   bench_qt_floor DEVICE N   prints updates=N succeeded=K seconds=S per_second=R and the
//                             CPU time per update
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "cpu_time.h"
#include "raw_line.h"

namespace {

constexpr int kReplyMs = 220;  // the bare floor's wait for a reply

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: bench_qt_floor DEVICE N\n", stderr);
    return 2;
  }
  QCoreApplication app(argc, argv);
  using namespace vyx::bench;
  const int fd = OpenRawLine(argv[1]);
  if (fd < 0) return 1;

  const long n = std::atol(argv[2]);
  long done = 0;
  long good = 0;
  unsigned char reply[kReplySize];
  std::size_t have = 0;
  QSocketNotifier readable(fd, QSocketNotifier::Read);
  QTimer late;  // a reply that does not come ends its update, as in the other hosts
  late.setSingleShot(true);
  late.setInterval(kReplyMs);

  auto next = [&] {
    have = 0;
    if (++done > n || ::write(fd, kStatusRequest, kRequestSize) != kRequestSize) {
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
    if (ReplySumHolds(reply)) ++good;
    next();
  });

  const Stopwatch w;
  QTimer::singleShot(0, next);
  app.exec();
  PrintFloorFigures(n, good, w);
  ::close(fd);
  return 0;
}
