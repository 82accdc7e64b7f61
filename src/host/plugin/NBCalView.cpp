#include "host/plugin/NBCalView.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "device/ModuleState.h"
#include "panel/CalibrationCheck.h"
#include "panel/DesignGrid.h"
#include "panel/PanelActions.h"
#include "platform/Platform.h"
#include "session/BenchCalibration.h"

namespace gaugecal::host {

namespace {

using panel::ControlKind;
using panel::Property;

constexpr int kDoneMarkPx = 20;
constexpr int kPanelPointSize = 8;  // the whole design fits a 1366x768 screen
constexpr int kSpacingPx = 1;
constexpr int kMarginPx = 3;
constexpr int kTwipsPerInch = 1440;
constexpr int kWrapWidthPercent = 135;
constexpr int kOneLineTwips = 300;  // a label designed taller than this wraps its text

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// The done mark: a green tick.
QPixmap CheckMark(QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = size.width();
  const qreal h = size.height();
  p.setPen(QPen(QColor(0x1b, 0x8a, 0x2e), std::max<qreal>(2.0, w / 7.0), Qt::SolidLine,
                Qt::RoundCap, Qt::RoundJoin));
  const QPointF tick[] = {{w * 0.18, h * 0.55}, {w * 0.42, h * 0.78}, {w * 0.84, h * 0.22}};
  p.drawPolyline(tick, 3);
  return pixmap;
}

Qt::Alignment AlignmentOf(panel::Alignment a) {
  switch (a) {
    case panel::Alignment::Center:
      return Qt::AlignCenter;
    case panel::Alignment::Right:
      return Qt::AlignRight | Qt::AlignVCenter;
    case panel::Alignment::Left:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

NBCalView::NBCalView(HostLink& link) : link_(link) {
  setObjectName(QStringLiteral("NBCal"));
  QFont f = font();
  f.setPointSize(kPanelPointSize);
  setFont(f);
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  body_ = new QWidget(this);
  layouts_[nullptr] = new QGridLayout(body_);
  stack->addWidget(body_, 1);
  check_ = new QWidget(this);
  check_->setObjectName(QStringLiteral("calibrationCheck"));
  new QVBoxLayout(check_);
  check_->hide();
  stack->addWidget(check_);
  for (panel::Control* control : nbcal_.Controls().all)
    Create(*control);
  for (const auto& [container, layout] : layouts_)
    Arrange(container);
  observer_ = nbcal_.AddObserver([this](const panel::ControlChange& ch) { Update(ch); });
}

NBCalView::~NBCalView() {
  nbcal_.RemoveObserver(observer_);
}

// A panel that starts up ready shows its reference boxes empty, their design values as hints:
// nothing is calibrated against a value nobody measured. With records, the gauge's serial and
// manufacture date are read then, and an interrupted calibration of this gauge is warned about.
void NBCalView::Startup() {
  nbcal_.Startup(link_);
  if (nbcal_.Outcome() != panel::StartupOutcome::Ready)
    return;
  panel::ClearReferenceBoxes(nbcal_.Controls());
  if (recorder_)
    recorder_->LookUp();
}

void NBCalView::SetRecords(const session::WindowRecords& records) {
  recorder_ = std::make_unique<session::WindowRecorder>(records);
}

void NBCalView::SetQuestion(Question ask) {
  nbcal_.SetPlausibilityQuestion([ask = std::move(ask)](const auto& implausible) {
    return ask(panel::PlausibilityQuestionText(implausible));
  });
}

void NBCalView::Clicked(panel::Control& button) {
  for (const CalibrationAction action :
       {CalibrationAction::VoltageTemperature, CalibrationAction::PackVoltage,
        CalibrationAction::PackCurrent, CalibrationAction::CCOffset,
        CalibrationAction::BoardOffset}) {
    if (&panel::ControlsOf(nbcal_, action).button != &button)
      continue;
    const auto check = Calibrate(action, [this, &button] { nbcal_.Click(button); });
    std::vector<std::pair<std::string, bool>> lines;
    for (const panel::CheckedQuantity& q : check.value_or(std::vector<panel::CheckedQuantity>{}))
      lines.emplace_back(panel::CheckLine(q), !q.within);
    ShowLines(lines);
    return;
  }
  nbcal_.Click(button);
}

std::optional<std::vector<panel::CheckedQuantity>> NBCalView::Calibrate(
    CalibrationAction action, const std::function<void()>& press) {
  if (recorder_)
    return recorder_->Calibrate(nbcal_, action, press);
  press();
  if (!panel::ControlsOf(nbcal_, action).doneImage.Visible())
    return std::vector<panel::CheckedQuantity>{};
  return panel::CheckCalibration(nbcal_, action);
}

void NBCalView::ShowLines(const std::vector<std::pair<std::string, bool>>& lines) {
  qDeleteAll(check_->findChildren<QLabel*>(Qt::FindDirectChildrenOnly));
  for (const auto& [text, marked] : lines) {
    auto* line = new QLabel(Q(text), check_);
    if (marked) {
      QPalette red = line->palette();
      red.setColor(QPalette::WindowText, Qt::red);
      line->setPalette(red);
    }
    check_->layout()->addWidget(line);
  }
  check_->setVisible(!lines.empty());
}

// The pages whose reference boxes a bench can fill, and the profile's sources for them.
void NBCalView::SetStation(session::ReferenceBench* station) {
  station_ = station;
  if (!station_)
    return;
  const session::StationProfile& p = station_->Profile();
  const struct {
    CalibrationAction action;
    bool measured;
    const char* name;
  } pages[] = {
      {CalibrationAction::VoltageTemperature,
       !p.cells.empty() || p.battery.has_value() || !p.temperatures.empty(), "btnMeasureVoltage"},
      {CalibrationAction::PackVoltage, p.pack.has_value(), "btnMeasurePack"},
      {CalibrationAction::PackCurrent, p.current.has_value(), "btnMeasureCurrent"},
  };
  for (const auto& page : pages) {
    if (!page.measured)
      continue;
    const panel::Control& button = panel::ControlsOf(nbcal_, page.action).button;
    QWidget* calibrate = widgets_.at(&button);
    auto* holder = new QWidget(calibrate->parentWidget());
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kMarginPx);
    auto* measure = new QPushButton(QStringLiteral("Measure"), holder);
    measure->setObjectName(QString::fromLatin1(page.name));
    measure->setToolTip(page.action == CalibrationAction::PackCurrent && p.source
                            ? QStringLiteral("Switch the source on, measure the current, "
                                             "calibrate, switch the source off")
                            : QStringLiteral("Fill the reference boxes from the bench"));
    measure->setEnabled(button.Enabled());
    row->addWidget(measure);
    row->addWidget(calibrate);
    holder->setVisible(button.Visible());
    holders_[&button] = holder;
    measures_[&button] = measure;
    const CalibrationAction action = page.action;
    connect(measure, &QPushButton::clicked, this, [this, action] { Measure(action); });
    Arrange(button.Container());
  }
}

void NBCalView::Measure(CalibrationAction action) {
  if (!station_ || measuring_ || nbcal_.Progress().busy)
    return;
  std::vector<std::pair<std::string, bool>> lines;
  const auto step = [this](std::string text) {
    measureStep_ = std::move(text);
    if (stepBegun_)
      stepBegun_();
  };
  const session::ReferenceShown shown = [&](const std::string& name,
                                            const session::MeasuredReference& m) {
    lines.emplace_back("reference: " + name + " = " + m.text + " " + m.unit + " (" + m.from + ")",
                       false);
    if (recorder_)
      recorder_->Measured(name, m);
    step("Measured " + name);
  };
  measuring_ = true;
  measureClock_.start();
  step("Measuring the references");
  const panel::ActionControls controls = panel::ControlsOf(nbcal_, action);
  std::string error;
  if (action == CalibrationAction::PackCurrent && station_->Profile().source) {
    // A new reading with the current flowing, never the box's last one.
    nbcal_.Controls().txtActualCurrent.SetText("");
    // The check reads the current while the source still drives it.
    error = session::CalibrateFromBench(*station_, nbcal_, action, shown, [&] {
              const auto check = Calibrate(action, [&] { nbcal_.Click(controls.button); });
              if (!check || !controls.doneImage.Visible())
                return false;
              for (const panel::CheckedQuantity& q : *check)
                lines.emplace_back(panel::CheckLine(q), !q.within);
              return true;
            }).error;
  } else {
    session::MeasureIntoBoxes(*station_, nbcal_, action, shown, error, true);
  }
  measuring_ = false;
  if (!error.empty()) {
    lines.emplace_back(error, true);
    if (Module().platform)
      Module().platform->Warning(error);
  }
  ShowLines(lines);
  step("");
}

HostPanel::Progress NBCalView::Busy() {
  const panel::ProgressView view = nbcal_.Progress();
  if (!view.busy && measuring_)
    return {true, measureStep_, 0, static_cast<double>(measureClock_.elapsed())};
  return {view.busy, view.step, view.permille, view.elapsedMs};
}

void NBCalView::SetProgressSink(std::function<void()> stepBegun) {
  stepBegun_ = stepBegun;
  nbcal_.SetProgressObserver(
      [stepBegun = std::move(stepBegun)](const panel::ProgressView&) { stepBegun(); });
}

QWidget* NBCalView::Placed(const panel::Control* control) {
  const auto holder = holders_.find(control);
  return holder != holders_.end() ? holder->second : widgets_.at(control);
}

// The controls of one container in the rows and columns of their design, each as large as
// its text needs; what is left of the container's room goes below and to the right.
void NBCalView::Arrange(const panel::Control* container) {
  QGridLayout* layout = layouts_[container];
  // Rows touch: the voltage page's frame has a dozen rows of boxes and its help text, which
  // must fit beside the bus monitor at 1366x768; the boxes' own frames keep them apart.
  layout->setHorizontalSpacing(kSpacingPx);
  layout->setVerticalSpacing(0);
  if (container && container->Kind() != ControlKind::TabControl)
    layout->setContentsMargins(kMarginPx, kMarginPx, kMarginPx, kMarginPx);
  while (QLayoutItem* item = layout->takeAt(0))
    delete item;
  for (int r = 0; r < layout->rowCount(); ++r)
    layout->setRowStretch(r, 0);
  for (int c = 0; c < layout->columnCount(); ++c)
    layout->setColumnStretch(c, 0);
  std::vector<const panel::Control*> children;
  std::vector<panel::Twips> rects;
  for (const panel::Control* control : nbcal_.Controls().all) {
    if (control->Container() != container || !widgets_.count(control))
      continue;
    children.push_back(control);
    rects.push_back(control->Geometry());
  }
  const std::vector<panel::DesignCell> cells = panel::ArrangeInGrid(rects);
  int rows = 0;
  int cols = 0;
  for (size_t i = 0; i < children.size(); ++i) {
    const panel::DesignCell& g = cells[i];
    const bool page = children[i]->Kind() == ControlKind::PictureBox;
    layout->addWidget(Placed(children[i]), g.row, g.col, g.rowSpan, g.colSpan,
                      page ? Qt::Alignment() : Qt::AlignLeft | Qt::AlignTop);
    rows = std::max(rows, g.row + g.rowSpan);
    cols = std::max(cols, g.col + g.colSpan);
    // What a tall control needs beyond the rows beside it goes into its last row, not into
    // gaps between the rows beside it.
    if (g.rowSpan > 1)
      layout->setRowStretch(g.row + g.rowSpan - 1, 1);
  }
  layout->setRowStretch(rows, 1);
  layout->setColumnStretch(cols, 1);
}

void NBCalView::Create(panel::Control& c) {
  QWidget* parent = body_;
  if (c.Container()) {
    const auto it = widgets_.find(c.Container());
    if (it != widgets_.end())
      parent = it->second;
  }
  QWidget* w = nullptr;
  switch (c.Kind()) {
    case ControlKind::Timer:
      return;  // runs on the platform's timers; nothing to draw
    case ControlKind::TabControl: {
      auto* frame = new QFrame(parent);
      auto* stack = new QVBoxLayout(frame);
      stack->setContentsMargins(0, 0, 0, 0);
      stack->setSpacing(0);
      auto* bar = new QTabBar(frame);
      bar->setObjectName(Q(c.Key()));
      bar->setExpanding(false);
      stack->addWidget(bar);
      layouts_[&c] = new QGridLayout;
      layouts_[&c]->setContentsMargins(0, 0, 0, 0);
      stack->addLayout(layouts_[&c], 1);
      connect(bar, &QTabBar::currentChanged, this, [this](int tab) {
        if (tab >= 0)
          nbcal_.SelectTab(tab);
      });
      tabBars_[&c] = bar;
      w = frame;
      break;
    }
    case ControlKind::PictureBox: {
      auto* page = new QFrame(parent);
      page->setFrameShape(QFrame::StyledPanel);
      if (c.Container() && tabBars_.count(c.Container())) {
        QTabBar* bar = tabBars_[c.Container()];
        const QSignalBlocker quiet(bar);  // the model chooses the tab, not the first addTab
        bar->addTab(Q(c.Caption()));
        bar->setCurrentIndex(c.Container()->Value());
      }
      layouts_[&c] = new QGridLayout(page);
      w = page;
      break;
    }
    case ControlKind::Frame:
      w = new QGroupBox(parent);
      layouts_[&c] = new QGridLayout(w);
      break;
    case ControlKind::Label: {
      auto* label = new QLabel(parent);
      label->setWordWrap(c.Geometry().height > kOneLineTwips);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setTextFormat(Qt::PlainText);
      w = label;
      break;
    }
    case ControlKind::TextBox: {
      auto* box = new QLineEdit(parent);
      box->setText(Q(c.Text()));
      box->setPlaceholderText(Q(c.Placeholder()));
      // As wide as designed at most: a number box does not take a whole column.
      box->setMaximumWidth(c.Geometry().width * box->logicalDpiX() / kTwipsPerInch);
      connect(box, &QLineEdit::textEdited, this,
              [&c](const QString& text) { c.SetText(text.toStdString()); });
      w = box;
      break;
    }
    case ControlKind::CheckBox: {
      auto* box = new QCheckBox(parent);
      box->setChecked(c.Checked());
      connect(box, &QCheckBox::clicked, this, [&c](bool checked) { c.SetChecked(checked); });
      w = box;
      break;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(parent);
      connect(button, &QPushButton::clicked, this, [this, &c] { Clicked(c); });
      w = button;
      break;
    }
    case ControlKind::Image: {
      auto* image = new QLabel(parent);
      image->setPixmap(CheckMark(QSize(kDoneMarkPx, kDoneMarkPx)));
      image->setFixedSize(kDoneMarkPx, kDoneMarkPx);
      w = image;
      break;
    }
    case ControlKind::Grid: {
      auto* table = new QTableWidget(parent);
      table->horizontalHeader()->hide();
      table->verticalHeader()->hide();
      table->verticalHeader()->setMinimumSectionSize(1);
      table->setEditTriggers(QAbstractItemView::NoEditTriggers);
      table->setSelectionMode(QAbstractItemView::NoSelection);
      table->setFocusPolicy(Qt::NoFocus);
      table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // sized to its rows
      ApplyGrid(static_cast<const panel::Grid&>(c), table);
      w = table;
      break;
    }
  }
  w->setObjectName(Q(c.Key()));
  w->setToolTip(Q(c.ToolTip()));
  w->setEnabled(c.Enabled());
  w->setVisible(c.Visible());
  ApplyCaption(c, w);
  widgets_[&c] = w;
}

void NBCalView::ApplyCaption(const panel::Control& c, QWidget* w) {
  const QString caption = Q(c.Caption());
  if (auto* box = qobject_cast<QGroupBox*>(w))
    box->setTitle(caption);
  else if (auto* button = qobject_cast<QAbstractButton*>(w))
    button->setText(caption);
  else if (auto* label = qobject_cast<QLabel*>(w); label && c.Kind() == ControlKind::Label)
    ShowWrapped(label, caption, c.Geometry());
  else if (c.Kind() == ControlKind::PictureBox && c.Container() && tabBars_.count(c.Container()))
    tabBars_[c.Container()]->setTabText(c.Index(), caption);
}

// A grid layout does not ask a spanning label how tall its wrapped text is: the label asks
// for the height its text needs at its designed width.
void NBCalView::ShowWrapped(QLabel* label, const QString& text, const panel::Twips& design) {
  label->setText(text);
  if (!label->wordWrap())
    return;
  // The design's width grown with the font, which is larger than the one it was drawn for.
  const int width = design.width * label->logicalDpiX() * kWrapWidthPercent / (kTwipsPerInch * 100);
  label->setMinimumWidth(width);
  label->setMinimumHeight(label->heightForWidth(width));
}

void NBCalView::ApplyGrid(const panel::Grid& grid, QTableWidget* table) {
  const panel::GridLayout& layout = grid.Layout();
  table->setRowCount(layout.rows);
  table->setColumnCount(layout.cols + 1);  // the units after the grid's own columns
  // A row as tall as its text: the RN44K18 page stacks two grids of 30 rows in all, which
  // must fit beside the bus monitor at 1366x768.
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height());
  for (int row = 0; row < layout.rows; ++row)
    for (int col = 0; col <= layout.cols; ++col)
      ApplyCell(grid, table, row, col);
  FitTable(table);
}

// The grid shows every row and the whole of every text: no scroll bars to hide a row behind.
void NBCalView::FitTable(QTableWidget* table) {
  table->resizeColumnsToContents();
  const int frame = 2 * table->frameWidth();
  int width = frame;
  for (int col = 0; col < table->columnCount(); ++col)
    width += table->columnWidth(col);
  int height = frame;
  for (int row = 0; row < table->rowCount(); ++row)
    height += table->rowHeight(row);
  table->setFixedSize(width, height);
}

void NBCalView::ApplyCell(const panel::Grid& grid, QTableWidget* table, int row, int col) {
  const panel::GridLayout& layout = grid.Layout();
  // The unit column looks like the header row's cell above it, left aligned.
  panel::GridCell cell = grid.Cell(row, col);
  if (col == layout.cols) {
    cell = grid.Cell(row, 0);
    cell.text = grid.RowUnit(row);
  }
  QTableWidgetItem* item = table->item(row, col);
  if (!item) {
    item = new QTableWidgetItem;
    table->setItem(row, col, item);
  }
  item->setText(Q(cell.text));
  item->setTextAlignment(AlignmentOf(cell.alignment));
  QFont f = table->font();
  f.setPointSize(cell.fontSize);
  f.setBold(cell.bold);
  item->setFont(f);
  // The fixed header row and first column look like the grid's frame.
  if (row < layout.fixedRows || col < layout.fixedCols)
    item->setBackground(table->palette().button());
}

void NBCalView::Update(const panel::ControlChange& ch) {
  const panel::Control& c = ch.control;
  const auto it = widgets_.find(&c);
  if (it == widgets_.end())
    return;
  QWidget* w = it->second;
  switch (ch.property) {
    case Property::Text:
      if (auto* box = qobject_cast<QLineEdit*>(w); box && box->text() != Q(c.Text()))
        box->setText(Q(c.Text()));
      break;
    case Property::Caption:
      ApplyCaption(c, w);
      break;
    case Property::ToolTip:
      w->setToolTip(Q(c.ToolTip()));
      break;
    case Property::Placeholder:
      if (auto* box = qobject_cast<QLineEdit*>(w))
        box->setPlaceholderText(Q(c.Placeholder()));
      break;
    case Property::Enabled:
      w->setEnabled(c.Enabled());
      if (const auto measure = measures_.find(&c); measure != measures_.end())
        measure->second->setEnabled(c.Enabled());
      break;
    case Property::Visible:
      w->setVisible(c.Visible());
      if (const auto holder = holders_.find(&c); holder != holders_.end())
        holder->second->setVisible(c.Visible());
      break;
    case Property::Checked:
      if (auto* box = qobject_cast<QCheckBox*>(w))
        box->setChecked(c.Checked());
      break;
    case Property::Value:
      if (const auto bar = tabBars_.find(&c); bar != tabBars_.end()) {
        const QSignalBlocker quiet(bar->second);
        bar->second->setCurrentIndex(c.Value());
      }
      break;
    case Property::Geometry:
      Arrange(c.Container());
      break;
    case Property::Cell:
      ApplyCell(static_cast<const panel::Grid&>(c), static_cast<QTableWidget*>(w), ch.row, ch.col);
      FitTable(static_cast<QTableWidget*>(w));
      break;
    case Property::Layout:
      ApplyGrid(static_cast<const panel::Grid&>(c), static_cast<QTableWidget*>(w));
      break;
  }
}

}  // namespace gaugecal::host
