#include "app/frame_hints.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolBar>
#include <QToolButton>

#include "app/menu_table.h"
#include "app/status_bar.h"

namespace parlane {

namespace {

QString HintOf(const QAction* action) {
  const char* hint = HintFor(action->data().toInt());
  return hint ? QString::fromLatin1(hint) : action->toolTip();
}

class GreyedItemHints final : public QObject {
 public:
  GreyedItemHints(QMenu* menu, TStatusBar* status) : QObject(menu), menu_(menu), status_(status) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == menu_ && event->type() == QEvent::MouseMove) {
      const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
      const QAction* action = menu_->actionAt(pos);
      if (action != nullptr && !action->isEnabled() && !action->isSeparator() && !action->menu()) {
        const char* hint = HintFor(action->data().toInt());
        status_->ShowHint(hint ? QString::fromLatin1(hint) : QString());
      }
    }
    return false;
  }

 private:
  QMenu* menu_;
  TStatusBar* status_;
};

class ToolButtonHint final : public QObject {
 public:
  ToolButtonHint(QToolButton* button, QAction* action, TStatusBar* status)
      : QObject(button), action_(action), status_(status) {}

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Enter) {
      status_->ShowHint(HintOf(action_));
      shown_ = true;
    } else if ((event->type() == QEvent::Leave || event->type() == QEvent::Hide) && shown_) {
      status_->EndHint();
      shown_ = false;
    }
    return false;
  }

 private:
  QAction* action_;
  TStatusBar* status_;
  bool shown_ = false;
};

}  // namespace

void WatchGreyedItemHints(QMenu* menu, TStatusBar* status) {
  menu->installEventFilter(new GreyedItemHints(menu, status));
}

void WatchToolBarHints(QToolBar* toolbar, TStatusBar* status) {
  for (QAction* action : toolbar->actions()) {
    auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(action));
    if (button == nullptr ||
        button->findChild<ToolButtonHint*>(QString(), Qt::FindDirectChildrenOnly))
      continue;
    button->installEventFilter(new ToolButtonHint(button, action, status));
  }
}

}  // namespace parlane
