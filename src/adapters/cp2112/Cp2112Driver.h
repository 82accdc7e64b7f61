#pragma once
// The CP2112 driver behind the adapter interface: lists the bridges by serial number and opens
// one as host link.

#include <memory>

#include "adapters/Adapter.h"
#include "adapters/cp2112/Hid.h"

namespace gaugecal {
class Platform;
}

namespace gaugecal::adapters::cp2112 {

class Cp2112Driver : public AdapterDriver {
 public:
  Cp2112Driver(std::shared_ptr<HidBackend> hid, Platform& platform)
      : hid_(std::move(hid)), platform_(platform) {}

  std::vector<AttachedAdapter> List() override;
  std::unique_ptr<Adapter> Open(const AdapterChoice& choice, std::string& error) override;

 private:
  std::shared_ptr<HidBackend> hid_;
  Platform& platform_;
};

}  // namespace gaugecal::adapters::cp2112
