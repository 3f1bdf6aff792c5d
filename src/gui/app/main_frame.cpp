#include "app/frame_hints.h"
#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStack>
#include <QToolBar>

#include "app/commands.h"
#include "app/icons.h"
#include "app/mdi_client.h"
#include "app/menu_table.h"
#include "app/status_bar.h"
#include "app/tmy_app.h"
#include "config/placement.h"

namespace parlane {

namespace {

constexpr int kToolGroupGap = 12;  // pixels between tool bar groups
constexpr QSize kDefaultFrameSize{960, 720};
constexpr int kIdleCheckMs = 200;  // tool bar enabling follows within a blink

// The tool bar: groups of command ids; 0 separates the groups.
constexpr int kToolBarLayout[] = {
    cmd::kPhonebook,
    cmd::kOpenDialup,
    cmd::kOpenTelnet,
    0,
    cmd::kPrintPage,
    cmd::kCopy,
    cmd::kPaste,
    0,
    cmd::kReceiveFiles,
    cmd::kSendFiles,
    0,
    cmd::kDosSession,
};
constexpr int kToolRunIds[] = {cmd::kTool1Run, cmd::kTool2Run, cmd::kTool3Run, cmd::kTool4Run};

// The item text without its mnemonic marks and accelerator column.
QString PlainText(const QString& text) {
  QString plain = text.section(QLatin1Char('\t'), 0, 0);
  plain.remove(QLatin1Char('&'));
  return plain;
}

QWidget* Gap(QWidget* parent) {
  auto* gap = new QWidget(parent);
  gap->setFixedWidth(kToolGroupGap);
  return gap;
}

}  // namespace

TMainMDIDecoratedFrame::TMainMDIDecoratedFrame(TMyApp& app) : app_(app) {
  setObjectName(QString::fromLatin1(kClassName));
  setWindowTitle(QStringLiteral("Parlane"));
  setWindowIcon(ProgramIcon());
  client_ = new TMyMDIClient(app_, *this);
  setCentralWidget(client_);
  Placement();
  status_ = new TStatusBar(this);
  setStatusBar(status_);
  toolbar_ = new QToolBar(QStringLiteral("Parlane Toolbar"), this);
  toolbar_->setObjectName(QStringLiteral("Parlane Toolbar"));
  addToolBar(Qt::TopToolBarArea, toolbar_);
  BuildMenu();
  qApp->installEventFilter(this);
  // Command enabling follows the sessions' state (a selection made, the
  // clipboard filled) the way the desktop re-checks it when idle.
  idleCheck_.setInterval(kIdleCheckMs);
  connect(&idleCheck_, &QTimer::timeout, this, &TMainMDIDecoratedFrame::UpdateCommandStates);
  idleCheck_.start();
}

TMainMDIDecoratedFrame::~TMainMDIDecoratedFrame() {
  qApp->removeEventFilter(this);
  WindowPlacementRecord& rec = app_.Placement();
  const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
  const QPoint topLeft = isMaximized() || isMinimized() ? normal.topLeft() : pos();
  rec.X = static_cast<int16_t>(topLeft.x());
  rec.Y = static_cast<int16_t>(topLeft.y());
  rec.Width = static_cast<int16_t>(normal.width());
  rec.Height = static_cast<int16_t>(normal.height());
  SavePlacement(app_.FileInDir(kPlacementFile), rec);
  client_->DestroySessions();
}

// INITWIND.CFG: the stored position and size unless the window was maximized.
void TMainMDIDecoratedFrame::Placement() {
  const std::optional<WindowPlacementRecord> rec = LoadPlacement(app_.FileInDir(kPlacementFile));
  if (!rec) {
    DefaultPlacement();
    return;
  }
  app_.Placement() = *rec;
  if (rec->FrameMaximized != 0) {
    startMaximized_ = true;
    return;
  }
  // A record with no size would make the window vanish; keep the default.
  if (rec->Width <= 0 || rec->Height <= 0) {
    DefaultPlacement();
    return;
  }
  move(rec->X, rec->Y);
  resize(rec->Width, rec->Height);
}

// Without a stored placement: a good part of the screen, room for a 24x80
// session with space around it.
void TMainMDIDecoratedFrame::DefaultPlacement() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect desk = screen->availableGeometry();
  const QSize size = kDefaultFrameSize.boundedTo(desk.size());
  resize(size);
  move(desk.topLeft() +
       QPoint((desk.width() - size.width()) / 2, (desk.height() - size.height()) / 2));
}

