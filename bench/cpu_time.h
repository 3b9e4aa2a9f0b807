// CPU time of this process (user and system, every thread) and wall time, for figures.
#pragma once

#include <sys/resource.h>

#include <chrono>

namespace vyx::bench {

inline double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU and wall time since construction.
class Stopwatch {
 public:
  double Wall() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
  }
  double Cpu() const { return ProcessCpuSeconds() - cpu_; }

 private:
  std::chrono::steady_clock::time_point wall_ = std::chrono::steady_clock::now();
  double cpu_ = ProcessCpuSeconds();
};

}  // namespace vyx::bench
