#include "document_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace vyx::documents {
namespace {

constexpr qint64 kMiB = 1024 * 1024;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now, so that a failure to close can be reported.
  int Close() {
    const int r = ::close(fd_);
    fd_ = -1;
    return r;
  }

 private:
  int fd_;
};

std::string Reason(int error) { return std::strerror(error); }

std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

std::string NotRegular(mode_t mode) { return "it is " + KindOf(mode) + ", not a regular file"; }

std::string Size(qint64 bytes) {
  return bytes % kMiB == 0 ? std::to_string(bytes / kMiB) + " MiB"
                           : std::to_string(bytes) + " bytes";
}

// The file a save replaces: the path itself, or the regular file a link leads to.
Status SaveTarget(const std::string& path, std::string& target, struct stat& existing,
                  bool& exists) {
  target = path;
  exists = false;
  if (::lstat(path.c_str(), &existing) != 0) {
    if (errno == ENOENT) return Status::Ok();
    return Status::Fail(Reason(errno));
  }
  if (S_ISLNK(existing.st_mode)) {
    if (::stat(path.c_str(), &existing) != 0) {
      if (errno == ENOENT) return Status::Fail("it is a link to a file that does not exist");
      return Status::Fail(Reason(errno));
    }
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return Status::Fail(Reason(errno));
    target = real;
    std::free(real);
  }
  if (!S_ISREG(existing.st_mode)) return Status::Fail(NotRegular(existing.st_mode));
  // The rename would replace a document its owner made read-only; refuse as a write would.
  if (::access(target.c_str(), W_OK) != 0) return Status::Fail(Reason(errno));
  exists = true;
  return Status::Ok();
}

// A new file beside the target, created by this call alone.
int CreateTemporary(const std::string& target, std::string& temporary) {
  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = dir + "." + base + "." +
                std::to_string(QRandomGenerator::global()->generate64() % 1000000000000ULL) +
                ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int fd, const QByteArray& bytes) {
  const char* at = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, at, static_cast<std::size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    at += n;
    left -= n;
  }
  return true;
}

}  // namespace

Status ReadDocumentFile(const QString& path, qint64 maxBytes, QByteArray& bytes) {
  const std::string file = QFile::encodeName(path).toStdString();
  const auto fail = [&](const std::string& why) {
    return Status::Fail("cannot read " + path.toStdString() + ": " + why);
  };
  // Looked at before opening: opening a FIFO waits for a writer, and opening a device may
  // act on it.
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return fail(Reason(errno));
  if (!S_ISREG(st.st_mode)) return fail(NotRegular(st.st_mode));
  if (st.st_size > maxBytes) return fail("larger than " + Size(maxBytes) + ", not a document");

  // Non-blocking, in case something else took the name in between; checked again once open.
  const Fd fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) return fail(Reason(errno));
  if (::fstat(fd.get(), &st) != 0) return fail(Reason(errno));
  if (!S_ISREG(st.st_mode)) return fail(NotRegular(st.st_mode));

  // Up to one byte past the limit, so that a file that grew since is caught too.
  QByteArray read;
  char piece[64 * 1024];
  while (read.size() <= maxBytes) {
    const ssize_t n = ::read(fd.get(), piece, sizeof piece);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(Reason(errno));
    if (n == 0) break;
    read.append(piece, static_cast<qsizetype>(n));
  }
  if (read.size() > maxBytes) return fail("larger than " + Size(maxBytes) + ", not a document");
  bytes = std::move(read);
  return Status::Ok();
}

Status WriteDocumentFile(const QString& path, const QByteArray& bytes) {
  const auto fail = [&](const std::string& why) {
    return Status::Fail("cannot write " + path.toStdString() + ": " + why);
  };
  std::string target;
  struct stat existing {};
  bool exists = false;
  if (Status s = SaveTarget(QFile::encodeName(path).toStdString(), target, existing, exists); !s)
    return fail(s.message());

  std::string temporary;
  Fd fd(CreateTemporary(target, temporary));
  if (fd.get() < 0) return fail(Reason(errno));
  // From here on, a failure takes the temporary file away again.
  const auto discard = [&](int error) {
    if (fd.get() >= 0) (void)fd.Close();
    ::unlink(temporary.c_str());
    return fail(Reason(error));
  };
  // The document keeps its owner and permissions where the system lets it; a file system
  // without them keeps its own.
  if (exists) {
    (void)::fchown(fd.get(), existing.st_uid, existing.st_gid);
    (void)::fchmod(fd.get(), existing.st_mode & 07777);
  }
  if (!WriteAll(fd.get(), bytes)) return discard(errno);
  // The data must be on the disk before the name points at it, or a crash could leave an
  // empty document where the old one was.
  if (::fsync(fd.get()) != 0) return discard(errno);
  if (fd.Close() != 0) return discard(errno);
  if (::rename(temporary.c_str(), target.c_str()) != 0) return discard(errno);

  // The new name on the disk too. The document is in place whatever this says, so a
  // failure here is not the save's.
  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.get() >= 0) (void)::fsync(dirFd.get());
  return Status::Ok();
}

}  // namespace vyx::documents
