// The About box: the program's pictures, its name and version, and OK.
#pragma once

#include <QDialog>

namespace parlane {

class AboutDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent);

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace parlane
