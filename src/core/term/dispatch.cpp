// The final-byte tables of VT100, PC ANSI and SCO ANSI. A sequence that is
// not listed for an emulation, or whose condition fails, has no effect.
//
//   final  condition            VT100          PC ANSI        SCO ANSI
//   A B C D CSI                 CUU CUD CUF CUB (all three)
//   D      ESC D                IND            IND            IND
//   E      ESC E                NEL            -              NEL
//   H f    CSI                  CUP            CUP            CUP
//   M      ESC M                RI             -              RI
//   M      CSI, 1 slot          -              -              DL (one line)
//   J      CSI                  ED (VT)        clear (PC)     ED (VT)
//   K      CSI                  EL (VT)        EL (PC)        EL (VT)
//   m      CSI                  SGR (VT100)    SGR (ANSI)     SGR (SCO)
//   r      CSI                  DECSTBM        -              DECSTBM
//   c      ESC [ c, ESC [ 0 c   DA             -              DA
//   Z      ESC Z                DA             -              DA
//   n      CSI, 2 slots         DSR            DSR            DSR
//   i      CSI, 2 slots, P1=5   start printing (all three)
//   h l    CSI, 3 slots, = or ? and P2=7  -  wrap on/off      -
//   s u    any                  -              save/restore   -
//   @ P L S T  CSI, 1 slot      -              -              ICH DCH IL SU SD
#include <cstdio>

#include "term/interpreter.h"

