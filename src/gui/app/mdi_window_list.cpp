// The Window menu's list of open windows, and the MDI area's own keys kept
// away from session windows.
#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

#include "app/mdi_client.h"
#include "session/session_keys.h"

namespace parlane {

namespace {

// Marks the menu items this list adds, so that they can be taken away again.
constexpr const char* kWindowListItem = "parlaneWindowListItem";
// Items 1 to 9 get their digit as mnemonic.
constexpr int kLastMnemonic = 9;

}  // namespace

// The MDI area switches windows on Ctrl+Tab typed anywhere in it; typed in
// a session window that key belongs to the host.
bool TMyMDIClient::eventFilter(QObject* watched, QEvent* event) {
  if (IsSessionKeyEvent(watched, event)) return QAbstractScrollArea::eventFilter(watched, event);
  return QMdiArea::eventFilter(watched, event);
}

void TMyMDIClient::AttachWindowList(QMenu* windowMenu) {
  connect(windowMenu, &QMenu::aboutToShow, this,
          [this, windowMenu] { FillWindowList(windowMenu); });
}

void TMyMDIClient::FillWindowList(QMenu* menu) {
  for (QAction* action : menu->actions()) {
    if (!action->property(kWindowListItem).toBool()) continue;
    menu->removeAction(action);
    action->deleteLater();
  }
  const QList<QMdiSubWindow*> windows = subWindowList(QMdiArea::CreationOrder);
  if (windows.isEmpty()) return;
  menu->addSeparator()->setProperty(kWindowListItem, true);
  int n = 0;
  for (QMdiSubWindow* window : windows) {
    ++n;
    QString title = window->windowTitle();
    title.replace(QLatin1Char('&'), QLatin1String("&&"));
    const QString text = n <= kLastMnemonic ? QStringLiteral("&%1 %2").arg(n).arg(title)
                                            : QStringLiteral("%1 %2").arg(n).arg(title);
    QAction* action = menu->addAction(text);
    action->setProperty(kWindowListItem, true);
    action->setCheckable(true);
    action->setChecked(window == activeSubWindow());
    connect(action, &QAction::triggered, this, [this, target = QPointer<QMdiSubWindow>(window)] {
      if (!target) return;
      if (target->isMinimized()) target->showNormal();
      setActiveSubWindow(target);
      if (QWidget* inner = target->widget()) inner->setFocus();
    });
  }
}

}  // namespace parlane
