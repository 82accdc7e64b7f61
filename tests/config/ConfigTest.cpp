// The configuration of the connected gauge: config.ini sections and keys, the command texts,
// the calibration row location keys, the data flash map through Morvane.ini and the
// description reader, and the display tables' rebuild.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "config/AppDirectory.h"
#include "config/DataFlashMap.h"
#include "config/Settings.h"
#include "dfdesc/DfReader.h"
#include "support/Bench.h"

namespace gaugecal::test {
namespace {

using Texts = std::vector<std::string>;

// "Registers" twice in the first "Configuration" class (the first without "System
// Configuration") and again in a second class of that name: a search goes on past the first
// subclass and stops at the lower class.
const char* kDescription = R"({"format": "gaugecal-dfdesc", "version": 1, "classes": [
  {"name": "Calibration", "subclasses": [{"name": "Data", "number": 0, "parameters": [
    {"name": "Cell Scale 0", "offset": 0, "type": "I2", "value": "20451"}]}]},
  {"name": "Configuration", "subclasses": [
    {"name": "Registers", "number": 60, "parameters": [
      {"name": "Operation Cfg A", "offset": 2, "type": "H2", "value": "0x0103"}]},
    {"name": "Registers", "number": 64, "parameters": [
      {"name": "System Configuration", "offset": 0, "type": "h2", "value": "0x0003",
       "default": "0x0002"},
      {"name": "Operation Cfg A", "offset": 9, "type": "H2", "value": "0"}]}]},
  {"name": "Configuration", "subclasses": [{"name": "Registers", "number": 80, "parameters": [
    {"name": "System Configuration", "offset": 4, "type": "H2", "value": "0"},
    {"name": "Later", "offset": 6, "type": "S9", "value": "0"}]}]}]})";

const std::string kSystemConfigLocation = "Configuration,Registers,System Configuration";
const std::string kSystemConfig = "rn44k18SystemConfigLocation=" + kSystemConfigLocation + "\n";
const std::string kCommands =
    "PackVoltageReadCommand=SBS,90\nTS1readTemperature=SBS,8\nTS2readTemperature=SBS,94\n";
const std::string kInConfigIni = " in application directory in file config.ini.";
const std::string kFault = "General Error reading configuration file. Error returned was ";

// A fresh module on a virtual platform with the application directory in a temporary
// directory and the identification A05, 1_02, build 1B, 0003.
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModule();
    dfdesc::ResetReader();
    platform.ClearMessages();
    ModuleState& m = Module();
    m.platform = &platform;
    m.appDirectory = dir.Dir();
    m.IdDevice = "A05";
    m.IdFirmware = "1_02";
    m.IdBuild = "1B";
    m.IdExtra = "0003";
    InitDisplayTables();
    dir.Write("Morvane.ini", "[Targets]\nA05_1_02=target.ini\n");
    dir.Write("target.ini", "[DataFlash]\nDefaults=desc.gdf.json\n");
    dir.Write("desc.gdf.json", kDescription);
  }
  void TearDown() override {
    ResetModule();
    dfdesc::ResetReader();
  }
  // A fresh start-up's configuration check of a config.ini with this text.
  int32_t Check(const std::string& configIni, bool fresh = true) {
    if (fresh)
      SetUp();
    dir.Write("config.ini", configIni);
    return CheckConfiguration();
  }
  Texts Said() const {
    Texts texts;
    for (const MessageRecord& m : platform.Messages())
      texts.push_back(m.text);
    return texts;
  }
  const CalConfig& Config() const { return Module().calConfig; }

  VirtualPlatform platform;
  TempDir dir;
};

std::string Describe(const CalConfig& c) {
  std::ostringstream s;
  s << c.calmode << ' ' << c.exitCalCommand << ' ' << c.outputCalValuesCommand << ' '
    << c.outputCalValuesforOffsetCommand << ' ' << c.CEDVPLUSCALFLAG << ' '
    << c.CEDVPLUSCALFLAGBITPOS << ' ' << c.NumSamples << ' ' << int{c.KVMAC} << ' '
    << c.IntTSSupported << c.TS1Supported << c.TS2Supported << c.TS3Supported << c.TS4Supported
    << c.BatteryVSupported << c.PackVSupported << c.ReadAltCellVoltages << ' '
    << c.RawCalDataBlockSize << ' ' << c.UseLegacyrn44k18CalCommands << ' '
    << c.UseCellScaleDFforCorrection << c.UseDataflashMap << ' ' << DfTypeName(c.DFType) << " ["
    << c.CCOffsetSampleLocation << "|" << c.rn44k18SystemConfigLocation << "|"
    << c.TS1readTemperature << "|" << c.TS2readTemperature << "|" << c.PackVoltageReadCommand
    << "] " << c.SystemConfigAddress.value_or(-1);
  return s.str();
}

