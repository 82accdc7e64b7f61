#include "host/plugin/RegistersView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "device/ModuleState.h"

namespace gaugecal::host {

namespace {

constexpr int kFollowMs = 250;
constexpr int16_t kGaugeAddress = 0x17;

QTableWidgetItem* Cell(const std::string& text) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setFlags(Qt::ItemIsEnabled);
  return item;
}

}  // namespace

RegistersView::RegistersView(HostLink& link, const panel::ScanSamples& scan,
                             std::function<bool()> busy)
    : link_(link), scan_(scan), busy_(std::move(busy)) {
  setObjectName(QStringLiteral("registers"));
  auto* layout = new QVBoxLayout(this);
  auto* buttons = new QHBoxLayout;
  auto* read = new QPushButton(QStringLiteral("Read"), this);
  read->setObjectName(QStringLiteral("btnReadRegisters"));
  buttons->addWidget(read);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  table_ = new QTableWidget(0, 4, this);
  table_->setObjectName(QStringLiteral("registerTable"));
  table_->setHorizontalHeaderLabels({QStringLiteral("Command"), QStringLiteral("Name"),
                                     QStringLiteral("Raw"), QStringLiteral("Value")});
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(table_, 1);
  connect(read, &QPushButton::clicked, this, &RegistersView::Read);
  auto* follow = new QTimer(this);
  connect(follow, &QTimer::timeout, this, [this] {
    // Busy first: the scan's samples are the calibration panel's, gone with it.
    if (!busy_() && pane_.FollowScan(scan_.Added(), isVisible(), false))
      Redraw();
  });
  follow->start(kFollowMs);
}

void RegistersView::Read() {
  if (busy_())
    return;
  ModuleState& m = Module();
  m.hostLink = &link_;
  m.SmbAddress = kGaugeAddress;
  pane_.Read(scan_.Added());
  Redraw();
}

void RegistersView::Redraw() {
  table_->setRowCount(0);
  for (const panel::RegisterRow& r : pane_.Rows()) {
    const int row = table_->rowCount();
    table_->insertRow(row);
    table_->setItem(row, 0, Cell(r.command));
    table_->setItem(row, 1, Cell(r.name));
    table_->setItem(row, 2, Cell(r.raw));
    table_->setItem(row, 3, Cell(r.value));
    for (const auto& [name, set] : r.bits) {
      const int bit = table_->rowCount();
      table_->insertRow(bit);
      QTableWidgetItem* mark = Cell("  " + name);
      mark->setCheckState(set ? Qt::Checked : Qt::Unchecked);
      table_->setItem(bit, 1, mark);
    }
  }
  table_->resizeColumnsToContents();
}

}  // namespace gaugecal::host
