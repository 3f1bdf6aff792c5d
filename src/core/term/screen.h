// The screen buffer of a session window: screen and scroll-back in one store
// of N rows, the cursor, the scroll region, the current attribute and the
// character-set state.
//
// The store is one block of N rows of 2C + 1 bytes (C characters, C attribute
// bytes, the used length). Rows are moved by rotating a row-pointer array; the
// text itself never moves. Cells at or beyond a row's used length are blank,
// whatever bytes they still hold.
//
// Row numbers are store indices 0..N-1 ("the cursor row" is such an index).
// The screen the host addresses is rows ScreenTop() .. ScreenTop() + Height()
// - 1; screen lines in escape sequences are 1-based from the screen top.
// Height and screen top belong to the window (its client height and its
// scroller) and are set by the owner through SetHeight and SetScreenTop.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "config/terminal_options.h"
#include "term/colors.h"
#include "term/painter.h"

namespace parlane {

// The row counts and column counts a session can be created with.
inline constexpr int kAllowedRows[] = {24, 25, 35, 50};
inline constexpr int kAllowedCols[] = {80, 132};

// The store holds as many whole screens of R rows as fit in this many bytes.
inline constexpr int kStoreBudgetBytes = 60000;

struct ScreenGeometry {
  int rows = 24;     // R: the configured rows
  int columns = 80;  // C: 80 or 132
};

// N = floor(60000 / (R * (2C + 1))) * R (360 for 24x80).
int StoreCapacity(ScreenGeometry g);

// A read-only view of one stored row.
class RowView {
 public:
  RowView(const uint8_t* data, int columns) : data_(data), columns_(columns) {}
  std::span<const uint8_t> Chars() const { return {data_, static_cast<size_t>(columns_)}; }
  std::span<const uint8_t> Attrs() const {
    return {data_ + columns_, static_cast<size_t>(columns_)};
  }
  int Used() const { return data_[2 * columns_]; }
  // The characters up to the used length.
  std::span<const uint8_t> UsedChars() const { return Chars().first(static_cast<size_t>(Used())); }
  std::span<const uint8_t> UsedAttrs() const { return Attrs().first(static_cast<size_t>(Used())); }

 private:
  const uint8_t* data_;
  int columns_;
};

struct CursorPos {
  int row = 0;  // store index
  int col = 0;  // 0..C; C means a wrap is pending
  bool operator==(const CursorPos&) const = default;
};

enum class CharsetSlot { G0 = 0, G1 = 1 };

class TerminalScreen {
 public:
  // Sizes outside what a row can hold (1..1000 rows, 2..255 columns) are
  // limited to it; the program only uses the sizes above.
  TerminalScreen(ScreenGeometry geometry, const TerminalOptions& options, ScreenPainter& painter,
                 WindowColors colors = {});
  TerminalScreen(const TerminalScreen&) = delete;
  TerminalScreen& operator=(const TerminalScreen&) = delete;

  // ---- geometry and view ----
  int Columns() const { return cols_; }
  int Rows() const { return rows_; }
  int Capacity() const { return capacity_; }
  int Height() const { return height_; }
  int ScreenTop() const { return top_; }
  // max(H, R): the rows that whole-screen clears cover.
  int ClearHeight() const { return height_ > rows_ ? height_ : rows_; }
  // The scroller's vertical range: N - H, at least 0.
  int VerticalRange() const;
  // Sets H (the whole text rows the client area holds), kept within 1..N.
  // Clamps the screen top to the new range and the scroll region to
  // max(H, R) lines.
  void SetHeight(int height);
  // Sets the screen top (the scroller's position), clamped to 0..range.
  void SetScreenTop(int top);
  // After a resize: if the cursor row is below the last visible row, moves
  // the screen top so that it becomes the last visible row. True if moved.
  bool KeepCursorVisible();

  // ---- stored rows ----
  RowView Row(int index) const { return {rowsPtr_[static_cast<size_t>(index)], cols_}; }
  // The characters of the used part of a row, as text.
  std::string_view RowText(int index) const;

  // ---- cursor ----
  CursorPos Cursor() const { return cursor_; }
  CursorPos SavedCursor() const { return saved_; }
  // Moves the cursor; the row is kept within the store and the column 0..C.
  void SetCursor(int row, int col);
  void SaveCursor() { saved_ = cursor_; }
  void RestoreCursor() { cursor_ = saved_; }
  // The cursor's 1-based screen line, limited to 1..H.
  int CursorLine() const;

  // ---- scroll region (1-based screen lines) ----
  int RegionTop() const { return regionTop_; }
  int RegionBottom() const { return regionBottom_; }
  bool RegionSet() const { return regionTop_ != 1 || regionBottom_ != rows_; }
  // DECSTBM semantics: limits to H, equal lines reset to (1, R), swapped
  // when reversed; homes the cursor to (screen top, 0).
  void SetScrollRegion(int top, int bottom);

  // ---- rendition state ----
  uint8_t Attribute() const { return attr_; }
  void SetAttribute(uint8_t attr) { attr_ = attr; }
  uint8_t BoldFlag() const { return bold_; }
  void SetBoldFlag(uint8_t flag) { bold_ = flag; }
  Rgb CurrentBackground() const { return background_; }
  void SetCurrentBackground(Rgb color);
  const WindowColors& Colors() const { return colors_; }
  // A new window colour; the current background follows a new background.
  void SetWindowColors(const WindowColors& colors);
  // The colours a stored cell paints in right now.
  CellColorPair ColorsOf(uint8_t attr) const {
    return CellColors(Emu(), attr, colors_, background_);
  }

