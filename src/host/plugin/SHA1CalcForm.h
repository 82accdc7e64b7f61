#pragma once
// The Qt view of the "SHA1/HMAC" form: key and message in hexadecimal, the three digest
// buttons and QUIT, which closes the window. The host opens it from its Tools menu.

#include <QDialog>
#include <array>

#include "security/SHA1Calc.h"

namespace gaugecal::host {

class SHA1CalcForm : public QDialog {
 public:
  explicit SHA1CalcForm(QWidget* parent);

 private:
  using Id = security::SHA1Calc::Id;
  security::SHA1Calc model_;
  std::array<QWidget*, static_cast<size_t>(Id::Count)> widgets_{};
};

}  // namespace gaugecal::host
