// On a serial line the port wakes the event loop once, just before an awaited reply can have
// come in whole, and at no other time; on a network line it never does.
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QObject>
#include <chrono>
#include <vector>

#include "far_end.h"
#include "platform/qt_serial_port.h"

namespace vyx::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

// One byte at 38400 baud, 8N1.
constexpr microseconds kByte{260};

struct Case {
  const char* name;
  bool tcp;
  std::size_t before;  // bytes of a frame that awaits no reply, written first
  int awaited;         // reply bytes awaited after the 6-byte request (0: none)
};

TEST(ReplyWake, TheLoopWakesOnceJustBeforeTheReplyIsDue) {
  const Case cases[] = {
      {"a request", false, 0, 26},
      {"a request behind a frame", false, 10, 26},
      {"no reply awaited", false, 0, 0},
      {"a network line", true, 0, 26},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FarEnd far(c.tcp);
    qt::PortMap map;
    qt::QtSerialPort port{map};
    ASSERT_TRUE(map.Set(1, far.Device()));
    ASSERT_EQ(port.SetOpen(true), IoResult::Ok) << port.LastError();
    if (c.tcp) far.Accept();
    Turn(std::chrono::milliseconds(5));

    std::vector<microseconds> wakes;  // after the first write
    const auto start = Clock::now();
    const auto connection = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
        [&] { wakes.push_back(std::chrono::duration_cast<microseconds>(Clock::now() - start)); });
    if (c.before > 0) {
      ASSERT_EQ(port.Write(std::string(c.before, 'p')), IoResult::Ok);
    }
    ASSERT_EQ(port.SetReceiveThreshold(c.awaited), IoResult::Ok);
    ASSERT_EQ(port.Write("Q02119"), IoResult::Ok);
    Turn(std::chrono::milliseconds(25));
    QObject::disconnect(connection);

    // The loop's first turns after the writes are not waits.
    std::erase_if(wakes, [](microseconds w) { return w < microseconds(1000); });
    const bool foretold = !c.tcp && c.awaited > 0;
    const microseconds due = kByte * static_cast<int>(c.before + 6 + c.awaited);
    const auto near_due = [due](microseconds w) {
      return w >= due - microseconds(1000) && w <= due + microseconds(4000);
    };
    if (foretold) {
      ASSERT_FALSE(wakes.empty());
      EXPECT_TRUE(near_due(wakes.front()))
          << wakes.front().count() << " us, due at " << due.count();
      // The far end never answers: the last wake is the test's own, at the end.
      EXPECT_LE(wakes.size(), 2u);
    } else {
      EXPECT_TRUE(wakes.empty() || wakes.front() > microseconds(20000)) << wakes.front().count();
    }
  }
}

}  // namespace
}  // namespace vyx::test
