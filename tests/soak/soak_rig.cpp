#include "soak_rig.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <fstream>
#include <memory>
#include <sstream>

#include "control/vyx.h"
#include "platform/qt_platform.h"

namespace vyx::soak {
namespace {

// The status request of board 0 as the component writes it: registers 0x21 on, 0x19 of them.
const std::vector<std::uint8_t> kStatusRequest{'Q', '0', '2', '1', '1', '9'};

// What the board sent in answer to the status requests of one update.
struct BoardSide {
  int clean = 0;
  int faulty = 0;
  std::vector<std::uint8_t> lastClean;
};

BoardSide ReadBack(sim::Simulator& board) {
  // Nothing is on the wire between two updates, so nothing is logged between these calls.
  const std::vector<sim::LogEntry> log = board.FrameLog();
  board.ClearFrameLog();
  BoardSide side;
  bool request = false;
  for (const sim::LogEntry& e : log) {
    if (e.direction == sim::Direction::kIn) {
      request = e.bytes == kStatusRequest;
    } else if (e.direction == sim::Direction::kOut && request) {
      request = false;
      // A late reply that is otherwise whole still comes within the try.
      if (!e.bytes.empty() && (e.note.empty() || e.note == "late")) {
        ++side.clean;
        side.lastClean = e.bytes;
      } else {
        ++side.faulty;
      }
    }
  }
  return side;
}

class Soak : private Host {
 public:
  explicit Soak(const SoakOptions& o) : options_(o), board_(o.board) {}

  SoakResult Run() {
    const std::string device = board_.Start();
    if (device.empty()) return Failed("the simulated board did not start: " + board_.LastError());
    if (Status s = platform_.portMap().Set(1, device); !s) return Failed(s.message());
    vyx_.SetFieldObserver([this](Field f) {
      if (f == Field::LblStatus && vyx_.Fields().Caption(f) == "Ready") OnReady();
    });
    if (Status s = vyx_.Set("CommPort", std::string("1")); !s) return Failed(s.message());
    if (vyx_.Fields().Caption(Field::LblComm) != "Connect") {
      return Failed("Comm1 did not open: " + platform_.port().LastError());
    }
    watchdog_.setSingleShot(true);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] {
      result_.hung = true;
      loop_.quit();
    });
    const auto start = std::chrono::steady_clock::now();
    QTimer::singleShot(0, [this] { Next(); });
    loop_.exec();
    result_.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result_.rssEndKb = ProcStatusKb("VmRSS");
    result_.rssPeakKb = ProcStatusKb("VmHWM");
    result_.board = board_.GetCounters();
    vyx_.SetFieldObserver(nullptr);
    return result_;
  }

 private:
  SoakResult Failed(std::string why) {
    result_.error = std::move(why);
    return result_;
  }

  void Next() {
    if (started_ == options_.updates || result_.hung) {
      loop_.quit();
      return;
    }
    ++started_;
    watchdog_.start(options_.updateLimit);
    (void)vyx_.Set("UpdateCmd", true);
  }

  // "Ready" comes before NewData; whether NewData follows is known once the call that set it
  // has returned, so a failed update is judged from the event loop.
  void OnReady() {
    const long update = started_;
    QTimer::singleShot(0, [this, update] {
      if (accounted_ < update) Ended(false);
    });
  }

  void NewData() override {
    ++result_.newData;
    Ended(true);
  }
  void PropertyChanged(std::string_view) override {}

  void Ended(bool gotNewData) {
    watchdog_.stop();
    accounted_ = started_;
    ++result_.updates;
    if (gotNewData) ++result_.succeeded;
    if (result_.updates == options_.warmUp) result_.rssWarmKb = ProcStatusKb("VmRSS");

    const BoardSide side = ReadBack(board_);
    result_.cleanReplies += side.clean;
    result_.faultyReplies += side.faulty;
    std::string why;
    if (gotNewData && side.clean != 1) {
      why = "NewData after " + std::to_string(side.clean) + " clean replies";
    } else if (!gotNewData && side.clean != 0) {
      why = "no NewData after " + std::to_string(side.clean) + " clean replies";
    } else if (gotNewData && !ImageHolds(side.lastClean)) {
      why = "the readings are not the bytes of the clean reply";
    }
    if (!why.empty()) {
      if (result_.disagreements++ == 0) {
        result_.firstDisagreement = "update " + std::to_string(result_.updates) + ": " + why;
      }
    }
    // Chained from the NewData handler itself, as a host that polls as fast as it can does.
    Next();
  }

  bool ImageHolds(const std::vector<std::uint8_t>& reply) const {
    if (reply.size() != 26) return false;
    const auto& image = vyx_.Internals().RegImage[0];
    for (std::size_t i = 0; i < 25; ++i) {
      if (image[0x21 + i] != static_cast<float>(reply[i])) return false;
    }
    return true;
  }

  SoakOptions options_;
  sim::Simulator board_;
  qt::Platform platform_;
  Vyx vyx_{platform_.port(), platform_.timer(), platform_.clock(), this};
  QEventLoop loop_;
  QTimer watchdog_;
  SoakResult result_;
  long started_ = 0;
  long accounted_ = 0;
};

}  // namespace

long ProcStatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  const std::string key = std::string(field) + ":";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key, 0) == 0) {
      std::istringstream value(line.substr(key.size()));
      long kb = 0;
      value >> kb;
      return kb;
    }
  }
  return 0;
}

SoakResult RunSoak(const SoakOptions& options) {
  auto soak = std::make_unique<Soak>(options);
  return soak->Run();
}

}  // namespace vyx::soak
