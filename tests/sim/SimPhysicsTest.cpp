// The closed loop of the simulated gauges: constants written into data flash over the bus
// (at the positions of the tool's calibration table) move the reported values as the model's
// equations say, and constants computed from raw blocks the way the calibrations compute them
// make every family report the applied references.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <stdexcept>

#include "calibration/Acquisition.h"
#include "config/CalConfig.h"
#include "device/Codecs.h"
#include "device/ModuleState.h"
#include "device/TableDecoders.h"
#include "support/SimBench.h"

namespace gaugecal::test {
namespace {

const DfType kFamilies[] = {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS};

bool RowFamily(DfType f) {
  return f == DfType::RN44K18 || f == DfType::CEDV_PLUS;
}

// The gauge's names of the constants that carry each meaning; the tests write them at the
// positions the tool's calibration table gives, so the two maps are checked against each other.
const sim::CalRoles& RowsOf(DfType family) {
  return sim::LayoutOf(family).roles;
}

// A row of the tool's calibration table for the family (position and data type).
const DisplayItem& ToolRow(DfType family, const sim::Param* param) {
  const std::string& name = param->name;
  Module().calConfig = CalConfig::Defaults(family);
  InitDisplayTables();
  for (const DisplayItem& item :
       Module().CalTable[static_cast<size_t>(CalGroupForFamily())].items) {
    if (item.name == name)
      return item;
  }
  throw std::runtime_error("no calibration row " + name);
}

using Area = std::array<uint8_t, 256>;

// Big-endian value of a row in the local calibration buffer, and the way back.
double Take(const Area& area, const DisplayItem& row) {
  const auto p = static_cast<size_t>(std::stoi(row.position));
  if (row.dataType == "F4")
    return DecodeF4({area[p], area[p + 1], area[p + 2], area[p + 3]});
  if (row.dataType == "I1")
    return static_cast<int8_t>(area[p]);
  if (row.dataType == "I2")
    return BytesToInt16(area[p], area[p + 1]);
  return area[p] * 256 + area[p + 1];
}

void Put(Area& area, const DisplayItem& row, double value) {
  const auto p = static_cast<size_t>(std::stoi(row.position));
  if (row.dataType == "F4") {
    const auto f = EncodeF4(value);
    std::copy(f.begin(), f.end(), area.begin() + static_cast<std::ptrdiff_t>(p));
  } else if (row.dataType == "I1") {
    area[p] = static_cast<uint8_t>(*RoundToInt32(value) & 0xFF);
  } else {
    const auto v = static_cast<uint16_t>(*RoundToInt32(value) & 0xFFFF);
    area[p] = static_cast<uint8_t>(v >> 8);
    area[p + 1] = static_cast<uint8_t>(v & 0xFF);
  }
}

// Reads the calibration area with the tool's routine, lets edit change it and writes it back
// (the write verifies the read-back).
void Update(const std::function<void(Area&)>& edit) {
  ASSERT_EQ(ReadCalBuffer(), 0);
  edit(Module().calBuffer);
  ASSERT_EQ(WriteCalBuffer(), 0);
}

int16_t Current(SimBench& h) {
  return static_cast<int16_t>(h.Word(0x0A));
}

uint16_t Temperature(SimBench& h, size_t sensor) {
  return Le16(h.MacBlock(0x72), 2 * sensor);
}

// Averages four fresh raw blocks field by field, rounding halves to even.
std::vector<int32_t> AverageRaw(SimBench& h, uint16_t output) {
  std::vector<int32_t> sum(12, 0);
  h.Mac(output);
  for (int n = 0; n < 4; ++n) {
    h.platform.Sleep(250);
    const auto b = h.Block(0x23);
    for (size_t f = 0; f < 12; ++f) {
      const uint16_t v = Le16(b, 2 + 2 * f);
      const bool signedField = f == 0 || (f >= 5 && f <= 9);
      sum[f] += signedField ? static_cast<int16_t>(v) : v;
    }
  }
  for (int32_t& s : sum)
    s = *RoundToInt32(s / 4.0);
  return sum;
}

sim::Scenario QuietScenario(DfType family) {
  sim::Scenario s = sim::DefaultScenario(family);
  s.noiseCounts = 0;
  s.currentMa = -2000;
  return s;
}

TEST(SimPhysics, ConstantsInDataFlashMoveTheReportedValues) {
  for (DfType family : kFamilies) {
    SCOPED_TRACE(DfTypeName(family));
    SimBench h(QuietScenario(family));
    const sim::CalRoles& rows = RowsOf(family);
    const sim::RawSample raw = h.Gauge().RawNow(false);

    // Cell 1: stack_1 = R1 x S1 / 65536.
    const DisplayItem& scale = ToolRow(family, rows.cellScale[0]);
    Update([&](auto& a) { Put(a, scale, 20000); });
    EXPECT_EQ(h.Word(0x3F), std::nearbyint(raw.cell[0] * 20000.0 / 65536));

    // Pack: R_pack x G / 65536, the same meaning in every family.
    const DisplayItem& pack = ToolRow(family, rows.packGain);
    Update([&](auto& a) { Put(a, pack, 30000); });
    EXPECT_EQ(h.Word(0x5A), std::nearbyint(raw.pack * 30000.0 / 65536));

    // Current: linear in the gain.
    const DisplayItem& gain = ToolRow(family, rows.ccGain);
    const int16_t before = Current(h);
    Update([&](auto& a) { Put(a, gain, Take(a, gain) * 1.25); });
    EXPECT_NEAR(Current(h), before * 1.25, 1.0);

    // Coulomb counter offset: 64 x 200 less offset is 200 counts more current.
    const DisplayItem& offset = ToolRow(family, rows.ccOffset);
    const int16_t beforeOffset = Current(h);
    double gainValue = 0;
    Update([&](auto& a) {
      gainValue = Take(a, gain);
      Put(a, offset, Take(a, offset) - 12800);
    });
    EXPECT_NEAR(Current(h) - beforeOffset, 200 * gainValue / (4.768 * 0.4), 1.0);

    // Temperature: one unit of offset is 0.1 K.
    const DisplayItem& ts1 = ToolRow(family, rows.tempOffset[1]);
    const uint16_t t1 = Temperature(h, 1);
    Update([&](auto& a) { Put(a, ts1, -25); });
    EXPECT_EQ(Temperature(h, 1), t1 - 25);
    EXPECT_EQ(h.Word(0x08), t1 - 25) << "the standard temperature command reports TS1";
  }
}

TEST(SimPhysics, DefaultConstantsFitAPackWithoutConverterErrors) {
  for (DfType family : kFamilies) {
    SCOPED_TRACE(DfTypeName(family));
    sim::Scenario s = QuietScenario(family);
    s.cellMv = {4000, 4000, 4000, 4000};
    s.cellError = {};
    s.batteryError = {};
    s.packError = {};
    s.temperatureErrorC = {};
    s.senseResistorMilliohm = 4.768 / 0.9419;  // the resistor the default gain belongs to
    s.boardOffsetCounts = 0;
    SimBench h(s);
    const sim::CalRoles& rows = RowsOf(family);
    ASSERT_EQ(ReadCalBuffer(), 0);
    const Area& area = Module().calBuffer;
    h.Gauge().Settings().ccOffsetCounts = Take(area, ToolRow(family, rows.ccOffset)) / 64;

    // The default scale factors are within 0.3 % of nominal; a cell is the difference of two
    // stacks, so it is the stacks that stay within 0.3 %.
    int stack = 0;
    for (int n = 0; n < s.cells; ++n) {
      stack += h.Word(0x3F - n);
      EXPECT_NEAR(stack, 4000 * (n + 1), 4000 * (n + 1) * 0.003) << "stack " << n + 1;
    }
    EXPECT_NEAR(h.Word(0x5A), 4000.0 * s.cells, 1.0);
    EXPECT_NEAR(h.Word(0x09), 4000.0 * s.cells, RowFamily(family) ? 1.0 : 12.0 * s.cells);
    EXPECT_NEAR(Current(h), -2000, 1.0);
    EXPECT_EQ(Temperature(h, 1), 2732 + 250);
  }
}

TEST(SimPhysics, CalibratingWithTheToolsFormulasReportsTheReferences) {
  for (DfType family : kFamilies) {
    SCOPED_TRACE(DfTypeName(family));
    sim::Scenario s = QuietScenario(family);
    s.cellMv = {4000, 4000, 4000, 4000};
    s.currentMa = 0;
    s.temperatureC = {30.0, 25.0, 35.0, 25.0, 25.0};
    SimBench h(s);
    const sim::CalRoles& rows = RowsOf(family);
    const int cells = s.cells;
    const double stackRef = 4000.0 * cells;
    if (RowFamily(family))
      h.Mac(kCalMode);

    // Coulomb counter offset: offset output, K x sample scale.
    const auto offsetRaw = AverageRaw(h, kOffsetRaw);
    const int32_t ccOffset = offsetRaw[0] * 64;
    Update([&](auto& a) { Put(a, ToolRow(family, rows.ccOffset), ccOffset); });
    // Board offset: normal output with no load, K x scale - the offset.
    const auto noLoad = AverageRaw(h, kRaw);
    Update([&](auto& a) { Put(a, ToolRow(family, rows.boardOffset), noLoad[0] * 64 - ccOffset); });
    EXPECT_EQ(Current(h), 0);

    // Voltages: cumulative references over summed raw counts.
    const auto r = AverageRaw(h, kRaw);
    const uint16_t packBefore = h.Word(0x5A);
    Update([&](auto& a) {
      int32_t sum = 0;
      for (int n = 0; n < cells; ++n) {
        sum += r[1 + static_cast<size_t>(n)];
        Put(a, ToolRow(family, rows.cellScale[static_cast<size_t>(n)]),
            *RoundToInt32(4000.0 * (n + 1) / sum * 65536));
      }
      const DisplayItem& pack = ToolRow(family, rows.packGain);
      if (rows.batteryGain) {
        Put(a, pack, *RoundToInt32(stackRef / r[10] * 65536));
        Put(a, ToolRow(family, rows.batteryGain), *RoundToInt32(stackRef / r[11] * 65536));
      } else {
        Put(a, pack, *RoundToInt32(Take(a, pack) * stackRef / packBefore));
      }
    });

    // Temperatures: (actual - reported) x 10 + the old offset.
    Update([&](auto& a) {
      for (size_t i = 0; i < 3; ++i) {
        const DisplayItem& row = ToolRow(family, rows.tempOffset[i]);
        const double reported = (Temperature(h, i) - 2732) / 10.0;
        Put(a, row, *RoundToInt32((s.temperatureC[i] - reported) * 10 + Take(a, row)));
      }
    });

    // Current: a known load, the gain rescaled by actual over reported.
    h.Gauge().Settings().currentMa = -2000;
    const int16_t reported = Current(h);
    Update([&](auto& a) {
      const DisplayItem& gain = ToolRow(family, rows.ccGain);
      Put(a, gain, -2000.0 * Take(a, gain) / reported);
    });
    if (RowFamily(family)) {
      h.Mac(kExit);
      h.Mac(kCalMode);
      EXPECT_FALSE(h.Gauge().CalibrationMode());
    }

    for (int n = 0; n < cells; ++n)
      EXPECT_EQ(h.Word(0x3F - n), 4000) << "cell " << n + 1;
    EXPECT_EQ(h.Word(0x09), stackRef);
    EXPECT_NEAR(h.Word(0x5A), stackRef, RowFamily(family) ? 0.0 : 1.0);
    EXPECT_NEAR(Current(h), -2000, 1.0);
    for (size_t i = 0; i < 3; ++i)
      EXPECT_EQ(Temperature(h, i), 2732 + s.temperatureC[i] * 10) << "sensor " << i;
    h.Gauge().Settings().currentMa = 0;
    EXPECT_EQ(Current(h), 0);
  }
}

}  // namespace
}  // namespace gaugecal::test
