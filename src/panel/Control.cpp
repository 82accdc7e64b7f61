#include "panel/Control.h"

#include <algorithm>
#include <utility>

namespace gaugecal::panel {

namespace {

// Assigns and reports when the value changes.
template <typename T>
bool Assign(T& field, const T& value) {
  if (field == value)
    return false;
  field = value;
  return true;
}

}  // namespace

int ChangeNotifier::Add(ControlObserver observer) {
  observers_.emplace_back(nextId_, std::move(observer));
  return nextId_++;
}

void ChangeNotifier::Remove(int id) {
  std::erase_if(observers_, [id](const auto& entry) { return entry.first == id; });
}

void ChangeNotifier::Notify(const ControlChange& change) const {
  for (const auto& [id, observer] : observers_)
    observer(change);
}

Control& Control::Define(ChangeNotifier& notifier, ControlKind kind, std::string name, int index,
                         const Control* container, Twips geometry) {
  notifier_ = &notifier;
  kind_ = kind;
  name_ = std::move(name);
  index_ = index;
  container_ = container;
  geometry_ = geometry;
  return *this;
}

Control& Control::WithCaption(std::string caption) {
  caption_ = std::move(caption);
  return *this;
}

Control& Control::WithText(std::string text) {
  text_ = std::move(text);
  return *this;
}

Control& Control::WithToolTip(std::string toolTip) {
  toolTip_ = std::move(toolTip);
  return *this;
}

Control& Control::Hidden() {
  visible_ = false;
  return *this;
}

std::string Control::Key() const {
  return index_ < 0 ? name_ : name_ + "(" + std::to_string(index_) + ")";
}

void Control::SetText(const std::string& text) {
  if (Assign(text_, text))
    Changed(Property::Text);
}

void Control::SetCaption(const std::string& caption) {
  if (Assign(caption_, caption))
    Changed(Property::Caption);
}

void Control::SetToolTip(const std::string& toolTip) {
  if (Assign(toolTip_, toolTip))
    Changed(Property::ToolTip);
}

void Control::SetPlaceholder(const std::string& placeholder) {
  if (Assign(placeholder_, placeholder))
    Changed(Property::Placeholder);
}

void Control::SetEnabled(bool enabled) {
  if (!Assign(enabled_, enabled))
    return;
  Changed(Property::Enabled);
  EnabledChanged();
}

void Control::SetVisible(bool visible) {
  if (Assign(visible_, visible))
    Changed(Property::Visible);
}

void Control::SetChecked(bool checked) {
  if (Assign(checked_, checked))
    Changed(Property::Checked);
}

void Control::SetValue(int value) {
  if (Assign(value_, value))
    Changed(Property::Value);
}

void Control::SetGeometry(const Twips& geometry) {
  if (Assign(geometry_, geometry))
    Changed(Property::Geometry);
}

void Control::SetTop(int top) {
  Twips g = geometry_;
  g.top = top;
  SetGeometry(g);
}

void Control::SetLeft(int left) {
  Twips g = geometry_;
  g.left = left;
  SetGeometry(g);
}

bool Control::Reachable() const {
  for (const Control* c = this; c != nullptr; c = c->container_) {
    if (!c->visible_ || !c->enabled_)
      return false;
  }
  return true;
}

void Control::Changed(Property property, int row, int col) const {
  if (notifier_)
    notifier_->Notify({*this, property, row, col});
}

}  // namespace gaugecal::panel
