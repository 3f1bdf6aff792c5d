#include "transfer/upload_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QUrl>

#include "app/app_context.h"
#include "config/main_config.h"
#include "platform/platform.h"
#include "session/telnet_window.h"
#include "session/terminal_view.h"
#include "transfer/transfer_runner.h"

namespace parlane {

namespace {

constexpr const char* kAddTitle = "Select Files to Add to Upload List";
constexpr const char* kAddFilter =
    "All files (*.*)|*.*|ZIP files (*.zip)|*.zip|LZH files (*.lzh)|*.lzh|GIF files (*.gif)|*.gif|"
    "JPG files (*.jpg)|*.jpg|Text files (*.txt)|*.txt|";

// The size of a plain file that can be opened for reading, or -1.
int64_t ReadableSize(const QString& file) {
  const QByteArray name = file.toLocal8Bit();
  const int fd = open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  const bool plain = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  close(fd);
  return plain ? static_cast<int64_t>(st.st_size) : -1;
}

QList<QListWidgetItem*> Items(QListWidget* list) {
  QList<QListWidgetItem*> items;
  for (int i = 0; i < list->count(); ++i) items.push_back(list->item(i));
  return items;
}

}  // namespace

FileUploadDialog::FileUploadDialog(AppContext& app, HostFinder findHost, QWidget* parent)
    : QWidget(parent), app_(app), findHost_(std::move(findHost)) {
  setObjectName(QStringLiteral("FileUploadDialog"));
  auto* grid = new QGridLayout(this);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("list"));
  list_->setSortingEnabled(true);
  list_->setSelectionMode(QAbstractItemView::MultiSelection);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // Long names scroll sideways rather than being cut.
  list_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  list_->setTextElideMode(Qt::ElideNone);
  list_->setAcceptDrops(false);  // drops land on the window
  grid->addWidget(list_, 0, 0, 1, 4);

  auto* filesLabel = new QLabel(QStringLiteral("Total files:"), this);
  totalFilesField_ = new QLabel(QStringLiteral("0"), this);
  totalFilesField_->setObjectName(QStringLiteral("totalFiles"));
  auto* bytesLabel = new QLabel(QStringLiteral("Total bytes:"), this);
  totalBytesField_ = new QLabel(QStringLiteral("0"), this);
  totalBytesField_->setObjectName(QStringLiteral("totalBytes"));
  grid->addWidget(filesLabel, 1, 0);
  grid->addWidget(totalFilesField_, 1, 1);
  grid->addWidget(bytesLabel, 1, 2);
  grid->addWidget(totalBytesField_, 1, 3);

  auto button = [&](const char* text, const char* name, int column,
                    void (FileUploadDialog::*slot)()) {
    auto* b = new QPushButton(QString::fromLatin1(text), this);
    b->setObjectName(QString::fromLatin1(name));
    grid->addWidget(b, 2, column);
    connect(b, &QPushButton::clicked, this, slot);
  };
  button("Add", "add", 0, &FileUploadDialog::Add);
  button("Clear list", "clear", 1, &FileUploadDialog::ClearList);
  button("Delete selected", "deleteSelected", 2, &FileUploadDialog::DeleteSelected);
  button("Start sending", "startSending", 3, &FileUploadDialog::StartSending);
  auto* hint = new QLabel(
      QStringLiteral("Files can also be dragged and dropped in from File Manager"), this);
  grid->addWidget(hint, 3, 0, 1, 4);

  setAcceptDrops(true);
  Recount();
}

QStringList FileUploadDialog::Files() const {
  QStringList files;
  for (QListWidgetItem* item : Items(list_)) files.push_back(item->text());
  return files;
}

