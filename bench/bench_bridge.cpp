// The network bridge seen from a broker's subscriber, for run_all.py. Prints key=value lines.
//
//   bench_bridge latency PORT FILTER WARMUP SECONDS [CHUNK]
//     Serves a paced line of boards 0 to 3 in this process, its replies in pieces of CHUNK
//     bytes (1, the default: byte by byte; 0: whole), and prints "device=PATH"; the
//     caller starts the bridge on it. From the first state message on, WARMUP seconds pass,
//     then "window" is printed, SECONDS later "end", then the figures: state messages in the
//     window and, for each, the time from the board's reply to its arrival here.
//   bench_bridge count PORT FILTER WARMUP SECONDS
//     The same window over bridges the caller runs, counting the messages only.
#include <pthread.h>
#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "state_subscriber.h"
#include "vyx/sim/frame_parser.h"
#include "vyx/sim/pacing.h"
#include "vyx/sim/simulator.h"

namespace vyx::bench {
namespace {

using sim::Nanos;

// The steady clock counted from its first reading, which the simulator takes as its line comes
// up: the frame log's times then convert to this process's steady clock by adding Origin().
class LineClock final : public sim::TimeSource {
 public:
  Nanos Now() const override {
    const Nanos now = std::chrono::steady_clock::now().time_since_epoch();
    std::call_once(once_, [this, now] { origin_ = now; });
    return now - origin_;
  }
  SteadyTime Origin() const { return SteadyTime(origin_); }

 private:
  mutable std::once_flag once_;
  mutable Nanos origin_{};
};

constexpr Nanos kNoReply{-1};

// For each board, when each of its updates' last reply had left the board: the frames of one
// update are those sent to its address in a row, and the reply's last byte is on the wire its
// length at 38400 baud after the log's time, when it starts.
std::map<int, std::vector<Nanos>> ReplyTimes(const std::vector<sim::LogEntry>& log) {
  std::map<int, std::vector<Nanos>> out;
  int current = -1;
  for (const sim::LogEntry& e : log) {
    if (e.direction == sim::Direction::kIn) {
      const auto frame = sim::DecodeFrame(
          std::string_view(reinterpret_cast<const char*>(e.bytes.data()), e.bytes.size()));
      if (!frame) continue;
      if (frame->address != current) {
        current = frame->address;
        out[current].push_back(kNoReply);
      }
    } else if (e.direction == sim::Direction::kOut && current >= 0 && !e.bytes.empty()) {
      out[current].back() = e.time + sim::kByteTime * static_cast<long>(e.bytes.size());
    }
  }
  return out;
}

// Threads this one starts inherit its scheduling: real-time while `on`, else the default.
bool RealTime(bool on) {
  sched_param p{};
  p.sched_priority = on ? 1 : 0;
  return pthread_setschedparam(pthread_self(), on ? SCHED_FIFO : SCHED_OTHER, &p) == 0;
}

double Micros(Nanos d) { return std::chrono::duration<double, std::micro>(d).count(); }

double Percentile(std::vector<double> sorted, double p) {
  if (sorted.empty()) return 0.0;
  std::sort(sorted.begin(), sorted.end());
  const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size())));
  return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

struct Window {
  SteadyTime from, to;
  double Seconds() const { return std::chrono::duration<double>(to - from).count(); }
};

// Waits for the bridge's first state, then for the warm-up, then measures.
bool Measure(StateSubscriber& sub, double warmup, double seconds, Window& w) {
  if (!sub.WaitForState(std::chrono::seconds(60))) {
    std::fputs("bench_bridge: no state message within 60 s\n", stderr);
    return false;
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(warmup));
  w.from = std::chrono::steady_clock::now();
  Say("window");
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  w.to = std::chrono::steady_clock::now();
  Say("end");
  return true;
}

long StatesIn(const std::vector<StateArrival>& states, const Window& w) {
  return std::count_if(states.begin(), states.end(),
                       [&w](const StateArrival& s) { return s.at >= w.from && s.at < w.to; });
}

