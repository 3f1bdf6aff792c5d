#include "print/printer_service.h"

#include <QGuiApplication>
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

PrinterService::PrinterService(Platform& platform, const QString& pdfFile)
    : platform_(platform), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  if (QPrinterInfo::defaultPrinter().isNull()) {
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(pdfFile);
  }
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
  return platform_.RunDialog(dialog) == QDialog::Accepted;
}

std::unique_ptr<QPrinter> PrinterService::JobPrinter() const {
  if (!HasQueue()) return nullptr;
  auto job = std::make_unique<QPrinter>(QPrinter::HighResolution);
  job->setPrinterName(printer_->printerName());
  job->setPageLayout(printer_->pageLayout());
  return job;
}

QtPrinterPage::QtPrinterPage(QPrinter& printer, const QFont& font, std::unique_ptr<QPrinter> owned)
    : owned_(std::move(owned)), printer_(printer), font_(font) {}

QtPrinterPage::~QtPrinterPage() {
  if (painter_.isActive()) painter_.end();
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

void QtPrinterPage::EndDocument() {
  if (painter_.isActive()) painter_.end();
}

void QtPrinterPage::Abort() {
  printer_.abort();
  if (painter_.isActive()) painter_.end();
}

}  // namespace parlane
