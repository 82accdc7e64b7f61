// check-config end to end: the tool in-process against each default simulated gauge, with the
// sample application directory and virtual time.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "CliRun.h"
#include "cli/Cli.h"

namespace gaugecal {
namespace {

struct Family {
  const char* name;
  const char* description;             // file in appdir/dataflash
  nlohmann::json systemConfigAddress;  // null: not known
  std::vector<std::string> sections;
  std::vector<std::string> movedRows;  // calibration rows the location keys changed
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Family& g, std::ostream* os) {
  *os << g.name;
}

class CheckConfigTest : public ::testing::TestWithParam<Family> {};

TEST_P(CheckConfigTest, SampleConfigurationChecksOutForEachSimulatedGauge) {
  const Family& f = GetParam();
  const test::CliResult r = test::RunCli(
      {"--adapter", std::string("sim:") + f.name, "--virtual-time", "--json", "check-config"});
  ASSERT_EQ(r.status, cli::kExitOk) << r.err << r.out;
  EXPECT_EQ(r.err, "");
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["calConfig"]["DFType"], f.name);
  EXPECT_EQ(j["sections"].get<std::vector<std::string>>(), f.sections);
  EXPECT_EQ(j["DataFlashFilePath"],
            std::string(GAUGECAL_SAMPLE_APPDIR) + "/dataflash/" + f.description);
  EXPECT_EQ(j["SystemConfigAddress"], f.systemConfigAddress);
  std::vector<std::string> moved;
  for (const auto& row : j["changedRows"])
    moved.push_back(row["name"]);
  EXPECT_EQ(moved, f.movedRows);
  EXPECT_EQ(j["calConfig"].size(), 27U) << "every CalConfig field";
  EXPECT_EQ(j["ok"], true);
}

TEST_P(CheckConfigTest, TextOutputNamesTheFamily) {
  const Family& f = GetParam();
  const test::CliResult r =
      test::RunCli({"--adapter", std::string("sim:") + f.name, "--virtual-time", "check-config"});
  ASSERT_EQ(r.status, cli::kExitOk) << r.err;
  EXPECT_NE(r.out.find("DFType                            " + std::string(f.name) + "\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Status:                ok\n"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Families, CheckConfigTest,
    ::testing::Values(Family{"CEDV", "cedv_250.gdf.json", nullptr, {"D250"}, {}},
                      Family{"QSPAN", "qspan_450.gdf.json", nullptr, {"D450_2_01"}, {}},
                      Family{"RN44K18",
                             "rn44k18_a05.gdf.json",
                             64,
                             {"DA05", "DA05_1_02_1B"},
                             {"Ext 3 Temp Offset", "Ext 4 Temp Offset"}},
                      Family{"CEDV_PLUS", "cedv_plus_360.gdf.json", 64, {"D360_3_00"}, {}}),
    [](const auto& p) { return std::string(p.param.name); });

// An application directory with everything but config.ini.
TEST(CheckConfigFailureTest, MissingConfigIniShowsBothMessagesAndFails) {
  test::TempDir dir;
  const std::filesystem::path sample = GAUGECAL_SAMPLE_APPDIR;
  std::filesystem::copy(sample, dir.Dir(), std::filesystem::copy_options::recursive);
  dir.Remove("config.ini");
  const test::CliResult r = test::RunCli(
      {"--adapter", "sim:RN44K18", "--virtual-time", "--appdir", dir.Dir(), "check-config"});
  EXPECT_EQ(r.status, cli::kExitFailed);
  EXPECT_EQ(r.err,
            "message (critical): config.ini file does not exist in application directory. "
            "Please check installation. Do not proceed with calibration.\n"
            "message: Could not find Morvane configured version for connected Firmware or key "
            "configuration incorrect in application directory in file config.ini.\n");
  EXPECT_NE(r.out.find("Sections found:        none\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Status:                failed\n"), std::string::npos) << r.out;
}

TEST(CheckConfigFailureTest, BrokenDescriptionIsReportedWithItsReason) {
  test::TempDir dir;
  std::filesystem::copy(std::filesystem::path(GAUGECAL_SAMPLE_APPDIR), dir.Dir(),
                        std::filesystem::copy_options::recursive);
  dir.Write("dataflash/rn44k18_a05.gdf.json", R"({"format": "gaugecal-dfdesc", "version": 1,
    "classes": [{"name": "Configuration", "subclasses": [{"name": "Registers", "number": 64,
    "parameters": [{"name": "System Configuration", "offset": -2, "type": "H2", "value": "0"}]}]}]})");
  const test::CliResult r = test::RunCli({"--adapter", "sim:RN44K18", "--virtual-time", "--appdir",
                                          dir.Dir(), "--json", "check-config"});
  EXPECT_EQ(r.status, cli::kExitFailed) << "the section was found, but the messages say stop";
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["DataFlashFilePath"], "NG");
  EXPECT_EQ(j["descriptionError"],
            "classes[0].subclasses[0].parameters[0].offset: must be a whole number from 0 to "
            "65535");
  EXPECT_NE(r.err.find("message: Not able to Columb Counter Offset location.\n"), std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace gaugecal