TEST_F(ConfigTest, SectionsAreReadFromTheLeastSpecificOnTheLastDecidingTheIntegerKeys) {
  ASSERT_EQ(Check("[DA05]\n" + kSystemConfig), 0);
  const std::string tail = " 26 0 00 RN44K18 [|" + kSystemConfigLocation + "|||] 64";
  EXPECT_EQ(Describe(Config()), "45 -3968 -3967 -3966 116 16 4 0 11100010" + tail);
  // The firmware section decides the integer keys (their defaults where it names none); text
  // and location keys of the device section stay.
  ASSERT_EQ(Check("[DA05_1_02]\ncalmode=0x66\nDFType=rn44k18\n[DA05]\ncalmode=0x55\nNumSamples=8\n"
                  "TS3Supported=1\nKVMAC=0x10\nScaleCell0=1,30\n" +
                  kSystemConfig),
            0);
  EXPECT_EQ(Describe(Config()), "102 -3968 -3967 -3966 116 16 4 0 11100010" + tail);
  EXPECT_EQ(Module().CalTable[kCalGroupRn44k18].items[2].position, "30");
  EXPECT_EQ(Said(), Texts{});
  // All four levels are read; the family is trimmed and upper-cased; an empty DFType keeps
  // code 0 on a first start-up and the earlier section's family after it; a key without a
  // value keeps its default or earlier value.
  for (const auto& [ini, expected] : std::vector<std::pair<std::string, std::string>>{
           {"[DA05_1_02_1B_0003]\nNumSamples=9\n[DA05_1_02_1B]\nNumSamples=7\n[DA05]\nNumSamples="
            "5\n",
            "RN44K18 9 "},
           {"[DA05]\nDFType=\" cedv_plus \"\nPackVSupported=0\nTS1readTemperature=SBS,8\n"
            "TS2Supported=0\n",
            "CEDV_PLUS 4 "},
           {"[DA05]\nDFType=\nNumSamples=\n" + kCommands, "CEDV 4 SBS,90"},
           {"[DA05]\nDFType=CEDV\n" + kCommands +
                "[DA05_1_02]\nDFType=\nNumSamples=\nPackVoltageReadCommand=\n",
            "CEDV 4 SBS,90"}}) {
    ASSERT_EQ(Check(ini + kSystemConfig), 0);
    EXPECT_EQ(Said(), Texts{}) << ini;
    EXPECT_EQ(std::string(DfTypeName(Config().DFType)) + " " + std::to_string(Config().NumSamples) +
                  " " + Config().PackVoltageReadCommand,
              expected);
  }
  // A later start-up keeps what it does not read.
  ASSERT_EQ(Check("[DA05]\nDFType=CEDV\nPackVoltageReadCommand=sbs,90\nTS1readTemperature=MAC,8\n"
                  "TS2readTemperature=SBS,94\n"),
            0);
  ASSERT_EQ(Check("[DA05]\n" + kSystemConfig, false), 0);
  EXPECT_EQ(Config().PackVoltageReadCommand + Config().TS1readTemperature, "SBS,90MAC,8");
}

