#pragma once
// The Records tab of the window: the filter (serial, outcome, started since), the calibrations
// on record newest first, and "Certificate…", which writes the selected record's certificate
// and opens it in the desktop's browser. Problems and what was written go to the status bar.

#include <QWidget>
#include <functional>

#include "session/RecordList.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace gaugecal::host {

class RecordsView : public QWidget {
 public:
  using Status = std::function<void(const QString&)>;
  RecordsView(records::RecordStore& store, Status status, QWidget* parent = nullptr);

  // Reads the records again with the filter as typed.
  void Refresh();
  // Writes the certificate of the selected row and opens it.
  void OpenCertificate();

 private:
  session::RecordList list_;
  Status status_;
  QLineEdit* serial_;
  QComboBox* outcome_;
  QLineEdit* since_;
  QTableWidget* table_;
  QPushButton* certificate_;
};

}  // namespace gaugecal::host
