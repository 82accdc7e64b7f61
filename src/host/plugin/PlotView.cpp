#include "host/plugin/PlotView.h"

#include <QChart>
#include <QChartView>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

namespace gaugecal::host {

namespace {

constexpr int kRedrawMs = 500;
constexpr int kChartMarginPx = 2;
constexpr panel::SampleUnit kChartUnits[] = {
    panel::SampleUnit::Millivolts, panel::SampleUnit::Milliamps, panel::SampleUnit::DegreesC};
constexpr const char* kChartTitles[] = {"Voltages", "Current", "Temperatures"};

}  // namespace

PlotView::PlotView(const panel::ScanSamples& samples) : samples_(samples) {
  setObjectName(QStringLiteral("livePlot"));
  auto* layout = new QVBoxLayout(this);
  auto* buttons = new QHBoxLayout;
  auto* save = new QPushButton(QStringLiteral("Save as CSV..."), this);
  save->setObjectName(QStringLiteral("savePlotCsv"));
  buttons->addWidget(save);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  // Side by side: each chart keeps the height of the tab above the bus monitor.
  auto* row = new QHBoxLayout;
  layout->addLayout(row, 1);
  for (size_t i = 0; i < std::size(charts_); ++i) {
    charts_[i] = new QChart;
    charts_[i]->setTitle(QString::fromLatin1(kChartTitles[i]));
    charts_[i]->legend()->setAlignment(Qt::AlignBottom);
    charts_[i]->setMargins(
        QMargins(kChartMarginPx, kChartMarginPx, kChartMarginPx, kChartMarginPx));
    auto* view = new QChartView(charts_[i], this);
    view->setObjectName(QStringLiteral("plot%1").arg(QString::fromLatin1(kChartTitles[i])));
    view->setRenderHint(QPainter::Antialiasing);
    row->addWidget(view, 1);
  }
  connect(save, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save as CSV"),
                                                      QStringLiteral("scan.csv"),
                                                      QStringLiteral("CSV files (*.csv)"));
    if (!path.isEmpty())
      SaveCsv(path);
  });
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, [this] {
    if (samples_.Added() != drawn_)
      Redraw();
  });
  timer->start(kRedrawMs);
}

bool PlotView::SaveCsv(const QString& path) const {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return false;
  const std::string csv = samples_.Csv();
  return file.write(csv.data(), static_cast<qint64>(csv.size())) == static_cast<qint64>(csv.size());
}

// Every series that has a value, on the chart of its unit; a gap splits nothing, it is left out.
void PlotView::Redraw() {
  drawn_ = samples_.Added();
  const std::vector<panel::SampleSeries>& series = panel::ScanSamples::Series();
  const auto& samples = samples_.Samples();
  for (size_t c = 0; c < std::size(charts_); ++c) {
    QChart* chart = charts_[c];
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
      chart->removeAxis(axis);
      delete axis;  // a chart gives up a removed axis but does not delete it
    }
    auto* time = new QValueAxis;
    time->setTitleText(QStringLiteral("Time (s)"));
    time->setLabelFormat(QStringLiteral("%.1f"));
    auto* value = new QValueAxis;
    value->setTitleText(QString::fromLatin1(panel::ScanSamples::UnitText(kChartUnits[c])));
    value->setLabelFormat(kChartUnits[c] == panel::SampleUnit::Millivolts ? QStringLiteral("%.0f")
                                                                          : QStringLiteral("%.1f"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(value, Qt::AlignLeft);
    bool any = false;
    double low = 0.0;
    double high = 0.0;
    for (size_t s = 0; s < series.size(); ++s) {
      if (series[s].unit != kChartUnits[c])
        continue;
      auto* line = new QLineSeries;
      line->setName(QString::fromLatin1(series[s].name));
      for (const panel::ScanSample& sample : samples) {
        if (!sample.values[s])
          continue;
        const double v = *sample.values[s];
        line->append((sample.timeMs - samples.front().timeMs) / 1000.0, v);
        low = any ? std::min(low, v) : v;
        high = any ? std::max(high, v) : v;
        any = true;
      }
      if (line->count() == 0) {
        delete line;
        continue;
      }
      chart->addSeries(line);
      line->attachAxis(time);
      line->attachAxis(value);
    }
    const double span = samples.empty() ? 0.0 : (samples.back().timeMs - samples.front().timeMs);
    time->setRange(0.0, std::max(span / 1000.0, 1.0));
    const double margin = std::max((high - low) * 0.05, 1.0);
    value->setRange(low - margin, high + margin);
  }
}

}  // namespace gaugecal::host
