// The component through libvyx-qt against a board in another process (vyx-board-sim), as a
// host uses it. Prints one line of key=value figures for run_all.py.
//
//   bench_host rate   DEVICE N   N updates chained on NewData: updates a second
//   bench_host cost   DEVICE N   the same, with the CPU time they took
//   bench_host idle   DEVICE S   the port open for S seconds without an update
//   bench_host failed DEVICE N   N updates to a board that never answers
//   bench_host eeprom DEVICE     a board's first update, whose EEPROM reads time out
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "control/vyx.h"
#include "cpu_time.h"
#include "platform/qt_platform.h"

namespace vyx::bench {
namespace {

class Driver : private Host {
 public:
  explicit Driver(const std::string& device) { (void)platform_.portMap().Set(1, device); }

  bool Open() {
    (void)vyx_.Click(Field::CmbComm, 1);
    return vyx_.Fields().Caption(Field::LblComm) == "Connect";
  }

  // Runs n updates, each started from the end event of the one before, as a host that reads
  // as fast as it can does.
  void Run(long n) {
    target_ = started_ + n;
    QTimer::singleShot(0, [this] { Next(); });
    loop_.exec();
  }

  void Idle(double seconds) {
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop_, &QEventLoop::quit);
    loop_.exec();
  }

  long newData = 0;

 private:
  void Next() {
    if (started_ >= target_) {
      loop_.quit();
      return;
    }
    ++started_;
    (void)vyx_.Set("UpdateCmd", true);
  }
  void NewData() override { ++newData; }
  void UpdateEnded(const UpdateEnd&) override { Next(); }
  void PropertyChanged(std::string_view) override {}

  qt::Platform platform_;
  Vyx vyx_{platform_.port(), platform_.timer(), platform_.clock(), this};
  QEventLoop loop_;
  long started_ = 0;
  long target_ = 0;
};

int Usage() {
  std::fputs("usage: bench_host rate|cost|idle|failed|eeprom DEVICE [N]\n", stderr);
  return 2;
}

}  // namespace
}  // namespace vyx::bench

int main(int argc, char** argv) {
  using namespace vyx::bench;
  if (argc < 3) return Usage();
  QCoreApplication app(argc, argv);
  const std::string mode = argv[1];
  const double arg = argc > 3 ? std::atof(argv[3]) : 0.0;
  Driver d(argv[2]);
  if (!d.Open()) {
    std::fprintf(stderr, "bench_host: cannot open %s\n", argv[2]);
    return 1;
  }

  if (mode == "rate" || mode == "cost") {
    d.Run(1);  // the first answer also reads the EEPROM records; not part of the figure
    const long n = static_cast<long>(arg);
    const long before = d.newData;
    const Stopwatch w;
    d.Run(n);
    const double wall = w.Wall();
    const double cpu = w.Cpu();
    const long ok = d.newData - before;
    std::printf(
        "updates=%ld succeeded=%ld seconds=%.4f per_second=%.2f cpu_seconds=%.4f "
        "cpu_us_per_update=%.2f\n",
        n, ok, wall, static_cast<double>(ok) / wall, cpu,
        ok > 0 ? cpu * 1e6 / static_cast<double>(ok) : 0.0);
  } else if (mode == "idle") {
    const Stopwatch w;
    d.Idle(arg);
    std::printf("seconds=%.3f cpu_seconds=%.6f cpu_percent=%.4f\n", w.Wall(), w.Cpu(),
                100.0 * w.Cpu() / w.Wall());
  } else if (mode == "failed") {
    const long n = static_cast<long>(arg);
    const Stopwatch w;
    d.Run(n);
    std::printf("updates=%ld newdata=%ld seconds=%.3f cpu_seconds=%.6f cpu_percent=%.4f\n", n,
                d.newData, w.Wall(), w.Cpu(), 100.0 * w.Cpu() / w.Wall());
  } else if (mode == "eeprom") {
    const Stopwatch w;
    d.Run(1);
    std::printf("updates=1 newdata=%ld seconds=%.3f cpu_seconds=%.6f cpu_percent=%.4f\n", d.newData,
                w.Wall(), w.Cpu(), 100.0 * w.Cpu() / w.Wall());
  } else {
    return Usage();
  }
  return 0;
}
