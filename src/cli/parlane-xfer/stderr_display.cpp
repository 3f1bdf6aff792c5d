#include "stderr_display.h"

#include <unistd.h>

namespace parlane {

namespace {
// Names come from the peer: control bytes are not passed to the terminal.
std::string Printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) c = '?';
  }
  return out;
}
}  // namespace

StderrDisplay::StderrDisplay(std::FILE* out, bool quiet)
    : out_(out),
      quiet_(quiet),
      tty_(isatty(fileno(out)) != 0),
      start_(std::chrono::steady_clock::now()) {}

void StderrDisplay::SetCaption(std::string_view caption) {
  if (!quiet_) std::fprintf(out_, "%s\n", Printable(caption).c_str());
}

void StderrDisplay::SetField(TransferField field, std::string_view text) {
  switch (field) {
    case TransferField::FileName:
      fileBase_ += count_;
      count_ = 0;
      name_ = Printable(text);
      ++files_;
      break;
    case TransferField::Size:
      if (!quiet_) {
        EndProgressLine();
        std::fprintf(out_, "File %s, %.*s bytes\n", name_.c_str(), static_cast<int>(text.size()),
                     text.data());
      }
      break;
    case TransferField::BytesTransferred:
      count_ = std::strtoll(std::string(text).c_str(), nullptr, 10);
      Progress(false);
      break;
    case TransferField::Status:
      if (text == lastStatus_) break;
      lastStatus_.assign(text);
      if (!quiet_) {
        EndProgressLine();
        std::fprintf(out_, "%s\n", Printable(lastStatus_).c_str());
      }
      break;
    default: break;
  }
}

void StderrDisplay::Progress(bool force) {
  if (quiet_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastProgress_ < kProgressInterval) return;
  lastProgress_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(fileBase_ + count_) / seconds : 0.0;
  std::fprintf(out_, "%s%s: %lld bytes (%d%%), %.1f KB/s%s", tty_ ? "\r" : "", name_.c_str(),
               static_cast<long long>(count_), percent_, rate / 1024.0, tty_ ? "\033[K" : "\n");
  progressShown_ = tty_;
  std::fflush(out_);
}

void StderrDisplay::EndProgressLine() {
  if (progressShown_) std::fputc('\n', out_);
  progressShown_ = false;
}

void StderrDisplay::Summary(bool success, const std::string& status) {
  EndProgressLine();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const int64_t bytes = fileBase_ + count_;
  const double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : 0.0;
  std::fprintf(out_, "%s: %d file%s, %lld bytes in %.1f s (%.1f KB/s): %s\n",
               success ? "OK" : "FAILED", files_, files_ == 1 ? "" : "s",
               static_cast<long long>(bytes), seconds, rate / 1024.0, Printable(status).c_str());
  std::fflush(out_);
}

}  // namespace parlane
