#include "session/session_keys.h"

#include <QKeyEvent>
#include <QWidget>

#include "session/telnet_window.h"

namespace parlane {

bool IsFrameKey(const QKeyEvent& key) {
  if (!(key.modifiers() & Qt::AltModifier)) return false;
  const int k = key.key();
  return (k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9);
}

bool IsSessionKeyEvent(const QObject* receiver, const QEvent* event) {
  const QEvent::Type t = event->type();
  if (t != QEvent::KeyPress && t != QEvent::KeyRelease && t != QEvent::ShortcutOverride)
    return false;
  for (const QObject* o = receiver; o != nullptr; o = o->parent()) {
    if (qobject_cast<const TelnetWindowMDIChild*>(o) != nullptr) return true;
    if (o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow()) break;
  }
  return false;
}

bool ClaimSessionKey(QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (IsFrameKey(*key)) return false;
  // Lone modifiers are no shortcut of anyone's.
  switch (key->key()) {
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_Meta: return false;
    default: break;
  }
  event->accept();
  return true;
}

}  // namespace parlane
