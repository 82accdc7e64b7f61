#pragma once
// The Qt view of the security panel "Auth": tab 0 shows the gauge's security mode and seals,
// unseals or opens full access, tab 1 authenticates the gauge. Built with layouts from the
// model's design texts; every state comes from the model, every input goes to it.

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "host/PanelPlugin.h"
#include "security/Authk18.h"

class QFormLayout;
class QLineEdit;

namespace gaugecal::host {

class AuthView : public QWidget, public HostPanel {
 public:
  explicit AuthView(HostLink& link);

  std::string Caption() const override { return model_.Caption(); }
  QWidget* Widget() override { return this; }
  void Startup() override;
  void SetStatusSink(StatusSink sink) override { statusSink_ = std::move(sink); }
  // Called after a Go click that unsealed the gauge or opened full access.
  void OnOpened(std::function<void()> opened) { opened_ = std::move(opened); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using Id = security::Authk18::Id;
  QWidget* BuildModePage();
  QWidget* BuildAuthPage();
  QLineEdit* KeyBox(QFormLayout* form, Id id, const char* name);
  void Bind(Id id, QWidget* widget) { widgets_[static_cast<size_t>(id)] = widget; }

  HostLink& link_;
  security::Authk18 model_;
  std::array<QWidget*, static_cast<size_t>(Id::Count)> widgets_{};
  bool validating_ = false;  // a key box is being checked (its message may take the focus)
  QPointer<QWidget> cancelledPress_;
  StatusSink statusSink_;
  std::function<void()> opened_;  // the button whose press a refused key box cancels
};

}  // namespace gaugecal::host
