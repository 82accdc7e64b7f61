#include "calibration/CalTargets.h"

#include "device/ModuleState.h"

namespace gaugecal {

namespace {

constexpr int kG0 = kCalGroupRn44k18;
constexpr int kCedv = kCalGroupCedv;
constexpr int kQspan = kCalGroupQspan;

constexpr const char* kLiveTemperatureRows[kTemperatureSensors] = {
    "Internal Temp", "TS1 Temp", "TS2 Temp", "TS3 Temp", "TS4 Temp"};

constexpr const char* kGroup0TemperatureRows[kTemperatureSensors] = {
    "Int Temp Offset", "Ext 1 Temp Offset", "Ext 2 Temp Offset", "Ext 3 Temp Offset",
    "Ext 4 Temp Offset"};

// Per sensor, what each layout calibrates. CEDV's own list: TS2 goes to "Aux Temp Offset", the
// byte between the TS1 offset and the board offset; its "Ext 3 Temp Offset" [28] shares a byte
// with "Alt Cell 4 Scale" and its "Ext 4 Temp Offset" [29] lies past the 29-byte calibration
// area, so TS3 and TS4 are left alone there. QSPAN's TS4 goes to "Ext 4 Temp Offset" [27], the
// last of its five sensor offsets (nothing else of that list is calibrated into byte 27).
std::optional<TempTarget> OwnListTarget(CalLayout layout, int sensor) {
  if (layout == CalLayout::CedvOwn) {
    switch (sensor) {
      case 1:
        return TempTarget{{kCedv, "Temp Offset"}};
      case 2:
        return TempTarget{{kCedv, "Aux Temp Offset"}};
      default:
        return std::nullopt;
    }
  }
  constexpr const char* kQspanRows[kTemperatureSensors] = {
      nullptr, "Ext 1 Temp Offset", "Ext 2 Temp Offset", "Ext 3 Temp Offset", "Ext 4 Temp Offset"};
  if (kQspanRows[sensor] == nullptr)
    return std::nullopt;
  return TempTarget{{kQspan, kQspanRows[sensor]}};
}

}  // namespace

CalLayout CurrentCalLayout() {
  const CalConfig& c = Module().calConfig;
  switch (c.DFType) {
    case DfType::RN44K18:
      return CalLayout::Rn44k18;
    case DfType::CEDV_PLUS:
      return CalLayout::CedvPlus;
    case DfType::CEDV:
      return c.UseDataflashMap ? CalLayout::Mapped : CalLayout::CedvOwn;
    case DfType::QSPAN:
      break;
  }
  return c.UseDataflashMap ? CalLayout::Mapped : CalLayout::QspanOwn;
}

std::array<CalRowRef, 4> CellScaleTargets(CalLayout layout) {
  switch (layout) {
    case CalLayout::CedvOwn:
      return {{{kCedv, "Alt Cell 1 Scale"},
               {kCedv, "Alt Cell 2 Scale"},
               {kCedv, "Alt Cell 3 Scale"},
               {kCedv, "Alt Cell 4 Scale"}}};
    case CalLayout::QspanOwn:
      return {{{kQspan, "VCell 1 Scale Factor"},
               {kQspan, "VCell 2 Scale Factor"},
               {kQspan, "VCell 3 Scale Factor"},
               {kQspan, "VCell 4 Scale Factor"}}};
    default:
      return {{{kG0, "Cell Scale 0"},
               {kG0, "Cell Scale 1"},
               {kG0, "Cell Scale 2"},
               {kG0, "Cell Scale 3"}}};
  }
}

CalRowRef BatteryGainTarget() {
  return {kG0, "Battery Gain"};
}

std::optional<TempTarget> TemperatureTarget(CalLayout layout, int sensor) {
  if (sensor < 0 || sensor >= kTemperatureSensors)
    return std::nullopt;
  const CalRowRef group0{kG0, kGroup0TemperatureRows[sensor]};
  switch (layout) {
    case CalLayout::Rn44k18:
      return TempTarget{group0, TempSource::Live, kLiveTemperatureRows[sensor]};
    case CalLayout::CedvPlus:
      if (sensor == 4)
        return std::nullopt;
      if (sensor == 3)
        return TempTarget{group0, TempSource::Live, kLiveTemperatureRows[sensor]};
      return TempTarget{group0};
    case CalLayout::Mapped:
      if (sensor == 0 || sensor == 4)
        return std::nullopt;
      return TempTarget{group0};
    case CalLayout::CedvOwn:
    case CalLayout::QspanOwn:
      break;
  }
  return OwnListTarget(layout, sensor);
}

CalRowRef CCOffsetTarget(CalLayout layout) {
  switch (layout) {
    case CalLayout::CedvOwn:
      return {kCedv, "CC Offset"};
    case CalLayout::QspanOwn:
      return {kQspan, "CC Offset"};
    default:
      return {kG0, "Current Offset"};
  }
}

CalRowRef BoardOffsetTarget(CalLayout layout) {
  switch (layout) {
    case CalLayout::CedvOwn:
      return {kCedv, "Board Offset"};
    case CalLayout::QspanOwn:
      return {kQspan, "Board Offset"};
    default:
      return {kG0, "Board Offset"};
  }
}

CalRowRef CurrentGainTarget(CalLayout layout) {
  switch (layout) {
    case CalLayout::CedvOwn:
      return {kCedv, "Sense Resistor Gain"};
    case CalLayout::QspanOwn:
      return {kQspan, "Sense Resistor Gain"};
    default:
      return {kG0, "CC Gain"};
  }
}

CalRowRef CapacityGainTarget(CalLayout layout) {
  switch (layout) {
    case CalLayout::CedvOwn:
      return {kCedv, "Coulomb Cnt Delta"};
    case CalLayout::QspanOwn:
      return {kQspan, "Coulomb Counter Delta"};
    default:
      return {kG0, "Capacity Gain"};
  }
}

std::optional<CalRowRef> PackGainTarget(CalLayout layout) {
  switch (layout) {
    case CalLayout::Rn44k18:
    case CalLayout::CedvPlus:
      return CalRowRef{kG0, "Pack Gain"};
    case CalLayout::CedvOwn:
      return CalRowRef{kCedv, "Pack Gain"};
    case CalLayout::QspanOwn:
      return CalRowRef{kQspan, "AFE Pack Gain"};
    case CalLayout::Mapped:
      break;
  }
  // The map has no location key for a pack gain, so group 0's "Pack Gain" would sit at its
  // default position, which in these families' data flash belongs to another parameter.
  return std::nullopt;
}

}  // namespace gaugecal
