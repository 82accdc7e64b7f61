#include "adapters/cp2112/Cp2112Driver.h"

#include <cerrno>
#include <cstring>

#include "adapters/cp2112/Cp2112Link.h"
#include "adapters/cp2112/Reports.h"

namespace gaugecal::adapters::cp2112 {

namespace {

constexpr const char* kPermissions = "permissions: see docs/hardware.md";

std::string Serials(const std::vector<HidDeviceInfo>& found) {
  std::string list;
  for (const HidDeviceInfo& d : found)
    list += (list.empty() ? "" : ", ") + (d.serial.empty() ? "(no serial)" : d.serial);
  return list;
}

}  // namespace

std::vector<AttachedAdapter> Cp2112Driver::List() {
  std::vector<AttachedAdapter> attached;
  for (const HidDeviceInfo& d : hid_->Enumerate(kVendorId, kProductId))
    attached.push_back({"cp2112:" + d.serial, "CP2112 USB-to-SMBus bridge, serial " + d.serial});
  return attached;
}

std::unique_ptr<Adapter> Cp2112Driver::Open(const AdapterChoice& choice, std::string& error) {
  inUse_ = false;
  const std::vector<HidDeviceInfo> found = hid_->Enumerate(kVendorId, kProductId);
  std::vector<const HidDeviceInfo*> matching;
  for (const HidDeviceInfo& d : found) {
    if (choice.target.empty() || d.serial == choice.target)
      matching.push_back(&d);
  }
  const HidDeviceInfo* chosen = matching.size() == 1 ? matching.front() : nullptr;
  if (found.empty()) {
    error = std::string("no CP2112 bridge found (is it plugged in? ") + kPermissions + ")";
    return nullptr;
  }
  if (!chosen && choice.target.empty()) {
    error = std::to_string(found.size()) + " CP2112 bridges found (" + Serials(found) +
            "); name one as cp2112:SERIAL";
    return nullptr;
  }
  if (!chosen) {
    error = "no CP2112 bridge with serial " + choice.target + " (found: " + Serials(found) + ")";
    return nullptr;
  }
  // The lock comes before the bridge is opened: opening it sets its clock and timeouts under
  // the other station's transfers.
  std::unique_ptr<AdvisoryLock> lock;
  const int locked = hid_->Lock(chosen->path, lock);
  if (locked == -EWOULDBLOCK) {
    inUse_ = true;
    error = "the CP2112 bridge " + chosen->serial + kStationInUse;
    return nullptr;
  }
  std::string reason;
  std::unique_ptr<HidDevice> device = hid_->Open(chosen->path, reason);
  if (!device) {
    error = "cannot open the CP2112 bridge " + chosen->serial + ": " + reason + " (" +
            kPermissions + ")";
    return nullptr;
  }
  Cp2112Settings settings;
  settings.pec = choice.pec;
  if (choice.clockHz)
    settings.clockHz = *choice.clockHz;
  if (choice.timeoutMs)
    settings.timeoutMs = *choice.timeoutMs;
  if (choice.retries)
    settings.retries = static_cast<uint16_t>(*choice.retries);
  if (locked < 0) {
    error = "cannot lock the CP2112 bridge " + chosen->serial + ": " + std::strerror(-locked);
    return nullptr;
  }
  std::unique_ptr<Adapter> link =
      Cp2112Link::Open(std::move(device), chosen->serial, settings, platform_, error);
  if (link)
    link->HoldLock(std::move(lock));
  return link;
}

}  // namespace gaugecal::adapters::cp2112
