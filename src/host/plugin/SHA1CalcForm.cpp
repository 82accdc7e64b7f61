#include "host/plugin/SHA1CalcForm.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>

#include "host/plugin/SecurityWidgets.h"

namespace gaugecal::host {

SHA1CalcForm::SHA1CalcForm(QWidget* parent) : QDialog(parent) {
  using security::SHA1Calc;
  setObjectName(QStringLiteral("SHA1Calc"));
  setWindowTitle(QString::fromLatin1(SHA1Calc::kCaption));
  auto* form = new QFormLayout;
  const auto& controls = model_.Form();
  for (const auto& [id, name] : {std::pair{Id::txtKey, "txtKey"}, std::pair{Id::txtMsg, "txtMsg"},
                                 std::pair{Id::txtDigest, "txtDigest"}}) {
    QLineEdit* box = AddTextRow(form, controls[id], QString::fromLatin1(name));
    if (id == Id::txtDigest) {
      box->setReadOnly(true);
    } else {
      connect(box, &QLineEdit::textEdited, this,
              [this, id = id](const QString& text) { model_.SetText(id, text.toStdString()); });
      form->addRow(QString(), new QLabel(QString::fromLatin1(SHA1Calc::kHexValuesNote)));
    }
    widgets_[static_cast<size_t>(id)] = box;
  }
  auto* buttons = new QHBoxLayout;
  const std::pair<Id, std::function<void()>> actions[] = {
      {Id::cmdSHA1Msg, [this] { model_.cmdSHA1MsgClick(); }},
      {Id::cmdSHA1KeyMsg, [this] { model_.cmdSHA1KeyMsgClick(); }},
      {Id::cmdZRHMAC, [this] { model_.cmdZRHMACClick(); }},
      {Id::cmdQuit, [this] { close(); }},
  };
  const char* names[] = {"cmdSHA1Msg", "cmdSHA1KeyMsg", "cmdZRHMAC", "cmdQuit"};
  for (size_t i = 0; i < std::size(actions); ++i) {
    const auto& [id, click] = actions[i];
    auto* button = new QPushButton(QString::fromStdString(controls[id].caption));
    button->setObjectName(QString::fromLatin1(names[i]));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, click);
    buttons->addWidget(button);
    widgets_[static_cast<size_t>(id)] = button;
  }
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);

  for (size_t i = 0; i < widgets_.size(); ++i)
    ApplyControlState(controls[static_cast<Id>(i)], widgets_[i]);
  model_.Form().OnChanged(
      [this](Id id) { ApplyControlState(model_.Form()[id], widgets_[static_cast<size_t>(id)]); });
}

}  // namespace gaugecal::host
