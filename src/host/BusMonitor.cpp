#include "host/BusMonitor.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <fstream>
#include <set>

#include "host/TraceRow.h"

namespace gaugecal::host {

namespace {

constexpr int kShownRows = 20000;  // the pane keeps the newest; Save writes every one
constexpr int kLineRole = Qt::UserRole;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

BusMonitor::BusMonitor(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("busMonitor"));
  kinds_ = new QComboBox(this);
  kinds_->setObjectName(QStringLiteral("busFilter"));
  kinds_->addItem(QStringLiteral("All operations"), QString());
  auto* save = new QPushButton(QStringLiteral("&Save as JSON Lines..."), this);
  save->setObjectName(QStringLiteral("busSave"));
  auto* copy = new QPushButton(QStringLiteral("C&opy rows"), this);
  copy->setObjectName(QStringLiteral("busCopy"));
  auto* clear = new QPushButton(QStringLiteral("C&lear"), this);
  clear->setObjectName(QStringLiteral("busClear"));
  view_ = new QTableWidget(0, 7, this);
  view_->setObjectName(QStringLiteral("busView"));
  view_->setHorizontalHeaderLabels({QStringLiteral("Time (ms)"), QStringLiteral("Operation"),
                                    QStringLiteral("Address"), QStringLiteral("Command"),
                                    QStringLiteral("Data"), QStringLiteral("Value"),
                                    QStringLiteral("Status")});
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 4);
  view_->horizontalHeader()->setStretchLastSection(true);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setWordWrap(false);
  const int digit = view_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  for (const auto& [col, chars] : {std::pair{0, 11}, {1, 12}, {2, 8}, {3, 30}, {4, 40}, {5, 24}})
    view_->setColumnWidth(col, digit * chars);
  auto* copyKeys = new QShortcut(QKeySequence::Copy, view_);
  copyKeys->setContext(Qt::WidgetShortcut);
  connect(copyKeys, &QShortcut::activated, this, &BusMonitor::CopySelected);

  auto* bar = new QHBoxLayout;
  bar->addWidget(new QLabel(QStringLiteral("Operation:"), this));
  bar->addWidget(kinds_);
  bar->addStretch();
  bar->addWidget(copy);
  bar->addWidget(save);
  bar->addWidget(clear);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(bar);
  layout->addWidget(view_);

  connect(kinds_, &QComboBox::currentIndexChanged, this,
          [this] { SetFilter(kinds_->currentData().toString()); });
  connect(save, &QPushButton::clicked, this, &BusMonitor::SaveAs);
  connect(copy, &QPushButton::clicked, this, &BusMonitor::CopySelected);
  connect(clear, &QPushButton::clicked, this, &BusMonitor::Clear);
}

void BusMonitor::AppendRow(const std::string& text) {
  const TraceRow r = DecodeTraceLine(text);
  if (view_->rowCount() >= kShownRows)
    view_->removeRow(0);
  const int row = view_->rowCount();
  view_->insertRow(row);
  const std::string* fields[] = {&r.timeMs, &r.kind,  &r.address, &r.command,
                                 &r.data,   &r.value, &r.status};
  for (int col = 0; col < 7; ++col) {
    auto* item = new QTableWidgetItem(Q(*fields[col]));
    if (col == 0)
      item->setData(kLineRole, Q(text));
    view_->setItem(row, col, item);
  }
}

void BusMonitor::Add(const std::string& text) {
  Line line{DecodeTraceLine(text).kind, text};
  const QString kind = Q(line.kind);
  if (!kind.isEmpty() && kinds_->findData(kind) < 0)
    kinds_->addItem(kind, kind);
  if (Passes(line)) {
    AppendRow(line.text);
    view_->scrollToBottom();
  }
  lines_.push_back(std::move(line));
}

void BusMonitor::Clear() {
  lines_.clear();
  view_->setRowCount(0);
}

void BusMonitor::SetFilter(const QString& kind) {
  filter_ = kind.toStdString();
  const int index = kinds_->findData(kind);
  if (index >= 0 && index != kinds_->currentIndex())
    kinds_->setCurrentIndex(index);  // comes back here with the same filter
  view_->setRowCount(0);
  const std::vector<std::string> shown = Shown();
  const size_t first = shown.size() > kShownRows ? shown.size() - kShownRows : 0;
  for (size_t i = first; i < shown.size(); ++i)
    AppendRow(shown[i]);
}

std::vector<std::string> BusMonitor::Shown() const {
  std::vector<std::string> shown;
  for (const Line& line : lines_)
    if (Passes(line))
      shown.push_back(line.text);
  return shown;
}

void BusMonitor::CopySelected() const {
  std::set<int> rows;
  for (const QModelIndex& index : view_->selectionModel()->selectedIndexes())
    rows.insert(index.row());
  QStringList lines;
  for (const int row : rows)
    lines << view_->item(row, 0)->data(kLineRole).toString();
  QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

bool BusMonitor::Save(const QString& path) const {
  std::ofstream out(path.toStdString(), std::ios::trunc);
  for (const Line& line : lines_)
    out << line.text << '\n';
  out.flush();
  return static_cast<bool>(out);
}

void BusMonitor::SaveAs() {
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Save bus trace"), QStringLiteral("trace.jsonl"),
      QStringLiteral("JSON Lines (*.jsonl);;All files (*)"));
  if (!path.isEmpty() && !Save(path))
    emit problem(QStringLiteral("warning: cannot write the trace file %1").arg(path));
}

}  // namespace gaugecal::host
