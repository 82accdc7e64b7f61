#pragma once
// A scripted host link behind the traced module state: tests queue exact answers and read
// back every transfer, sleep, wait and message box in order.

#include "device/TracingHostLink.h"
#include "support/ScriptedHostLink.h"
#include "support/TracedBench.h"

namespace gaugecal::test {

class ScriptedBench : public TracedBench {
 public:
  explicit ScriptedBench(DfType family) : TracedBench(family) { Module().hostLink = &traced_; }

  ScriptedHostLink link;

 private:
  TracingHostLink traced_{link, Log()};
};

}  // namespace gaugecal::test
