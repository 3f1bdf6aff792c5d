// The help window: the HTML help pages in a browser with Contents, Back and
// Forward. The pages are looked for in $PARLANE_HELP_DIR, then in
// share/parlane/help beside the program's bin directory, then in the source
// tree the program was built from.
#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace parlane {

inline constexpr const char* kHelpIndexPage = "index.html";
inline constexpr const char* kUsingHelpPage = "using-help.html";

// The directory holding index.html, or empty when there is none.
QString HelpDirectory();

class HelpWindow final : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(const QString& directory, QWidget* parent = nullptr);
  // Shows `page` (a file of the help directory) and raises the window.
  void Open(const QString& page);
  QTextBrowser* Browser() const { return browser_; }

 private:
  QString directory_;
  QTextBrowser* browser_ = nullptr;
};

}  // namespace parlane
