#include "host/plugin/AuthView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "host/plugin/SecurityWidgets.h"

namespace gaugecal::host {

namespace {

using Authk18 = security::Authk18;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// The caption above a tab's controls, in bold.
QLabel* TabCaption(const char* text, const char* name) {
  auto* caption = new QLabel(QString::fromLatin1(text));
  caption->setObjectName(QString::fromLatin1(name));
  QFont font = caption->font();
  font.setBold(true);
  caption->setFont(font);
  return caption;
}

}  // namespace

AuthView::AuthView(HostLink& link) : link_(link) {
  setObjectName(QStringLiteral("Authk18"));
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("ssTabAuth"));
  Bind(Id::ssTabAuth, tabs);
  tabs->addTab(BuildModePage(), QString::fromLatin1(Authk18::kModeTab));
  tabs->addTab(BuildAuthPage(), QString::fromLatin1(Authk18::kAuthTab));
  connect(tabs, &QTabWidget::currentChanged, this, [this](int tab) { model_.ssTabAuthClick(tab); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(new QLabel(QString::fromLatin1(Authk18::kDataOrderNote)));
  layout->addStretch();

  for (size_t i = 0; i < widgets_.size(); ++i)
    if (widgets_[i])
      ApplyControlState(model_.Panel()[static_cast<Id>(i)], widgets_[i]);
  model_.Panel().OnChanged([this](Id id) {
    if (QWidget* w = widgets_[static_cast<size_t>(id)])
      ApplyControlState(model_.Panel()[id], w);
    if (id == Id::lblSealStatus && statusSink_)
      statusSink_("Security mode: " + model_.Panel()[id].text);
  });
}

void AuthView::Startup() {
  model_.Show(link_);
  // The label may read as before the start-up; the host's status bar shows it either way.
  if (statusSink_)
    statusSink_("Security mode: " + model_.Panel()[Id::lblSealStatus].text);
}

QLineEdit* AuthView::KeyBox(QFormLayout* form, Id id, const char* name) {
  QLineEdit* box = AddTextRow(form, model_.Panel()[id], QString::fromLatin1(name));
  connect(box, &QLineEdit::textEdited, this,
          [this, id](const QString& text) { model_.SetKeyText(id, text.toStdString()); });
  box->installEventFilter(this);
  Bind(id, box);
  return box;
}

// Leaving a key box checks the key; a bad key keeps the focus there. A button clicked to leave
// the box gets no click then: the refusal is the one message the click gives.
bool AuthView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress && watched == cancelledPress_) {
    cancelledPress_ = nullptr;
    return true;
  }
  if (event->type() != QEvent::FocusOut || validating_)
    return QWidget::eventFilter(watched, event);
  const auto reason = static_cast<QFocusEvent*>(event)->reason();
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
    return QWidget::eventFilter(watched, event);  // another window took the focus
  for (const Id id : {Id::txtAuthKey, Id::txtUnsealKey}) {
    QWidget* box = widgets_[static_cast<size_t>(id)];
    if (box != watched)
      continue;
    validating_ = true;
    const bool ok = model_.ValidateKey(id);
    validating_ = false;
    if (!ok && reason == Qt::MouseFocusReason &&
        qobject_cast<QAbstractButton*>(QApplication::focusWidget())) {
      cancelledPress_ = QApplication::focusWidget();  // the press that moved the focus follows
      cancelledPress_->installEventFilter(this);
    }
    // Back into the box, with the wrong character selected again (leaving it deselected).
    if (!ok)
      QTimer::singleShot(0, box, [this, box, id] {
        box->setFocus(Qt::OtherFocusReason);
        ApplyControlState(model_.Panel()[id], box);
      });
  }
  return QWidget::eventFilter(watched, event);
}

