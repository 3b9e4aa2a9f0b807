#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "simulator_impl.h"

namespace vyx::sim {

namespace {

constexpr Nanos kDropGrace = std::chrono::milliseconds(250);
constexpr Nanos kDropSettle = std::chrono::milliseconds(20);
constexpr Nanos kDropRecheck = std::chrono::milliseconds(2);
// A processor that halts while idle wakes from a long sleep tens of microseconds later than
// from a short one (90 against 35 us, median, on a virtual machine). A long sleep therefore
// ends this much early and the last stretch is slept apart, so that a reply is not held back.
constexpr Nanos kWakeLead = std::chrono::microseconds(150);

Nanos SteadyNow() { return SteadyTimeSource().Now(); }

timespec ToTimespec(Nanos d) {
  const auto ns = std::max<std::int64_t>(d.count(), 0);
  return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

std::optional<std::size_t> Simulator::Impl::FirstPieceEnd() const {
  for (std::size_t i = 0; i < outbound.size(); ++i) {
    if (outbound[i].ends_piece) return i;
  }
  return std::nullopt;
}

bool Simulator::Impl::HostCaughtUp() const {
  if (options.tcp || pty.slave < 0) return true;
  int waiting = 0;
  return ::ioctl(pty.slave, FIONREAD, &waiting) != 0 || waiting == 0;
}

// The server thread. It sleeps in ppoll until a byte arrives, the next scheduled byte is due,
// or a control call wakes it; the lock is held everywhere else.
void Simulator::Impl::Run() {
  // A byte is due to the microsecond; the default timer slack of 50 us would hold the end of
  // every reply back by that much, which a real line does not.
  (void)::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  // Nor does a wire pause in the middle of a reply because the machine is busy: where the
  // system allows it, the line's thread runs ahead of ordinary work.
  sched_param realtime{};
  realtime.sched_priority = 1;
  (void)::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &realtime);
  std::unique_lock lock(mu);
  std::vector<pollfd> fds;
  std::uint8_t buffer[4096];
  while (!stopping) {
    const int data = DataFd();
    fds.assign({pollfd{wake_read, POLLIN, 0}});
    if (listener >= 0) fds.push_back({listener, POLLIN, 0});
    if (data >= 0) fds.push_back({data, POLLIN, 0});

    std::optional<Nanos> deadline;
    if (!inbound.empty()) deadline = inbound.front().at;
    if (const auto end = FirstPieceEnd(); end && (!deadline || outbound[*end].at < *deadline)) {
      deadline = outbound[*end].at;
    }
    const double junk_rate = line->Faults().Settings().junk_rate;
    if (junk_rate > 0.0 && DataFd() >= 0 && (!deadline || junk_next < *deadline)) {
      deadline = junk_next;
    }
    if (drop_deadline) {
      const Nanos recheck = SteadyNow() + kDropRecheck;
      if (!deadline || recheck < *deadline) deadline = recheck;
    }
    timespec timeout{};
    if (deadline) {
      const Nanos left = *deadline - SteadyNow();
      timeout = ToTimespec(left > 2 * kWakeLead ? left - kWakeLead : left);
    }

    lock.unlock();
    const int ready = ::ppoll(fds.data(), fds.size(), deadline ? &timeout : nullptr, nullptr);
    lock.lock();
    if (stopping) break;

    if (ready > 0) {
      for (const pollfd& p : fds) {
        if (p.revents == 0) continue;
        if (p.fd == wake_read) {
          while (::read(wake_read, buffer, sizeof buffer) > 0) {
          }
        } else if (p.fd == listener) {
          const int fd = AcceptClient(listener);
          if (fd >= 0) {
            // The newest connection takes the line, as when a host reopens the port.
            if (client >= 0) Disconnect();
            client = fd;
          }
        } else if (p.fd == data && data == DataFd()) {
          const ssize_t n = ::read(data, buffer, sizeof buffer);
          if (n > 0) {
            const Nanos now = SteadyNow();
            turnaround.HostSpoke(now, !outbound.empty());
            for (ssize_t i = 0; i < n; ++i) inbound.push_back({in_pacer.Next(now), buffer[i]});
          } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            Disconnect();  // the peer went away (TCP) or the terminal failed
          }
        }
      }
    }

    // Frames are handled when their last byte has arrived, replies queued behind each other.
    const Nanos now = SteadyNow();
    while (!inbound.empty() && inbound.front().at <= now) {
      const ScheduledByte in = inbound.front();
      inbound.pop_front();
      for (const Reply& reply : line->Feed({&in.byte, 1}, ModelNow())) {
        const std::size_t chunk = static_cast<std::size_t>(std::max(options.reply_chunk, 0));
        for (std::size_t i = 0; i < reply.bytes.size(); ++i) {
          const bool last = i + 1 == reply.bytes.size();
          const bool ends = last || (chunk > 0 && (i + 1) % chunk == 0);
          outbound.push_back({out_pacer.Next(in.at + reply.delay), reply.bytes[i], ends});
        }
      }
    }
    PersistIfWritten();

    // Noise goes out only while the line carries no reply, as from a floating input.
    if (junk_rate > 0.0 && DataFd() >= 0 && now >= junk_next) {
      if (outbound.empty()) outbound.push_back({out_pacer.Next(now), line->JunkByte()});
      junk_next = now + Nanos(static_cast<Nanos::rep>(1e9 / junk_rate));
    }

    // A piece goes out whole once its last byte is due.
    std::size_t due = 0;
    Nanos due_at{0};
    std::uint8_t out[sizeof buffer];
    for (auto end = FirstPieceEnd(); end && outbound[*end].at <= now && due + *end < sizeof out;
         end = FirstPieceEnd()) {
      due_at = outbound[*end].at;
      for (std::size_t i = 0; i <= *end; ++i) {
        out[due++] = outbound.front().byte;
        outbound.pop_front();
      }
    }
    // Like a wire, the line does not wait for a host that is not reading: what does not fit is
    // lost.
    if (due > 0 && DataFd() >= 0) {
      (void)!::write(DataFd(), out, due);
      if (outbound.empty()) turnaround.ReplyEnded(SteadyNow(), due_at);
    }

    // The last reply should reach the host before the line goes: a terminal hang-up discards
    // whatever the host has not read yet. A host that does not read gets a short grace.
    if (line->DropDue() && outbound.empty()) {
      if (!drop_deadline) drop_deadline = now + kDropGrace;
      // The terminal moves written bytes to the host's side a moment later, not at once.
      const bool settled = now >= *drop_deadline - kDropGrace + kDropSettle;
      if ((settled && HostCaughtUp()) || now >= *drop_deadline) {
        Disconnect();
        line->DropDone();
        drop_deadline.reset();
      }
    }
  }
}

}  // namespace vyx::sim
