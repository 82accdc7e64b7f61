#include "host/plugin/SecurityWidgets.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>

namespace gaugecal::host {

namespace {

QColor Colour(uint32_t rgb) {
  return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                static_cast<int>(rgb & 0xFF));
}

}  // namespace

void ApplyControlState(const security::ControlState& s, QWidget* w) {
  w->setEnabled(s.enabled);
  w->setVisible(s.visible);
  QPalette palette = w->palette();
  palette.setColor(QPalette::Text, Colour(s.foreColor));
  palette.setColor(QPalette::WindowText, Colour(s.foreColor));
  w->setPalette(palette);
  const QString text = QString::fromStdString(s.text);
  if (auto* box = qobject_cast<QLineEdit*>(w)) {
    if (box->text() != text)
      box->setText(text);
    if (s.selection.length > 0)
      box->setSelection(s.selection.start, s.selection.length);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isCheckable()) {
    const QSignalBlocker quiet(button);
    button->setChecked(s.value != 0);
  } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
    const QSignalBlocker quiet(tabs);
    tabs->setCurrentIndex(s.value);
  }
}

QLineEdit* AddTextRow(QFormLayout* form, const security::ControlState& design,
                      const QString& name) {
  auto* box = new QLineEdit;
  box->setObjectName(name);
  box->setToolTip(QString::fromStdString(design.toolTip));
  if (design.fixedPitch)
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 44);
  form->addRow(QString::fromStdString(design.label), box);
  return box;
}

}  // namespace gaugecal::host
