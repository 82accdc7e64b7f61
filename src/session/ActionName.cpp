#include "session/ActionName.h"

namespace gaugecal::session {

const char* ActionName(CalibrationAction action) {
  switch (action) {
    case CalibrationAction::VoltageTemperature:
      return "voltage-temperature";
    case CalibrationAction::PackVoltage:
      return "pack-voltage";
    case CalibrationAction::PackCurrent:
      return "current";
    case CalibrationAction::CCOffset:
      return "cc-offset";
    case CalibrationAction::BoardOffset:
      break;
  }
  return "board-offset";
}

}  // namespace gaugecal::session