void TMainMDIDecoratedFrame::Create() {
  client_->SetupWindow();
  if (startMaximized_) {
    showMaximized();
  } else {
    show();
  }
}

QAction* TMainMDIDecoratedFrame::AddCommand(QMenu* menu, const QString& text, int id) {
  QAction* action = menu->addAction(text);
  action->setData(id);
  action->setObjectName(QString::number(id));
  action->setToolTip(PlainText(text));
  connect(action, &QAction::triggered, this, [this, id] {
    client_->Command(id);
    UpdateCommandStates();
  });
  actions_[id].append(action);
  return action;
}

void TMainMDIDecoratedFrame::BuildMenu() {
  QStack<QMenu*> open;
  for (const MenuEntry& entry : MenuTable()) {
    switch (entry.kind) {
      case MenuEntryKind::Popup: {
        const QString title = QString::fromLatin1(entry.text);
        QMenu* menu = open.isEmpty() ? menuBar()->addMenu(title) : open.top()->addMenu(title);
        connect(menu, &QMenu::aboutToShow, this, &TMainMDIDecoratedFrame::UpdateCommandStates);
        connect(menu, &QMenu::hovered, this, [this](QAction* action) {
          const char* hint = HintFor(action->data().toInt());
          status_->ShowHint(hint ? QString::fromLatin1(hint) : QString());
        });
        connect(menu, &QMenu::aboutToHide, status_, &TStatusBar::EndHint);
        WatchGreyedItemHints(menu, status_);
        if (open.isEmpty() && title == QLatin1String("&Edit")) editMenu_ = menu;
        if (open.isEmpty() && title == QLatin1String("&Window")) client_->AttachWindowList(menu);
        open.push(menu);
        break;
      }
      case MenuEntryKind::EndPopup: open.pop(); break;
      case MenuEntryKind::Separator: open.top()->addSeparator(); break;
      case MenuEntryKind::Item:
        AddCommand(open.top(), QString::fromLatin1(entry.text), entry.id);
        break;
    }
  }
}

QAction* TMainMDIDecoratedFrame::MenuAction(int id) const {
  const QList<QAction*> list = actions_.value(id);
  return list.isEmpty() ? nullptr : list.front();
}

void TMainMDIDecoratedFrame::FillToolBar() {
  toolbar_->clear();
  for (QAction* action : toolActions_) {
    actions_[action->data().toInt()].removeOne(action);
    action->deleteLater();
  }
  toolActions_.clear();
  for (int id : kToolBarLayout) {
    if (id == 0) {
      toolbar_->addWidget(Gap(toolbar_));
      continue;
    }
    QAction* action = MenuAction(id);
    action->setIcon(CommandIcon(id));
    toolbar_->addAction(action);
  }
  const auto& tools = app_.Config().Tools;
  for (size_t i = 0; i < std::size(kToolRunIds); ++i) {
    const int id = kToolRunIds[i];
    auto* action = new QAction(ToolIcon(tools[i]), QStringLiteral("Tool %1").arg(i + 1), this);
    action->setData(id);
    action->setObjectName(QStringLiteral("toolbar-%1").arg(id));
    action->setToolTip(tools[i].empty() ? QStringLiteral("Tool %1").arg(i + 1)
                                        : QString::fromLocal8Bit(tools[i].c_str()));
    connect(action, &QAction::triggered, this, [this, id] { client_->Command(id); });
    toolbar_->addAction(action);
    toolActions_.append(action);
    actions_[id].append(action);
  }
  WatchToolBarHints(toolbar_, status_);
  UpdateCommandStates();
}

