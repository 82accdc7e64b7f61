// Data flash of the simulated gauges in the three addressing schemes: 64-byte pages (CEDV),
// subclasses (QSPAN) and 32-byte rows through manufacturer access (RN44K18, CEDV_PLUS); the
// default images against the tool's calibration table; the cell count configuration.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "calibration/Acquisition.h"
#include "device/Codecs.h"
#include "device/ModuleState.h"
#include "device/TableDecoders.h"
#include "support/SimBench.h"

namespace gaugecal::test {
namespace {

const DfType kFamilies[] = {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS};

TEST(SimDataFlash, DefaultCalibrationAreasDecodeToTheTableDefaults) {
  // Where the gauge starts from other values than the table's "Default" column (docs/sim.md).
  const std::map<std::pair<DfType, std::string>, std::string> deviations = {
      {{DfType::CEDV, "Sense Resistor Gain"}, "0.942"},
      {{DfType::CEDV, "Coulomb Cnt Delta"}, "280932.625"},
      {{DfType::CEDV, "Ext 3 Temp Offset"}, "23"},  // the low byte of "Alt Cell 4 Scale"
      {{DfType::QSPAN, "Sense Resistor Gain"}, "0.942"},
      {{DfType::QSPAN, "Coulomb Counter Delta"}, "280932.625"},
      {{DfType::QSPAN, "AFE Pack Gain"}, "20000"},
  };
  for (DfType family : kFamilies) {
    SCOPED_TRACE(DfTypeName(family));
    SimBench h(family);
    ASSERT_EQ(ReadCalBuffer(), 0);
    TransferCalBufferToTable();
    const DisplayGroup& g = Module().CalTable[static_cast<size_t>(CalGroupForFamily())];
    for (const DisplayItem& item : g.items) {
      if (item.name.empty())
        continue;
      const auto deviation = deviations.find({family, item.name});
      std::string expected = item.defaultValue;
      if (deviation != deviations.end())
        expected = deviation->second;
      else if (item.dataType == "F4")
        expected = FormatFixed3(*ParseDecimal(item.defaultValue));
      EXPECT_EQ(item.value, expected) << item.name;
    }
  }
}

TEST(SimDataFlash, CedvPagesReadAndWriteAsSixtyFourByteBlocks) {
  SimBench h(DfType::CEDV);
  auto page = h.Block(0x58);
  ASSERT_EQ(page.size(), 64u);
  EXPECT_EQ(h.Word(0x2F), 0x0200) << "pack configuration: MSB bits 1..0 = 3 cells - 1";
  EXPECT_EQ(h.Block(0x59).at(0), 0x02) << "the pack configuration lives on page 1";

  page[8] = 0xE5;  // "CC Offset" -6912 = 0xE500
  page[9] = 0x00;
  EXPECT_EQ(h.WriteBlock(0x58, page), 0);
  EXPECT_EQ(h.Block(0x58), page);
  EXPECT_EQ(h.Gauge().Flash().Get(*h.Gauge().Flash().Layout().Find("CC Offset")), -6912.0);

  EXPECT_NE(h.WriteBlock(0x58, std::vector<uint8_t>(65, 0)), 0) << "longer than a page";
  EXPECT_NE(h.WriteBlock(0x5C, page), 0) << "there is no page 4";
  h.Block(0x5C);
  EXPECT_NE(h.lastStatus, 0);
  h.Gauge().SetSecurity(sim::SecurityMode::Sealed);
  EXPECT_NE(h.WriteBlock(0x58, std::vector<uint8_t>(64, 0)), 0) << "sealed";
  EXPECT_EQ(h.Block(0x58), page) << "a refused write stores nothing";
}

TEST(SimDataFlash, QspanSubclassesAreSelectedByAWordAndReadAsABlock) {
  SimBench h(DfType::QSPAN);
  h.Block(0x78);
  EXPECT_NE(h.lastStatus, 0) << "no subclass selected yet";

  // Both ways the tool writes the subclass number.
  EXPECT_EQ(h.Link().WriteSMBusWord(0x77, 0, 104, kGaugeAddress), 0);
  auto cal = h.Block(0x78);
  ASSERT_EQ(cal.size(), 32u);
  EXPECT_EQ(h.WriteWord(0x77, 64), 0);
  const auto registers = h.Block(0x78);
  ASSERT_EQ(registers.size(), 16u);
  EXPECT_EQ((registers[0] & 3) + 1, 4) << "\"Operation Cfg A\" high byte: 4 cells";

  EXPECT_NE(h.WriteWord(0x77, 99), 0) << "no subclass 99";
  EXPECT_EQ(h.Block(0x78).size(), 16u) << "the earlier selection stays";

  h.WriteWord(0x77, 104);
  std::vector<uint8_t> part(cal.begin(), cal.begin() + 20);
  part[19] = 0x40;  // "CC Offset" high byte
  EXPECT_EQ(h.WriteBlock(0x78, part), 0);
  const auto after = h.Block(0x78);
  EXPECT_TRUE(std::equal(part.begin(), part.end(), after.begin()));
  EXPECT_TRUE(std::equal(cal.begin() + 20, cal.end(), after.begin() + 20)) << "rest kept";
  EXPECT_NE(h.WriteBlock(0x78, std::vector<uint8_t>(33, 0)), 0) << "longer than the subclass";
}

TEST(SimDataFlash, RowsAreSelectedBySubcommandAndCarriedByBlock2F) {
  for (DfType family : {DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    SimBench h(family);
    h.Mac(0x0102);
    const auto config = h.Block(0x2F);
    ASSERT_EQ(config.size(), 32u);
    const int cellBits = family == DfType::RN44K18 ? config[1] : config[0];
    EXPECT_EQ((cellBits & 3) + 1, h.Gauge().Settings().cells);

    h.Mac(0x0101);
    std::vector<uint8_t> row(32);
    for (size_t i = 0; i < row.size(); ++i)
      row[i] = static_cast<uint8_t>(i * 7);
    EXPECT_EQ(h.WriteBlock(0x2F, row), 0);
    h.Mac(0x0100);
    EXPECT_NE(h.Block(0x2F), row);
    h.Mac(0x0101);
    EXPECT_EQ(h.Block(0x2F), row);
    EXPECT_EQ(h.Block(0x23), row) << "0x23 answers the row request too";

    EXPECT_NE(h.WriteBlock(0x2F, std::vector<uint8_t>(31, 0)), 0) << "a row is 32 bytes";
    h.Mac(0x0108);
    h.Block(0x2F);
    EXPECT_NE(h.lastStatus, 0) << "there is no row 8";
    h.Mac(0x0101);
    h.Gauge().SetSecurity(sim::SecurityMode::Sealed);
    EXPECT_NE(h.WriteBlock(0x2F, std::vector<uint8_t>(32, 0)), 0) << "sealed";
    EXPECT_EQ(h.Block(0x2F), row);
  }
  SimBench cedv(DfType::CEDV);
  cedv.Mac(0x0100);
  EXPECT_EQ(cedv.Block(0x2F).size(), 20u) << "a CEDV gauge has no rows";
}

TEST(SimDataFlash, TheConfiguredCellCountLimitsTheReportedCells) {
  SimBench h(DfType::RN44K18);
  auto& flash = h.Gauge().Flash();
  EXPECT_NE(h.Gauge().ReportedNow().cellMv[3], 0);
  h.Mac(0x0102);
  auto row = h.Block(0x2F);
  row[1] = static_cast<uint8_t>((row[1] & ~3) | 2);  // 3 cells
  EXPECT_EQ(h.WriteBlock(0x2F, row), 0);
  EXPECT_EQ(flash.ConfiguredCells(), 3);
  EXPECT_EQ(h.Gauge().ReportedNow().cellMv[3], 0);
  EXPECT_EQ(h.Word(0x3C), 0);
}

}  // namespace
}  // namespace gaugecal::test
