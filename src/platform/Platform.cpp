#include "platform/Platform.h"

#include <optional>

#include "platform/Printable.h"
#include "platform/StopSignals.h"
#include "platform/TraceLog.h"

namespace gaugecal {

void Platform::Warning(const std::string& text) {
  ++warnings_;
  if (onWarning)
    onWarning(Printable(text));
}

bool Platform::StopRequested() {
  if (stopSignal_ == 0 && pollStop) {
    stopSignal_ = pollStop();
    if (stopSignal_ != 0 && trace_)
      trace_->Record({.op = "Stop", .text = StopSignals::Name(stopSignal_)});
  }
  return stopSignal_ != 0;
}

void Platform::TraceMessageBox(const MessageRecord& message) {
  ++messageBoxes_;
  if (!trace_)
    return;
  // The title goes in only when there is one; built in one piece, as GCC 12 misreads an
  // optional string assigned after the entry as possibly uninitialised.
  trace_->Record(
      {.op = "MsgBox",
       .text = message.text,
       .icon = message.icon == MsgIcon::Critical ? "critical" : "none",
       .title = message.title.empty() ? std::nullopt : std::optional<std::string>(message.title)});
}

}  // namespace gaugecal
