#pragma once
// One control of a panel as plain state: what a view shows and what the panel's code reads and
// writes. Positions and sizes are in twips (1/1440 inch) relative to the control's container.
// Every change that alters a value is reported to the panel's observers, one notification per
// changed property; setting a property to the value it has reports nothing.

#include <functional>
#include <string>
#include <vector>

namespace gaugecal::panel {

enum class ControlKind {
  TabControl,  // Value() is the selected tab; tab i shows the page whose index is i
  PictureBox,  // a page; its caption is the title of its tab
  Frame,
  Label,
  TextBox,
  CheckBox,
  Button,
  Image,  // a done mark: shown or hidden
  Timer,  // Enabled() is on/off, Value() the interval in milliseconds; never drawn
  Grid,
};

// What changed. Cell and Layout apply to grids only.
enum class Property {
  Text,
  Caption,
  ToolTip,
  Placeholder,  // a text box's grey hint while it is empty; never its text
  Enabled,
  Visible,
  Checked,
  Value,
  Geometry,
  Cell,    // the cell at row, col: its text or format
  Layout,  // rows, columns, fixed rows and columns, row height, column widths
};

struct Twips {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Twips&) const = default;
};

class Control;

struct ControlChange {
  const Control& control;
  Property property;
  int row = -1;  // Property::Cell
  int col = -1;
};

using ControlObserver = std::function<void(const ControlChange&)>;

// The observers of one panel. Notifications are plain calls: an observer must not block.
class ChangeNotifier {
 public:
  int Add(ControlObserver observer);
  void Remove(int id);
  void Notify(const ControlChange& change) const;

 private:
  std::vector<std::pair<int, ControlObserver>> observers_;
  int nextId_ = 1;
};

class Control {
 public:
  Control() = default;
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Design time: what the control is and where it sits. Reports nothing.
  Control& Define(ChangeNotifier& notifier, ControlKind kind, std::string name, int index,
                  const Control* container, Twips geometry);
  Control& WithCaption(std::string caption);
  Control& WithText(std::string text);
  Control& WithToolTip(std::string toolTip);
  Control& Hidden();

  const std::string& Name() const { return name_; }
  int Index() const { return index_; }  // element of a control array; -1 for a single control
  std::string Key() const;              // "txtVoltage(2)", "btnCalibrate"
  ControlKind Kind() const { return kind_; }
  const Control* Container() const { return container_; }  // nullptr: the panel itself

  const std::string& Text() const { return text_; }
  const std::string& Caption() const { return caption_; }
  const std::string& ToolTip() const { return toolTip_; }
  const std::string& Placeholder() const { return placeholder_; }
  bool Enabled() const { return enabled_; }
  bool Visible() const { return visible_; }
  bool Checked() const { return checked_; }
  int Value() const { return value_; }
  const Twips& Geometry() const { return geometry_; }

  void SetText(const std::string& text);
  void SetCaption(const std::string& caption);
  void SetToolTip(const std::string& toolTip);
  void SetPlaceholder(const std::string& placeholder);
  void SetEnabled(bool enabled);
  void SetVisible(bool visible);
  void SetChecked(bool checked);
  void SetValue(int value);
  void SetGeometry(const Twips& geometry);
  void SetTop(int top);
  void SetLeft(int left);

  // Shown and enabled, and so is every container up to the panel: a technician can reach it.
  bool Reachable() const;

 protected:
  void Changed(Property property, int row = -1, int col = -1) const;
  virtual void EnabledChanged() {}

 private:
  ChangeNotifier* notifier_ = nullptr;
  ControlKind kind_ = ControlKind::Label;
  std::string name_;
  int index_ = -1;
  const Control* container_ = nullptr;
  std::string text_;
  std::string caption_;
  std::string toolTip_;
  std::string placeholder_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  int value_ = 0;
  Twips geometry_;
};

}  // namespace gaugecal::panel
