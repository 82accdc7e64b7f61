#pragma once
// The bus monitor pane: the bus trace as it happens, one JSON line per transfer, sleep, wait
// and message box; a filter by operation; saving what is shown as a JSON Lines trace; and
// clearing.

#include <QWidget>
#include <string>
#include <vector>

class QComboBox;
class QPlainTextEdit;

namespace gaugecal::host {

class BusMonitor : public QWidget {
  Q_OBJECT

 public:
  explicit BusMonitor(QWidget* parent = nullptr);

  // One trace line; the pane shows it when it passes the filter.
  void Add(const std::string& line);
  void Clear();
  // Shows only the lines of this operation; empty shows all.
  void SetFilter(const QString& op);
  // Writes the shown lines, one per line; false when the file cannot be written.
  bool Save(const QString& path) const;
  std::vector<std::string> Shown() const;

 signals:
  // A warning for the status bar.
  void problem(const QString& text);

 private:
  struct Line {
    std::string op;
    std::string text;
  };
  bool Passes(const Line& line) const { return filter_.empty() || line.op == filter_; }
  void SaveAs();

  std::vector<Line> lines_;
  std::string filter_;
  QComboBox* ops_;
  QPlainTextEdit* view_;
};

}  // namespace gaugecal::host
