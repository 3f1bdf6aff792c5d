#include "config/binary_file.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace parlane {
namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int f = fd_;
    fd_ = -1;
    return f;
  }

 private:
  int fd_;
};

// Reads until `out` is full or the end of the file; -1 on a read error.
ssize_t ReadFull(int fd, uint8_t* out, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, out + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

bool WriteFull(int fd, const uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

ReadResult OpenForRead(const std::filesystem::path& file, int& fd) {
  fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return {errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Error, 0};
  return {ReadStatus::Ok, 0};
}

}  // namespace

ReadResult ReadPrefix(const std::filesystem::path& file, std::span<uint8_t> out) {
  int raw = -1;
  ReadResult r = OpenForRead(file, raw);
  if (r.status != ReadStatus::Ok) return r;
  Fd fd(raw);
  ssize_t n = ReadFull(fd.get(), out.data(), out.size());
  if (n < 0) return {ReadStatus::Error, 0};
  return {ReadStatus::Ok, static_cast<size_t>(n)};
}

ReadResult ReadWhole(const std::filesystem::path& file, std::vector<uint8_t>& out, size_t limit) {
  int raw = -1;
  ReadResult r = OpenForRead(file, raw);
  if (r.status != ReadStatus::Ok) return r;
  Fd fd(raw);
  out.clear();
  constexpr size_t kChunk = 64 * 1024;
  for (;;) {
    size_t old = out.size();
    out.resize(old + kChunk);
    ssize_t n = ReadFull(fd.get(), out.data() + old, kChunk);
    if (n < 0) {
      out.resize(old);
      return {ReadStatus::Error, old};
    }
    out.resize(old + static_cast<size_t>(n));
    if (out.size() > limit) return {ReadStatus::Error, out.size()};
    if (static_cast<size_t>(n) < kChunk) break;
  }
  return {ReadStatus::Ok, out.size()};
}

RecordReader::RecordReader(const std::filesystem::path& file) {
  status_ = OpenForRead(file, fd_).status;
}

RecordReader::~RecordReader() {
  if (fd_ >= 0) ::close(fd_);
}

long RecordReader::Read(std::span<uint8_t> out) {
  if (fd_ < 0) return -1;
  return static_cast<long>(ReadFull(fd_, out.data(), out.size()));
}

bool WriteWhole(const std::filesystem::path& file, std::span<const uint8_t> bytes, mode_t mode) {
  std::filesystem::path tmp = file;
  tmp += ".new-" + std::to_string(::getpid());
  Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
  if (fd.get() < 0) return false;
  // The umask must not widen or narrow what the file is meant to carry.
  bool ok = ::fchmod(fd.get(), mode) == 0 && WriteFull(fd.get(), bytes.data(), bytes.size()) &&
            ::fsync(fd.get()) == 0;
  ok = (::close(fd.release()) == 0) && ok;
  if (ok && ::rename(tmp.c_str(), file.c_str()) == 0) return true;
  ::unlink(tmp.c_str());
  return false;
}

}  // namespace parlane
