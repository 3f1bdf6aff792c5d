// The colour dialog of a session window: sixteen colours, each a radio
// button beside its swatch; the caller gives the caption ("Background Color"
// or "Text Color") and the current colour.
#pragma once

#include <QDialog>
#include <array>

#include "config/value_rules.h"

class QRadioButton;

namespace parlane {

class ChColor final : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kColorCount = 16;
  static constexpr int kFirstRadioId = 200;

  ChColor(QWidget* parent, const QString& caption, Rgb current);

  // The colour of the first checked radio, black when none is checked.
  Rgb GetColor() const;

  QRadioButton* Radio(int index) const { return radios_[static_cast<size_t>(index)]; }

 private:
  std::array<QRadioButton*, kColorCount> radios_{};
};

}  // namespace parlane
