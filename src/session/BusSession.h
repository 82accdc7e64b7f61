#pragma once
// What a front end opens before it talks to a gauge: the bus adapter named by --adapter (with
// its scenario file), the bus trace (the --trace file and any line sink the front end adds)
// and the host link every transfer goes through, traced when there is a trace.

#include <memory>
#include <string>

#include "adapters/OpenAdapter.h"
#include "device/HostLink.h"
#include "platform/TraceLog.h"
#include "session/TraceTee.h"

namespace gaugecal {
class Platform;
}

namespace gaugecal::session {

struct BusOptions {
  std::string adapter = "sim:RN44K18";
  std::string simScenario;     // scenario file for a simulated gauge
  std::string traceFile;       // empty: no trace file
  std::string backupDir;       // backups before data flash writes; empty: the default folder
  bool openAdapter = true;     // false: only the trace (a command that talks to no gauge)
  adapters::WarningSink warn;  // what the adapter finds wrong while it runs
};

class BusSession {
 public:
  // The adapter is opened first: a bad scenario file must not truncate an earlier trace file.
  // nullptr and error (naming the adapter, the scenario file or the trace file) on failure.
  // With a sink the trace is kept even without a file. The adapter is locked for this process
  // (one station per adapter); inUse (when given) tells a refusal because another holds it,
  // which touched nothing.
  static std::unique_ptr<BusSession> Open(const BusOptions& options, Platform& platform,
                                          TraceLineSink sink, std::string& error,
                                          bool* inUse = nullptr);
  ~BusSession();
  BusSession(const BusSession&) = delete;
  BusSession& operator=(const BusSession&) = delete;

  HostLink& Link() { return traced_ ? *traced_ : *adapter_; }
  HostLink* LinkOrNull() { return adapter_ ? &Link() : nullptr; }
  HostLink& Adapter() { return *adapter_; }
  // The simulated gauge behind the adapter (sim:, i2c-sim:, cp2112-sim:); nullptr on hardware.
  sim::SimulatedGauge* Gauge() const { return gauge_; }
  const std::string& AdapterName() const { return name_; }
  // Where the panels save backups before they write data flash (empty: the default folder).
  const std::string& BackupDir() const { return backupDir_; }
  // False when the trace file lost a line.
  bool TraceWritten() const { return stream_.FileWritten(); }

 private:
  explicit BusSession(Platform& platform) : platform_(platform) {}

  Platform& platform_;
  std::string name_;
  std::string backupDir_;
  std::unique_ptr<HostLink> adapter_;
  sim::SimulatedGauge* gauge_ = nullptr;
  TraceTee stream_;
  std::unique_ptr<TraceLog> trace_;
  std::unique_ptr<HostLink> traced_;
};

}  // namespace gaugecal::session
