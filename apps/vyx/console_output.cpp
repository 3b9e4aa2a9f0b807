#include "console_output.h"

#include <cstring>
#include <utility>

namespace vyx::console {

Output::Output(std::string path, bool append, std::string header)
    : path_(path == "-" ? std::string() : std::move(path)),
      append_(append),
      header_(std::move(header)) {}

Output::~Output() { Close(); }

bool Output::Fail(int error) {
  if (error_ == 0) error_ = error != 0 ? error : EIO;
  return false;
}

bool Output::Open() {
  bool empty = true;
  if (path_.empty()) {
    file_ = stdout;
  } else {
    file_ = std::fopen(path_.c_str(), append_ ? "a" : "w");
    if (file_ == nullptr) return Fail(errno);
    // A log that goes on keeps its one header; a pipe or a device counts as empty.
    if (append_ && std::fseek(file_, 0, SEEK_END) == 0) empty = std::ftell(file_) <= 0;
  }
  if (header_.empty() || !empty) return true;
  return WriteLine(std::exchange(header_, std::string()));
}

bool Output::WriteLine(std::string_view line) {
  if (Failed() || closed_) return false;
  if (file_ == nullptr && !Open()) return false;
  errno = 0;
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() ||
      std::fputc('\n', file_) == EOF || std::fflush(file_) != 0)
    return Fail(errno);
  return true;
}

bool Output::Close() {
  if (file_ != nullptr && file_ != stdout) {
    errno = 0;
    if (std::fclose(file_) != 0) Fail(errno);
  }
  file_ = nullptr;
  closed_ = true;
  return !Failed();
}

std::string Output::Message() const {
  return "cannot write " + (path_.empty() ? std::string("standard output") : path_) + ": " +
         std::strerror(error_);
}

}  // namespace vyx::console
