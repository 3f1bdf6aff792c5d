// The lines that explain the key-text notation in the key dialogs.
#pragma once

#include <QStringList>

namespace parlane {

inline QStringList KeyNotationLines() {
  return {QStringLiteral("^ = Control Key Sequence"), QStringLiteral("^~ = ^"),
          QStringLiteral("^[ = Escape Character"), QStringLiteral("\\xx = Character in Hex Format"),
          QStringLiteral("\\\\ = \\")};
}

}  // namespace parlane
