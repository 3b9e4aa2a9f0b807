// The long soak: 100,000 updates (or argv[1]) against the simulated board with one reply in
// twenty faulty, as tests/soak runs it for 10,000. Prints key=value figures; exits 1 when the
// component and the board disagree, an update hangs or the board cannot start.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "control/vyx.h"
#include "platform/qt_platform.h"
#include "vyx/sim/simulator.h"

namespace {

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  }
  return 0;
}

// The host: counts NewData and the ends, and leaves the loop an update runs at its end.
struct Host : vyx::Host {
  void PropertyChanged(std::string_view) override {}
  void NewData() override { ++newData; }
  void UpdateEnded(const vyx::UpdateEnd& end) override {
    ++ended;
    succeeded += end.ok() ? 1 : 0;
    if (loop) loop->quit();
  }
  long newData = 0, ended = 0, succeeded = 0;
  QEventLoop* loop = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const long updates = argc > 1 ? std::atol(argv[1]) : 100000;
  vyx::sim::Options o;
  o.seed = 7;
  o.faults.silence = o.faults.bad_checksum = o.faults.stray = o.faults.truncate = 0.01;
  o.faults.late = 0.01;
  o.faults.delay_ms = 60;  // late, but inside the try's 0.11 s: the reply still counts
  vyx::sim::Simulator board(o);
  const std::string device = board.Start();
  vyx::qt::Platform platform{vyx::qt::PortMap()};
  Host host;
  vyx::Vyx vyx(platform.port(), platform.timer(), platform.clock(), &host);
  if (device.empty() || !platform.portMap().Set(1, device).ok() ||
      !vyx.Set("CommPort", std::string("1")).ok() || !platform.port().IsOpen()) {
    std::fprintf(stderr, "bench_soak: the board did not start: %s\n", board.LastError().c_str());
    return 1;
  }

  QElapsedTimer clock;
  clock.start();
  long clean = 0, faulty = 0, disagreements = 0, rssWarm = 0;
  bool hung = false;
  for (long i = 0; i < updates && !hung; ++i) {
    const long before = host.ended, told = host.newData;
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    host.loop = &loop;
    (void)vyx.Set("UpdateCmd", true);
    if (host.ended == before) loop.exec();
    host.loop = nullptr;
    hung = host.ended == before;
    // What the board answered to this update's status requests, against what the host heard:
    // a reply is clean when it went out whole, on time or late.
    long answered = 0;
    std::string frame;
    int replies = 0;
    auto settle = [&] {
      if (frame != "Q02119" && !frame.starts_with('u')) return;
      ++(replies == 1 ? clean : faulty);
      answered += replies == 1 ? 1 : 0;
    };
    for (const vyx::sim::LogEntry& e : board.FrameLog()) {
      if (e.direction == vyx::sim::Direction::kIn) {
        settle();
        frame.assign(e.bytes.begin(), e.bytes.end());
        replies = 0;
      } else if (e.direction == vyx::sim::Direction::kOut) {
        replies = !e.bytes.empty() && (e.note.empty() || e.note == "late") ? 1 : -1;
      }
    }
    settle();
    board.ClearFrameLog();
    disagreements += (host.newData > told) != (answered == 1) ? 1 : 0;
    if (i + 1 == 1000) rssWarm = StatusKb("VmRSS:");
  }
  const vyx::sim::Counters c = board.GetCounters();
  std::printf(
      "updates=%ld ended=%ld succeeded=%ld newdata=%ld clean_replies=%ld faulty_replies=%ld "
      "disagreements=%ld hung=%d seconds=%.1f rss_warm_kb=%ld rss_end_kb=%ld rss_peak_kb=%ld "
      "silence=%llu bad_checksum=%llu stray=%llu truncate=%llu late=%llu\n",
      updates, host.ended, host.succeeded, host.newData, clean, faulty, disagreements, hung ? 1 : 0,
      static_cast<double>(clock.elapsed()) / 1000.0, rssWarm, StatusKb("VmRSS:"),
      StatusKb("VmHWM:"), static_cast<unsigned long long>(c.silence),
      static_cast<unsigned long long>(c.bad_checksum), static_cast<unsigned long long>(c.stray),
      static_cast<unsigned long long>(c.truncate), static_cast<unsigned long long>(c.late));
  return disagreements == 0 && !hung && host.ended == updates && host.newData == clean ? 0 : 1;
}
