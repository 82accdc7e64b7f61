#include "host/BusMonitor.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <fstream>
#include <nlohmann/json.hpp>

namespace gaugecal::host {

namespace {

constexpr int kShownLines = 20000;  // the pane keeps the newest; Save writes every one

std::string OpOf(const std::string& line) {
  const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
  if (entry.is_object() && entry.contains("op") && entry["op"].is_string())
    return entry["op"].get<std::string>();
  return {};
}

}  // namespace

BusMonitor::BusMonitor(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("busMonitor"));
  ops_ = new QComboBox(this);
  ops_->setObjectName(QStringLiteral("busFilter"));
  ops_->addItem(QStringLiteral("All operations"), QString());
  auto* save = new QPushButton(QStringLiteral("&Save as JSON Lines..."), this);
  save->setObjectName(QStringLiteral("busSave"));
  auto* clear = new QPushButton(QStringLiteral("C&lear"), this);
  clear->setObjectName(QStringLiteral("busClear"));
  view_ = new QPlainTextEdit(this);
  view_->setObjectName(QStringLiteral("busView"));
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setMaximumBlockCount(kShownLines);
  view_->setFont(QFont(QStringLiteral("monospace")));

  auto* bar = new QHBoxLayout;
  bar->addWidget(new QLabel(QStringLiteral("Operation:"), this));
  bar->addWidget(ops_);
  bar->addStretch();
  bar->addWidget(save);
  bar->addWidget(clear);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(bar);
  layout->addWidget(view_);

  connect(ops_, &QComboBox::currentIndexChanged, this,
          [this] { SetFilter(ops_->currentData().toString()); });
  connect(save, &QPushButton::clicked, this, &BusMonitor::SaveAs);
  connect(clear, &QPushButton::clicked, this, &BusMonitor::Clear);
}

void BusMonitor::Add(const std::string& text) {
  Line line{OpOf(text), text};
  const QString op = QString::fromStdString(line.op);
  if (!op.isEmpty() && ops_->findData(op) < 0)
    ops_->addItem(op, op);
  if (Passes(line))
    view_->appendPlainText(QString::fromStdString(line.text));
  lines_.push_back(std::move(line));
}

void BusMonitor::Clear() {
  lines_.clear();
  view_->clear();
}

void BusMonitor::SetFilter(const QString& op) {
  filter_ = op.toStdString();
  const int index = ops_->findData(op);
  if (index >= 0 && index != ops_->currentIndex())
    ops_->setCurrentIndex(index);  // comes back here with the same filter
  QStringList shown;
  for (const std::string& line : Shown())
    shown << QString::fromStdString(line);
  view_->setPlainText(shown.join(QLatin1Char('\n')));
}

std::vector<std::string> BusMonitor::Shown() const {
  std::vector<std::string> shown;
  for (const Line& line : lines_)
    if (Passes(line))
      shown.push_back(line.text);
  return shown;
}

bool BusMonitor::Save(const QString& path) const {
  std::ofstream out(path.toStdString(), std::ios::trunc);
  for (const std::string& line : Shown())
    out << line << '\n';
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