  // ---- character sets (VT100, SCO ANSI) ----
  void Designate(CharsetSlot slot, bool lineDrawing);
  void SelectCharset(CharsetSlot slot) {
    activeG1_ = slot == CharsetSlot::G1;
    UpdateMapping();
  }
  bool LineDrawing(CharsetSlot slot) const { return slot == CharsetSlot::G0 ? g0Line_ : g1Line_; }
  CharsetSlot ActiveCharset() const { return activeG1_ ? CharsetSlot::G1 : CharsetSlot::G0; }
  bool HighBit() const { return highBit_; }
  void SetHighBit(bool on) {
    highBit_ = on;
    UpdateMapping();
  }

  // ---- options ----
  const TerminalOptions& Options() const { return options_; }
  // The Terminal Settings command: takes effect for all following bytes.
  void SetOptions(const TerminalOptions& options);
  Emulation Emu() const { return static_cast<Emulation>(options_.Emulation); }
  bool Wrap() const { return options_.WordWrap != 0; }
  void SetWrap(bool on) { options_.WordWrap = on ? 1 : 0; }

  // ---- printing ----
  // Prints one byte at the cursor (high-bit flag, line drawing, pending
  // wrap, extend the row). Returns the byte as stored.
  uint8_t WriteGlyph(uint8_t byte, std::span<const uint8_t> rest = {});
  // Prints a run of printable bytes. When `writeBack` is not empty (it has
  // the run's size) the stored bytes are written there. `rest` is the input
  // after the run, for the line-feed look-ahead of a wrap.
  void WriteRun(std::span<const uint8_t> run, std::span<uint8_t> writeBack,
                std::span<const uint8_t> rest);

  // ---- control characters and row motion ----
  // LF: `rest` is the input after this byte, for the look-ahead.
  void LineFeed(std::span<const uint8_t> rest = {});
  void Index();
  void ReverseIndex();
  void ScrollRegionUp();
  void ScrollRegionDown();
  void PadToCursor() {
    if (RowPtr(cursor_.row)[2 * cols_] < cursor_.col) ExtendTo(cursor_.col);
  }
  void Tab();
  void Backspace();
  void CarriageReturn(std::span<const uint8_t> rest = {});
  void FormFeed();

  // ---- cursor movement of the escape sequences (PadToCursor follows) ----
  void CursorPosition(int line, int column);
  void CursorUp(int n);
  void CursorDown(int n);
  void CursorRight(int n);
  void CursorLeft(int n);
  void NextLine();

  // ---- erasing and editing ----
  enum class EraseMode { ToEnd = 0, ToStart = 1, All = 2 };
  void EraseInDisplayVt(EraseMode mode);  // VT100, SCO ANSI
  void ClearScreenPc();                   // PC ANSI ESC [ J / ESC [ 2 J
  void EraseInLineVt(EraseMode mode);     // VT100, SCO ANSI
  void EraseToEndOfLinePc();              // PC ANSI ESC [ K
  void InsertBlank();                     // SCO ESC [ @
  void DeleteChar();                      // SCO ESC [ P
  void InsertLine();                      // SCO ESC [ L
  void DeleteLine();                      // SCO ESC [ M
  void ScrollUpOne();                     // SCO ESC [ S
  void ScrollDownOne();                   // SCO ESC [ T

  // ---- low-level operations ----
  void RedrawRows(int first, int last);
  void ClearRows(int first, int last, uint8_t attr, int used);

  // Asks the painter to repaint everything (after the window's font or
  // settings changed).
  void InvalidateAll() { painter_.InvalidateAll(); }

 private:
  uint8_t* RowPtr(int index) { return rowsPtr_[static_cast<size_t>(index)]; }
  uint8_t& UsedOf(int index) { return RowPtr(index)[2 * cols_]; }
  int ClampRow(int row) const;
  // The scroll region's first and last rows in the store. In a window shorter
  // than the configured rows the region can reach past the store's end when
  // the screen is at its lowest; both are kept inside the store.
  int RegionTopRow() const;
  int RegionBottomRow() const;
  // Used length 0 and the never-used attribute in every cell.
  void BlankRow(int index);
  int LookAhead(std::span<const uint8_t> rest) const;
  void ScrollScreen(int n);
  void ReuseOldest(int n);
  void RotateUp(int first, int last);    // first goes to last, used 0
  void RotateDown(int first, int last);  // last goes to first, used 0
  void ExtendTo(int col);
  void WrapBeforeGlyph(std::span<const uint8_t> rest);
  static std::span<const uint8_t> LookAheadAfter(std::span<const uint8_t> run, size_t from,
                                                 size_t& esc, std::span<const uint8_t> rest);
  uint8_t MapGlyph(uint8_t byte) const;
  // Whether printed bytes are changed (SCO high bit, line drawing).
  void UpdateMapping();
  void ClearFromTop(uint8_t attr, int used);

  int rows_;
  int cols_;
  int capacity_;
  int height_;
  int top_ = 0;
  std::vector<uint8_t> block_;
  std::vector<uint8_t*> rowsPtr_;
  CursorPos cursor_;
  CursorPos saved_;
  int regionTop_ = 1;
  int regionBottom_;
  uint8_t attr_ = kAttrNormal;
  uint8_t bold_ = 0;
  bool g0Line_ = false;
  bool g1Line_ = false;
  bool activeG1_ = false;
  bool highBit_ = false;
  bool mapping_ = false;
  TerminalOptions options_;
  WindowColors colors_;
  Rgb background_;
  ScreenPainter& painter_;
};

// The VT100 line-drawing set: bytes 0x5F..0x7E map to CP437 box characters.
uint8_t LineDrawingGlyph(uint8_t byte);

}  // namespace parlane
