#include "session/capture.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "session/cp437.h"
#include "term/screen.h"

namespace parlane {

namespace {

constexpr mode_t kNewFileMode = 0666;  // less the user's umask

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string RowText(const TerminalScreen& screen, int row) {
  std::string text;
  for (const uint8_t byte : screen.Row(row).UsedChars()) AppendUtf8(text, kCp437ToUnicode[byte]);
  text += '\n';
  return text;
}

}  // namespace

std::unique_ptr<CaptureFile> CaptureFile::Open(const std::filesystem::path& file, bool truncate) {
  const int flags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0);
  const int fd = ::open(file.c_str(), flags, kNewFileMode);
  if (fd < 0) return nullptr;
  struct stat st {};
  // A file another program holds locked is in use; the check does not keep
  // the lock, so two windows may still capture into one file.
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  flock(fd, LOCK_UN);
  return std::unique_ptr<CaptureFile>(new CaptureFile(fd));
}

CaptureFile::~CaptureFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool CaptureFile::Write(std::span<const uint8_t> bytes) {
  return WriteAll(fd_, bytes.data(), bytes.size());
}

std::string RowsText(const TerminalScreen& screen, int first, int last) {
  std::string text;
  if (first < 0) first = 0;
  if (last >= screen.Capacity()) last = screen.Capacity() - 1;
  for (int row = first; row <= last; ++row) text += RowText(screen, row);
  return text;
}

SaveResult SaveRows(const std::filesystem::path& file, const TerminalScreen& screen, int first,
                    int last) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode);
  if (fd < 0) return SaveResult::CannotCreate;
  if (first < 0) first = 0;
  if (last >= screen.Capacity()) last = screen.Capacity() - 1;
  SaveResult result = SaveResult::Saved;
  for (int row = first; row <= last; ++row) {
    const std::string text = RowText(screen, row);
    if (!WriteAll(fd, reinterpret_cast<const uint8_t*>(text.data()), text.size())) {
      result = SaveResult::WriteFailed;
      break;
    }
  }
  if (::close(fd) != 0 && result == SaveResult::Saved) result = SaveResult::WriteFailed;
  return result;
}

std::unique_ptr<FileTransmitter> FileTransmitter::Open(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  const uint64_t size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
  return std::unique_ptr<FileTransmitter>(new FileTransmitter(fd, size));
}

FileTransmitter::~FileTransmitter() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileTransmitter::Step(size_t budget,
                           const std::function<void(std::span<const uint8_t>)>& send) {
  if (fd_ < 0 || budget == 0) return fd_ >= 0;
  std::vector<uint8_t> buffer(budget);
  ssize_t n;
  do {
    n = ::read(fd_, buffer.data(), buffer.size());
  } while (n < 0 && errno == EINTR);
  if (n <= 0) {
    failed_ = n < 0;
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  sent_ += static_cast<uint64_t>(n);
  send({buffer.data(), static_cast<size_t>(n)});
  return true;
}

}  // namespace parlane
