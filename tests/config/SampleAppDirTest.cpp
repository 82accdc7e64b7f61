// The sample application directory shipped with the tool: every default simulated gauge finds
// its section, target and description, and the description places the calibration rows where
// the calibration table reads them.

#include "config/ConfigFixture.h"
#include "config/DataFlashMap.h"
#include "config/Settings.h"

namespace gaugecal {
namespace {

struct SampleGauge {
  const char* device;
  const char* firmware;
  const char* build;
  const char* extra;
  DfType type;
  int calGroup;
  int16_t systemConfigAddress;
  std::vector<std::string> sections;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SampleGauge& g, std::ostream* os) {
  *os << g.device;
}

class SampleAppDirTest : public test::ConfigFixture,
                         public ::testing::WithParamInterface<SampleGauge> {
 protected:
  void SetUp() override {
    ConfigFixture::SetUp();
    const SampleGauge& g = GetParam();
    ModuleState& m = Module();
    m.appDirectory = std::string(GAUGECAL_SAMPLE_APPDIR) + "/";
    m.IdDevice = g.device;
    m.IdFirmware = g.firmware;
    m.IdBuild = g.build;
    m.IdExtra = g.extra;
  }
};

TEST_P(SampleAppDirTest, DescriptionHoldsEveryShownCalibrationRow) {
  const SampleGauge& g = GetParam();
  ASSERT_EQ(CheckConfiguration(), 0);
  InitCfgReader();
  ASSERT_EQ(dfdesc::LoadCfgFile(Module().DataFlashFilePath.c_str()), 0) << dfdesc::LastLoadError();
  const DisplayGroup& group = Module().CalTable[static_cast<size_t>(g.calGroup)];
  for (const DisplayItem& row : group.items) {
    if (!row.shown)
      continue;
    SCOPED_TRACE(row.name);
    int32_t subclass = 0, offset = 0;
    std::string value, defaultValue, type;
    ASSERT_NE(FindDfParameter("Calibration", "Data", row.name, subclass, offset, value,
                              defaultValue, type, false),
              kDfParameterNotFound);
    EXPECT_EQ(std::to_string(offset), row.position);
    EXPECT_EQ(type, row.dataType);
  }
  dfdesc::UnloadCfgFile();
}

INSTANTIATE_TEST_SUITE_P(
    Families, SampleAppDirTest,
    ::testing::Values(
        SampleGauge{"250", "1_10", "5", "0001", DfType::CEDV, kCalGroupCedv, 0, {"D250"}},
        SampleGauge{"450", "2_01", "7", "0002", DfType::QSPAN, kCalGroupQspan, 0, {"D450_2_01"}},
        SampleGauge{"A05",
                    "1_02",
                    "1B",
                    "0003",
                    DfType::RN44K18,
                    kCalGroupRn44k18,
                    64,
                    {"DA05", "DA05_1_02_1B"}},
        SampleGauge{
            "360", "3_00", "18", "0004", DfType::CEDV_PLUS, kCalGroupRn44k18, 64, {"D360_3_00"}}),
    [](const auto& p) { return std::string(DfTypeName(p.param.type)); });

}  // namespace
}  // namespace gaugecal
