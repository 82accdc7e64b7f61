#include "config/CalConfig.h"

namespace gaugecal {

const char* DfTypeName(DfType type) {
  switch (type) {
    case DfType::CEDV:
      return "CEDV";
    case DfType::QSPAN:
      return "QSPAN";
    case DfType::RN44K18:
      return "RN44K18";
    case DfType::CEDV_PLUS:
      return "CEDV_PLUS";
  }
  return "";
}

CalConfig CalConfig::Defaults(DfType type) {
  CalConfig c;
  c.calmode = 0x002D;
  c.exitCalCommand = static_cast<int16_t>(0xF080);
  c.outputCalValuesCommand = static_cast<int16_t>(0xF081);
  c.outputCalValuesforOffsetCommand = static_cast<int16_t>(0xF082);
  c.CEDVPLUSCALFLAG = 0x74;
  c.CEDVPLUSCALFLAGBITPOS = 16;
  c.NumSamples = 4;
  c.KVMAC = 0;
  c.IntTSSupported = true;
  c.TS1Supported = true;
  c.TS2Supported = true;
  c.TS3Supported = false;
  c.TS4Supported = false;
  c.BatteryVSupported = false;
  c.PackVSupported = true;
  c.ReadAltCellVoltages = false;
  c.RawCalDataBlockSize = 26;
  c.UseLegacyrn44k18CalCommands = "0";
  c.UseCellScaleDFforCorrection = false;
  c.UseDataflashMap = false;
  c.DFType = type;
  return c;
}

}  // namespace gaugecal
