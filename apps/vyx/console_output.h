// Where a command's lines go: standard output, or a file that is made (or emptied) only once
// the first line is ready for it, so that a run that records nothing leaves an old log as it
// was.
#pragma once

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

namespace vyx::console {

class Output {
 public:
  // `path` empty or "-": standard output. `append` adds to the file instead of replacing it.
  // `header` goes before the first line unless the file already has content.
  Output(std::string path, bool append, std::string header = {});
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Writes one line and its newline and flushes them; false once a write has failed.
  bool WriteLine(std::string_view line);
  // Closes a file; no line goes out after it. False once a write has failed.
  bool Close();

  bool Failed() const { return error_ != 0; }
  // The reader went away (a closed pipe, as after `| head`): no fault of the output's.
  bool ReaderGone() const { return error_ == EPIPE; }
  // "cannot write FILE: REASON"
  std::string Message() const;

 private:
  bool Open();
  bool Fail(int error);

  std::string path_;  // empty: standard output
  bool append_;
  std::string header_;
  std::FILE* file_ = nullptr;
  bool closed_ = false;
  int error_ = 0;
};

}  // namespace vyx::console
