// Turning the name a sender announces into a file in the receive directory.
// A received name is never trusted as a path: only its last component is
// used, and names that cannot be a plain file name are refused.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace parlane {

// The announced name and size of a file (size -1 when none was given).
// Larger stdio buffers for file data: one system call per many subpackets.
inline constexpr size_t kFileBufferSize = 1 << 16;

struct AnnouncedFile {
  std::string name;
  int64_t size = -1;
};

// Name up to the first zero byte (never past the data), then the decimal
// size after it as "%ld" would read it.
AnnouncedFile ParseAnnouncement(std::span<const uint8_t> info);

// The last path component of `raw` ("/" and "\" both separate), or nothing
// when that is empty, "." or "..", or longer than the name field allows.
std::optional<std::string> SafeFileName(std::string_view raw);

// The receive directory with a "/" at its end ("./" for an empty one).
std::string DirectoryWithSlash(std::string_view dir);

// Directory part and file part of a full name, as shown in the dialog.
std::pair<std::string, std::string> SplitPath(std::string_view path);

// Closes the stream, then frees the buffer it was given.
struct FileCloser {
  std::shared_ptr<char[]> buffer;
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Takes an open stream over and gives it a kFileBufferSize buffer.
FilePtr BufferedFile(std::FILE* f);

// How an existing file is treated when it is opened for receiving.
enum class OpenMode {
  Replace,    // create empty, replacing any file of that name
  MayResume,  // keep an existing copy no longer than the announced size
};

struct OpenedFile {
  FilePtr file;
  int64_t resumeOffset = 0;
};

// Opens `name` inside `dir` for writing without following a symbolic link
// at the final component. With MayResume and an existing copy no longer
// than `size`, it is kept and positioned `kResumeBackup` bytes before its end.
OpenedFile OpenReceivedFile(const std::string& fullName, OpenMode mode, int64_t size);

// CRC-32 of the first `length` bytes of the plain file `fullName`, or
// nothing when it cannot be read or is shorter than that.
std::optional<uint32_t> FilePrefixCrc(const std::string& fullName, int64_t length);

// A resumed file restarts this far before the end of the existing copy.
inline constexpr int64_t kResumeBackup = 4096;
// The dialog's name field holds 128 bytes with the terminator.
inline constexpr size_t kMaxNameLength = 127;

}  // namespace parlane
