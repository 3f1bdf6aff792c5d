// The upload list windows: the files to send are collected in a sorted list
// (added with the file chooser or dropped from a file manager), counted and
// sent with the start button. Files leave the list as they are sent; a batch
// that fails leaves the unsent ones for another try.
//
// `FileUploadDialog` serves the dial-up session (its host is looked up when
// sending starts); `TelnetFileUploadDialog` belongs to one Telnet window.
// Each lives in its MDI child window.
#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "transfer/transfer_host.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace parlane {

struct AppContext;
class TelnetWindowMDIChild;

class FileUploadDialog : public QWidget {
  Q_OBJECT
 public:
  // Finds the session to send on when sending starts; null when there is none.
  using HostFinder = std::function<std::unique_ptr<TransferHost>()>;

  FileUploadDialog(AppContext& app, HostFinder findHost, QWidget* parent = nullptr);

  // The entries, in list (sorted) order.
  QStringList Files() const;
  // Adds full names as given (duplicates are not added twice), then recounts.
  void AddFiles(const QStringList& files);
  // The buttons.
  void Add();
  void ClearList();
  void DeleteSelected();
  void StartSending();
  // Counts the entries and their bytes; an entry that cannot be opened is
  // shown ("File Error") and deleted.
  void Recount();

  int TotalFiles() const { return totalFiles_; }
  int64_t TotalBytes() const { return totalBytes_; }

 signals:
  // Every file was sent: the list window closes.
  void AllSent();

 protected:
  // Telnet lists check the list before they look for their session.
  virtual bool TelnetList() const { return false; }
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

  AppContext& app_;

 private:
  void AddEntry(const QString& file);
  void FileSent(const QString& file);
  // Totals of the entries without opening messages (during a transfer).
  void QuietTotals();
  void ShowTotals();

  HostFinder findHost_;
  QListWidget* list_ = nullptr;
  QLabel* totalFilesField_ = nullptr;
  QLabel* totalBytesField_ = nullptr;
  int totalFiles_ = 0;
  int64_t totalBytes_ = 0;
};

class TelnetFileUploadDialog final : public FileUploadDialog {
  Q_OBJECT
 public:
  TelnetFileUploadDialog(AppContext& app, TelnetWindowMDIChild& session, QWidget* parent = nullptr);
  TelnetWindowMDIChild* Session() const { return session_; }

 protected:
  bool TelnetList() const override { return true; }

 private:
  QPointer<TelnetWindowMDIChild> session_;
};

class FileUploadMDIChild : public QMdiSubWindow {
  Q_OBJECT
 public:
  static constexpr const char* kClassName = "FileUpload_Child_Class";
  // Takes `dialog` as its widget; closes itself once every file was sent.
  FileUploadMDIChild(FileUploadDialog* dialog, const QString& title, QWidget* parent = nullptr);
  FileUploadDialog* Dialog() const { return dialog_; }

 private:
  FileUploadDialog* dialog_;
};

class TelnetFileUploadMDIChild final : public FileUploadMDIChild {
  Q_OBJECT
 public:
  static constexpr const char* kClassName = "TelnetFileUpload_Child_Class";
  using FileUploadMDIChild::FileUploadMDIChild;
};

}  // namespace parlane
