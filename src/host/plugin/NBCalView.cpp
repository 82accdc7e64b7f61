#include "host/plugin/NBCalView.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableWidget>
#include <cmath>

namespace gaugecal::host {

namespace {

using panel::ControlKind;
using panel::Property;

constexpr int kTwipsPerInch = 1440;
constexpr int kPanelPointSize = 7;  // the designed positions leave room for a small font

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
  for (panel::Control* control : nbcal_.Controls().all)
    Create(*control);
  observer_ = nbcal_.AddObserver([this](const panel::ControlChange& ch) { Update(ch); });
  const QRect tabs = Rect(nbcal_.Controls().SStabCal.Geometry());
  const QRect grid = Rect(nbcal_.Controls().DFGrid.Geometry());
  setMinimumSize(grid.right() + Px(200), tabs.bottom() + Px(100));
  resize(minimumSize());
}

NBCalView::~NBCalView() {
  nbcal_.RemoveObserver(observer_);
}

void NBCalView::Startup() {
  nbcal_.Startup(link_);
}

int NBCalView::Px(int twips) const {
  return static_cast<int>(std::lround(static_cast<double>(twips) * logicalDpiX() / kTwipsPerInch));
}

QRect NBCalView::Rect(const panel::Twips& t) const {
  return {Px(t.left), Px(t.top), Px(t.width), Px(t.height)};
}

void NBCalView::Create(panel::Control& c) {
  QWidget* parent = this;
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
      auto* bar = new QTabBar(frame);
      bar->setObjectName(Q(c.Key()));
      bar->setExpanding(false);
      bar->setGeometry(0, 0, Px(c.Geometry().width), Px(450));
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
      w = page;
      break;
    }
    case ControlKind::Frame:
      w = new QGroupBox(parent);
      break;
    case ControlKind::Label: {
      auto* label = new QLabel(parent);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setTextFormat(Qt::PlainText);
      w = label;
      break;
    }
    case ControlKind::TextBox: {
      auto* box = new QLineEdit(parent);
      box->setText(Q(c.Text()));
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
      connect(button, &QPushButton::clicked, this, [this, &c] { nbcal_.Click(c); });
      w = button;
      break;
    }
    case ControlKind::Image: {
      auto* image = new QLabel(parent);
      image->setPixmap(CheckMark(Rect(c.Geometry()).size()));
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
  w->setGeometry(Rect(c.Geometry()));
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
    label->setText(caption);
  else if (c.Kind() == ControlKind::PictureBox && c.Container() && tabBars_.count(c.Container()))
    tabBars_[c.Container()]->setTabText(c.Index(), caption);
}

void NBCalView::ApplyGrid(const panel::Grid& grid, QTableWidget* table) {
  const panel::GridLayout& layout = grid.Layout();
  table->setRowCount(layout.rows);
  table->setColumnCount(layout.cols);
  table->verticalHeader()->setDefaultSectionSize(Px(layout.rowHeight));
  for (int col = 0; col < layout.cols && col < static_cast<int>(layout.colWidths.size()); ++col)
    table->setColumnWidth(col, Px(layout.colWidths[col]));
  for (int row = 0; row < layout.rows; ++row)
    for (int col = 0; col < layout.cols; ++col)
      ApplyCell(grid, table, row, col);
}

void NBCalView::ApplyCell(const panel::Grid& grid, QTableWidget* table, int row, int col) {
  const panel::GridCell& cell = grid.Cell(row, col);
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
  const panel::GridLayout& layout = grid.Layout();
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
    case Property::Enabled:
      w->setEnabled(c.Enabled());
      break;
    case Property::Visible:
      w->setVisible(c.Visible());
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
      w->setGeometry(Rect(c.Geometry()));
      break;
    case Property::Cell:
      ApplyCell(static_cast<const panel::Grid&>(c), static_cast<QTableWidget*>(w), ch.row, ch.col);
      break;
    case Property::Layout:
      ApplyGrid(static_cast<const panel::Grid&>(c), static_cast<QTableWidget*>(w));
      break;
  }
}

}  // namespace gaugecal::host
