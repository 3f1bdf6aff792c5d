// Session text to files: the capture file that records every block a session
// interprets, exactly as it arrived; the rows of the screen store saved as
// text; and the file whose bytes Transmit File sends to the host unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace parlane {

class TerminalScreen;

inline constexpr std::string_view kTextCaptureOn = "Capture ON";
inline constexpr std::string_view kTextCaptureWriteFailed = "Error writing to capture file";
inline constexpr std::string_view kTextFileInUse =
    "Could not create file.  File may already be in use.";
inline constexpr std::string_view kTextSaveWriteFailed = "Error occurred while writing to file.";
inline constexpr std::string_view kTextAppendQuestion =
    "File already exists.\rAppend to file?\r(Selecting NO overwrites)";
// The capture file's name before any has been chosen.
inline constexpr std::string_view kDefaultCaptureFile = "capture.txt";

// An open capture file: each block is appended as it is, unbuffered, so the
// file on disk is always up to date and a full disk shows at the block that
// did not fit.
class CaptureFile {
 public:
  // Opens `file` for appending; with `truncate` (or when it does not exist)
  // it is created empty first. Null when it cannot be opened for writing or
  // another program holds it locked.
  static std::unique_ptr<CaptureFile> Open(const std::filesystem::path& file, bool truncate);
  ~CaptureFile();
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  // Appends the bytes whole; false when the file took them only in part.
  bool Write(std::span<const uint8_t> bytes);

 private:
  explicit CaptureFile(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// The text of store rows `first`..`last` (clamped to the store): each row's
// characters up to its used length, in UTF-8 like the clipboard, each row
// ended by a line feed (the desktop's line end).
std::string RowsText(const TerminalScreen& screen, int first, int last);

enum class SaveResult { Saved, CannotCreate, WriteFailed };
// Writes RowsText to `file`, replacing it; checks each row as it goes.
SaveResult SaveRows(const std::filesystem::path& file, const TerminalScreen& screen, int first,
                    int last);

// A file read piece by piece for Transmit File.
class FileTransmitter {
 public:
  // Null when the file cannot be opened for reading (or is a directory).
  static std::unique_ptr<FileTransmitter> Open(const std::filesystem::path& file);
  ~FileTransmitter();
  FileTransmitter(const FileTransmitter&) = delete;
  FileTransmitter& operator=(const FileTransmitter&) = delete;

  // Reads up to `budget` bytes and hands them to `send`. False once the
  // whole file has been sent (or reading failed): the transmission is over.
  bool Step(size_t budget, const std::function<void(std::span<const uint8_t>)>& send);
  uint64_t Sent() const { return sent_; }
  // The size the file had when it was opened (0 for a pipe or device).
  uint64_t Size() const { return size_; }
  bool Failed() const { return failed_; }

 private:
  FileTransmitter(int fd, uint64_t size) : fd_(fd), size_(size) {}
  int fd_ = -1;
  uint64_t size_ = 0;
  uint64_t sent_ = 0;
  bool failed_ = false;
};

}  // namespace parlane
