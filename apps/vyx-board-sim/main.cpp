// vyx-board-sim: argument parsing and wiring; the board itself lives in libvyx-sim.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "options.h"
#include "vyx/sim/control_protocol.h"

namespace {

int signal_pipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  (void)!::write(signal_pipe[1], &byte, 1);
}

void InstallSignals() {
  ::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

void Say(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// Answers control commands until standard input closes, "quit", or a signal.
void Serve(vyx::sim::Simulator& sim) {
  std::string pending;
  char buffer[4096];
  bool quit = false;
  while (!quit) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {signal_pipe[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;  // interrupted by a signal: the pipe tells which
    if (fds[1].revents != 0) return;
    if (fds[0].revents == 0) continue;
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      if (!pending.empty()) Say(vyx::sim::RunControlCommand(sim, pending, &quit));
      return;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    for (auto nl = pending.find('\n'); nl != std::string::npos && !quit; nl = pending.find('\n')) {
      std::string line = pending.substr(0, nl);
      pending.erase(0, nl + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.find_first_not_of(" \t") == std::string::npos) continue;
      Say(vyx::sim::RunControlCommand(sim, line, &quit));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const auto cl = vyx::board_sim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!cl.error.empty()) {
    std::fprintf(stderr, "vyx-board-sim: %s\nTry 'vyx-board-sim --help'.\n", cl.error.c_str());
    return 2;
  }
  if (cl.help) {
    std::fputs(vyx::board_sim::Usage().c_str(), stdout);
    return 0;
  }
  if (cl.version) {
    Say("vyx-board-sim 1.0");
    return 0;
  }
  InstallSignals();
  vyx::sim::Simulator sim(cl.options);
  const std::string path = sim.Start();
  if (path.empty()) {
    std::fprintf(stderr, "vyx-board-sim: %s\n", sim.LastError().c_str());
    return 1;
  }
  Say(path);
  Serve(sim);
  sim.Stop();
  return 0;
}
