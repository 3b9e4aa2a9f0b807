#include "console_signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vyx::console {
namespace {

// A terminal that hangs up, a supervisor, Ctrl-C or Ctrl-\ in a terminal, a script: each
// means "end now", and each must leave the port closed and the output whole.
constexpr std::array<int, 5> kSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1};

// A signal handler can reach nothing but a plain static; it holds the writing end only
// while a TerminationSignals exists.
volatile sig_atomic_t writeFd = -1;

extern "C" void OnSignal(int signalNumber) {
  const int saved = errno;
  const int fd = writeFd;
  if (fd >= 0) {
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
  }
  errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds_) != 0) return;
  writeFd = fds_[0];
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    ::sigaction(kSignals[i], nullptr, &previous_[i]);
    // Started under nohup: the hang-up was meant not to end this program.
    if (kSignals[i] == SIGHUP && previous_[i].sa_handler == SIG_IGN) continue;
    ::sigaction(kSignals[i], &sa, nullptr);
  }
  notifier_ = std::make_unique<QSocketNotifier>(fds_[1], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    char byte = 0;
    while (::read(fds_[1], &byte, 1) == 1) emit received(static_cast<unsigned char>(byte));
  });
}

TerminationSignals::~TerminationSignals() {
  if (fds_[0] < 0) return;
  for (std::size_t i = 0; i < kSignals.size(); ++i)
    ::sigaction(kSignals[i], &previous_[i], nullptr);
  writeFd = -1;
  notifier_.reset();
  ::close(fds_[0]);
  ::close(fds_[1]);
}

}  // namespace vyx::console
