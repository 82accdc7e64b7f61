// Feeds arbitrary text to the scenario file parser, for every adapter family and for none.
// A refused text must say why; an accepted one must open as a gauge (its data flash file left
// out, so nothing is written) that answers a data flash read.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/VirtualPlatform.h"
#include "sim/ScenarioJson.h"
#include "sim/SimulatedGauge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  // The first byte picks the adapter's family (or none, so the text must name one).
  const int pick = data[0] % 5;
  const std::optional<gaugecal::DfType> adapter =
      pick == 4 ? std::nullopt : std::optional(static_cast<gaugecal::DfType>(pick));
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string error;
  std::optional<gaugecal::sim::Scenario> s =
      gaugecal::sim::ParseScenario(text, "fuzz.json", adapter, "", error);
  if (!s) {
    if (error.empty())
      __builtin_trap();  // a refusal names the problem
    return 0;
  }
  if (adapter && s->family != *adapter)
    __builtin_trap();  // the adapter decides the family
  s->dataFlashFile.clear();
  gaugecal::VirtualPlatform platform;
  auto gauge = gaugecal::sim::OpenGauge(*s, platform, error);
  if (!gauge) {
    if (error.empty())
      __builtin_trap();
    return 0;
  }
  uint8_t buffer[256] = {};
  int16_t length = 0;
  gauge->WriteSMBusWord_(0x00, 0x0100, s->address);
  gauge->ReadSMBusBlock_(0x2F, buffer, length, s->address);
  gauge->ReadSMBusBlock_(0x58, buffer, length, s->address);
  return 0;
}