TEST_F(ConfigTest, AFaultEndsTheReadOfItsSection) {
  ASSERT_EQ(Check("[DA05]\nNumSamples=6\nDFType=CEDV+\n" + kSystemConfig), 0);
  EXPECT_EQ(Said(), Texts{"Device Dataflash configuration type not found in configuration file.  "
                          "Please do not proceed with calibration until this is resolved. Check "
                          "DFType key" +
                          kInConfigIni});
  EXPECT_EQ(Config().NumSamples, 6);
  EXPECT_EQ(Config().rn44k18SystemConfigLocation, "");
  // A value that does not fit its field ("!") is a fault. KVMAC comes after NumSamples, the
  // 16-bit commands before it; all before RawCalDataBlockSize and DFType.
  for (std::string line : {"KVMAC=255", "KVMAC=256!", "KVMAC=-1!", "KVMAC=0", "calmode=32767",
                           "calmode=32768!", "calmode=-32768", "calmode=-32769!",
                           "exitCalCommand=0xF080!", "ReadAltCellVoltages=123456"}) {
    const bool fault = line.back() == '!';
    SetUp();
    Module().calConfig.RawCalDataBlockSize = 99;
    dir.Write("config.ini", "[DA05]\nNumSamples=1\nRawCalDataBlockSize=26\n" +
                                line.substr(0, line.size() - fault) + "\n" + kSystemConfig);
    const int64_t warnings = platform.WarningCount();
    ASSERT_EQ(CheckConfiguration(), 0);
    EXPECT_EQ(Said(), fault ? Texts{kFault + "Overflow"} : Texts{}) << line;
    EXPECT_TRUE(fault || platform.WarningCount() == warnings) << line;  // one sample will do
    EXPECT_EQ(Config().RawCalDataBlockSize, fault ? 99 : 26) << line;
    EXPECT_EQ(Config().NumSamples, !fault || line[0] == 'K' ? 1 : 0) << line;
    EXPECT_EQ(Config().DFType, fault ? DfType::CEDV : DfType::RN44K18) << line;
  }
}

TEST_F(ConfigTest, EachFamilyNeedsItsLocationKeys) {
  // QSPAN reads on without its sample location; a location of an earlier section counts.
  ASSERT_EQ(Check("[DA05]\nDFType=QSPAN\nPackVoltageReadCommand=SBS,16\n"), 0);
  EXPECT_EQ(Said(), (Texts{"Location of base CC Offset Samples parameter name not found for QSpan "
                           "style device. Check key name CCOffsetSampleLocation in application "
                           "directory in file named config.ini.  Check entry in Morvane "
                           "application directory in file config.ini.",
                           "Command value for key PackVoltageReadCommand is out of range. Please "
                           "check key value" +
                               kInConfigIni}));
  ASSERT_EQ(Check("[DA05_1_02]\nDFType=QSPAN\n[DA05]\nDFType=QSPAN\nCCOffsetSampleLocation=C,D\n" +
                  kCommands),
            0);
  EXPECT_EQ(Said(), Texts{});
  EXPECT_EQ(Config().CCOffsetSampleLocation, "C,D");
  for (const char* family : {"RN44K18", "CEDV_PLUS"}) {
    ASSERT_EQ(Check(std::string("[DA05]\nDFType=") + family + "\n"), 0);
    EXPECT_EQ(Said(), Texts{"Location of base System Configuration address name not found. Check "
                            "entry in Morvane application directory in file config.ini."});
    EXPECT_EQ(Module().LiveTable[kLiveTemperatures].itemCount, 7) << "the read ended";
  }
  const std::string syntax =
      "Error reading rn44k18 System Configuration Location in configuration file. Please do not "
      "proceed with calibration until this is resolved.";
  const std::string notFound = "Error: Could not find subclass and offset for Configuration.";
  const std::string noLocation = "Not able to Columb Counter Offset location.";
  for (const auto& [value, address, said] :
       std::vector<std::tuple<std::string, std::optional<int16_t>, Texts>>{
           {" Configuration , Registers , Operation Cfg A ", 62, {}},
           {"Configuration,Registers,Later", 86, {}},
           {"Configuration,Registers,System Configuration,extra", 64, {}},
           {"Configuration,,System Configuration", std::nullopt, {syntax}},
           {",Registers,System Configuration", std::nullopt, {syntax}},
           {"Configuration,Registers", std::nullopt, {syntax}},
           {"Configuration,Registers,", std::nullopt, {syntax}},
           {"Configuration,Registers,Missing",
            std::nullopt,
            {notFound + "Registers.Missing", noLocation}}}) {
    ASSERT_EQ(Check("[DA05]\nrn44k18SystemConfigLocation=" + value + "\n"), 0);
    EXPECT_EQ(Said(), said) << value;
    EXPECT_EQ(Config().SystemConfigAddress, address) << value;
    EXPECT_EQ(Module().LiveTable[kLiveTemperatures].itemCount, said.empty() ? 5 : 7) << value;
    EXPECT_EQ(dfdesc::GetNumClasses(), 0) << "description unloaded";
  }
  SetUp();
  dir.Write("desc.gdf.json", "{ not json");
  ASSERT_EQ(Check("[DA05]\n" + kSystemConfig, false), 0);
  EXPECT_EQ(Module().DataFlashFilePath, "NG");
  EXPECT_EQ(Said(), (Texts{"Unrecognized device or cannot find the .encr file for the connected "
                           "device. This file is needed to configure the dataflash.",
                           "Can not open Dataflash configuration file. Please reinstall Morvane.",
                           notFound + "Registers.System Configuration", noLocation}));
  // Without a third sensor an RN44K18 gauge reports cell and FET temperatures instead.
  for (const std::string& section :
       {std::string("DFType=RN44K18\n"), std::string("DFType=RN44K18\nTS3Supported=1\n"),
        "DFType=CEDV_PLUS\n" + kCommands}) {
    ASSERT_EQ(Check("[DA05]\n" + section + kSystemConfig), 0);
    const DisplayGroup& g = Module().LiveTable[kLiveTemperatures];
    const bool rewritten = section == "DFType=RN44K18\n";
    EXPECT_EQ(g.itemCount, rewritten ? 5 : 7);
    EXPECT_EQ(g.items[3].name + "," + g.items[4].name + "," + g.items[5].name,
              rewritten ? "Cell Temp,FET Temp,Cell Temp" : "TS3 Temp,TS4 Temp,Cell Temp");
    EXPECT_EQ(g.items[3].position + g.items[3].dataType + g.items[4].position + g.items[4].unit,
              "6T28degC");
  }
}

