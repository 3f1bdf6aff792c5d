// Keys and the mouse in the terminal view: Qt's key events become the
// keyboard's virtual keys and characters; the left button selects, the right
// one opens the Edit menu.
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <optional>

#include "app/app_context.h"
#include "platform/platform.h"
#include "session/cp437.h"
#include "session/session_keys.h"
#include "session/terminal_bridge.h"

namespace parlane {

namespace {

// Auto-scroll during a selection moves one row or column per this many
// pixels the mouse is outside the window.
constexpr int kAutoScrollPixelsPerStep = 10;

constexpr uint8_t kBackspace = 8;
constexpr uint8_t kTab = 9;
constexpr uint8_t kEnter = 13;
constexpr uint8_t kEscape = 27;
constexpr uint8_t kCtrlOffset = 0x40;  // Ctrl+@..Ctrl+_ are 0..31

VirtualKey KeypadKey(int key) {
  switch (key) {
    case Qt::Key_0: return VirtualKey::Numpad0;
    case Qt::Key_1: return VirtualKey::Numpad1;
    case Qt::Key_2: return VirtualKey::Numpad2;
    case Qt::Key_3: return VirtualKey::Numpad3;
    case Qt::Key_4: return VirtualKey::Numpad4;
    case Qt::Key_5: return VirtualKey::Numpad5;
    case Qt::Key_6: return VirtualKey::Numpad6;
    case Qt::Key_7: return VirtualKey::Numpad7;
    case Qt::Key_8: return VirtualKey::Numpad8;
    case Qt::Key_9: return VirtualKey::Numpad9;
    case Qt::Key_Asterisk: return VirtualKey::Multiply;
    case Qt::Key_Plus: return VirtualKey::Add;
    case Qt::Key_Minus: return VirtualKey::Subtract;
    case Qt::Key_Period:
    case Qt::Key_Comma: return VirtualKey::Decimal;
    case Qt::Key_Slash: return VirtualKey::Divide;
    default: return VirtualKey::Other;
  }
}

// The editing, cursor and function keys: they never produce a character of
// their own (Qt gives Delete the text DEL; the keyboard maps it instead).
std::optional<VirtualKey> NamedKey(int key) {
  switch (key) {
    case Qt::Key_Backspace: return VirtualKey::Backspace;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VirtualKey::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VirtualKey::Enter;
    case Qt::Key_PageUp: return VirtualKey::PageUp;
    case Qt::Key_PageDown: return VirtualKey::PageDown;
    case Qt::Key_End: return VirtualKey::End;
    case Qt::Key_Home: return VirtualKey::Home;
    case Qt::Key_Left: return VirtualKey::Left;
    case Qt::Key_Up: return VirtualKey::Up;
    case Qt::Key_Right: return VirtualKey::Right;
    case Qt::Key_Down: return VirtualKey::Down;
    case Qt::Key_Insert: return VirtualKey::Insert;
    case Qt::Key_Delete: return VirtualKey::Delete;
    case Qt::Key_NumLock: return VirtualKey::NumLock;
    case Qt::Key_Clear: return VirtualKey::Other;  // keypad 5 with Num Lock off
    default: break;
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
    return static_cast<VirtualKey>(static_cast<int>(VirtualKey::F1) + (key - Qt::Key_F1));
  }
  return std::nullopt;
}

bool ProducesNoCharacter(VirtualKey vk) {
  switch (vk) {
    case VirtualKey::Backspace:
    case VirtualKey::Tab:
    case VirtualKey::Enter:
    case VirtualKey::Other: return false;
    default: return true;
  }
}

// The character a key press produces, as the byte sent: control keys by
// their codes, Ctrl+letter as its control code, text through CP437.
std::optional<uint8_t> CharacterOf(const QKeyEvent* e, VirtualKey vk, bool ctrl) {
  switch (vk) {
    case VirtualKey::Backspace: return kBackspace;
    case VirtualKey::Tab: return kTab;
    case VirtualKey::Enter: return kEnter;
    default: break;
  }
  const int key = e->key();
  if (key == Qt::Key_Escape) return kEscape;
  if (ctrl) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<uint8_t>(key - Qt::Key_A + 1);
    if (key >= Qt::Key_At && key <= Qt::Key_Underscore) {
      return static_cast<uint8_t>(key - kCtrlOffset);
    }
    if (key == Qt::Key_Space) return 0;
  }
  const QString text = e->text();
  if (text.isEmpty()) return std::nullopt;
  return Cp437FromUnicode(text.at(0).unicode());
}

}  // namespace

bool TelnetWindow::focusNextPrevChild(bool) { return false; }

