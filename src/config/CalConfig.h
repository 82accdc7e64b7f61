#pragma once
// CalConfig: the settings of the connected gauge and firmware, read from config.ini. One record
// per process (it lives in the module state); every field starts at zero, false or empty and is
// filled by the configuration check at each panel start-up.

#include <cstdint>
#include <optional>
#include <string>

namespace gaugecal {

// Gauge family, the data flash type named by the DFType key.
enum class DfType : int16_t { CEDV = 0, QSPAN = 1, RN44K18 = 2, CEDV_PLUS = 3 };

const char* DfTypeName(DfType type);

struct CalConfig {
  int16_t calmode = 0;
  int16_t exitCalCommand = 0;
  int16_t outputCalValuesCommand = 0;
  int16_t outputCalValuesforOffsetCommand = 0;
  int16_t CEDVPLUSCALFLAG = 0;
  int16_t CEDVPLUSCALFLAGBITPOS = 0;
  int16_t NumSamples = 0;
  uint8_t KVMAC = 0;
  bool IntTSSupported = false;
  bool TS1Supported = false;
  bool TS2Supported = false;
  bool TS3Supported = false;
  bool TS4Supported = false;
  bool BatteryVSupported = false;
  bool PackVSupported = false;
  bool ReadAltCellVoltages = false;
  int16_t RawCalDataBlockSize = 0;
  std::string UseLegacyrn44k18CalCommands;
  bool UseCellScaleDFforCorrection = false;
  bool UseDataflashMap = false;
  DfType DFType = DfType::CEDV;
  std::string CCOffsetSampleLocation;
  std::string rn44k18SystemConfigLocation;
  std::string TS1readTemperature;
  std::string TS2readTemperature;
  std::string PackVoltageReadCommand;
  // Data flash address of the system configuration word; empty until the configuration check
  // found it in the description, so nothing reads or writes an address that is not known.
  std::optional<int16_t> SystemConfigAddress;

  // The values config.ini gives when a section names none of the keys (a convenience for
  // tools and tests that set up a gauge without reading a file).
  static CalConfig Defaults(DfType type);
};

}  // namespace gaugecal