TEST_F(ConfigTest, CheckConfigurationMessages) {
  const std::string failed =
      "Could not find Morvane configured version for connected Firmware or key configuration "
      "incorrect" +
      kInConfigIni;
  // After the refusals, a warning names what the check looked for.
  std::vector<std::string> warned;
  platform.onWarning = [&warned](const std::string& text) { warned.push_back(text); };
  EXPECT_EQ(CheckConfiguration(), 1);  // no config.ini
  EXPECT_EQ(Said(), (Texts{"config.ini file does not exist in application directory. Please check "
                           "installation. Do not proceed with calibration.",
                           failed}));
  EXPECT_EQ(platform.Messages()[0].icon, MsgIcon::Critical);
  EXPECT_EQ(platform.Messages()[1].icon, MsgIcon::None);
  EXPECT_EQ(warned, std::vector<std::string>{}) << "no config.ini: no sections were looked for";
  for (const char* ini :
       {"[DA06]\nDFType=RN44K18\n[DA05_1_03]\nDFType=CEDV\n", "[DA05]\n; only a comment\n"}) {
    EXPECT_EQ(Check(ini), 1);
    EXPECT_EQ(Said(), (Texts{"A section name matching device and firmware version was not found in "
                             "configuration file " +
                                 dir.Dir() +
                                 "config.ini. Please obtain Morvane that supports this Firmware.",
                             failed}));
    EXPECT_EQ(warned, std::vector<std::string>{
                          "no section of " + dir.Dir() +
                          "config.ini matches this gauge: looked for [DA05], [DA05_1_02], "
                          "[DA05_1_02_1B] and [DA05_1_02_1B_0003]"});
    warned.clear();
  }
  SetUp();
  platform.onWarning = [&warned](const std::string& text) { warned.push_back(text); };
  dir.Write("Morvane.ini", "[Targets]\n");
  EXPECT_EQ(Check("[DA05]\n", false), 1);
  EXPECT_EQ(Said(), (Texts{"Data Flash Configuration not found. Please obtain a version of "
                           "Morvane that supports this device and Firmware version.",
                           "Please do not use this tool for calibration. Some configuration "
                           "information is missing to calibrate this device."}));
  EXPECT_EQ(warned, std::vector<std::string>{"Morvane.ini names no target for this gauge: looked "
                                             "for A05_1_02_1B and A05_1_02 in the [Targets] "
                                             "section of " +
                                             dir.Dir() + "Morvane.ini"});
}

