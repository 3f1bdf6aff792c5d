// The modeless "Attached/Transparent Printing" dialog of a session window
// while the host prints through it: "Spooling data to Printer..." and a
// Cancel button that asks before it throws the job away.
#pragma once

#include <QDialog>
#include <functional>

class QPushButton;

namespace parlane {

class Platform;

class AttachedPrintWindow final : public QDialog {
  Q_OBJECT
 public:
  // `cancel` runs when the user confirms the cancel.
  AttachedPrintWindow(QWidget* parent, Platform& platform, std::function<void()> cancel);
  QPushButton* CancelButton() const { return cancelButton_; }
  // Asks "Are you sure you want to cancel printing?"; on Yes cancels.
  void AskCancel();

 protected:
  void reject() override { AskCancel(); }

 private:
  Platform& platform_;
  std::function<void()> cancel_;
  QPushButton* cancelButton_ = nullptr;
};

}  // namespace parlane
