// Scrolling back through the store. When the user starts to move the view
// (scroll bars, or a selection that auto-scrolls) the screen top from before
// is kept; the next key press returns the view there if the cursor would be
// visible at that position, and the kept position is forgotten either way.
#pragma once

namespace parlane {

class Scrollback {
 public:
  // The user is about to move the view away from `screenTop`.
  void UserScrolls(int screenTop) {
    if (kept_ < 0) kept_ = screenTop;
  }
  bool Kept() const { return kept_ >= 0; }
  int KeptTop() const { return kept_; }
  // On a key press: the screen top to return to, or -1 to stay. The kept
  // position is forgotten in any case. The cursor must lie within
  // `height` - 1 rows below the kept position.
  int ReturnOnKey(int cursorRow, int height) {
    const int kept = kept_;
    kept_ = -1;
    if (kept < 0) return -1;
    const int below = cursorRow - kept;
    return below >= 0 && below <= height - 1 ? kept : -1;
  }
  void Forget() { kept_ = -1; }

 private:
  int kept_ = -1;
};

}  // namespace parlane