// Each case: family, the keys (they come before passing texts, so they win), and what is said:
// "range" or "format" for the first key, or the fault of the read.
TEST_F(ConfigTest, CommandTextsAreCheckedForFormatAndRange) {
  for (const char* text :
       {"CEDV||",
        "CEDV|PackVoltageReadCommand=SBS,16|range",  // 17 to 200
        "CEDV|PackVoltageReadCommand=SBS,17|",
        "CEDV|PackVoltageReadCommand=SBS,200|",
        "CEDV|PackVoltageReadCommand=MAC,201|range",
        "CEDV|PackVoltageReadCommand=SBS,16\nPackVSupported=0|",
        "CEDV|PackVoltageReadCommand=SBS90|format",  // a comma, or both MAC and SBS
        "CEDV|PackVoltageReadCommand=mac,90|",
        "CEDV|PackVoltageReadCommand=, 90 ,x|",
        "CEDV|PackVoltageReadCommand=SBS,16.6|",  // rounds to 17
        "CEDV|PackVoltageReadCommand=MACSBS|Subscript out of range",
        "CEDV|PackVoltageReadCommand=SBS,0x5A|Type mismatch",
        "CEDV|PackVoltageReadCommand=SBS,|Type mismatch",
        "CEDV|PackVoltageReadCommand=SBS,40000|Overflow",
        "CEDV|TS1readTemperature=SBS,6|range",  // 7 to 200
        "CEDV|TS1readTemperature=SBS,7|",
        "CEDV|TS1readTemperature=SBS,200|",
        "CEDV|TS1readTemperature=SBS,201|range",
        "CEDV|TS1readTemperature=SBS6\nTS1Supported=0|",
        "QSPAN|TS1readTemperature=SBS6\nTS1Supported=0|format",  // checked regardless
        "CEDV_PLUS|TS1readTemperature=SBS,6\nTS1Supported=0|range",
        "CEDV|TS1readTemperature=MACSBS|Subscript out of range",
        "CEDV|TS2readTemperature=SBS,6|range",
        "CEDV|TS2readTemperature=SBS,200|",
        "CEDV|TS2readTemperature=SBS,201|range",
        "CEDV|TS2readTemperature=SBS|format",
        "CEDV|TS2readTemperature=SBS,6\nTS2Supported=0|",
        "CEDV|PackVoltageReadCommand=SBS,1\nTS1readTemperature=SBS,1|range",  // the first
        "RN44K18|PackVoltageReadCommand=bad\nTS1readTemperature=bad|"}) {     // never read
    const std::string c = text;
    const size_t bar = c.find('|'), second = c.rfind('|');
    const std::string keys = c.substr(bar + 1, second - bar - 1), said = c.substr(second + 1);
    const std::string key = keys.substr(0, keys.find('='));
    std::string message = said.empty() ? "" : kFault + said;
    if (said == "range")
      message = "Command value for key " + key + " is out of range. Please check key value" +
                kInConfigIni;
    if (said == "format")
      message = "Check format of value contained in key " + key + (key[0] == 'P' ? "  " : " ") +
                "in application directory in config.ini file.";
    ASSERT_EQ(Check("[DA05]\nDFType=" + c.substr(0, bar) + "\nCCOffsetSampleLocation=x\n" +
                    kSystemConfig + keys + "\n" + kCommands),
              0);
    EXPECT_EQ(Said(), message.empty() ? Texts{} : Texts{message}) << text;
  }
  ASSERT_EQ(Check("[DA05]\nDFType=CEDV\n"), 0);
  EXPECT_EQ(Said(), Texts{"Check format of value contained in key PackVoltageReadCommand  in "
                          "application directory in config.ini file."})
      << "a missing text fails the format check";
}

