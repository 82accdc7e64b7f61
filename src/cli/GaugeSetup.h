#pragma once
// What the commands that work on calibration data do first, as the panel's start-up does:
// check communication, build the display tables, read the identification and run the
// configuration check that fills CalConfig for the connected gauge and firmware.

#include <cstdint>

#include "cli/Cli.h"

namespace gaugecal::cli {

struct GaugeSetup {
  int32_t communication = 0;   // CheckCommunication
  int32_t identification = 0;  // status of the identification read
  int32_t configuration = 0;   // CheckConfiguration
  bool Ok() const { return communication == 0 && identification == 0 && configuration == 0; }
};

GaugeSetup SetUpGauge(CliContext& context);

}  // namespace gaugecal::cli
