#include <cmath>

#include "config/AppDirectory.h"
#include "config/ConfigFixture.h"
#include "config/DataFlashMap.h"
#include "dfdesc/DfReader.h"

namespace gaugecal {
namespace {

using test::ConfigFixture;

const char* kNoTarget =
    "Data Flash Configuration not found. Please obtain a version of Morvane that supports this "
    "device and Firmware version.";
const char* kNoDescriptionName =
    "Data Flash Configuration not found. Please obtain a version of Morvane that supports this "
    "device.";
const char* kCannotOpen =
    "Unrecognized device or cannot find the .encr file for the connected device. This file is "
    "needed to configure the dataflash.";

struct TargetCase {
  const char* name;
  const char* morvane;  // nullptr: no Morvane.ini
  int32_t status;
  const char* path;  // DataFlashFilePath relative to the application directory
  const char* message;
  MsgIcon icon;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const TargetCase& g, std::ostream* os) {
  *os << g.name;
}

class FindDataFlashFileTest : public ConfigFixture,
                              public ::testing::WithParamInterface<TargetCase> {};

TEST_P(FindDataFlashFileTest, FindsTheTargetAndOpensItsDescription) {
  const TargetCase& c = GetParam();
  if (c.morvane)
    dir.Write("Morvane.ini", c.morvane);
  dir.Write("fw.ini", "[DataFlash]\nDefaults=fw.gdf.json\n");
  dir.Write("build.ini", "[DataFlash]\nDefaults=build.gdf.json\n");
  dir.Write("nodf.ini", "[Other]\nDefaults=fw.gdf.json\n");
  dir.Write("absent.ini", "[DataFlash]\nDefaults=absent.gdf.json\n");
  dir.Write("broken.ini", "[DataFlash]\nDefaults=broken.gdf.json\n");
  dir.Write("fw.gdf.json", test::kTestDescription);
  dir.Write("build.gdf.json", test::kTestDescription);
  dir.Write("broken.gdf.json", "{\"format\": \"gaugecal-dfdesc\"");

  EXPECT_EQ(FindDataFlashFile(), c.status);
  const std::string path = c.path[0] == 'N' ? c.path : (c.path[0] ? dir.Dir() + c.path : "");
  EXPECT_EQ(Module().DataFlashFilePath, path);
  const auto& messages = platform.Messages();
  if (!c.message) {
    EXPECT_TRUE(messages.empty());
  } else {
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].text, c.message);
    EXPECT_EQ(messages[0].icon, c.icon);
  }
  EXPECT_EQ(dfdesc::GetNumClasses(), 0) << "the description is unloaded again";
}