// Each case: the ExtTS3 value, then whether the row is shown and where, or "syntax" or
// "offset" for the message.
TEST_F(ConfigTest, LocationKeysMoveShowAndHideCalibrationRows) {
  for (const char* text :
       {"1,29|1 29",   " 1 , 0 |1 0",    "1,40|1 40",     "1,+7|1 7",   "1,41|offset",
        "1,-1|offset", "1,99999|offset", "1,5,extra|1 5", "0|0 0",      "\" 0 \"|0 0",
        "|0 29",       "unused|0 29",    "1|syntax",      "x|syntax",   "2,5|syntax",
        "-1,7|syntax", ",5|syntax",      "1,|syntax",     "1, |syntax", "1,abc|syntax",
        "1,+|syntax"}) {
    const std::string c = text, value = c.substr(0, c.find('|')),
                      outcome = c.substr(c.find('|') + 1);
    SetUp();
    const std::string file = dir.Write("config.ini", "[DA05]\nExtTS3=" + value);
    EXPECT_EQ(ReadDfLocationKeys("DA05", file), outcome == "syntax" ? 1 : 0) << value;
    const DisplayItem& row = Module().CalTable[kCalGroupRn44k18].items[14];
    Texts said;
    if (outcome == "syntax")
      said = {"Syntax error reading value of key ExtTS3. This is defined in configuration file " +
              dir.Dir() + "config.ini"};
    if (outcome == "offset")
      said = {"Error in value of offset for key ExtTS3 in configuration file."};
    EXPECT_EQ(said.empty() ? outcome : "0 29", std::to_string(row.shown) + " " + row.position)
        << value;
    EXPECT_EQ(Said(), said) << value;
  }
  // A syntax error stops the keys after it (IntTS comes before ExtTS4); keys without a row in
  // group 0 change nothing; groups 1 and 2 are never touched.
  SetUp();
  const CalTableType before = Module().CalTable;
  const std::string file = dir.Write(
      "config.ini",
      "[DA05]\nExtTS4=1,30\nScaleCell0=1,9\nIntTS=?\nCCSenseResGain=1,1\nCCDelta=1,2\n"
      "ScaleCell2=0\nScaleCell3=1,3\nAFEPackGain=1,4\nBatGain=0\nCCOffset=1,5\nBoardOffset=1,6\n");
  EXPECT_EQ(ReadDfLocationKeys("DA05", file), 1);
  EXPECT_EQ(Said(), Texts{"Syntax error reading value of key IntTS. This is defined in "
                          "configuration file " +
                          dir.Dir() + "config.ini"});
  auto& table = Module().CalTable;
  EXPECT_EQ(table[kCalGroupRn44k18].items[2].position, "9") << "read before the error";
  table[kCalGroupRn44k18].items[2].position = "4";
  for (size_t g = 0; g < table.size(); ++g) {
    for (size_t i = 0; i < table[g].items.size(); ++i) {
      EXPECT_EQ(table[g].items[i].position + std::to_string(table[g].items[i].shown),
                before[g].items[i].position + std::to_string(before[g].items[i].shown));
    }
  }
  SetCalRowLocation("ScaleCell0", false, 0);
  EXPECT_EQ(table[kCalGroupRn44k18].items[2].position + table[kCalGroupCedv].items[2].position,
            "08");
  // A rebuild discards values, grid rows and location changes.
  table[kCalGroupRn44k18].items[2].value = "20500";
  table[kCalGroupRn44k18].items[2].gridRow = 3;
  Module().LiveTable[kLiveTemperatures].itemCount = 5;
  Module().LiveTable[kLiveTemperatures].items[3].name = "Cell Temp";
  InitDisplayTables();
  const DisplayItem& scale = table[kCalGroupRn44k18].items[2];
  EXPECT_EQ(scale.value + scale.position + std::to_string(scale.shown) +
                std::to_string(scale.gridRow) + Module().LiveTable[kLiveTemperatures].items[3].name,
            "410TS3 Temp");
  EXPECT_EQ(Module().LiveTable[kLiveTemperatures].itemCount, 7);
}

