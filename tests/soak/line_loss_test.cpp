// The line going away under an update: the board's pseudo-terminal closing, and a TCP device
// dropping its connection. The update ends, the panel shows "Offline" in red, the process
// sits idle instead of spinning on a dead descriptor, and once the board is back the operator
// picks the port again and updates go on.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>

#include "control/vyx.h"
#include "platform/qt_platform.h"
#include "vyx/sim/simulator.h"

namespace vyx::soak {
namespace {

using namespace std::chrono_literals;

// Runs the event loop for the given time.
void Turn(std::chrono::milliseconds time) {
  QEventLoop loop;
  QTimer::singleShot(time, &loop, &QEventLoop::quit);
  loop.exec();
}

// Runs the event loop until the condition holds or the limit passes; returns the condition.
bool TurnUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  QEventLoop loop;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  look.start(2ms);
  QTimer::singleShot(limit, &loop, &QEventLoop::quit);
  if (!done()) loop.exec();
  return done();
}

double ThisThreadCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Rig : Host {
  explicit Rig(sim::Options o) : board(std::move(o)) {}
  void PropertyChanged(std::string_view) override {}
  void NewData() override { ++newData; }

  const std::string& Caption(Field f) const { return vyx.Fields().Caption(f); }
  bool Update() {
    const int before = newData;
    if (!vyx.Set("UpdateCmd", true)) return false;
    return TurnUntil([&] { return newData > before; }, 5s);
  }

  sim::Simulator board;
  qt::Platform platform;
  Vyx vyx{platform.port(), platform.timer(), platform.clock(), this};
  int newData = 0;
};

class LineLoss : public ::testing::TestWithParam<bool> {};

TEST_P(LineLoss, UpdateEndsOfflineInRedAndThePortCanBeChosenAgain) {
  sim::Options o;
  o.tcp = GetParam();
  Rig r(o);
  const std::string device = r.board.Start();
  ASSERT_FALSE(device.empty()) << r.board.LastError();
  ASSERT_TRUE(r.platform.portMap().Set(1, device));
  ASSERT_TRUE(r.vyx.Click(Field::CmbComm, 1));
  ASSERT_EQ(r.Caption(Field::LblComm), "Connect");
  ASSERT_TRUE(r.Update()) << "the board never answered";

  // The next request goes unanswered, and the line drops right after the board has read it.
  sim::FaultSettings f = r.board.Faults();
  f.silence = 1.0;
  f.drop_after = static_cast<int>(r.board.GetCounters().frames) + 1;
  r.board.SetFaults(f);
  ASSERT_TRUE(r.vyx.Set("UpdateCmd", true));
  ASSERT_TRUE(r.vyx.UpdateInProgress());

  ASSERT_TRUE(TurnUntil([&] { return r.Caption(Field::LblComm) == "Offline"; }, 3s))
      << "the component never noticed the line was gone";
  EXPECT_EQ(r.vyx.Fields().Color(Field::LblComm), kColorRed);
  EXPECT_FALSE(r.vyx.UpdateInProgress());
  EXPECT_EQ(r.Caption(Field::LblStatus), "Ready");
  EXPECT_EQ(r.newData, 1);
  EXPECT_FALSE(r.platform.port().IsOpen());

  // A dead descriptor left in the event loop would be reported over and over, using up a
  // core; an idle loop uses next to nothing. The bound is far from both.
  const double before = ThisThreadCpuSeconds();
  Turn(1s);
  EXPECT_LT(ThisThreadCpuSeconds() - before, 0.3) << "the event loop spins after the loss";

  // An update asked for while offline ends at once.
  ASSERT_TRUE(r.vyx.Set("UpdateCmd", true));
  EXPECT_FALSE(r.vyx.UpdateInProgress());
  EXPECT_EQ(r.Caption(Field::LblStatus), "Ready");

  // The board is back (a new pseudo-terminal, or the same listening port).
  f.silence = 0.0;
  f.drop_after = 0;
  r.board.SetFaults(f);
  const std::string again = r.board.Reconnect();
  ASSERT_FALSE(again.empty()) << r.board.LastError();
  ASSERT_TRUE(r.platform.portMap().Set(1, again));
  ASSERT_TRUE(r.vyx.Click(Field::CmbComm, 1));
  EXPECT_EQ(r.Caption(Field::LblComm), "Connect");
  EXPECT_TRUE(r.Update()) << "no update after the port was chosen again";
  EXPECT_EQ(r.newData, 2);
}

INSTANTIATE_TEST_SUITE_P(Transports, LineLoss, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) {
                           return p.param ? "Tcp" : "PseudoTerminal";
                         });

}  // namespace
}  // namespace vyx::soak
