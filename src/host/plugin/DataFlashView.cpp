#include "host/plugin/DataFlashView.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "device/ModuleState.h"

namespace gaugecal::host {

namespace {

constexpr int16_t kGaugeAddress = 0x17;
enum Column { kName, kValue, kUnit, kRange, kResult, kColumns };

QTableWidgetItem* Cell(const std::string& text, bool editable = false) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsSelectable
                          : Qt::ItemIsEnabled);
  return item;
}

QPushButton* Button(QWidget* parent, QHBoxLayout* row, const char* text, const char* name) {
  auto* b = new QPushButton(QString::fromUtf8(text), parent);
  b->setObjectName(QString::fromLatin1(name));
  row->addWidget(b);
  return b;
}

}  // namespace

DataFlashView::DataFlashView(HostLink& link, std::function<bool()> busy)
    : link_(link), busy_(std::move(busy)) {
  setObjectName(QStringLiteral("dataFlash"));
  auto* layout = new QVBoxLayout(this);
  auto* buttons = new QHBoxLayout;
  QPushButton* read = Button(this, buttons, "Read", "btnReadDataFlash");
  QPushButton* write = Button(this, buttons, "Write changes", "btnWriteDataFlash");
  QPushButton* exp = Button(this, buttons, "Export…", "btnExportDataFlash");
  QPushButton* imp = Button(this, buttons, "Import…", "btnImportDataFlash");
  buttons->addStretch(1);
  layout->addLayout(buttons);
  auto* split = new QSplitter(this);
  tree_ = new QTreeWidget(split);
  tree_->setObjectName(QStringLiteral("dfTree"));
  tree_->setHeaderLabel(QStringLiteral("Class / subclass"));
  table_ = new QTableWidget(0, kColumns, split);
  table_->setObjectName(QStringLiteral("dfTable"));
  table_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value"),
                                     QStringLiteral("Unit"), QStringLiteral("Range"),
                                     QStringLiteral("Result")});
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  split->setStretchFactor(1, 3);
  layout->addWidget(split, 1);

  connect(read, &QPushButton::clicked, this, &DataFlashView::Read);
  connect(write, &QPushButton::clicked, this, &DataFlashView::WriteChanges);
  connect(exp, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export"),
                                                      QStringLiteral("dataflash.json"),
                                                      QStringLiteral("JSON files (*.json)"));
    if (!path.isEmpty())
      ExportTo(path);
  });
  connect(imp, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Import"), QString(),
                                                      QStringLiteral("JSON files (*.json)"));
    if (!path.isEmpty())
      ImportFrom(path);
  });
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!item || !item->parent())
      return;
    className_ = item->parent()->text(0).toStdString();
    subclassName_ = item->text(0).toStdString();
    FillTable();
  });
  connect(table_, &QTableWidget::cellChanged, this, &DataFlashView::Edited);
}

void DataFlashView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!pane_.Loaded())
    Read();
}

bool DataFlashView::Ready() {
  if (busy_())
    return false;
  ModuleState& m = Module();
  m.hostLink = &link_;
  m.SmbAddress = kGaugeAddress;
  return true;
}

void DataFlashView::Read() {
  if (!Ready())
    return;
  results_.clear();
  pane_.Load();
  FillTree();
}

void DataFlashView::WriteChanges() {
  if (!Ready())
    return;
  results_.clear();
  pane_.WriteChanges(results_);
  FillTable();
}

bool DataFlashView::ExportTo(const QString& path) {
  return Ready() && pane_.Export(path.toStdString());
}

bool DataFlashView::ImportFrom(const QString& path) {
  int changed = 0;
  const bool ok = Ready() && pane_.Import(path.toStdString(), false, changed);
  results_.clear();
  FillTable();
  return ok;
}

void DataFlashView::FillTree() {
  tree_->clear();
  QTreeWidgetItem* first = nullptr;
  for (const auto& [cls, subclasses] : pane_.Tree()) {
    auto* top = new QTreeWidgetItem(tree_, {QString::fromStdString(cls)});
    for (const std::string& sub : subclasses) {
      auto* child = new QTreeWidgetItem(top, {QString::fromStdString(sub)});
      if (!first)
        first = child;
    }
  }
  tree_->expandAll();
  if (first)
    tree_->setCurrentItem(first);
  else
    FillTable();
}

void DataFlashView::FillTable() {
  filling_ = true;
  table_->setRowCount(0);
  for (const panel::DataFlashRow& r : pane_.Rows(className_, subclassName_)) {
    const int row = table_->rowCount();
    table_->insertRow(row);
    QTableWidgetItem* name = Cell(r.name);
    name->setData(Qt::UserRole, QString::fromStdString(r.path));
    table_->setItem(row, kName, name);
    QTableWidgetItem* value = Cell(r.value, true);
    QFont font = value->font();
    font.setBold(r.edited);
    value->setFont(font);
    table_->setItem(row, kValue, value);
    table_->setItem(row, kUnit, Cell(r.unit));
    table_->setItem(row, kRange, Cell(r.range));
    const auto result = results_.find(r.path);
    table_->setItem(row, kResult, Cell(result == results_.end() ? "" : result->second));
  }
  table_->resizeColumnsToContents();
  filling_ = false;
}

void DataFlashView::Edited(int row, int column) {
  if (filling_ || column != kValue)
    return;
  QTableWidgetItem* item = table_->item(row, kValue);
  const std::string path = table_->item(row, kName)->data(Qt::UserRole).toString().toStdString();
  const std::string problem = pane_.Edit(path, item->text().toStdString());
  if (!problem.empty())
    ShowMessage(problem);
  // The edit marked, or the value it replaced back; the item is changed in place, since this
  // runs inside its own change notification.
  for (const panel::DataFlashRow& r : pane_.Rows(className_, subclassName_)) {
    if (r.path != path)
      continue;
    filling_ = true;
    item->setText(QString::fromStdString(r.value));
    QFont font = item->font();
    font.setBold(r.edited);
    item->setFont(font);
    filling_ = false;
  }
}

}  // namespace gaugecal::host