namespace parlane {

namespace {

constexpr std::string_view kDeviceAttributes = "\x1b[?1;0c";
constexpr std::string_view kStatusOk = "\x1b[0n";

// SGR parameters of the ANSI emulations.
constexpr int kSgrReset = 0;
constexpr int kSgrBold = 1;
constexpr int kSgrReverse = 7;
constexpr int kSgrNormal = 27;  // VT100 only: back to normal
constexpr int kSgrFgFirst = 30, kSgrFgLast = 37;
constexpr int kSgrBgFirst = 40, kSgrBgLast = 47;
// SCO ANSI: CSI 12 m adds 0x80 to every printed byte, CSI 10 m stops it.
constexpr int kScoHighBitOn = 12;
constexpr int kScoHighBitOff = 10;
constexpr uint8_t kBoldFlag = 0x80;
// DSR: 6 asks for the cursor position, 5 for the terminal's status.
constexpr int kDsrCursor = 6;
constexpr int kDsrStatus = 5;
constexpr int kPrintStart = 5;  // CSI 5 i
constexpr int kWrapMode = 7;    // CSI = 7 h / l

std::span<const uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

TerminalScreen::EraseMode ToEraseMode(int p) { return static_cast<TerminalScreen::EraseMode>(p); }

}  // namespace

int Interpreter::CountParam() const { return seq_.SlotCount() == 1 ? 1 : seq_.Param(1); }

void Interpreter::Dispatch() {
  switch (dispatch_) {
    case DispatchTable::Vt100: DispatchVt100(seq_.FinalByte()); break;
    case DispatchTable::PcAnsi: DispatchPcAnsi(seq_.FinalByte()); break;
    case DispatchTable::ScoAnsi: DispatchSco(seq_.FinalByte()); break;
    case DispatchTable::None: break;  // the emulation was changed in the middle of a sequence
  }
}

// Cursor movement, index, position report and attached printing: the same
// in all three emulations. Returns whether the final byte was one of them.
bool Interpreter::DispatchCursor(uint8_t final) {
  const bool csi = seq_.IsCsi();
  const int slots = seq_.SlotCount();
  switch (final) {
    case 'A':  // CUU: up, not above the region's top line
      if (csi) screen_.CursorUp(CountParam());
      return true;
    case 'B':  // CUD: down, not below the region's bottom line
      if (csi) screen_.CursorDown(CountParam());
      return true;
    case 'C':  // CUF
      if (csi) screen_.CursorRight(CountParam());
      return true;
    case 'D':  // CUB, or IND for ESC D
      if (csi) {
        screen_.CursorLeft(CountParam());
      } else if (slots == 0) {
        screen_.Index();
        screen_.PadToCursor();
      }
      return true;
    case 'H':  // CUP, relative to the screen, never to the region
    case 'f':
      if (csi) CursorPositionSeq();
      return true;
    case 'n':  // DSR
      if (csi && slots == 2) StatusReport();
      return true;
    case 'i':  // MC: only the start of attached printing
      if (csi && slots == 2 && seq_.Param(1) == kPrintStart) StartPrinting();
      return true;
    default: return false;
  }
}

// The sequences VT100 and SCO ANSI share.
bool Interpreter::DispatchCommon(uint8_t final) {
  const bool csi = seq_.IsCsi();
  const int slots = seq_.SlotCount();
  switch (final) {
    case 'E':  // NEL
      if (!csi && slots == 0) screen_.NextLine();
      return true;
    case 'M':  // RI for ESC M
      if (!csi && slots == 0) {
        screen_.ReverseIndex();
        screen_.PadToCursor();
        return true;
      }
      return false;
    case 'J':  // ED, VT form: cleared cells get 0xF0 whatever the attribute
      if (csi && seq_.Param(1) <= 2) screen_.EraseInDisplayVt(ToEraseMode(seq_.Param(1)));
      return true;
    case 'K':
      if (csi) EraseInLineVtSeq();
      return true;
    case 'r':  // DECSTBM
      if (csi) screen_.SetScrollRegion(seq_.Param(1), seq_.Param(2));
      return true;
    case 'c':  // DA: ESC [ c and ESC [ 0 c only
      if (csi && (slots == 1 || (slots == 2 && IsDigit(seq_.SlotChar(1)) && seq_.Param(1) == 0))) {
        DeviceAttributes();
      }
      return true;
    case 'Z':  // DECID
      if (!csi && slots == 0) DeviceAttributes();
      return true;
    default: return false;
  }
}

void Interpreter::CursorPositionSeq() { screen_.CursorPosition(seq_.Param(1), seq_.Param(2)); }

// EL, VT form.
void Interpreter::EraseInLineVtSeq() {
  if (seq_.Param(1) <= 2) screen_.EraseInLineVt(ToEraseMode(seq_.Param(1)));
}

// CUP, EL and SGR make up most of what full-screen programs send. They are
// tested with plain branches before the tables' switches, whose indirect
// jumps mispredict when CUP and EL alternate. Only finals that no earlier
// table entry claims are tested here, so the outcome is the same.
bool Interpreter::DispatchFrequentVt(uint8_t final) {
  if (final == 'H' || final == 'f') {
    if (seq_.IsCsi()) CursorPositionSeq();
    return true;
  }
  if (final == 'K') {
    if (seq_.IsCsi()) EraseInLineVtSeq();
    return true;
  }
  return false;
}

void Interpreter::DispatchVt100(uint8_t final) {
  if (DispatchFrequentVt(final)) return;
  if (final == 'm') {
    if (seq_.IsCsi()) VtRenditions();
    return;
  }
  if (!DispatchCursor(final)) DispatchCommon(final);
}

void Interpreter::DispatchPcAnsi(uint8_t final) {
  if (final == 'm') {  // the most frequent, tested before the switches
    if (seq_.IsCsi()) AnsiRenditions();
    return;
  }
  if (DispatchCursor(final)) return;
  const bool csi = seq_.IsCsi();
  const int slots = seq_.SlotCount();
  switch (final) {
    case 'J':  // clear screen, PC form: ESC [ J and ESC [ 2 J only
      if (csi && (slots == 1 || seq_.Param(1) == 2)) screen_.ClearScreenPc();
      break;
    case 'K':  // erase to end of line, PC form: ESC [ K and ESC [ 0 K only
      if (csi && seq_.Param(1) == 0) screen_.EraseToEndOfLinePc();
      break;
    case 'h':  // ESC [ = 7 h / l: wrap at the right margin on or off
    case 'l':
      if (csi && slots == 3 && (seq_.SlotChar(1) == '=' || seq_.SlotChar(1) == '?') &&
          seq_.Param(2) == kWrapMode) {
        screen_.SetWrap(final == 'h');
      }
      break;
    case 's': screen_.SaveCursor(); break;
    case 'u': screen_.RestoreCursor(); break;
    default: break;
  }
}

void Interpreter::DispatchSco(uint8_t final) {
  if (DispatchFrequentVt(final)) return;
  if (final == 'm') {
    if (seq_.IsCsi()) ScoRenditions();
    return;
  }
  if (DispatchCursor(final) || DispatchCommon(final)) return;
  if (!seq_.IsCsi()) return;
  // Only the one-line forms exist: ESC [ 2 @ and the like are ignored.
  if (seq_.SlotCount() != 1) return;
  switch (final) {
    case '@':  // ICH
      screen_.InsertBlank();
      break;
    case 'P':  // DCH
      screen_.DeleteChar();
      break;
    case 'L':  // IL
      screen_.InsertLine();
      break;
    case 'M':  // DL
      screen_.DeleteLine();
      break;
    case 'S':  // SU
      screen_.ScrollUpOne();
      break;
    case 'T':  // SD
      screen_.ScrollDownOne();
      break;
    default: break;
  }
}

// SGR, VT100: normal, bold (yellow) or reverse; they do not combine.
void Interpreter::VtRenditions() {
  const int slots = seq_.SlotCount();
  for (int i = 1; i < slots || i == 1; ++i) {
    switch (seq_.Param(i)) {
      case kSgrReset:
      case kSgrNormal: screen_.SetAttribute(kAttrNormal); break;
      case kSgrBold:
        // Yellow text on a yellow window would vanish: bold is then ignored.
        if (screen_.CurrentBackground() != kBoldYellow) screen_.SetAttribute(kAttrBold);
        break;
      case kSgrReverse: screen_.SetAttribute(kAttrReverse); break;
      default: break;
    }
  }
}

// SGR, PC ANSI: foreground in the high nibble (bit 7 bright), background low.
void Interpreter::AnsiRenditions() {
  const int slots = seq_.SlotCount();
  uint8_t attr = screen_.Attribute();
  uint8_t bold = screen_.BoldFlag();
  for (int i = 1; i < slots || i == 1; ++i) {
    const int p = seq_.Param(i);
    if (p == kSgrReset) {
      attr = kAttrAnsiDefault;
      bold = 0;
    } else if (p == kSgrBold) {
      bold = kBoldFlag;
      attr = static_cast<uint8_t>(attr | kBoldFlag);
    } else if (p == kSgrReverse) {
      attr = static_cast<uint8_t>((attr << 4) | (attr >> 4));
    } else if (p >= kSgrFgFirst && p <= kSgrFgLast) {
      attr = static_cast<uint8_t>((attr & 0x0F) | bold | ((p - kSgrFgFirst) << 4));
    } else if (p >= kSgrBgFirst && p <= kSgrBgLast) {
      attr = static_cast<uint8_t>((attr & 0xF0) + (p - kSgrBgFirst));
    }
  }
  screen_.SetAttribute(attr);
  screen_.SetBoldFlag(bold);
}

void Interpreter::ScoRenditions() {
  if (seq_.SlotCount() == 2 && seq_.Param(1) == kScoHighBitOn) {
    screen_.SetHighBit(true);
    return;
  }
  if (seq_.SlotCount() == 2 && seq_.Param(1) == kScoHighBitOff) {
    screen_.SetHighBit(false);
    return;
  }
  AnsiRenditions();
}

void Interpreter::DeviceAttributes() { SendReply(Bytes(kDeviceAttributes)); }

void Interpreter::StatusReport() {
  const int p = seq_.Param(1);
  if (p == kDsrStatus) {
    SendReply(Bytes(kStatusOk));
    return;
  }
  if (p != kDsrCursor) return;
  const CursorPos c = screen_.Cursor();
  const int line = screen_.CursorLine();
  const int col = c.col + 1 > screen_.Columns() ? screen_.Columns() : c.col + 1;
  char text[32];
  const int n = std::snprintf(text, sizeof text, "\x1b[%d;%dR", line, col);
  SendReply({reinterpret_cast<const uint8_t*>(text), static_cast<size_t>(n)});
}

void Interpreter::StartPrinting() {
  // Refused: the job's bytes stay on the screen.
  if (!hooks_.AllowHostRequest(HostRequest::AttachedPrint)) return;
  state_ = InterpreterState::PrinterPassThrough;
  hooks_.StartAttachedPrinting();
}

}  // namespace parlane
