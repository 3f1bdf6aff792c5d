// Reading and writing the fixed-size record files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <sys/types.h>
#include <vector>

namespace parlane {

enum class ReadStatus { Ok, Missing, Error };

struct ReadResult {
  ReadStatus status = ReadStatus::Missing;
  size_t count = 0;  // bytes placed at the start of the buffer
};

// Reads up to out.size() bytes from the start of the file over `out`; bytes
// past what the file holds are left as they were.
ReadResult ReadPrefix(const std::filesystem::path& file, std::span<uint8_t> out);

// Reads the whole file (at most `limit` bytes; more is an error).
ReadResult ReadWhole(const std::filesystem::path& file, std::vector<uint8_t>& out, size_t limit);

// A file read record by record from its start.
class RecordReader {
 public:
  explicit RecordReader(const std::filesystem::path& file);
  ~RecordReader();
  RecordReader(const RecordReader&) = delete;
  RecordReader& operator=(const RecordReader&) = delete;

  ReadStatus status() const { return status_; }  // of the open
  // Fills `out` as far as the file allows; the count read (0 at the end of
  // the file), or -1 on a read error.
  long Read(std::span<uint8_t> out);

 private:
  int fd_ = -1;
  ReadStatus status_ = ReadStatus::Missing;
};

// Default permissions of settings files, and of files that hold passwords.
inline constexpr mode_t kFileMode = 0644;
inline constexpr mode_t kPrivateFileMode = 0600;

// Replaces the file with exactly these bytes: written to a temporary file in
// the same directory and renamed over it, so a failed write never leaves a
// half-written file. False on any failure.
bool WriteWhole(const std::filesystem::path& file, std::span<const uint8_t> bytes,
                mode_t mode = kFileMode);

}  // namespace parlane
