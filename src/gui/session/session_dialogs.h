// The session window's settings dialogs, run through the platform layer so
// that tests can answer them: the colour chooser and Terminal Settings.
#pragma once

#include <QColor>
#include <QString>
#include <optional>

#include "config/terminal_options.h"

class QWidget;

namespace parlane {

class Platform;

// The colour dialog with `caption` ("Background Color" or "Text Color")
// opened on `current`; empty when cancelled.
std::optional<QColor> RunColorDialog(Platform& platform, QWidget* parent, const QString& caption,
                                     const QColor& current);

// The Terminal Settings dialog on `options`; empty when cancelled.
std::optional<TerminalOptions> RunTerminalSettingsDialog(Platform& platform, QWidget* parent,
                                                         const TerminalOptions& options);

}  // namespace parlane