INSTANTIATE_TEST_SUITE_P(
    Targets, FindDataFlashFileTest,
    ::testing::Values(TargetCase{"FirmwareKeyOnly", "[Targets]\nA05_1_02=fw.ini\n", 0,
                                 "fw.gdf.json", nullptr, MsgIcon::None},
                      TargetCase{"BuildKeyWins",
                                 "[Targets]\nA05_1_02=fw.ini\nA05_1_02_1B=build.ini\n", 0,
                                 "build.gdf.json", nullptr, MsgIcon::None},
                      TargetCase{"KeysMatchWithoutCase", "[targets]\na05_1_02_1b=build.ini\n", 0,
                                 "build.gdf.json", nullptr, MsgIcon::None},
                      TargetCase{"OtherFirmwareOnly", "[Targets]\nA05_1_03=fw.ini\n", 1, "",
                                 kNoTarget, MsgIcon::None},
                      TargetCase{"NoMorvaneIni", nullptr, 1, "", kNoTarget, MsgIcon::None},
                      TargetCase{"TargetWithoutDataFlash", "[Targets]\nA05_1_02=nodf.ini\n", 1, "",
                                 kNoDescriptionName, MsgIcon::Critical},
                      TargetCase{"TargetFileMissing", "[Targets]\nA05_1_02=gone.ini\n", 1, "",
                                 kNoDescriptionName, MsgIcon::Critical},
                      TargetCase{"DescriptionMissing", "[Targets]\nA05_1_02=absent.ini\n", 0, "NG",
                                 kCannotOpen, MsgIcon::None},
                      TargetCase{"DescriptionMalformed", "[Targets]\nA05_1_02=broken.ini\n", 0,
                                 "NG", kCannotOpen, MsgIcon::None}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ConfigFixture, LaterStartUpKeepsTheEarlierDescriptionWhenTheTargetNamesNone) {
  WriteDataFlashFiles();
  ASSERT_EQ(FindDataFlashFile(), 0);
  dir.Write("target.ini", "[DataFlash]\n");
  EXPECT_EQ(FindDataFlashFile(), 0);
  EXPECT_EQ(Module().DataFlashFilePath, dir.Dir() + "desc.gdf.json");
  EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(ConfigFixture, InitCfgReaderCompletesTheHandshakeWithTheDrawnNumber) {
  WriteDataFlashFiles();
  VirtualPlatform twin;  // same seed: draws the same number
  InitCfgReader();
  const double expected = std::trunc(twin.Rnd() * 2147483632.0 + 1.0);
  ASSERT_TRUE(dfdesc::Reader().seed.has_value());
  EXPECT_EQ(*dfdesc::Reader().seed, static_cast<int32_t>(expected));
  EXPECT_EQ(dfdesc::LoadCfgFile((dir.Dir() + "desc.gdf.json").c_str()), 0);
  dfdesc::ResetReader();
  EXPECT_NE(dfdesc::LoadCfgFile((dir.Dir() + "desc.gdf.json").c_str()), 0);
}

// Loads a description through the handshake, as every caller of FindDfParameter does.
void Load(const test::TempDir& dir, const std::string& text) {
  const std::string path = dir.Write("lookup.gdf.json", text);
  InitCfgReader();
  ASSERT_EQ(dfdesc::LoadCfgFile(path.c_str()), 0) << dfdesc::LastLoadError();
}

struct Found {
  int32_t cls = -1;
  int32_t subclass = -1;
  int32_t offset = -1;
  std::string value, defaultValue, dataType;
};

Found Find(const std::string& c, const std::string& s, const std::string& p, bool quiet) {
  Found f;
  f.cls =
      FindDfParameter(c, s, p, f.subclass, f.offset, f.value, f.defaultValue, f.dataType, quiet);
  return f;
}

TEST_F(ConfigFixture, FindDfParameterReturnsLocationTextsAndUpperCasedType) {
  Load(dir, test::kTestDescription);
  const Found f = Find("Configuration", "Registers", "System Configuration", false);
  EXPECT_EQ(f.cls, 1);
  EXPECT_EQ(f.subclass, 64);
  EXPECT_EQ(f.offset, 0);
  EXPECT_EQ(f.value, "0x0003");
  EXPECT_EQ(f.defaultValue, "0x0002");
  EXPECT_EQ(f.dataType, "H2");
  EXPECT_TRUE(platform.Messages().empty());
}

// "Registers" twice in class "Config" (the first without the parameter) and again in a second
// class "Config": the search goes on past the first subclass and stops at the lower class.
const char* kSharedNames = R"({"format": "gaugecal-dfdesc", "version": 1, "classes": [
  {"name": "Other", "subclasses": [{"name": "Registers", "number": 1, "parameters": [
    {"name": "P", "offset": 1, "type": "U1", "value": "1"}]}]},
  {"name": "Config", "subclasses": [
    {"name": "Registers", "number": 10, "parameters": [
      {"name": "Q", "offset": 2, "type": "U1", "value": "2"}]},
    {"name": "Registers", "number": 20, "parameters": [
      {"name": "P", "offset": 3, "type": "U1", "value": "3"}]}]},
  {"name": "Config", "subclasses": [{"name": "Registers", "number": 30, "parameters": [
    {"name": "P", "offset": 4, "type": "U1", "value": "4"},
    {"name": "R", "offset": 5, "type": "U1", "value": "5"}]}]}]})";

TEST_F(ConfigFixture, FindDfParameterTakesTheFirstMatchInIndexOrder) {
  Load(dir, kSharedNames);
  const struct {
    const char* parameter;
    int32_t cls, subclass, offset;
  } cases[] = {{"P", 1, 20, 3}, {"Q", 1, 10, 2}, {"R", 2, 30, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.parameter);
    const Found f = Find("Config", "Registers", c.parameter, false);
    EXPECT_EQ(f.cls, c.cls);
    EXPECT_EQ(f.subclass, c.subclass);
    EXPECT_EQ(f.offset, c.offset);
  }
  EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(ConfigFixture, FindDfParameterNotFoundIsQuietOnlyWhenAsked) {
  Load(dir, kSharedNames);
  const struct {
    const char *cls, *subclass, *parameter;
  } cases[] = {{"Config", "Registers", "Z"},
               {"config", "Registers", "P"},  // names match with case
               {"Config", "Register", "P"},
               {"", "", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.cls) + "." + c.subclass + "." + c.parameter);
    platform.ClearMessages();
    EXPECT_EQ(Find(c.cls, c.subclass, c.parameter, true).cls, kDfParameterNotFound);
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_EQ(Find(c.cls, c.subclass, c.parameter, false).cls, kDfParameterNotFound);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{
                                  std::string("Error: Could not find subclass and offset for ") +
                                  c.cls + "." + c.subclass + "." + c.parameter});
  }
}

TEST(AppDirectoryTest, RemovesTheLastSevenCharactersOfThePluginDirectory) {
  EXPECT_EQ(AppDirectoryFromPluginDirectory("C:\\Morvane\\plugins"), "C:\\Morvane\\");
  EXPECT_EQ(AppDirectoryFromPluginDirectory("/opt/morvane/plugins"), "/opt/morvane/");
  EXPECT_EQ(AppDirectoryFromPluginDirectory("plugins"), "");
  EXPECT_EQ(AppDirectoryFromPluginDirectory("x"), "");
}

}  // namespace
}  // namespace gaugecal