bool TelnetWindow::event(QEvent* e) {
  // Keys for the host are no shortcuts (Ctrl+W, Ctrl+F4, Ctrl+Tab...).
  if (ClaimSessionKey(e)) return true;
  // Tab and Shift+Tab are keys for the host, never focus moves.
  if (e->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QAbstractScrollArea::event(e);
}

void TelnetWindow::keyPressEvent(QKeyEvent* e) {
  const Qt::KeyboardModifiers m = e->modifiers();
  const KeyModifiers mods{(m & Qt::ControlModifier) != 0,
                          (m & Qt::ShiftModifier) != 0 || e->key() == Qt::Key_Backtab};
  const bool keypad = (m & Qt::KeypadModifier) != 0;
  VirtualKey vk = VirtualKey::Other;
  if (const auto named = NamedKey(e->key())) {
    vk = *named;
  } else if (keypad) {
    vk = KeypadKey(e->key());
  }

  // F10 and keys held with Alt are system keys: F10 sends its text; the
  // rest go to the menus and accelerators.
  if ((m & Qt::AltModifier) || vk == VirtualKey::F10) {
    if (session_->SysKeyDown(vk, mods)) {
      e->accept();
    } else {
      QAbstractScrollArea::keyPressEvent(e);
    }
    return;
  }
  const bool wasScrolledBack = session_->Scroll().Kept();
  const bool returned = session_->ReturnViewOnKey();
  session_->KeyDown(vk, mods);
  if (wasScrolledBack) ReturnFromScrollback(returned);
  if (!ProducesNoCharacter(vk) || (keypad && vk != VirtualKey::Other)) {
    if (const auto ch = CharacterOf(e, vk, mods.Ctrl)) session_->Char(*ch, mods);
  }
  e->accept();
}

// ---- mouse selection ----

void TelnetWindow::UserMovesView() {
  session_->Scroll().UserScrolls(session_->Screen().ScreenTop());
}

void TelnetWindow::TrackMouse(const QPoint& pos) {
  const TerminalScreen& s = session_->Screen();
  const SelectionPoint p = PointFromPixel(pos.x(), pos.y(), cellWidth_, lineHeight_, hpos_,
                                          s.ScreenTop(), s.Columns(), s.Capacity());
  Selection& sel = session_->Select();
  const bool changed = !sel.Active() || !(sel.End() == p);
  sel.Track(p);
  if (changed) viewport()->update();
}

void TelnetWindow::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::MiddleButton) {
    // As in every X terminal: the primary selection, typed.
    PasteText(app_.platform.PrimarySelection());
    e->accept();
    return;
  }
  if (e->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(e);
    return;
  }
  session_->Select().Clear();
  viewport()->update();
  selecting_ = true;
  lastMouse_ = e->position().toPoint();
  TrackMouse(lastMouse_);
  e->accept();
}

void TelnetWindow::mouseMoveEvent(QMouseEvent* e) {
  if (!selecting_) return;
  if (!(e->buttons() & Qt::LeftButton)) {
    selecting_ = false;
    autoScrollTimer_.stop();
    return;
  }
  lastMouse_ = e->position().toPoint();
  if (viewport()->rect().contains(lastMouse_)) {
    autoScrollTimer_.stop();
    TrackMouse(lastMouse_);
  } else {
    AutoScroll();
    if (!autoScrollTimer_.isActive()) autoScrollTimer_.start();
  }
}

void TelnetWindow::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && selecting_) {
    lastMouse_ = e->position().toPoint();
    TrackMouse(lastMouse_);
    selecting_ = false;
    autoScrollTimer_.stop();
    if (HasSelection()) app_.platform.SetPrimarySelection(SelectedText());
  }
  e->accept();
}

// While the mouse is outside the window during a selection the view scrolls
// by (distance / 10) rows or columns per step, at least one, at most a page.
void TelnetWindow::AutoScroll() {
  if (!selecting_) {
    autoScrollTimer_.stop();
    return;
  }
  const QRect area = viewport()->rect();
  const auto steps = [](int distance, int page) {
    return std::clamp(distance / kAutoScrollPixelsPerStep, 1, std::max(page, 1));
  };
  int dy = 0;
  int dx = 0;
  if (lastMouse_.y() < area.top())
    dy = -steps(area.top() - lastMouse_.y(), session_->Screen().Height());
  if (lastMouse_.y() > area.bottom())
    dy = steps(lastMouse_.y() - area.bottom(), session_->Screen().Height());
  if (lastMouse_.x() < area.left()) dx = -steps(area.left() - lastMouse_.x(), VisibleColumns());
  if (lastMouse_.x() > area.right()) dx = steps(lastMouse_.x() - area.right(), VisibleColumns());
  if (dy != 0) verticalScrollBar()->setValue(verticalScrollBar()->value() + dy);
  if (dx != 0) horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);
  const QPoint inside(std::clamp(lastMouse_.x(), area.left(), area.right() + 1),
                      std::clamp(lastMouse_.y(), area.top(), area.bottom()));
  TrackMouse(inside);
}

void TelnetWindow::contextMenuEvent(QContextMenuEvent* e) {
  if (app_.editMenu) app_.editMenu->exec(e->globalPos());
  e->accept();
}

// After a key press that ended a scroll-back: the bars follow the view, and
// a view that went back to the kept position also goes back to column 0.
void TelnetWindow::ReturnFromScrollback(bool returned) {
  SyncScrollBars();
  if (returned && hpos_ != 0) {
    syncingScroll_ = true;
    horizontalScrollBar()->setValue(0);
    syncingScroll_ = false;
    hpos_ = 0;
    viewport()->update();
  }
}

}  // namespace parlane
