#include "sim/FlashLayout.h"

#include <limits>

namespace gaugecal::sim {

namespace {

constexpr int kConfigOffset = 64;    // pages: page 1; rows: row 2 ("Registers", subclass 64)
constexpr int kQspanRegisters = 32;  // QSPAN subclass 64 in the linear image
constexpr int kDesignOffset = 96;    // pages: page 1; rows: row 3 ("Gas Gauging", "Design")
constexpr int kChargeOffset = 128;   // pages: page 2; rows: row 4 ("Configuration", "Charge")
constexpr int kQspanDesign = 48;     // QSPAN subclass 48 in the linear image
constexpr int kQspanCharge = 64;     // QSPAN subclass 34 in the linear image
constexpr int kQspanSize = 80;
constexpr double kCcGain = 0.9419;  // 4.768 / 5.062 mOhm
constexpr double kCapacityGain = 280932.625;

// What a technician sets after a cell replacement, and the charge and discharge thresholds: the
// same in every family, at design and charge the linear offsets of their two blocks.
void AddPackParams(std::vector<Param>& params, int design, int charge) {
  params.push_back({"Design Capacity", ParamType::U2, design, 4400});
  params.push_back({"Design Voltage", ParamType::U2, design + 2, 14400});
  params.push_back({"Cycle Count", ParamType::U2, design + 4, 0});
  params.push_back({"Remaining Capacity Alarm", ParamType::U2, design + 6, 440});
  params.push_back({"Charging Voltage", ParamType::U2, charge, 16800});
  params.push_back({"Charging Current", ParamType::U2, charge + 2, 2000});
  params.push_back({"Terminate Voltage", ParamType::U2, charge + 4, 9000});
}

// Rows of the RN44K18 and CEDV_PLUS calibration area (rows 0 and 1), typed as the tool's
// calibration table types them (the cell scales are signed), followed by the word that holds
// the cell count.
std::vector<Param> RowFamilyParams(Param configuration = {"System Configuration", ParamType::U2,
                                                          kConfigOffset, 0}) {
  return {
      {"Cell Scale 0", ParamType::I2, 0, 20451},
      {"Cell Scale 1", ParamType::I2, 2, 20468},
      {"Cell Scale 2", ParamType::I2, 4, 20520},
      {"Cell Scale 3", ParamType::I2, 6, 20455},
      {"Pack Gain", ParamType::U2, 8, 41000},
      {"Battery Gain", ParamType::U2, 10, 44100},
      {"CC Gain", ParamType::F4, 12, kCcGain},
      {"Capacity Gain", ParamType::F4, 16, kCapacityGain},
      {"Current Offset", ParamType::I2, 20, -7204},
      {"CC Offset Samples", ParamType::I2, 22, 64},
      {"Board Offset", ParamType::I2, 24, 0},
      {"Int Temp Offset", ParamType::I1, 26, 0},
      {"Ext 1 Temp Offset", ParamType::I1, 27, 0},
      {"Ext 2 Temp Offset", ParamType::I1, 28, 0},
      {"Ext 3 Temp Offset", ParamType::I1, 29, 0},
      {"Ext 4 Temp Offset", ParamType::I1, 30, 0},
      std::move(configuration),
  };
}

// CEDV page 0 (29 bytes of calibration) and the pack configuration word on page 1. The
// tool's table also names "Ext 3/4 Temp Offset" at 28 and 29, over the low byte of
// "Alt Cell 4 Scale" and past the area; this gauge has no such constants.
std::vector<Param> CedvParams() {
  return {
      {"Sense Resistor Gain", ParamType::F4, 0, kCcGain},
      {"Coulomb Cnt Delta", ParamType::F4, 4, kCapacityGain},
      {"CC Offset", ParamType::I2, 8, -7000},
      {"Int Temp Offset", ParamType::I1, 11, 0},
      {"Temp Offset", ParamType::I1, 12, 0},
      {"Aux Temp Offset", ParamType::I1, 13, 0},
      {"Board Offset", ParamType::I2, 14, 0},
      {"CC Offset Samples", ParamType::I2, 16, 64},
      {"Pack Gain", ParamType::U2, 19, 22050},
      {"Alt Cell 1 Scale", ParamType::U2, 21, 20500},
      {"Alt Cell 2 Scale", ParamType::U2, 23, 20501},
      {"Alt Cell 3 Scale", ParamType::U2, 25, 20502},
      {"Alt Cell 4 Scale", ParamType::U2, 27, 20503},
      {"Pack Configuration", ParamType::U2, kConfigOffset, 0},
  };
}

// QSPAN subclass 104 (calibration) and subclass 64 ("Registers", "Operation Cfg A").
std::vector<Param> QspanParams() {
  return {
      {"Sense Resistor Gain", ParamType::F4, 0, kCcGain},
      {"Coulomb Counter Delta", ParamType::F4, 4, kCapacityGain},
      {"VCell 1 Scale Factor", ParamType::U2, 8, 20500},
      {"VCell 2 Scale Factor", ParamType::U2, 10, 20500},
      {"VCell 3 Scale Factor", ParamType::U2, 12, 20500},
      {"VCell 4 Scale Factor", ParamType::U2, 14, 20500},
      {"AFE Pack Gain", ParamType::I2, 17, 20000},
      {"CC Offset", ParamType::I2, 19, -7744},
      {"Board Offset", ParamType::I2, 21, 0},
      {"Int Temp Offset", ParamType::I1, 23, 0},
      {"Ext 1 Temp Offset", ParamType::I1, 24, 0},
      {"Ext 2 Temp Offset", ParamType::I1, 25, 0},
      {"Ext 3 Temp Offset", ParamType::I1, 26, 0},
      {"Ext 4 Temp Offset", ParamType::I1, 27, 0},
      {"Operation Cfg A", ParamType::U2, kQspanRegisters, 0},
  };
}

// Calibration (104), "Registers" (64), "Design" (48) and "Charge" (34).
std::vector<Subclass> QspanSubclasses() {
  return {{104, 0, 32}, {64, kQspanRegisters, 16}, {48, kQspanDesign, 16}, {34, kQspanCharge, 16}};
}

struct RoleNames {
  std::array<const char*, 4> cellScale;
  const char* packGain;
  const char* batteryGain;
  const char* ccGain;
  const char* capacityGain;
  const char* ccOffset;
  const char* ccOffsetSamples;
  const char* boardOffset;
  std::array<const char*, 5> tempOffset;
  const char* configuration;
};

CalRoles ResolveRoles(const FlashLayout& layout, const RoleNames& n) {
  auto find = [&layout](const char* name) { return name ? layout.Find(name) : nullptr; };
  CalRoles r;
  for (size_t i = 0; i < 4; ++i)
    r.cellScale[i] = find(n.cellScale[i]);
  r.packGain = find(n.packGain);
  r.batteryGain = find(n.batteryGain);
  r.ccGain = find(n.ccGain);
  r.capacityGain = find(n.capacityGain);
  r.ccOffset = find(n.ccOffset);
  r.ccOffsetSamples = find(n.ccOffsetSamples);
  r.boardOffset = find(n.boardOffset);
  for (size_t i = 0; i < 5; ++i)
    r.tempOffset[i] = find(n.tempOffset[i]);
  r.configuration = find(n.configuration);
  return r;
}

const RoleNames kRowRoles = {{"Cell Scale 0", "Cell Scale 1", "Cell Scale 2", "Cell Scale 3"},
                             "Pack Gain",
                             "Battery Gain",
                             "CC Gain",
                             "Capacity Gain",
                             "Current Offset",
                             "CC Offset Samples",
                             "Board Offset",
                             {"Int Temp Offset", "Ext 1 Temp Offset", "Ext 2 Temp Offset",
                              "Ext 3 Temp Offset", "Ext 4 Temp Offset"},
                             "System Configuration"};

// CEDV or QSPAN with the RN44K18 calibration list: the family's image, addressing and
// configuration word; no battery gain (these gauges report the stack as battery voltage).
FlashLayout MakeRowLayout(DfType family) {
  FlashLayout l;
  l.family = family;
  l.rowLayout = true;
  RoleNames names = kRowRoles;
  names.batteryGain = nullptr;
  if (family == DfType::CEDV) {
    l.size = kPageSize * kPageCount;
    names.configuration = "Pack Configuration";
    l.params = RowFamilyParams({names.configuration, ParamType::U2, kConfigOffset, 0});
    AddPackParams(l.params, kDesignOffset, kChargeOffset);
  } else {
    l.size = kQspanSize;
    l.subclasses = QspanSubclasses();
    names.configuration = "Operation Cfg A";
    l.params = RowFamilyParams({names.configuration, ParamType::U2, kQspanRegisters, 0});
    AddPackParams(l.params, kQspanDesign, kQspanCharge);
  }
  l.roles = ResolveRoles(l, names);
  return l;
}

FlashLayout MakeLayout(DfType family) {
  FlashLayout l;
  l.family = family;
  switch (family) {
    case DfType::CEDV:
      l.size = kPageSize * kPageCount;
      l.params = CedvParams();
      AddPackParams(l.params, kDesignOffset, kChargeOffset);
      l.roles = ResolveRoles(
          l, {{"Alt Cell 1 Scale", "Alt Cell 2 Scale", "Alt Cell 3 Scale", "Alt Cell 4 Scale"},
              "Pack Gain",
              nullptr,
              "Sense Resistor Gain",
              "Coulomb Cnt Delta",
              "CC Offset",
              "CC Offset Samples",
              "Board Offset",
              {"Int Temp Offset", "Temp Offset", "Aux Temp Offset", nullptr, nullptr},
              "Pack Configuration"});
      break;
    case DfType::QSPAN:
      l.size = kQspanSize;
      l.params = QspanParams();
      AddPackParams(l.params, kQspanDesign, kQspanCharge);
      l.subclasses = QspanSubclasses();
      l.roles = ResolveRoles(l, {{"VCell 1 Scale Factor", "VCell 2 Scale Factor",
                                  "VCell 3 Scale Factor", "VCell 4 Scale Factor"},
                                 "AFE Pack Gain",
                                 nullptr,
                                 "Sense Resistor Gain",
                                 "Coulomb Counter Delta",
                                 "CC Offset",
                                 nullptr,
                                 "Board Offset",
                                 {"Int Temp Offset", "Ext 1 Temp Offset", "Ext 2 Temp Offset",
                                  "Ext 3 Temp Offset", "Ext 4 Temp Offset"},
                                 "Operation Cfg A"});
      break;
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      l.size = kRowSize * kRowCount;
      l.params = RowFamilyParams();
      AddPackParams(l.params, kDesignOffset, kChargeOffset);
      l.roles = ResolveRoles(l, kRowRoles);
      break;
  }
  return l;
}

}  // namespace

std::pair<double, double> TypeRange(ParamType type) {
  switch (type) {
    case ParamType::U1:
      return {0, 255};
    case ParamType::I1:
      return {-128, 127};
    case ParamType::U2:
      return {0, 65535};
    case ParamType::I2:
      return {-32768, 32767};
    case ParamType::F4:
      break;
  }
  return {-std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
}

const Param* FlashLayout::Find(const std::string& name) const {
  for (const Param& p : params) {
    if (p.name == name)
      return &p;
  }
  return nullptr;
}

const FlashLayout& LayoutOf(DfType family, bool rowLayout) {
  static const FlashLayout layouts[] = {MakeLayout(DfType::CEDV), MakeLayout(DfType::QSPAN),
                                        MakeLayout(DfType::RN44K18), MakeLayout(DfType::CEDV_PLUS)};
  static const FlashLayout rowLayouts[] = {MakeRowLayout(DfType::CEDV),
                                           MakeRowLayout(DfType::QSPAN)};
  const bool own = family == DfType::RN44K18 || family == DfType::CEDV_PLUS;
  return rowLayout && !own ? rowLayouts[static_cast<int>(family)]
                           : layouts[static_cast<int>(family)];
}

int CellBitsOffset(DfType family) {
  switch (family) {
    case DfType::CEDV:
      return kConfigOffset;  // MSB of the pack configuration word
    case DfType::QSPAN:
      return kQspanRegisters;  // high byte of "Operation Cfg A"
    case DfType::RN44K18:
      return kConfigOffset + 1;
    case DfType::CEDV_PLUS:
      return kConfigOffset;
  }
  return kConfigOffset;
}

int TemperatureMapOffset(DfType family) {
  return family == DfType::RN44K18 || family == DfType::CEDV_PLUS ? kConfigOffset + 1 : -1;
}

}  // namespace gaugecal::sim
