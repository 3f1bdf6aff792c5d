// The application's one printer object and what draws on it: Qt's printer
// on the default CUPS queue, or a PDF file when the machine has no queue.
// Printer Setup edits its page; the print commands show the print dialog on
// it; attached print jobs get a printer of their own on the same queue.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <memory>

#include "print/printer_page.h"

class QPrinter;
class QWidget;

namespace parlane {

class Platform;
struct FontChoice;

class PrinterService {
 public:
  // `pdfFile` is where printing goes when there is no print queue.
  PrinterService(Platform& platform, const QString& pdfFile);
  ~PrinterService();
  PrinterService(const PrinterService&) = delete;
  PrinterService& operator=(const PrinterService&) = delete;

  QPrinter& Printer() { return *printer_; }
  // True when printing goes to a print queue, false for a PDF file.
  bool HasQueue() const;
  // Printer Setup: the page set-up dialog on the printer.
  void Setup(QWidget* parent);
  // The print dialog, where a queue or a PDF file is chosen; false when
  // cancelled.
  bool AskPrint(QWidget* parent);
  // A printer for an attached print job: the same queue and page as the
  // application's; null when there is no queue.
  std::unique_ptr<QPrinter> JobPrinter() const;

 private:
  Platform& platform_;
  std::unique_ptr<QPrinter> printer_;
};

// The printer font: `PrinterFont` as chosen, sized in screen pixels; an
// all-zero record means the terminal font's family at 10 points.
QFont PrinterFontFor(const FontChoice& choice, const QFont& terminalFont, int screenDpi);
// The screen's logical dots per inch (96 without a screen).
int ScreenDpi();

// Draws on a Qt printer with one logical unit per screen pixel.
class QtPrinterPage final : public PrinterPage {
 public:
  // `owned` is kept alive for the page's life (attached jobs); otherwise the
  // printer belongs to the caller.
  QtPrinterPage(QPrinter& printer, const QFont& font, std::unique_ptr<QPrinter> owned = nullptr);
  ~QtPrinterPage() override;

  bool BeginDocument(std::string_view title) override;
  bool BeginPage() override;
  PrinterMetrics Metrics() const override { return metrics_; }
  void DrawText(int x, int y, std::span<const uint8_t> text) override;
  bool EndPage() override { return painter_.isActive(); }
  void EndDocument() override;
  void Abort() override;

 private:
  std::unique_ptr<QPrinter> owned_;
  QPrinter& printer_;
  QFont font_;
  QPainter painter_;
  PrinterMetrics metrics_;
  int ascent_ = 0;
  int pages_ = 0;
};

}  // namespace parlane
