#include "platform/platform.h"

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

std::optional<QString> Platform::OpenFile(QWidget* parent, const FileDialogRequest& request) {
  const QStringList files = OpenFiles(parent, request);
  if (files.isEmpty()) return std::nullopt;
  return files.front();
}

}  // namespace parlane
