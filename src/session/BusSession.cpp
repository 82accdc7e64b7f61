#include "session/BusSession.h"

#include "device/TracingHostLink.h"
#include "platform/Platform.h"

namespace gaugecal::session {

std::unique_ptr<BusSession> BusSession::Open(const BusOptions& options, Platform& platform,
                                             TraceLineSink sink, std::string& error, bool* inUse) {
  std::unique_ptr<BusSession> s(new BusSession(platform));
  s->name_ = options.adapter;
  s->backupDir_ = options.backupDir;
  if (options.openAdapter) {
    const adapters::WarningSink ignore = [](const std::string&) {};
    adapters::OpenedAdapter opened =
        adapters::OpenAdapter(options.adapter, options.simScenario, platform,
                              options.warn ? options.warn : ignore, error);
    if (inUse != nullptr)
      *inUse = opened.inUse;
    if (!opened.link)
      return nullptr;
    s->adapter_ = std::move(opened.link);
    s->gauge_ = opened.gauge;
  }
  if (!options.traceFile.empty() && !s->stream_.OpenFile(options.traceFile)) {
    error = "cannot write the trace file " + options.traceFile;
    return nullptr;
  }
  if (options.traceFile.empty() && !sink)
    return s;
  s->stream_.SetSink(std::move(sink));
  Platform* clock = &platform;
  s->trace_ = std::make_unique<TraceLog>(s->stream_.Stream(), [clock] { return clock->ClockMs(); });
  if (s->adapter_)
    s->traced_ = std::make_unique<TracingHostLink>(*s->adapter_, *s->trace_);
  platform.SetTrace(s->trace_.get());
  return s;
}

BusSession::~BusSession() {
  if (trace_ && platform_.Trace() == trace_.get())
    platform_.SetTrace(nullptr);
}

}  // namespace gaugecal::session
