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
  enum class Target { DefaultQueue, PdfFile };
  // `pdfFile` is where printing goes when there is no print queue (or when
  // `target` asks for the file).
  PrinterService(Platform& platform, const QString& pdfFile, Target target = Target::DefaultQueue);
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
  // The page for an attached print job: the same queue and page set-up as
  // the application's printer; null when there is no queue. The job is
  // drawn into a file of its own and handed to the queue when it ends, so
  // that a cancelled job never reaches the printer.
  std::unique_ptr<PrinterPage> AttachedJob(const QFont& font) const;

 private:
  Platform& platform_;
  std::unique_ptr<QPrinter> printer_;
  QString pdfFile_;
};

// The printer font: `PrinterFont` as chosen, sized in screen pixels; an
// all-zero record means the terminal font's family at 10 points.
QFont PrinterFontFor(const FontChoice& choice, const QFont& terminalFont, int screenDpi);
// The screen's logical dots per inch (96 without a screen).
int ScreenDpi();

// Draws on a Qt printer with one logical unit per screen pixel.
class QtPrinterPage final : public PrinterPage {
 public:
  // Draws on `printer`, which belongs to the caller.
  QtPrinterPage(QPrinter& printer, const QFont& font);
  // Draws into a PDF file that goes to print queue `queue` when the
  // document ends, and is thrown away when it is aborted.
  QtPrinterPage(std::unique_ptr<QPrinter> spoolFile, const QString& queue, const QFont& font);
  ~QtPrinterPage() override;

  bool BeginDocument(std::string_view title) override;
  bool BeginPage() override;
  PrinterMetrics Metrics() const override { return metrics_; }
  void DrawText(int x, int y, std::span<const uint8_t> text) override;
  bool EndPage() override { return painter_.isActive(); }
  void EndDocument() override;
  void Abort() override;

 private:
  void Finish(bool print);

  std::unique_ptr<QPrinter> owned_;
  QString queue_;
  QPrinter& printer_;
  QFont font_;
  QPainter painter_;
  PrinterMetrics metrics_;
  int ascent_ = 0;
  int pages_ = 0;
};

}  // namespace parlane
