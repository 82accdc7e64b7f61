#include "adapters/Scan.h"

#include <array>

namespace gaugecal::adapters {

namespace {

constexpr int16_t kGaugeAddress = 0x17;
constexpr int16_t kManufacturerAccess = 0x00;
constexpr int16_t kManufacturerData = 0x23;
constexpr int16_t kDeviceType = 0x0001;
constexpr int16_t kSubcommandSettleMs = 3;

// The device type from manufacturer access, or nothing when no gauge answers.
std::optional<uint16_t> DeviceType(HostLink& link) {
  if (link.WriteSMBusWord_(kManufacturerAccess, kDeviceType, kGaugeAddress) != 0)
    return std::nullopt;
  link.Delay(kSubcommandSettleMs);
  std::array<uint8_t, 256> block{};
  int16_t length = 0;
  if (link.ReadSMBusBlock_(kManufacturerData, block, length, kGaugeAddress) != 0 || length < 2)
    return std::nullopt;
  return static_cast<uint16_t>(block[1] << 8 | block[0]);
}

}  // namespace

std::vector<ScanResult> ScanAdapters(const std::vector<std::unique_ptr<AdapterDriver>>& drivers) {
  std::vector<ScanResult> results;
  for (const auto& driver : drivers) {
    for (const AttachedAdapter& attached : driver->List()) {
      ScanResult r{attached, "", std::nullopt};
      std::optional<AdapterChoice> choice = ParseAdapterChoice(attached.name, r.openError);
      std::unique_ptr<Adapter> adapter = choice ? driver->Open(*choice, r.openError) : nullptr;
      if (adapter) {
        r.adapter.description = adapter->Describe();
        r.deviceType = DeviceType(*adapter);
        adapter->Close();
      }
      results.push_back(std::move(r));
    }
  }
  return results;
}

}  // namespace gaugecal::adapters
