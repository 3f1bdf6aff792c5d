// Attached (transparent) printing: the bytes a host sends between ESC [ 5 i
// and ESC [ 4 i go to the printer as plain text, one job per session window.
//
//   none --ESC [ 5 i--> printing --ESC [ 4 i--> ended (6-second timer)
//   ended --timer--> none (the document is finished)
//   ended --ESC [ 5 i--> printing, on the same page at the same place
//   printing/ended --Cancel--> none (the job is thrown away)
#pragma once

#include <cstdint>
#include <memory>

#include "print/printer_page.h"

namespace parlane {

// How long a job stays open after the host's end of print, so that a host
// that prints in pieces gets one document.
inline constexpr int kAttachedJobEndMs = 6000;

class AttachedPrintOut {
 public:
  // `printer` may be null when there is no printer: the job is then
  // filtered as usual and its bytes are dropped.
  explicit AttachedPrintOut(std::unique_ptr<PrinterPage> printer);
  ~AttachedPrintOut();
  AttachedPrintOut(const AttachedPrintOut&) = delete;
  AttachedPrintOut& operator=(const AttachedPrintOut&) = delete;

  // Begins the job "Parlane Printout" and its first page. When the printer
  // fails here it is dropped and the job's bytes go nowhere.
  void Begin();
  // One byte from the host. True when the host has ended the job (ESC [ 4 i
  // or CSI 4 i), or when the printer failed to change pages.
  bool Filter(uint8_t byte);
  // Finishes the document (the spooler gets it).
  void End();
  // Throws the document away.
  void Abort();

  bool HasPrinter() const { return printer_ != nullptr; }
  int Line() const { return line_; }
  int Column() const { return column_; }

 private:
  bool NewPage();
  void Draw(std::span<const uint8_t> text, int columns);

  std::unique_ptr<PrinterPage> printer_;
  PrinterMetrics metrics_;
  int linesPerPage_ = 1;
  int line_ = 1;
  int column_ = 0;
  int state_ = 0;  // 0 normal, 1 after ESC, 2 after ESC [ or CSI, 3 after ESC [ 4
  bool open_ = false;
};

}  // namespace parlane
