#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "simulator_impl.h"

namespace vyx::sim {

namespace {

std::string Failure(const std::string& what) { return what + ": " + std::strerror(errno); }

// Replaces an old link of ours, but never a file that is not a symlink.
std::string MakeLink(const std::string& link, const std::string& target) {
  struct stat st {};
  if (::lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) return link + " exists and is not a symlink";
    ::unlink(link.c_str());
  }
  if (::symlink(target.c_str(), link.c_str()) != 0) return Failure("cannot link " + link);
  return {};
}

}  // namespace

std::string OpenPty(const std::string& link, PtyEndpoint& pty) {
  char name[256] = {};
  if (::openpty(&pty.master, &pty.slave, name, nullptr, nullptr) != 0) {
    return Failure("openpty");
  }
  ::fcntl(pty.master, F_SETFD, FD_CLOEXEC);
  ::fcntl(pty.slave, F_SETFD, FD_CLOEXEC);
  // A write the host does not read must never stall the board.
  ::fcntl(pty.master, F_SETFL, ::fcntl(pty.master, F_GETFL) | O_NONBLOCK);

  // Raw from the start, so that a host which does not set the line up sees bytes unchanged.
  termios tio{};
  ::tcgetattr(pty.slave, &tio);
  ::cfmakeraw(&tio);
  ::cfsetispeed(&tio, B38400);
  ::cfsetospeed(&tio, B38400);
  tio.c_cflag |= CLOCAL | CREAD;
  ::tcsetattr(pty.slave, TCSANOW, &tio);

  pty.path = name;
  if (!link.empty()) {
    std::string error = MakeLink(link, pty.path);
    if (!error.empty()) {
      ClosePty({}, pty);
      return error;
    }
  }
  return {};
}

void ClosePty(const std::string& link, PtyEndpoint& pty) {
  if (!link.empty()) {
    char target[256] = {};
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && pty.path == std::string(target, static_cast<std::size_t>(n))) {
      ::unlink(link.c_str());
    }
  }
  if (pty.master >= 0) ::close(pty.master);
  if (pty.slave >= 0) ::close(pty.slave);
  pty = PtyEndpoint{};
}

}  // namespace vyx::sim
