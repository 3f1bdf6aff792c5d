#include "print/attached_print.h"

#include <array>

namespace parlane {

namespace {

constexpr const char* kAttachedDocumentName = "Parlane Printout";
constexpr uint8_t kEsc = 27;
constexpr uint8_t kCsi = 155;
constexpr uint8_t kTab = 9;
constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kFormFeed = 12;
constexpr uint8_t kReturn = 13;
constexpr int kTabSpaces = 8;

}  // namespace

AttachedPrintOut::AttachedPrintOut(std::unique_ptr<PrinterPage> printer)
    : printer_(std::move(printer)) {}

AttachedPrintOut::~AttachedPrintOut() { End(); }

void AttachedPrintOut::Begin() {
  if (!printer_) return;
  if (!printer_->BeginDocument(kAttachedDocumentName)) {
    printer_.reset();
    return;
  }
  open_ = true;
  if (!printer_->BeginPage()) {
    Abort();
    return;
  }
  metrics_ = printer_->Metrics();
  linesPerPage_ = LinesPerPage(metrics_);
  line_ = 1;
  column_ = 0;
}

bool AttachedPrintOut::NewPage() {
  if (!printer_) return true;
  if (!printer_->EndPage() || !printer_->BeginPage()) {
    Abort();
    return false;
  }
  metrics_ = printer_->Metrics();
  linesPerPage_ = LinesPerPage(metrics_);
  return true;
}

void AttachedPrintOut::Draw(std::span<const uint8_t> text, int columns) {
  if (printer_) {
    printer_->DrawText((column_ + kLeftMarginChars) * metrics_.charWidth,
                       (line_ + kTopMarginLines) * metrics_.lineHeight, text);
  }
  column_ += columns;
}

bool AttachedPrintOut::Filter(uint8_t byte) {
  switch (state_) {
    case 0:
      switch (byte) {
        case kEsc: state_ = 1; return false;
        case kCsi: state_ = 2; return false;
        case kTab: {
          static constexpr std::array<uint8_t, kTabSpaces> kSpaces = {' ', ' ', ' ', ' ',
                                                                      ' ', ' ', ' ', ' '};
          Draw(kSpaces, kTabSpaces);
          return false;
        }
        case kLineFeed:
          // The column stays: a host that wants a new line sends CR LF.
          if (++line_ > linesPerPage_) {
            line_ = 1;
            return !NewPage();
          }
          return false;
        case kFormFeed:
          line_ = 1;
          column_ = 0;
          return !NewPage();
        case kReturn: column_ = 0; return false;
        default: Draw({&byte, 1}, 1); return false;
      }
    case 1: state_ = byte == '[' ? 2 : 0; return false;
    case 2: state_ = byte == '4' ? 3 : 0; return false;
    default: state_ = 0; return byte == 'i';
  }
}

void AttachedPrintOut::End() {
  if (!printer_) return;
  if (open_) {
    printer_->EndPage();
    printer_->EndDocument();
  }
  open_ = false;
  printer_.reset();
}

void AttachedPrintOut::Abort() {
  if (!printer_) return;
  if (open_) printer_->Abort();
  open_ = false;
  printer_.reset();
}

}  // namespace parlane
