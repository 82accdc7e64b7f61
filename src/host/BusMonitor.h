#pragma once
// The bus monitor pane: the bus trace as it happens, one table row per transfer, sleep, wait
// and message box, decoded into words (host/TraceRow.h); a filter by kind; saving the whole
// trace as JSON Lines; copying the selected rows; and clearing.

#include <QWidget>
#include <string>
#include <vector>

class QComboBox;
class QTableWidget;

namespace gaugecal::host {

class BusMonitor : public QWidget {
  Q_OBJECT

 public:
  explicit BusMonitor(QWidget* parent = nullptr);

  // One trace line; the pane shows it when it passes the filter.
  void Add(const std::string& line);
  void Clear();
  // Shows only the rows of this kind ("Read word", "Sleep", ...); empty shows all.
  void SetFilter(const QString& kind);
  // Writes every recorded line, shown or hidden by the filter, one per line; false when the
  // file cannot be written.
  bool Save(const QString& path) const;
  // The trace lines of the rows the filter shows.
  std::vector<std::string> Shown() const;
  // The selected rows as their trace lines, one per line, onto the clipboard.
  void CopySelected() const;
  // Asks for a file and saves the whole trace there (File > Save trace... and the button).
  void SaveAs();

 signals:
  // A warning for the status bar.
  void problem(const QString& text);

 private:
  struct Line {
    std::string kind;
    std::string text;
  };
  bool Passes(const Line& line) const { return filter_.empty() || line.kind == filter_; }
  void AppendRow(const std::string& text);

  std::vector<Line> lines_;
  std::string filter_;
  QComboBox* kinds_;
  QTableWidget* view_;
};

}  // namespace gaugecal::host
