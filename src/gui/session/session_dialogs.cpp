#include "session/session_dialogs.h"

#include <QDialog>

#include "dialogs/ch_color.h"
#include "dialogs/terminal_settings.h"
#include "platform/platform.h"

namespace parlane {

std::optional<QColor> RunColorDialog(Platform& platform, QWidget* parent, const QString& caption,
                                     const QColor& current) {
  const Rgb rgb{static_cast<uint8_t>(current.red()), static_cast<uint8_t>(current.green()),
                static_cast<uint8_t>(current.blue())};
  ChColor dialog(parent, caption, rgb);
  if (platform.RunDialog(dialog) != QDialog::Accepted) return std::nullopt;
  const Rgb chosen = dialog.GetColor();
  return QColor(chosen.r, chosen.g, chosen.b);
}

std::optional<TerminalOptions> RunTerminalSettingsDialog(Platform& platform, QWidget* parent,
                                                         const TerminalOptions& options) {
  TerminalSettings dialog(parent, options);
  if (platform.RunDialog(dialog) != QDialog::Accepted) return std::nullopt;
  return dialog.GetValues();
}

}  // namespace parlane
