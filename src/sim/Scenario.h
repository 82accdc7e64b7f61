#pragma once
// Everything that makes one simulated battery pack and its gauge: the family and its
// identification, the true physical quantities, the converter errors and noise, the initial
// data flash, the security state, the manufacturer access commands and the faults to inject.
// Tests build one with DefaultScenario and change fields; tools read one from a JSON file
// (ScenarioJson.h). docs/sim.md describes every field.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/CalConfig.h"

namespace gaugecal::sim {

enum class SecurityMode : uint8_t { FullAccess = 1, Unsealed = 2, Sealed = 3 };

// Converter error of one voltage channel: counts = true value x nominal counts per unit
// x (1 + gainError) + offsetCounts.
struct ChannelError {
  double gainError = 0.0;
  double offsetCounts = 0.0;
};

enum class FaultKind {
  NoAnswer,        // no device answers at the address: every transfer fails
  Nack,            // the chosen transfers are not acknowledged
  ShortBlock,      // the chosen block reads lose their last bytes
  LongBlock,       // the chosen block reads carry extra bytes
  CounterStops,    // the rolling counter (and the converter) stops
  CorruptWrite,    // the chosen data flash write stores other bytes than sent
  WrongDigest,     // one byte of the authentication digest is wrong
  MsbFirstDigest,  // the authentication digest goes on the bus most significant byte first
  ErrorStatus,     // the transfer does its work (a read delivers its bytes) but reports failure
  // Faults of a bus adapter; only the emulated adapters (i2c-sim, cp2112-sim) have them.
  BusyForever,      // the transfer never completes
  ArbitrationLost,  // another master takes the bus: the transfer does not happen
  ReadIncomplete,   // a read ends after its first bytes bytes
  PecMismatch,      // the packet error code is corrupted on the way
  Unplugged,        // the adapter goes away during the transfer, and stays away
};

struct Fault {
  FaultKind kind = FaultKind::Nack;
  std::string member = "";                    // host-link member; empty matches every one
  std::optional<int> command = std::nullopt;  // SMBus command; empty matches every one
  int occurrence = 1;      // first affected matching transfer, from 1; 0 = all of them
  int count = 1;           // how many consecutive matching transfers are affected
  int bytes = 1;           // ShortBlock / LongBlock: bytes removed or added; ReadIncomplete: kept
  int offset = 0;          // CorruptWrite: byte within the written block; WrongDigest: bus byte
  uint8_t xorMask = 0x01;  // CorruptWrite: bits flipped in that byte
  double afterMs = 0.0;    // CounterStops: platform time after the gauge was opened
};

// Manufacturer access register and the subcommands a configuration may move.
struct MacCommands {
  uint8_t accessRegister = 0x00;
  uint16_t calMode = 0x002D;
  uint16_t exit = 0xF080;
  uint16_t rawOutput = 0xF081;
  uint16_t offsetOutput = 0xF082;
  uint8_t calFlagCommand = 0x74;  // CEDV_PLUS calibration flag word
  int calFlagBit = 15;            // bit of that word (the tool's position 16 = sign bit 15)
};

struct Scenario {
  DfType family = DfType::RN44K18;
  uint8_t address = 0x17;
  std::vector<uint8_t> identification;  // 11 or 13 bytes answered on block 0x2F

  // The pack: series cells fitted (2 to 4; the default data flash configures the same count).
  int cells = 4;
  std::array<double, 4> cellMv{};         // true voltage of each cell, mV
  std::optional<double> packMv;           // pack connector voltage; default: the stack
  double currentMa = 0.0;                 // through the sense resistor; discharge negative
  double currentDriftMaPerS = 0.0;        // the load drifting: added per second since power-up
  std::array<double, 5> temperatureC{};   // internal, TS1, TS2, TS3, TS4
  double stateOfCharge = 75.0;            // percent, as 0x0D reports it
  double remainingMah = 4000.0;           // charge in the pack at power-up, mAh (0x0F)
  double senseResistorMilliohm = 5.0620;  // nominal 4.768 / 0.9419

  // Converter: gain errors and offsets per channel, coulomb counter offsets, noise.
  std::array<ChannelError, 4> cellError{};
  ChannelError batteryError{};
  ChannelError packError{};
  std::array<double, 5> temperatureErrorC{};  // sensor offset error per sensor, degrees
  double ccOffsetCounts = -110.0;             // coulomb counter offset, counts per sample
  double boardOffsetCounts = 10.0;            // board leakage seen by the counter, counts
  double noiseCounts = 1.0;                   // uniform noise amplitude on every channel
  uint64_t seed = 1;                          // noise and challenges

  // Data flash: the linear image (a prefix; the rest keeps the defaults), then named
  // parameters of the gauge's map on top, then the persistence file if it exists.
  bool rowLayout = false;  // CEDV, QSPAN: calibration area in the RN44K18 layout
  std::vector<uint8_t> dataFlash;
  std::vector<std::pair<std::string, double>> parameters;
  std::string dataFlashFile;
  // The scenario-file keys that shape the initial image ("cells", "dataFlash", "parameters");
  // an existing persistence file replaces that image.
  std::vector<std::string> imageKeys;

  // Standard commands: serial number, manufacture date (packed: day + month * 32 + (year - 1980)
  // * 512), BatteryMode, the full charge capacity and the names answered as text blocks.
  uint16_t serialNumber = 1;
  uint16_t manufactureDate = 15 + 1 * 32 + (2026 - 1980) * 512;
  uint16_t batteryMode = 0x6001;
  double fullChargeMah = 4300.0;
  std::string manufacturerName = "gaugecal";
  std::string deviceName;  // empty: "SIM-" and the family's name
  std::string deviceChemistry = "LION";

  SecurityMode security = SecurityMode::Unsealed;
  std::array<uint8_t, 16> key{};  // most significant byte first

  MacCommands mac;
  bool calibrationMode = false;  // RN44K18 / CEDV_PLUS start in calibration mode

  std::vector<Fault> faults;
};

// The built-in gauge of a family: identification, cells and a pack with realistic converter
// errors (so calibration is needed), Unsealed, the default key.
Scenario DefaultScenario(DfType family);

std::optional<DfType> ParseFamily(const std::string& name);

// Faults of a bus adapter rather than of the gauge (busy forever ... unplugged).
bool IsAdapterFault(FaultKind kind);

// "Sealed", "Unsealed", "FullAccess", as scenario and data flash files write them.
const char* SecurityModeName(SecurityMode mode);
std::optional<SecurityMode> ParseSecurityMode(const std::string& name);

// 32 hexadecimal digits (blanks between pairs allowed) into 16 bytes; false otherwise.
bool ParseKey(const std::string& hex, std::array<uint8_t, 16>& key);

}  // namespace gaugecal::sim