void FileUploadDialog::AddEntry(const QString& file) {
  if (file.isEmpty() ||
      !list_->findItems(file, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
    return;
  list_->addItem(file);
}

void FileUploadDialog::AddFiles(const QStringList& files) {
  for (const QString& f : files) AddEntry(f);
  Recount();
}

void FileUploadDialog::Add() {
  FileDialogRequest request;
  request.title = QString::fromLatin1(kAddTitle);
  request.filter = QString::fromLatin1(kAddFilter);
  request.initialDir = QString::fromLocal8Bit(app_.config.UploadDir.c_str());
  request.pathMustExist = true;
  request.fileMustExist = true;
  request.multiSelect = true;
  const QStringList chosen = app_.platform.OpenFiles(this, request);
  if (chosen.isEmpty()) return;
  for (const QString& f : chosen) AddEntry(QFileInfo(f).absoluteFilePath());
  // The directory of the chosen files is where the next choice starts.
  const std::string dir = QFileInfo(chosen.front()).absolutePath().toLocal8Bit().toStdString();
  if (dir.size() < Main_Configuration_Struct::kPathSize) app_.config.UploadDir = dir;
  Recount();
}

void FileUploadDialog::ClearList() {
  list_->clear();
  Recount();
}

void FileUploadDialog::DeleteSelected() {
  bool deleted = false;
  while (!list_->selectedItems().isEmpty()) {
    delete list_->selectedItems().front();
    deleted = true;
  }
  if (deleted) Recount();
}

void FileUploadDialog::Recount() {
  totalFiles_ = list_->count();
  totalFilesField_->setText(QString::number(totalFiles_));
  totalBytes_ = 0;
  for (QListWidgetItem* item : Items(list_)) {
    const int64_t size = ReadableSize(item->text());
    if (size >= 0) {
      totalBytes_ += size;
      continue;
    }
    app_.platform.Message(
        this, QStringLiteral("Could not open %1 - deleting from list").arg(item->text()),
        QStringLiteral("File Error"), MsgIcon::Exclamation, MsgButtons::Ok);
    delete item;
    --totalFiles_;
    totalFilesField_->setText(QString::number(totalFiles_));
  }
  ShowTotals();
}

void FileUploadDialog::QuietTotals() {
  totalFiles_ = list_->count();
  totalBytes_ = 0;
  for (QListWidgetItem* item : Items(list_))
    totalBytes_ += std::max<int64_t>(0, ReadableSize(item->text()));
  ShowTotals();
}

void FileUploadDialog::ShowTotals() {
  totalFilesField_->setText(QString::number(totalFiles_));
  totalBytesField_->setText(QString::number(totalBytes_));
}

void FileUploadDialog::FileSent(const QString& file) {
  const QList<QListWidgetItem*> found =
      list_->findItems(file, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (!found.isEmpty()) delete found.front();
  QuietTotals();
}

void FileUploadDialog::StartSending() {
  std::unique_ptr<TransferHost> host;
  if (!TelnetList()) {
    host = findHost_ ? findHost_() : nullptr;
    if (!host) {
      app_.platform.Message(this, QStringLiteral("A dial-up terminal window needs to be open"),
                            QStringLiteral("Parlane"), MsgIcon::Stop, MsgButtons::Ok);
      return;
    }
  }
  if (list_->count() == 0) {
    app_.platform.Message(this, QStringLiteral("No files have been selected to upload"),
                          QStringLiteral("Parlane"), MsgIcon::Exclamation, MsgButtons::Ok);
    return;
  }
  if (TelnetList()) host = findHost_ ? findHost_() : nullptr;
  if (!host || TransferRunning()) return;

  SessionTransfer transfer;
  transfer.send = true;
  for (const QString& f : Files()) transfer.files.push_back(f.toLocal8Bit().toStdString());
  QPointer<FileUploadDialog> self(this);
  transfer.fileDone = [self](const std::string& f) {
    if (self) self->FileSent(QString::fromLocal8Bit(f.c_str()));
  };
  RunSessionTransfer(app_, *host, transfer);
  if (!self) return;
  QuietTotals();
  if (list_->count() == 0) emit AllSent();
}

void FileUploadDialog::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void FileUploadDialog::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

// Each dropped file's full name is added as it is.
void FileUploadDialog::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasUrls()) return;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) AddEntry(url.toLocalFile());
  }
  event->acceptProposedAction();
  Recount();
}

TelnetFileUploadDialog::TelnetFileUploadDialog(AppContext& app, TelnetWindowMDIChild& session,
                                               QWidget* parent)
    : FileUploadDialog(
          app,
          [this]() -> std::unique_ptr<TransferHost> {
            if (!session_) return nullptr;
            return std::make_unique<SessionTransferHost>(session_->Window()->GetSession(),
                                                         session_->Window());
          },
          parent),
      session_(&session) {
  setObjectName(QStringLiteral("TelnetFileUploadDialog"));
}

FileUploadMDIChild::FileUploadMDIChild(FileUploadDialog* dialog, const QString& title,
                                       QWidget* parent)
    : QMdiSubWindow(parent), dialog_(dialog) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(title);
  setWindowIcon(style()->standardIcon(QStyle::SP_ArrowUp));
  setWidget(dialog);
  connect(dialog, &FileUploadDialog::AllSent, this, &QMdiSubWindow::close, Qt::QueuedConnection);
}

}  // namespace parlane
