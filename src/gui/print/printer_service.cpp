#include "print/printer_service.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryFile>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <cmath>

#include "config/font_record.h"
#include "platform/platform.h"
#include "term/cp437.h"

namespace parlane {

namespace {

constexpr int kDefaultPoints = 10;
constexpr int kPointsPerInch = 72;
constexpr int kBoldWeight = 700;
constexpr int kNoScreenDpi = 96;

bool AllZero(const FontChoice& c) {
  const LogFont& f = c.Font;
  return f.Height == 0 && f.Width == 0 && f.Weight == 0 && f.Italic == 0 && f.Underline == 0 &&
         f.StrikeOut == 0 && f.PitchAndFamily == 0 && f.FaceName.empty() && c.PointSize == 0;
}

}  // namespace

int ScreenDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int dpi = screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 0;
  return dpi > 0 ? dpi : kNoScreenDpi;
}

QFont PrinterFontFor(const FontChoice& choice, const QFont& terminalFont, int screenDpi) {
  QFont font(terminalFont.family());
  font.setStyleHint(QFont::TypeWriter);
  if (AllZero(choice)) {
    font.setPixelSize(std::max(1, kDefaultPoints * screenDpi / kPointsPerInch));
    return font;
  }
  const LogFont& lf = choice.Font;
  if (!lf.FaceName.empty()) font.setFamily(QString::fromLocal8Bit(lf.FaceName.c_str()));
  int pixels = std::abs(lf.Height);
  if (pixels == 0 && choice.PointSize > 0) {
    pixels = choice.PointSize * screenDpi / (10 * kPointsPerInch);
  }
  if (pixels == 0) pixels = kDefaultPoints * screenDpi / kPointsPerInch;
  font.setPixelSize(std::max(1, pixels));
  font.setBold(lf.Weight >= kBoldWeight);
  font.setItalic(lf.Italic != 0);
  font.setUnderline(lf.Underline != 0);
  font.setStrikeOut(lf.StrikeOut != 0);
  return font;
}

PrinterService::PrinterService(Platform& platform, const QString& pdfFile, Target target)
    : platform_(platform), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  if (target == Target::PdfFile || QPrinterInfo::defaultPrinter().isNull()) {
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(pdfFile);
  }
  pdfFile_ = pdfFile;
}

PrinterService::~PrinterService() = default;

bool PrinterService::HasQueue() const {
  return printer_->outputFormat() == QPrinter::NativeFormat && !printer_->printerName().isEmpty();
}

void PrinterService::Setup(QWidget* parent) {
  QPageSetupDialog dialog(printer_.get(), parent);
  platform_.RunDialog(dialog);
}

bool PrinterService::AskPrint(QWidget* parent) {
  QPrintDialog dialog(printer_.get(), parent);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  const QString file = printer_->outputFileName();
  if (platform_.RunDialog(dialog) != QDialog::Accepted) return false;
  // A PDF needs a file: the one from before when the dialog left none.
  if (printer_->outputFormat() == QPrinter::PdfFormat && printer_->outputFileName().isEmpty()) {
    printer_->setOutputFileName(file.isEmpty() ? pdfFile_ : file);
  }
  return true;
}

std::unique_ptr<PrinterPage> PrinterService::AttachedJob(const QFont& font) const {
  if (!HasQueue()) return nullptr;
  QTemporaryFile file(QDir::temp().filePath(QStringLiteral("parlane-print-XXXXXX.pdf")));
  file.setAutoRemove(false);
  if (!file.open()) return nullptr;
  auto spool = std::make_unique<QPrinter>(QPrinter::HighResolution);
  spool->setOutputFormat(QPrinter::PdfFormat);
  spool->setOutputFileName(file.fileName());
  spool->setPageLayout(printer_->pageLayout());
  return std::make_unique<QtPrinterPage>(std::move(spool), printer_->printerName(), font);
}

QtPrinterPage::QtPrinterPage(QPrinter& printer, const QFont& font)
    : printer_(printer), font_(font) {}

QtPrinterPage::QtPrinterPage(std::unique_ptr<QPrinter> spoolFile, const QString& queue,
                             const QFont& font)
    : owned_(std::move(spoolFile)), queue_(queue), printer_(*owned_), font_(font) {}

QtPrinterPage::~QtPrinterPage() { Finish(true); }

// Ends the drawing; a spooled document then goes to its queue (or not).
void QtPrinterPage::Finish(bool print) {
  if (painter_.isActive()) painter_.end();
  if (!owned_ || queue_.isEmpty()) return;
  const QString file = printer_.outputFileName();
  if (print && pages_ > 0) {
    QProcess::execute(QStringLiteral("lp"), {QStringLiteral("-d"), queue_, QStringLiteral("-t"),
                                             printer_.docName(), QStringLiteral("--"), file});
  }
  QFile::remove(file);
  queue_.clear();
}

bool QtPrinterPage::BeginDocument(std::string_view title) {
  printer_.setDocName(QString::fromLatin1(title.data(), qsizetype(title.size())));
  pages_ = 0;
  return painter_.begin(&printer_);
}

bool QtPrinterPage::BeginPage() {
  if (!painter_.isActive()) return false;
  if (pages_++ > 0 && !printer_.newPage()) return false;
  // One logical unit per screen pixel: the printable area in printer pixels
  // scaled by the screen's and the printer's resolutions.
  const QRect area = painter_.viewport();
  const int screenDpi = ScreenDpi();
  const int width = std::max(1, area.width() * screenDpi / std::max(1, printer_.logicalDpiX()));
  const int height = std::max(1, area.height() * screenDpi / std::max(1, printer_.logicalDpiY()));
  painter_.setWindow(0, 0, width, height);
  painter_.setFont(font_);
  painter_.setPen(Qt::black);
  const QFontMetricsF fm(font_);
  metrics_.charWidth = std::max(1, static_cast<int>(std::lround(fm.averageCharWidth())));
  metrics_.lineHeight = std::max(1, static_cast<int>(std::lround(fm.height() + fm.leading())));
  metrics_.pageHeight = height;
  ascent_ = static_cast<int>(std::lround(fm.ascent()));
  return true;
}

void QtPrinterPage::DrawText(int x, int y, std::span<const uint8_t> text) {
  if (!painter_.isActive()) return;
  painter_.drawText(QPoint(x, y + ascent_), QString::fromStdString(Cp437ToUtf8(text)));
}

void QtPrinterPage::EndDocument() { Finish(true); }

void QtPrinterPage::Abort() {
  // A spooled document is simply not handed on; a printer of the caller's
  // is told to stop.
  if (!owned_) printer_.abort();
  Finish(false);
}

}  // namespace parlane