int Latency(int port, const std::string& filter, double warmup, double seconds, int chunk) {
  // The simulator's thread inherits this: its frames are handled and its bytes written within
  // a microsecond of when they are due, not the default 50 us late, which the latency would
  // otherwise carry as noise.
  (void)prctl(PR_SET_TIMERSLACK, 1UL);
  auto clock = std::make_shared<LineClock>();
  sim::Options options;
  options.boards = {0, 1, 2, 3};
  options.line_rate = true;
  options.reply_chunk = chunk;
  options.time = clock;
  sim::Simulator board(options);
  // A board is hardware: its replies must not wait for the hosts' turn on a busy machine. Its
  // thread runs at a real-time priority where this process may give it one.
  const bool realtime = RealTime(true);
  const std::string device = board.Start();
  if (realtime) (void)RealTime(false);
  if (device.empty()) {
    std::fprintf(stderr, "bench_bridge: %s\n", board.LastError().c_str());
    return 1;
  }
  StateSubscriber sub;
  if (const std::string e = sub.Start(port, filter); !e.empty()) {
    std::fprintf(stderr, "bench_bridge: broker: %s\n", e.c_str());
    return 1;
  }
  Say("device=" + device);
  Window w;
  if (!Measure(sub, warmup, seconds, w)) return 1;
  const long messages = sub.MessagesSince(w.from) - sub.MessagesSince(w.to);
  const auto log = board.FrameLog();
  const auto states = sub.States();
  board.Stop();

  // The log keeps its most recent entries only; a full one no longer starts at update 1.
  if (log.size() >= sim::FrameLog::kCapacity) {
    std::fputs("bench_bridge: the frame log filled up; shorten the run\n", stderr);
    return 1;
  }
  const auto replies = ReplyTimes(log);
  std::vector<double> latency;
  long unmatched = 0;
  for (const StateArrival& s : states) {
    if (s.at < w.from || s.at >= w.to) continue;
    const auto it = replies.find(s.address);
    const auto k = static_cast<std::size_t>(s.update - 1);
    if (it == replies.end() || s.update < 1 || k >= it->second.size() ||
        it->second[k] == kNoReply) {
      ++unmatched;
      continue;
    }
    latency.push_back(Micros((s.at - clock->Origin()) - it->second[k]));
  }
  const long n = StatesIn(states, w);
  std::printf(
      "seconds=%.3f states=%ld states_per_second=%.2f messages=%ld messages_per_second=%.1f "
      "matched=%zu unmatched=%ld latency_median_us=%.0f latency_p99_us=%.0f "
      "latency_min_us=%.0f latency_max_us=%.0f realtime=%d\n",
      w.Seconds(), n, static_cast<double>(n) / w.Seconds(), messages,
      static_cast<double>(messages) / w.Seconds(), latency.size(), unmatched,
      Percentile(latency, 0.5), Percentile(latency, 0.99), Percentile(latency, 0.0),
      Percentile(latency, 1.0), realtime ? 1 : 0);
  return 0;
}

int Count(int port, const std::string& filter, double warmup, double seconds) {
  StateSubscriber sub;
  if (const std::string e = sub.Start(port, filter); !e.empty()) {
    std::fprintf(stderr, "bench_bridge: broker: %s\n", e.c_str());
    return 1;
  }
  Say("subscribed");
  Window w;
  if (!Measure(sub, warmup, seconds, w)) return 1;
  const long messages = sub.MessagesSince(w.from) - sub.MessagesSince(w.to);
  const long n = StatesIn(sub.States(), w);
  std::printf(
      "seconds=%.3f states=%ld states_per_second=%.2f messages=%ld "
      "messages_per_second=%.1f\n",
      w.Seconds(), n, static_cast<double>(n) / w.Seconds(), messages,
      static_cast<double>(messages) / w.Seconds());
  return 0;
}

}  // namespace
}  // namespace vyx::bench

int main(int argc, char** argv) {
  if (argc < 6 || argc > 7) {
    std::fputs("usage: bench_bridge latency|count PORT FILTER WARMUP SECONDS [CHUNK]\n", stderr);
    return 2;
  }
  const std::string mode = argv[1];
  const int port = std::atoi(argv[2]);
  const double warmup = std::atof(argv[4]);
  const double seconds = std::atof(argv[5]);
  const int chunk = argc > 6 ? std::atoi(argv[6]) : 1;
  if (mode == "latency") return vyx::bench::Latency(port, argv[3], warmup, seconds, chunk);
  if (mode == "count") return vyx::bench::Count(port, argv[3], warmup, seconds);
  std::fprintf(stderr, "bench_bridge: unknown mode %s\n", argv[1]);
  return 2;
}
