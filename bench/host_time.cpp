// A host's own time per update, measured from outside the host: loaded with LD_PRELOAD into
// any host (the component, `vyx monitor`, the pyserial loop, the floors), it notes when each
// wait for input returns and when each request goes out, and writes the median and 90th
// percentile of the time between them to the file named by VYX_HOST_TIME at exit.
//
// The time a board measures from its reply to the next request also holds the kernel's and
// the machine's part: waking the host and carrying the bytes both ways. That part does not
// depend on the host (a host that spins for 60 us after each write shows the same
// turnaround), and it varies by tens of microseconds from round to round, more than the hosts
// differ by. What the host does between being woken and writing is its own.
//
// The hosts measured do their waiting and their line's input and output on one thread, so the
// state here is not shared between threads.
//
// The waits are those the hosts use: poll (GLib), ppoll (Qt's own dispatcher) and select
// (Python). A sample is the time from the last blocking wait's return to a write on the terminal
// the reply was read from, when something has been read from it since the last request. Waits with
// no time to wait (a look at the line) are not wake-ups and are not counted.
#include <dlfcn.h>
#include <poll.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// No allocation inside the wrapped calls: a fixed store, and the first updates (start-up and
// the EEPROM reads of a board's first answer) are left out at the end.
constexpr int kSkip = 10;
std::array<double, 1 << 18> samples;
int count = 0;
double woken = 0;
bool readSinceRequest = false;

// Whether each descriptor is a terminal, asked once: the line is one, the host's event
// loop wake-up descriptors and files are not.
enum : char { kUnknown, kTerminal, kOther };
std::array<char, 4096> kind{};

bool IsLine(int fd) {
  if (fd < 0 || fd >= static_cast<int>(kind.size())) return false;
  if (kind[fd] == kUnknown) kind[fd] = isatty(fd) ? kTerminal : kOther;
  return kind[fd] == kTerminal;
}

void Woken(bool blocking) {
  if (blocking) woken = Now();
}

__attribute__((destructor)) void Report() {
  const char* path = std::getenv("VYX_HOST_TIME");
  if (path == nullptr || count <= kSkip) return;
  double* first = samples.data() + kSkip;
  double* last = samples.data() + count;
  const auto n = last - first;
  std::sort(first, last);
  if (FILE* out = std::fopen(path, "w")) {
    std::fprintf(out, "requests=%ld own_us=%.2f own_p90_us=%.2f\n", static_cast<long>(n),
                 first[n / 2], first[n * 9 / 10]);
    std::fclose(out);
  }
}

}  // namespace

extern "C" {

int poll(pollfd* fds, nfds_t n, int timeout) {
  static auto real = Next<int (*)(pollfd*, nfds_t, int)>("poll");
  const int r = real(fds, n, timeout);
  Woken(timeout != 0);
  return r;
}

int ppoll(pollfd* fds, nfds_t n, const timespec* timeout, const sigset_t* mask) {
  static auto real = Next<int (*)(pollfd*, nfds_t, const timespec*, const sigset_t*)>("ppoll");
  const int r = real(fds, n, timeout, mask);
  Woken(timeout == nullptr || timeout->tv_sec != 0 || timeout->tv_nsec != 0);
  return r;
}

int select(int n, fd_set* in, fd_set* out, fd_set* ex, timeval* timeout) {
  static auto real = Next<int (*)(int, fd_set*, fd_set*, fd_set*, timeval*)>("select");
  const int r = real(n, in, out, ex, timeout);
  Woken(timeout == nullptr || timeout->tv_sec != 0 || timeout->tv_usec != 0);
  return r;
}

ssize_t read(int fd, void* buf, size_t size) {
  static auto real = Next<ssize_t (*)(int, void*, size_t)>("read");
  const ssize_t r = real(fd, buf, size);
  if (r > 0 && IsLine(fd)) readSinceRequest = true;
  return r;
}

ssize_t write(int fd, const void* buf, size_t size) {
  static auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
  if (readSinceRequest && IsLine(fd)) {
    readSinceRequest = false;
    if (count < static_cast<int>(samples.size())) samples[count++] = Now() - woken;
  }
  return real(fd, buf, size);
}

int close(int fd) {
  static auto real = Next<int (*)(int)>("close");
  if (fd >= 0 && fd < static_cast<int>(kind.size())) kind[fd] = kUnknown;
  return real(fd);
}

}  // extern "C"