QWidget* AuthView::BuildModePage() {
  auto* page = new QWidget;
  auto* select = new QGroupBox(Q(model_.Panel()[Id::txtUnsealChange].caption));
  select->setObjectName(QStringLiteral("txtUnsealChange"));
  Bind(Id::txtUnsealChange, select);
  auto* options = new QVBoxLayout(select);
  for (int i = 0; i < 3; ++i) {
    const Id id = static_cast<Id>(static_cast<int>(Id::optionAction0) + i);
    auto* option = new QRadioButton(Q(model_.Panel()[id].caption));
    option->setObjectName(QStringLiteral("optionAction(%1)").arg(i));
    option->setAutoExclusive(false);  // the model selects
    connect(option, &QRadioButton::clicked, this, [this, i] { model_.optionActionClick(i); });
    options->addWidget(option);
    Bind(id, option);
  }
  auto* go = new QPushButton(Q(model_.Panel()[Id::btnGo].caption));
  go->setObjectName(QStringLiteral("btnGo"));
  connect(go, &QPushButton::clicked, this, [this] {
    model_.btnGoClick();
    if (model_.OpenedByLastGo() && opened_)
      opened_();
  });
  options->addWidget(go);
  Bind(Id::btnGo, go);

  auto* form = new QFormLayout;
  auto* mode = new QLabel;
  mode->setObjectName(QStringLiteral("lblSealStatus"));
  form->addRow(Q(model_.Panel()[Id::lblSealStatus].label), mode);
  Bind(Id::lblSealStatus, mode);
  KeyBox(form, Id::txtUnsealKey, "txtUnsealKey");
  for (const auto& [id, name] :
       {std::pair{Id::txtSealRandomfromDevice, "txtSealRandomfromDevice"},
        std::pair{Id::txtSealRandomNumberandKey, "txtSealRandomNumberandKey"},
        std::pair{Id::txtDigest, "txtDigest"}}) {
    QLineEdit* box = AddTextRow(form, model_.Panel()[id], QString::fromLatin1(name));
    box->setReadOnly(true);  // the panel fills it
    Bind(id, box);
  }
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(TabCaption(Authk18::kModeTitle, "lblModeCaption"));
  layout->addWidget(select);
  layout->addLayout(form);
  layout->addStretch();
  return page;
}

QWidget* AuthView::BuildAuthPage() {
  auto* page = new QWidget;
  auto* auth = new QGroupBox(Q(model_.Panel()[Id::frmAuth].caption));
  auth->setObjectName(QStringLiteral("frmAuth"));
  Bind(Id::frmAuth, auth);
  auto* authForm = new QFormLayout(auth);
  KeyBox(authForm, Id::txtAuthKey, "txtAuthKey");
  auto* authenticate = new QPushButton(Q(model_.Panel()[Id::btnAuthenticate].caption));
  authenticate->setObjectName(QStringLiteral("btnAuthenticate"));
  connect(authenticate, &QPushButton::clicked, this, [this] { model_.btnAuthenticateClick(); });
  authForm->addRow(QString(), authenticate);
  Bind(Id::btnAuthenticate, authenticate);
  auto* sha = new QGroupBox(Q(model_.Panel()[Id::frmSha1Calc].caption));
  sha->setObjectName(QStringLiteral("frmSha1Calc"));
  Bind(Id::frmSha1Calc, sha);
  auto* shaForm = new QFormLayout(sha);
  for (const auto& [id, name, form] :
       {std::tuple{Id::txtAuthRandomNumber, "txtAuthRandomNumber", authForm},
        std::tuple{Id::txtRndNumberandKey, "txtRndNumberandKey", authForm},
        std::tuple{Id::txtSHA1Result, "txtSHA1Result", shaForm},
        std::tuple{Id::txtPartDigest, "txtPartDigest", shaForm}}) {
    QLineEdit* box = AddTextRow(form, model_.Panel()[id], QString::fromLatin1(name));
    box->setReadOnly(true);
    Bind(id, box);
  }
  auto* status = new QLabel;
  status->setObjectName(QStringLiteral("lblAuthenticationStatus"));
  Bind(Id::lblAuthenticationStatus, status);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(TabCaption(Authk18::kAuthTitle, "lblAuthCaption"));
  layout->addWidget(auth);
  layout->addWidget(sha);
  layout->addWidget(status);
  layout->addStretch();
  return page;
}

}  // namespace gaugecal::host
