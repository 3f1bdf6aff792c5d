#include "xfer/received_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "xfer/crc.h"

namespace parlane {

AnnouncedFile ParseAnnouncement(std::span<const uint8_t> info) {
  AnnouncedFile result;
  const auto nul = std::find(info.begin(), info.end(), uint8_t{0});
  result.name.assign(info.begin(), nul);
  if (nul == info.end()) return result;
  auto p = nul + 1;
  while (p != info.end() && std::isspace(*p)) ++p;
  bool negative = false;
  if (p != info.end() && (*p == '-' || *p == '+')) negative = (*p++ == '-');
  if (p == info.end() || !std::isdigit(*p)) return result;
  int64_t value = 0;
  // Cap far beyond any file size so that a long digit string cannot overflow.
  constexpr int64_t kCap = int64_t{1} << 52;
  for (; p != info.end() && std::isdigit(*p); ++p) value = std::min(kCap, value * 10 + (*p - '0'));
  result.size = negative ? -value : value;
  if (result.size < 0) result.size = -1;
  return result;
}

std::optional<std::string> SafeFileName(std::string_view raw) {
  const size_t cut = raw.find_last_of("/\\");
  std::string_view name = cut == std::string_view::npos ? raw : raw.substr(cut + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  if (name.size() > kMaxNameLength || name.size() > NAME_MAX) return std::nullopt;
  return std::string(name);
}

std::string DirectoryWithSlash(std::string_view dir) {
  std::string d = dir.empty() ? std::string(".") : std::string(dir);
  if (d.back() != '/') d += '/';
  return d;
}

std::pair<std::string, std::string> SplitPath(std::string_view path) {
  const size_t cut = path.rfind('/');
  if (cut == std::string_view::npos) return {"", std::string(path)};
  return {std::string(path.substr(0, cut + 1)), std::string(path.substr(cut + 1))};
}

OpenedFile OpenReceivedFile(const std::string& fullName, OpenMode mode, int64_t size) {
  OpenedFile result;
  if (fullName.size() >= PATH_MAX) return result;
  constexpr mode_t kFileMode = 0666;  // narrowed by the umask
  int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC;
  struct stat st {};
  const bool exists = lstat(fullName.c_str(), &st) == 0;
  // Only plain files are ever written: not a link, a pipe or a device that
  // happens to carry the announced name.
  if (exists && !S_ISREG(st.st_mode)) return result;
  if (mode == OpenMode::MayResume && exists && size >= 0 && st.st_size <= size) {
    flags = O_WRONLY | O_NOFOLLOW | O_CLOEXEC;
    result.resumeOffset = std::max<int64_t>(0, st.st_size - kResumeBackup);
  }
  const int fd = open(fullName.c_str(), flags | O_NONBLOCK, kFileMode);
  if (fd < 0) return OpenedFile{};
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      (result.resumeOffset > 0 && lseek(fd, result.resumeOffset, SEEK_SET) < 0)) {
    close(fd);
    return OpenedFile{};
  }
  std::FILE* f = fdopen(fd, "wb");
  if (!f) {
    close(fd);
    return OpenedFile{};
  }
  result.file = BufferedFile(f);
  return result;
}

std::optional<uint32_t> FilePrefixCrc(const std::string& fullName, int64_t length) {
  const int fd = open(fullName.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  Crc32 crc;
  uint8_t block[1 << 14];
  int64_t remaining = length;
  while (remaining > 0) {
    const ssize_t got =
        read(fd, block, static_cast<size_t>(std::min<int64_t>(remaining, sizeof block)));
    if (got <= 0) break;
    crc.Update({block, static_cast<size_t>(got)});
    remaining -= got;
  }
  close(fd);
  if (remaining > 0) return std::nullopt;
  return crc.Finish();
}

FilePtr BufferedFile(std::FILE* f) {
  if (!f) return FilePtr();
  FileCloser closer{std::shared_ptr<char[]>(new char[kFileBufferSize])};
  std::setvbuf(f, closer.buffer.get(), _IOFBF, kFileBufferSize);
  return FilePtr(f, std::move(closer));
}

}  // namespace parlane
