// The sample application directory shipped with the tool: for every default simulated gauge the
// description places the calibration rows where the calibration table reads them. That each
// gauge finds its sections and description is checked by the check-config command test.

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
    ::testing::Values(SampleGauge{"250", "1_10", "5", "0001", DfType::CEDV, kCalGroupCedv},
                      SampleGauge{"450", "2_01", "7", "0002", DfType::QSPAN, kCalGroupQspan},
                      SampleGauge{"A05", "1_02", "1B", "0003", DfType::RN44K18, kCalGroupRn44k18},
                      SampleGauge{"360", "3_00", "18", "0004", DfType::CEDV_PLUS,
                                  kCalGroupRn44k18}),
    [](const auto& p) { return std::string(DfTypeName(p.param.type)); });

}  // namespace
}  // namespace gaugecal
