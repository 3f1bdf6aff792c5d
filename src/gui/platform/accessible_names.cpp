#include "platform/accessible_names.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextEdit>

namespace parlane {

namespace {

bool IsControl(const QWidget* w) {
  return qobject_cast<const QAbstractButton*>(w) != nullptr ||
         qobject_cast<const QLineEdit*>(w) != nullptr ||
         qobject_cast<const QComboBox*>(w) != nullptr ||
         qobject_cast<const QAbstractItemView*>(w) != nullptr ||
         qobject_cast<const QAbstractSpinBox*>(w) != nullptr ||
         qobject_cast<const QAbstractSlider*>(w) != nullptr ||
         qobject_cast<const QTextEdit*>(w) != nullptr ||
         qobject_cast<const QPlainTextEdit*>(w) != nullptr;
}

QString AccessibleName(QWidget* w) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
  return iface != nullptr ? iface->text(QAccessible::Name) : QString();
}

// A label's text as a name: without its mnemonic "&" and trailing ":".
QString LabelName(const QLabel* label) {
  if (label == nullptr || label->text().isEmpty() || !label->pixmap().isNull()) return {};
  QString text = label->text();
  text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
  text = text.trimmed();
  if (text.endsWith(QLatin1Char(':'))) text.chop(1);
  return text;
}

// The layout (anywhere below `layout`) that holds `w`, with its index there.
QLayout* LayoutOf(QLayout* layout, QWidget* w, int& index) {
  if (layout == nullptr) return nullptr;
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (item->widget() == w) {
      index = i;
      return layout;
    }
    if (QLayout* inner = LayoutOf(item->layout(), w, index)) return inner;
  }
  return nullptr;
}

QString NameFromLayout(QWidget* w) {
  QWidget* parent = w->parentWidget();
  if (parent == nullptr) return {};
  int index = -1;
  QLayout* layout = LayoutOf(parent->layout(), w, index);
  if (layout == nullptr) return {};
  if (auto* form = qobject_cast<QFormLayout*>(layout)) {
    return LabelName(qobject_cast<QLabel*>(form->labelForField(w)));
  }
  if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
    int row = 0, col = 0, rowSpan = 0, colSpan = 0;
    grid->getItemPosition(index, &row, &col, &rowSpan, &colSpan);
    for (const auto& [r, c] : {std::pair{row, col - 1}, std::pair{row - 1, col}}) {
      if (r < 0 || c < 0) continue;
      QLayoutItem* item = grid->itemAtPosition(r, c);
      if (item != nullptr) {
        const QString name = LabelName(qobject_cast<QLabel*>(item->widget()));
        if (!name.isEmpty()) return name;
      }
    }
    return {};
  }
  if (index > 0) return LabelName(qobject_cast<QLabel*>(layout->itemAt(index - 1)->widget()));
  return {};
}

QString NameFromGroup(QWidget* w) {
  for (QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget()) {
    if (auto* box = qobject_cast<QGroupBox*>(p)) {
      QString title = box->title();
      title.remove(QRegularExpression(QStringLiteral("&(?!&)")));
      return title.trimmed();
    }
    if (p->isWindow()) break;
  }
  return {};
}

class DialogNamer : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      if (auto* dialog = qobject_cast<QDialog*>(watched)) NameUnnamedControls(dialog);
    }
    return false;
  }
};

}  // namespace

void NameUnnamedControls(QWidget* root) {
  const QList<QWidget*> widgets = root->findChildren<QWidget*>();
  for (QWidget* w : widgets) {
    if (!IsControl(w) || !w->accessibleName().isEmpty()) continue;
    // The edit inside a combo box or a spin box belongs to its owner.
    if (qobject_cast<QComboBox*>(w->parentWidget()) != nullptr) continue;
    if (qobject_cast<QAbstractSpinBox*>(w->parentWidget()) != nullptr) continue;
    if (!AccessibleName(w).isEmpty()) continue;
    QString name = NameFromLayout(w);
    if (name.isEmpty()) name = NameFromGroup(w);
    if (name.isEmpty()) name = w->toolTip();
    if (!name.isEmpty()) w->setAccessibleName(name);
  }
}

void NameControlsOfEveryDialog(QObject* application) {
  static DialogNamer* namer = nullptr;
  if (namer != nullptr) return;
  namer = new DialogNamer(application);
  application->installEventFilter(namer);
}

}  // namespace parlane