TEST_F(ConfigTest, TheDescriptionIsFoundThroughMorvaneIniAndItsTarget) {
  const std::string notFound =
      "Data Flash Configuration not found. Please obtain a version of Morvane that supports this "
      "device";
  const std::string cannotOpen =
      "Unrecognized device or cannot find the .encr file for the connected device. This file is "
      "needed to configure the dataflash.";
  // Morvane.ini ("-": none), then the path found (relative) or the message, "!" for a critical one.
  for (const auto& [morvane, outcome] : std::vector<std::pair<std::string, std::string>>{
           {"[Targets]\nA05_1_02=fw.ini\n", "fw.gdf.json"},
           {"[Targets]\nA05_1_02=fw.ini\nA05_1_02_1B=build.ini\n", "build.gdf.json"},
           {"[targets]\na05_1_02_1b=build.ini\n", "build.gdf.json"},
           {"[Targets]\nA05_1_03=fw.ini\n", notFound + " and Firmware version."},
           {"-", notFound + " and Firmware version."},
           {"[Targets]\nA05_1_02=nodf.ini\n", "!" + notFound + "."},
           {"[Targets]\nA05_1_02=gone.ini\n", "!" + notFound + "."},
           {"[Targets]\nA05_1_02=absent.ini\n", "NG" + cannotOpen},
           {"[Targets]\nA05_1_02=broken.ini\n", "NG" + cannotOpen}}) {
    SetUp();
    std::filesystem::remove(dir.Path("Morvane.ini"));
    if (morvane != "-")
      dir.Write("Morvane.ini", morvane);
    for (const std::string name : {"fw", "build", "absent", "broken"})
      dir.Write(name + ".ini", "[DataFlash]\nDefaults=" + name + ".gdf.json\n");
    dir.Write("nodf.ini", "[Other]\nDefaults=fw.gdf.json\n");
    dir.Write("fw.gdf.json", kDescription);
    dir.Write("build.gdf.json", kDescription);
    dir.Write("broken.gdf.json", "{\"format\": \"gaugecal-dfdesc\"");
    const bool found = outcome.find(".gdf") != std::string::npos, ng = outcome[0] == 'N';
    EXPECT_EQ(FindDataFlashFile(), found || ng ? 0 : 1);
    EXPECT_EQ(Module().DataFlashFilePath, found ? dir.Dir() + outcome : ng ? "NG" : "");
    const std::string said = found ? "" : outcome.substr(ng ? 2 : outcome[0] == '!');
    EXPECT_EQ(Said(), said.empty() ? Texts{} : Texts{said}) << morvane;
    if (!said.empty()) {
      EXPECT_EQ(platform.Messages()[0].icon, outcome[0] == '!' ? MsgIcon::Critical : MsgIcon::None);
    }
    EXPECT_EQ(dfdesc::GetNumClasses(), 0) << "the description is unloaded again";
  }
  // A later start-up keeps the earlier description when the target names none.
  SetUp();
  ASSERT_EQ(FindDataFlashFile(), 0);
  dir.Write("target.ini", "[DataFlash]\n");
  EXPECT_EQ(FindDataFlashFile(), 0);
  EXPECT_EQ(Module().DataFlashFilePath, dir.Dir() + "desc.gdf.json");
  EXPECT_EQ(AppDirectoryFromPluginDirectory("C:\\Morvane\\plugins"), "C:\\Morvane\\");
  EXPECT_EQ(AppDirectoryFromPluginDirectory("plugins") + AppDirectoryFromPluginDirectory("x"), "");
}

TEST_F(ConfigTest, ParametersAreFoundByNameAfterTheHandshake) {
  VirtualPlatform twin;  // same seed: draws the same number
  InitCfgReader();
  EXPECT_EQ(*dfdesc::Reader().seed,
            static_cast<int32_t>(std::trunc(twin.Rnd() * 2147483632.0 + 1)));
  const std::string path = dir.Path("desc.gdf.json");
  EXPECT_EQ(dfdesc::LoadCfgFile(path.c_str()), 0);
  dfdesc::ResetReader();
  EXPECT_NE(dfdesc::LoadCfgFile(path.c_str()), 0) << "no handshake";
  InitCfgReader();
  ASSERT_EQ(dfdesc::LoadCfgFile(path.c_str()), 0);
  int32_t subclass = -1, offset = -1;
  std::string value, defaultValue, type;
  EXPECT_EQ(FindDfParameter("Configuration", "Registers", "System Configuration", subclass, offset,
                            value, defaultValue, type, false),
            1);
  EXPECT_EQ(std::to_string(subclass) + " " + std::to_string(offset) + " " + value + " " +
                defaultValue + " " + type,
            "64 0 0x0003 0x0002 H2");
  for (const auto& [c, s, p] :
       std::vector<std::array<std::string, 3>>{{"Configuration", "Registers", "Z"},
                                               {"configuration", "Registers", "Later"},
                                               {"Configuration", "Register", "Later"},
                                               {"", "", ""}}) {
    platform.ClearMessages();
    EXPECT_EQ(FindDfParameter(c, s, p, subclass, offset, value, defaultValue, type, true),
              kDfParameterNotFound);
    EXPECT_EQ(Said(), Texts{}) << "quiet";
    EXPECT_EQ(FindDfParameter(c, s, p, subclass, offset, value, defaultValue, type, false),
              kDfParameterNotFound);
    EXPECT_EQ(Said(),
              Texts{"Error: Could not find subclass and offset for " + c + "." + s + "." + p});
  }
}

}  // namespace
}  // namespace gaugecal::test
