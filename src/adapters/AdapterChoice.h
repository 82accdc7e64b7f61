#pragma once
// The --adapter names: which driver, which device and its options.
//   sim:FAMILY                      the simulated gauge itself
//   i2c:/dev/i2c-N[,OPTIONS]        Linux i2c-dev bus
//   cp2112[:SERIAL][,OPTIONS]       CP2112 USB-to-SMBus bridge (the only one when no serial)
//   i2c-sim:FAMILY[,OPTIONS]        the i2c-dev driver over an emulated kernel and gauge
//   cp2112-sim:FAMILY[,OPTIONS]     the CP2112 driver over an emulated bridge and gauge
// OPTIONS, comma-separated: pec, timeout=MS, retries=N, and for the bridge clock=HZ.

#include <cstdint>
#include <optional>
#include <string>

namespace gaugecal::adapters {

enum class AdapterKind { Sim, I2c, Cp2112, I2cSim, Cp2112Sim };

struct AdapterChoice {
  AdapterKind kind = AdapterKind::Sim;
  std::string target;  // device path, serial number (may be empty) or gauge family
  bool pec = false;
  std::optional<int> timeoutMs;
  std::optional<int> retries;
  std::optional<uint32_t> clockHz;
};

// nullptr-like empty result and a message naming the problem for a name that does not parse.
std::optional<AdapterChoice> ParseAdapterChoice(const std::string& text, std::string& error);

// The names the tool knows, for messages.
extern const char* const kKnownAdapters;

}  // namespace gaugecal::adapters
