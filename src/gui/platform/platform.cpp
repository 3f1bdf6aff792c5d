#include "platform/platform.h"

#include <QClipboard>
#include <cstdlib>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

namespace parlane {

QStringList QtFilters(const QString& pipeFilter) {
  // Pairs of "description|pattern"; the trailing "|" leaves an empty part.
  const QStringList parts = pipeFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    QString patterns = parts[i + 1];
    if (description.isEmpty() && patterns.isEmpty()) continue;
    // "*.*" matches every name on Windows, including names without a dot.
    patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    description.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
    filters << QStringLiteral("%1 (%2)").arg(description.section(QStringLiteral(" ("), 0, 0),
                                             patterns);
  }
  return filters;
}

void Platform::SetPrimarySelection(const QString& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard->supportsSelection()) {
    clipboard->setText(text, QClipboard::Selection);
  } else {
    ownSelection_ = text;
  }
}

QString Platform::PrimarySelection() const {
  QClipboard* clipboard = QGuiApplication::clipboard();
  return clipboard->supportsSelection() ? clipboard->text(QClipboard::Selection) : ownSelection_;
}

QString MatchingStyleName(const QFont& font) {
  const QString family = QFontInfo(font).family();
  const int weight = font.weight();
  QString best;
  int bestDistance = 0;
  for (const QString& style : QFontDatabase::styles(family)) {
    // An "Oblique" style is not italic to the database, but it is slanted:
    // compare the slant itself.
    const QFont styled =
        QFontDatabase::font(family, style, font.pointSize() > 0 ? font.pointSize() : 10);
    if (styled.style() != font.style()) continue;
    const int distance = std::abs(styled.weight() - weight);
    if (best.isEmpty() || distance < bestDistance) {
      best = style;
      bestDistance = distance;
    }
  }
  return best;
}

std::optional<QString> Platform::OpenFile(QWidget* parent, const FileDialogRequest& request) {
  const QStringList files = OpenFiles(parent, request);
  if (files.isEmpty()) return std::nullopt;
  return files.front();
}

}  // namespace parlane
