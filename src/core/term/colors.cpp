#include "term/colors.h"

namespace parlane {

CellColorPair CellColors(Emulation emulation, uint8_t attr, const WindowColors& window,
                         Rgb currentBackground) {
  switch (emulation) {
    case Emulation::Tty:
      return {window.text, currentBackground};
    case Emulation::Vt100:
      if (attr == kAttrBold) return {kBoldYellow, currentBackground};
      if (attr == kAttrReverse) return {currentBackground, window.text};
      return {window.text, currentBackground};
    case Emulation::PcAnsi:
    case Emulation::ScoAnsi:
      break;
  }
  return {kAnsiPalette[attr >> 4], kAnsiPalette[attr & 0x0F]};
}

}  // namespace parlane
