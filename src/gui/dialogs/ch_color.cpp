#include "dialogs/ch_color.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QVBoxLayout>
#include <array>

#include "dialogs/ok_cancel.h"

namespace parlane {

namespace {

constexpr int kColumns = 4;  // a 4 x 4 grid
constexpr QSize kSwatchSize{32, 20};
// What a screen reader says for each of the sixteen radios.
constexpr std::array<const char*, 16> kColorNames = {
    "Black",     "Dark Red",   "Dark Green", "Dark Yellow", "Dark Blue", "Dark Magenta",
    "Dark Cyan", "Light Gray", "Dark Gray",  "Red",         "Green",     "Yellow",
    "Blue",      "Magenta",    "Cyan",       "White"};

QLabel* Swatch(Rgb rgb, int id, QWidget* parent) {
  QPixmap pixmap(kSwatchSize);
  pixmap.fill(QColor(rgb.r, rgb.g, rgb.b));
  auto* label = new QLabel(parent);
  label->setObjectName(QString::number(id));
  label->setPixmap(pixmap);
  label->setFrameShape(QFrame::Box);
  return label;
}

}  // namespace

ChColor::ChColor(QWidget* parent, const QString& caption, Rgb current) : QDialog(parent) {
  setWindowTitle(caption);
  auto* group = new QButtonGroup(this);
  // Several radios may be cleared at once when the colour is none of the
  // sixteen, which an exclusive group would not allow.
  group->setExclusive(false);
  auto* grid = new QGridLayout;
  for (int i = 0; i < kColorCount; ++i) {
    auto* radio = new QRadioButton(this);
    radio->setObjectName(QString::number(kFirstRadioId + i));
    radio->setAutoExclusive(false);
    radio->setAccessibleName(QString::fromLatin1(kColorNames[static_cast<size_t>(i)]));
    radios_[static_cast<size_t>(i)] = radio;
    group->addButton(radio, i);
    const int row = i / kColumns;
    const int col = (i % kColumns) * 2;
    grid->addWidget(radio, row, col);
    grid->addWidget(Swatch(kAnsiPalette[static_cast<size_t>(i)], 100 + i, this), row, col + 1);
  }
  // Picking one clears the others, as radio buttons do.
  connect(group, &QButtonGroup::idClicked, this, [this](int id) {
    for (int i = 0; i < kColorCount; ++i) radios_[static_cast<size_t>(i)]->setChecked(i == id);
  });
  if (const std::optional<int> index = ColorIndexFor(current)) {
    radios_[static_cast<size_t>(*index)]->setChecked(true);
  }
  QDialogButtonBox* buttons = OkCancelButtons(this);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);
}

Rgb ChColor::GetColor() const {
  std::array<bool, kColorCount> checked{};
  for (int i = 0; i < kColorCount; ++i) {
    checked[static_cast<size_t>(i)] = radios_[static_cast<size_t>(i)]->isChecked();
  }
  return ColorFromChecks(checked);
}

}  // namespace parlane