void TMainMDIDecoratedFrame::DockToolBar(bool shown) {
  if (shown) {
    addToolBar(Qt::TopToolBarArea, toolbar_);
    toolbar_->show();
  } else {
    removeToolBar(toolbar_);
  }
}

void TMainMDIDecoratedFrame::UpdateCommandStates() {
  for (auto it = actions_.cbegin(); it != actions_.cend(); ++it) {
    const CommandState state = client_->State(it.key());
    for (QAction* action : it.value()) {
      action->setEnabled(state.enabled);
      if (!state.text.isEmpty() && action->text() != state.text) action->setText(state.text);
      action->setCheckable(state.checkable);
      if (state.checkable) action->setChecked(state.checked);
    }
  }
}

bool TMainMDIDecoratedFrame::TranslateAccelerator(int qtKey, Qt::KeyboardModifiers modifiers) {
  if ((modifiers & ~Qt::KeypadModifier) != Qt::AltModifier) return false;
  if (qtKey < Qt::Key_A || qtKey > Qt::Key_Z) return false;
  const char letter = static_cast<char>('A' + (qtKey - Qt::Key_A));
  for (const Accelerator& acc : Accelerators()) {
    if (acc.key != letter) continue;
    UpdateCommandStates();
    QAction* action = MenuAction(acc.id);
    // A greyed command's accelerator does nothing, like its menu item.
    if (action != nullptr && action->isEnabled()) action->trigger();
    return true;
  }
  return false;
}

// The top-level menu whose mnemonic is the letter typed with Alt alone.
QAction* TMainMDIDecoratedFrame::MnemonicMenu(const QKeyEvent& key) const {
  if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier) return nullptr;
  if (key.key() < Qt::Key_A || key.key() > Qt::Key_Z) return nullptr;
  const QChar letter = QChar(u'a' + (key.key() - Qt::Key_A));
  for (QAction* action : menuBar()->actions()) {
    const QString text = action->text();
    const qsizetype amp = text.indexOf(QLatin1Char('&'));
    if (amp >= 0 && amp + 1 < text.size() && text.at(amp + 1).toLower() == letter &&
        action->isEnabled() && action->isVisible()) {
      return action;
    }
  }
  return nullptr;
}

// The accelerators come before the menu bar's mnemonics and before the
// focused window's own keys, but only for keys typed into this window (a
// modal dialog keeps its keys).
bool TMainMDIDecoratedFrame::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) {
    return QMainWindow::eventFilter(watched, event);
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this || QApplication::activeModalWidget()) {
    return QMainWindow::eventFilter(watched, event);
  }
  auto* key = static_cast<QKeyEvent*>(event);
  const bool isAccelerator =
      (key->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier && key->key() >= Qt::Key_A &&
      key->key() <= Qt::Key_Z &&
      std::any_of(Accelerators().begin(), Accelerators().end(),
                  [&](const Accelerator& a) { return a.key == 'A' + (key->key() - Qt::Key_A); });
  if (!isAccelerator) {
    // Alt and a menu's mnemonic letter opens that menu, wherever the focus
    // sits in this window: Qt's own mnemonic shortcuts do not reach a menu
    // bar from inside an MDI sub-window.
    QAction* menu = MnemonicMenu(*key);
    if (menu == nullptr) return QMainWindow::eventFilter(watched, event);
    event->accept();
    if (type == QEvent::KeyPress) menuBar()->setActiveAction(menu);
    return true;
  }
  if (type == QEvent::ShortcutOverride) {
    // Claim the key so that no menu mnemonic takes it; it comes back as a
    // key press, handled below.
    event->accept();
    return true;
  }
  return TranslateAccelerator(key->key(), key->modifiers());
}

void TMainMDIDecoratedFrame::closeEvent(QCloseEvent* event) {
  if (!client_->CanClose()) {
    event->ignore();
    return;
  }
  client_->CleanupWindow();
  event->accept();
  emit Closed();
}

}  // namespace parlane
