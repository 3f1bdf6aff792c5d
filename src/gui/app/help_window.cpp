#include "app/help_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#ifndef PARLANE_SOURCE_HELP_DIR
#define PARLANE_SOURCE_HELP_DIR ""
#endif

namespace parlane {

namespace {

constexpr QSize kHelpSize{760, 600};

bool HasIndex(const QString& dir) {
  return !dir.isEmpty() &&
         QFileInfo(QDir(dir).filePath(QString::fromLatin1(kHelpIndexPage))).isFile();
}

}  // namespace

QString HelpDirectory() {
  const QString fromEnv = qEnvironmentVariable("PARLANE_HELP_DIR");
  if (HasIndex(fromEnv)) return QDir(fromEnv).absolutePath();
  const QString installed = QDir(QCoreApplication::applicationDirPath())
                                .filePath(QStringLiteral("../share/parlane/help"));
  if (HasIndex(installed)) return QDir(installed).absolutePath();
  const QString source = QStringLiteral(PARLANE_SOURCE_HELP_DIR);
  if (HasIndex(source)) return source;
  return {};
}

HelpWindow::HelpWindow(const QString& directory, QWidget* parent)
    : QWidget(parent, Qt::Window), directory_(directory) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Parlane Help"));
  setAttribute(Qt::WA_DeleteOnClose);
  browser_ = new QTextBrowser(this);
  browser_->setOpenExternalLinks(true);
  browser_->setSearchPaths({directory_});
  auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
  auto* back = new QPushButton(QStringLiteral("&Back"), this);
  auto* forward = new QPushButton(QStringLiteral("&Forward"), this);
  back->setEnabled(false);
  forward->setEnabled(false);
  connect(contents, &QPushButton::clicked, this,
          [this] { Open(QString::fromLatin1(kHelpIndexPage)); });
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Parlane Help")
                                   : QStringLiteral("Parlane Help - ") + title);
  });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(contents);
  buttons->addWidget(back);
  buttons->addWidget(forward);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(browser_);
  resize(kHelpSize);
}

void HelpWindow::Open(const QString& page) {
  browser_->setSource(QUrl::fromLocalFile(QDir(directory_).filePath(page)));
  show();
  raise();
  activateWindow();
}

}  // namespace parlane
