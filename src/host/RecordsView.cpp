#include "host/RecordsView.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace gaugecal::host {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

RecordsView::RecordsView(records::RecordStore& store, Status status, QWidget* parent)
    : QWidget(parent), list_(store), status_(std::move(status)) {
  setObjectName(QStringLiteral("records"));
  serial_ = new QLineEdit(this);
  serial_->setObjectName(QStringLiteral("recordsSerial"));
  serial_->setPlaceholderText(QStringLiteral("any"));
  outcome_ = new QComboBox(this);
  outcome_->setObjectName(QStringLiteral("recordsOutcome"));
  for (const std::string& outcome : session::RecordList::Outcomes())
    outcome_->addItem(outcome.empty() ? QStringLiteral("any") : Q(outcome), Q(outcome));
  since_ = new QLineEdit(this);
  since_->setObjectName(QStringLiteral("recordsSince"));
  since_->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
  auto* show = new QPushButton(QStringLiteral("Show"), this);
  show->setObjectName(QStringLiteral("recordsShow"));
  certificate_ = new QPushButton(QStringLiteral("Certificate…"), this);
  certificate_->setObjectName(QStringLiteral("btnCertificate"));
  certificate_->setToolTip(
      QStringLiteral("Write the calibration certificate of the selected record and open it in "
                     "the browser"));
  certificate_->setEnabled(false);

  auto* filter = new QHBoxLayout;
  filter->addWidget(new QLabel(QStringLiteral("Serial:"), this));
  filter->addWidget(serial_);
  filter->addWidget(new QLabel(QStringLiteral("Outcome:"), this));
  filter->addWidget(outcome_);
  filter->addWidget(new QLabel(QStringLiteral("Started since (UTC):"), this));
  filter->addWidget(since_);
  filter->addWidget(show);
  filter->addStretch(1);
  filter->addWidget(certificate_);

  const std::vector<std::string>& columns = session::RecordList::Columns();
  table_ = new QTableWidget(0, static_cast<int>(columns.size()), this);
  table_->setObjectName(QStringLiteral("recordsTable"));
  QStringList headers;
  for (const std::string& column : columns)
    headers << Q(column);
  table_->setHorizontalHeaderLabels(headers);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filter);
  layout->addWidget(table_, 1);

  connect(show, &QPushButton::clicked, this, &RecordsView::Refresh);
  connect(serial_, &QLineEdit::returnPressed, this, &RecordsView::Refresh);
  connect(since_, &QLineEdit::returnPressed, this, &RecordsView::Refresh);
  connect(outcome_, &QComboBox::activated, this, &RecordsView::Refresh);
  connect(certificate_, &QPushButton::clicked, this, &RecordsView::OpenCertificate);
  connect(table_, &QTableWidget::itemSelectionChanged, this,
          [this] { certificate_->setEnabled(!table_->selectedItems().isEmpty()); });
  connect(table_, &QTableWidget::cellDoubleClicked, this, &RecordsView::OpenCertificate);
}

void RecordsView::Refresh() {
  std::string error;
  if (!list_.Query(serial_->text().toStdString(), outcome_->currentData().toString().toStdString(),
                   since_->text().toStdString(), error)) {
    status_(QStringLiteral("warning: ") + Q(error));
    return;
  }
  const std::vector<records::Record>& found = list_.Found();
  table_->clearContents();
  table_->setRowCount(static_cast<int>(found.size()));
  for (size_t row = 0; row < found.size(); ++row) {
    const std::vector<std::string> texts = session::RecordList::Row(found[row]);
    for (size_t col = 0; col < texts.size(); ++col)
      table_->setItem(static_cast<int>(row), static_cast<int>(col),
                      new QTableWidgetItem(Q(texts[col])));
  }
  table_->resizeColumnsToContents();
  certificate_->setEnabled(!table_->selectedItems().isEmpty());
  status_(QStringLiteral("%1 records").arg(found.size()));
}

void RecordsView::OpenCertificate() {
  const int row = table_->currentRow();
  const std::string folder = session::CertificateFolder();
  std::string path, error;
  if (row < 0 || folder.empty() ||
      !list_.WriteCertificate(static_cast<size_t>(row), folder, path, error)) {
    status_(QStringLiteral("warning: ") +
            Q(folder.empty() ? "no folder for certificates: neither XDG_DATA_HOME nor HOME is an "
                               "absolute path"
                             : (row < 0 ? "no record is selected" : error)));
    return;
  }
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)))) {
    status_(QStringLiteral("warning: cannot open %1 in a browser").arg(Q(path)));
    return;
  }
  status_(QStringLiteral("Certificate written to %1").arg(Q(path)));
}

}  // namespace gaugecal::host
