// The main window: the MDI frame with the menu "COMMANDS", the accelerators,
// the dockable tool bar and the status bar. It reads INITWIND.CFG when it is
// built and writes it when it is destroyed.
#pragma once

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QTimer>

class QAction;
class QKeyEvent;
class QMenu;
class QToolBar;

namespace parlane {

class TMyApp;
class TMyMDIClient;
class TStatusBar;

class TMainMDIDecoratedFrame final : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr const char* kClassName = "Main_Frame_Class";

  explicit TMainMDIDecoratedFrame(TMyApp& app);
  ~TMainMDIDecoratedFrame() override;

  // Runs the MDI client's set-up (the files are read there) and shows the
  // window as INITWIND.CFG says.
  void Create();

  TMyMDIClient* Client() const { return client_; }
  TStatusBar* Status() const { return status_; }
  QToolBar* ToolBar() const { return toolbar_; }
  QMenu* EditMenu() const { return editMenu_; }

  // Every QAction of a command id (the menu item, and the tool bar button
  // when it has its own action).
  QList<QAction*> Actions(int id) const { return actions_.value(id); }
  // The menu item of a command id (nullptr when the menu has none).
  QAction* MenuAction(int id) const;

  // Fills the tool bar again: the standard buttons and the four tools.
  void FillToolBar();
  // Shows or takes away the tool bar (Show Toolbar).
  void DockToolBar(bool shown);
  // Applies the enabling and check-mark rules to every command.
  void UpdateCommandStates();
  // Handles Alt+key as the accelerator table says; true when it was one.
  bool TranslateAccelerator(int qtKey, Qt::KeyboardModifiers modifiers);

 signals:
  // The main window has agreed to close (shut-down follows).
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  QAction* MnemonicMenu(const QKeyEvent& key) const;

 private:
  void BuildMenu();
  QAction* AddCommand(QMenu* menu, const QString& text, int id);
  void Placement();
  void DefaultPlacement();

  TMyApp& app_;
  TMyMDIClient* client_ = nullptr;
  TStatusBar* status_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  QMenu* editMenu_ = nullptr;
  QHash<int, QList<QAction*>> actions_;
  QList<QAction*> toolActions_;  // the tool bar's own Tool 1..4 buttons
  bool startMaximized_ = false;
  QTimer idleCheck_;
};

}  // namespace parlane
