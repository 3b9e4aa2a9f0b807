#include "vyx/sim/eeprom_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vyx::sim {

namespace {

constexpr std::size_t kFileSize = reg::kMaxBoards * reg::kEepromSize;

std::string Failure(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string Directory(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string LoadEepromFile(const std::string& path, EepromBank& bank) {
  for (auto& image : bank) image.fill(0xFF);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? std::string() : Failure("cannot open", path);
  std::vector<std::uint8_t> data(kFileSize + 1);
  std::size_t got = 0;
  while (got < data.size()) {
    const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const std::string error = Failure("cannot read", path);
      ::close(fd);
      return error;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (got != kFileSize) {
    return path + " is not an EEPROM file (" + std::to_string(kFileSize) + " bytes expected)";
  }
  for (std::size_t b = 0; b < bank.size(); ++b) {
    std::memcpy(bank[b].data(), data.data() + b * reg::kEepromSize, reg::kEepromSize);
  }
  return {};
}

std::string SaveEepromFile(const std::string& path, const EepromBank& bank) {
  // A fresh name created exclusively: a file or symlink planted at a fixed name is never
  // followed or truncated.
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return Failure("cannot create", path + ".XXXXXX");
  (void)::fchmod(fd, 0644);
  bool ok = true;
  for (const auto& image : bank) ok = ok && WriteAll(fd, image.data(), image.size());
  ok = ok && ::fsync(fd) == 0;
  std::string error = ok ? std::string() : Failure("cannot write", temp);
  ::close(fd);
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) error = Failure("cannot rename", temp);
  if (!error.empty()) {
    ::unlink(temp.c_str());
    return error;
  }
  // The rename itself is durable only once the directory is synced.
  const int dir = ::open(Directory(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

}  // namespace vyx::sim
