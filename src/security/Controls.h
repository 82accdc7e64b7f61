#pragma once
// The state of a form's controls without a toolkit: what each text box, label, button, option
// button, frame and tab control shows. A view copies a control's state into its widget when
// told that the control changed; the model changes state only through the setters, and each
// setter that changes something tells the listener once, naming the control.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace gaugecal::security {

// Colours as 0xRRGGBB.
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0xFF0000;

struct Selection {
  int start = 0;
  int length = 0;
  bool operator==(const Selection&) const = default;
};

struct ControlState {
  std::string caption{};    // fixed: a button's, frame's, option button's or tab's own caption
  std::string label{};      // fixed: the label beside a text box
  std::string toolTip{};    // fixed
  bool fixedPitch = false;  // fixed: the box shows hexadecimal data
  std::string text{};       // text box or label contents
  bool enabled = true;
  bool visible = true;
  int value = 0;  // option button: 1 when selected; tab control: the selected tab
  Selection selection{};
  uint32_t foreColor = kBlack;
};

// The controls of one form, indexed by an enum class whose last member is Count.
template <typename Id>
class Controls {
 public:
  static constexpr size_t kCount = static_cast<size_t>(Id::Count);
  using Listener = std::function<void(Id)>;

  explicit Controls(std::array<ControlState, kCount> initial) : states_(std::move(initial)) {}

  const ControlState& operator[](Id id) const { return states_[Index(id)]; }
  // One listener (the view); replaces the previous one.
  void OnChanged(Listener listener) { listener_ = std::move(listener); }

  // A new text drops the selection: a selection belongs to the change that made it, so the
  // view must not select again when the next keystroke changes the text.
  void SetText(Id id, std::string text) {
    ControlState& state = states_[Index(id)];
    if (state.text != text)
      state.selection = {};
    Set(id, &ControlState::text, std::move(text));
  }
  void SetEnabled(Id id, bool enabled) { Set(id, &ControlState::enabled, enabled); }
  void SetVisible(Id id, bool visible) { Set(id, &ControlState::visible, visible); }
  void SetValue(Id id, int value) { Set(id, &ControlState::value, value); }
  void SetSelection(Id id, int start, int length) {
    Set(id, &ControlState::selection, Selection{start, length});
  }
  void SetForeColor(Id id, uint32_t colour) { Set(id, &ControlState::foreColor, colour); }

 private:
  static size_t Index(Id id) { return static_cast<size_t>(id); }

  template <typename T>
  void Set(Id id, T ControlState::*field, T value) {
    T& current = states_[Index(id)].*field;
    if (current == value)
      return;
    current = std::move(value);
    if (listener_)
      listener_(id);
  }

  std::array<ControlState, kCount> states_;
  Listener listener_;
};

}  // namespace gaugecal::security
