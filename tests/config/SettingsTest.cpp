#include "config/ConfigFixture.h"
#include "config/Settings.h"

namespace gaugecal {
namespace {

using test::ConfigFixture;

const std::string kSystemConfig =
    "rn44k18SystemConfigLocation=Configuration,Registers,System Configuration\n";
const char* kCheckFailed =
    "Could not find Morvane configured version for connected Firmware or key configuration "
    "incorrect in application directory in file config.ini.";
const char* kGeneralError = "General Error reading configuration file. Error returned was ";

class SettingsTest : public ConfigFixture {
 protected:
  void SetUp() override {
    ConfigFixture::SetUp();
    WriteDataFlashFiles();
  }

  // Runs the whole check on a config.ini of the given text.
  int32_t Check(const std::string& configIni) {
    WriteConfigIni(configIni);
    return CheckConfiguration();
  }

  const CalConfig& Config() const { return Module().calConfig; }
};

TEST_F(SettingsTest, DeviceSectionAloneGivesTheDefaults) {
  ASSERT_EQ(Check("[DA05]\nDFType=RN44K18\n" + kSystemConfig), 0);
  EXPECT_TRUE(platform.Messages().empty());
  CalConfig expected = CalConfig::Defaults(DfType::RN44K18);
  expected.rn44k18SystemConfigLocation = "Configuration,Registers,System Configuration";
  expected.SystemConfigAddress = 64;
  const CalConfig& c = Config();
  EXPECT_EQ(c.calmode, expected.calmode);
  EXPECT_EQ(c.exitCalCommand, -3968);
  EXPECT_EQ(c.outputCalValuesCommand, -3967);
  EXPECT_EQ(c.outputCalValuesforOffsetCommand, -3966);
  EXPECT_EQ(c.CEDVPLUSCALFLAG, 0x74);
  EXPECT_EQ(c.CEDVPLUSCALFLAGBITPOS, 16);
  EXPECT_EQ(c.NumSamples, 4);
  EXPECT_EQ(c.KVMAC, 0);
  EXPECT_TRUE(c.IntTSSupported && c.TS1Supported && c.TS2Supported && c.PackVSupported);
  EXPECT_FALSE(c.TS3Supported || c.TS4Supported || c.BatteryVSupported || c.ReadAltCellVoltages);
  EXPECT_EQ(c.RawCalDataBlockSize, 26);
  EXPECT_EQ(c.UseLegacyrn44k18CalCommands, "0");
  EXPECT_FALSE(c.UseCellScaleDFforCorrection || c.UseDataflashMap);
  EXPECT_EQ(c.DFType, DfType::RN44K18);
  EXPECT_EQ(c.rn44k18SystemConfigLocation, expected.rn44k18SystemConfigLocation);
  EXPECT_EQ(c.SystemConfigAddress, 64);
  EXPECT_EQ(c.TS1readTemperature, "");  // not read for RN44K18
}

TEST_F(SettingsTest, TheLastSectionFoundDecidesTheIntegerKeys) {
  ASSERT_EQ(Check("[DA05_1_02]\ncalmode=0x66\nDFType=rn44k18\n"
                  "[DA05]\ncalmode=0x55\nNumSamples=8\nTS3Supported=1\nKVMAC=0x10\n"
                  "DFType=RN44K18\nScaleCell0=1,30\n" +
                  kSystemConfig),
            0);
  EXPECT_TRUE(platform.Messages().empty());
  const CalConfig& c = Config();
  EXPECT_EQ(c.calmode, 0x66);
  EXPECT_EQ(c.NumSamples, 4);
  EXPECT_EQ(c.KVMAC, 0);
  EXPECT_FALSE(c.TS3Supported);
  // Text and location keys of the device section stay.
  EXPECT_EQ(c.rn44k18SystemConfigLocation, "Configuration,Registers,System Configuration");
  EXPECT_EQ(c.SystemConfigAddress, 64);
  EXPECT_EQ(Module().CalTable[kCalGroupRn44k18].items[2].position, "30");
}

TEST_F(SettingsTest, SectionLevelsAndTheFamilyText) {
  const struct {
    const char* ini;
    DfType family;
    int16_t numSamples;
  } cases[] = {
      // All four levels are read; no DFType means RN44K18.
      {"[DA05_1_02_1B_0003]\nNumSamples=9\n[DA05_1_02_1B]\nNumSamples=7\n[DA05_1_02]\nNumSamples="
       "6\n"
       "[DA05]\nNumSamples=5\n",
       DfType::RN44K18, 9},
      // Trimmed and upper-cased.
      {"[DA05]\nDFType=\" cedv_plus \"\nPackVSupported=0\nTS1readTemperature=SBS,8\n"
       "TS2Supported=0\n",
       DfType::CEDV_PLUS, 4},
      // An empty DFType keeps code 0 on a first start-up and the earlier section's family
      // after it; an integer or text key without a value keeps its default or earlier value.
      {"[DA05]\nDFType=\nNumSamples=\nPackVoltageReadCommand=SBS,90\nTS1readTemperature=SBS,8\n"
       "TS2readTemperature=SBS,94\n",
       DfType::CEDV, 4},
      {"[DA05]\nDFType=CEDV\nPackVoltageReadCommand=SBS,90\nTS1readTemperature=SBS,8\n"
       "TS2readTemperature=SBS,94\n[DA05_1_02]\nDFType=\nNumSamples=\nPackVoltageReadCommand=\n",
       DfType::CEDV, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini);
    SetUp();
    ASSERT_EQ(Check(c.ini + kSystemConfig), 0);
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_EQ(Config().DFType, c.family);
    EXPECT_EQ(Config().NumSamples, c.numSamples);
    if (c.family == DfType::CEDV) {
      EXPECT_EQ(Config().PackVoltageReadCommand, "SBS,90");
    }
  }
}

TEST_F(SettingsTest, UnknownDfTypeEndsTheRead) {
  ASSERT_EQ(Check("[DA05]\nNumSamples=6\nDFType=CEDV+\n" + kSystemConfig), 0);
  EXPECT_EQ(MessageTexts(),
            std::vector<std::string>{
                "Device Dataflash configuration type not found in configuration file.  Please "
                "do not proceed with calibration until this is resolved. Check DFType key in "
                "application directory in file config.ini."});
  EXPECT_EQ(Config().NumSamples, 6);
  EXPECT_EQ(Config().DFType, DfType::CEDV);
  EXPECT_EQ(Config().rn44k18SystemConfigLocation, "");
}

// In the read, KVMAC comes after NumSamples and the two 16-bit commands before it; all come
// before RawCalDataBlockSize.
TEST_F(SettingsTest, ValueOutsideItsFieldIsAFaultThatEndsTheRead) {
  const struct {
    const char* line;
    const char* description;  // nullptr: read without a fault
  } cases[] = {{"KVMAC=255", nullptr},
               {"KVMAC=256", "Overflow"},
               {"KVMAC=-1", "Overflow"},
               {"KVMAC=0x100", "Overflow"},
               {"KVMAC=0", nullptr},
               {"ReadAltCellVoltages=123456", nullptr},
               {"calmode=32767", nullptr},
               {"calmode=32768", "Overflow"},
               {"calmode=-32768", nullptr},
               {"calmode=-32769", "Overflow"},
               {"exitCalCommand=-3968", nullptr},
               {"exitCalCommand=0xF080", "Overflow"},
               {"exitCalCommand=61568", "Overflow"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    SetUp();
    Module().calConfig.RawCalDataBlockSize = 99;
    ASSERT_EQ(Check(std::string("[DA05]\nNumSamples=3\nRawCalDataBlockSize=30\n") + c.line + "\n" +
                    kSystemConfig),
              0);
    if (!c.description) {
      EXPECT_TRUE(platform.Messages().empty());
      EXPECT_EQ(Config().RawCalDataBlockSize, 30);
      continue;
    }
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kGeneralError + std::string(c.description)});
    EXPECT_EQ(platform.Messages()[0].icon, MsgIcon::None);
    EXPECT_EQ(Config().NumSamples, c.line[0] == 'K' ? 3 : 0) << "read before the fault or not";
    EXPECT_EQ(Config().RawCalDataBlockSize, 99);
    EXPECT_EQ(Config().DFType, DfType::CEDV) << "nothing after the fault is read";
  }
}

TEST_F(SettingsTest, QspanNeedsCcOffsetSampleLocationButReadsOn) {
  ASSERT_EQ(Check("[DA05]\nDFType=QSPAN\nPackVoltageReadCommand=SBS,16\n"), 0);
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{
                "Location of base CC Offset Samples parameter name not found for QSpan style "
                "device. Check key name CCOffsetSampleLocation in application directory in file "
                "named config.ini.  Check entry in Morvane application directory in file "
                "config.ini.",
                "Command value for key PackVoltageReadCommand is out of range. Please check key "
                "value in application directory in file config.ini."}));
}

TEST_F(SettingsTest, LocationTextOfAnEarlierSectionStillCounts) {
  // The device section is read first; the firmware section names neither location.
  ASSERT_EQ(Check("[DA05_1_02]\nDFType=QSPAN\n"
                  "[DA05]\nDFType=QSPAN\nCCOffsetSampleLocation=Calibration,Data,CC Offset\n"
                  "PackVoltageReadCommand=SBS,90\nTS1readTemperature=SBS,8\n"
                  "TS2readTemperature=SBS,94\n"),
            0);
  EXPECT_TRUE(platform.Messages().empty());
  EXPECT_EQ(Config().CCOffsetSampleLocation, "Calibration,Data,CC Offset");
}

TEST_F(SettingsTest, SystemConfigFamiliesNeedTheLocationKey) {
  for (const char* family : {"RN44K18", "CEDV_PLUS"}) {
    SCOPED_TRACE(family);
    SetUp();
    ASSERT_EQ(Check(std::string("[DA05]\nDFType=") + family + "\n"), 0);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{
                                  "Location of base System Configuration address name not "
                                  "found. Check entry in Morvane application directory in file "
                                  "config.ini."});
    // The read ended: no temperature group rewrite for RN44K18.
    EXPECT_EQ(Module().LiveTable[kLiveTemperatures].itemCount, 7);
  }
}

TEST_F(SettingsTest, SystemConfigLocationSyntaxAndLookup) {
  const char* kSyntax =
      "Error reading rn44k18 System Configuration Location in configuration file. Please do not "
      "proceed with calibration until this is resolved.";
  const struct {
    const char* value;
    std::optional<int16_t> address;  // empty: not found
    std::vector<std::string> messages;
  } cases[] = {
      {"Configuration,Registers,System Configuration", 64, {}},
      {" Configuration , Registers , Operation Cfg A ", 66, {}},
      {"Configuration,Registers,System Configuration,extra", 64, {}},
      {"Configuration,,System Configuration", std::nullopt, {kSyntax}},
      {"Configuration,Registers", std::nullopt, {kSyntax}},
      {"Configuration,Registers,", std::nullopt, {kSyntax}},
      {"Configuration,Registers,Missing",
       std::nullopt,
       {"Error: Could not find subclass and offset for Configuration.Registers.Missing",
        "Not able to Columb Counter Offset location."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    SetUp();
    ASSERT_EQ(Check(std::string("[DA05]\nrn44k18SystemConfigLocation=") + c.value + "\n"), 0);
    EXPECT_EQ(MessageTexts(), c.messages);
    EXPECT_EQ(Config().SystemConfigAddress, c.address);
    EXPECT_EQ(dfdesc::GetNumClasses(), 0) << "description unloaded";
  }
}

TEST_F(SettingsTest, UnreadableDescriptionIsReportedAndTheLookupFails) {
  dir.Write("desc.gdf.json", "{ not json");
  ASSERT_EQ(Check("[DA05]\n" + kSystemConfig), 0);
  EXPECT_EQ(Module().DataFlashFilePath, "NG");
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{
                "Unrecognized device or cannot find the .encr file for the connected device. "
                "This file is needed to configure the dataflash.",
                "Can not open Dataflash configuration file. Please reinstall Morvane.",
                "Error: Could not find subclass and offset for "
                "Configuration.Registers.System Configuration",
                "Not able to Columb Counter Offset location."}));
}

TEST_F(SettingsTest, Rn44k18WithoutThirdSensorRedefinesTheTemperatureGroup) {
  const struct {
    const char* section;
    bool rewritten;
  } cases[] = {{"DFType=RN44K18\n", true},
               {"DFType=RN44K18\nTS3Supported=1\n", false},
               {"DFType=CEDV_PLUS\nTS1readTemperature=SBS,8\nTS2readTemperature=SBS,94\n"
                "PackVoltageReadCommand=SBS,90\n",
                false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.section);
    SetUp();
    ASSERT_EQ(Check(std::string("[DA05]\n") + c.section + kSystemConfig), 0);
    EXPECT_TRUE(platform.Messages().empty());
    const DisplayGroup& g = Module().LiveTable[kLiveTemperatures];
    EXPECT_EQ(g.itemCount, c.rewritten ? 5 : 7);
    EXPECT_EQ(g.items[3].name, c.rewritten ? "Cell Temp" : "TS3 Temp");
    EXPECT_EQ(g.items[4].name, c.rewritten ? "FET Temp" : "TS4 Temp");
    EXPECT_EQ(g.items[3].position, "6");
    EXPECT_EQ(g.items[4].position, "8");
    EXPECT_EQ(g.items[3].dataType, "T2");
    EXPECT_EQ(g.items[4].unit, "degC");
    EXPECT_EQ(g.items[5].name, "Cell Temp") << "items beyond the count stay";
  }
}

TEST_F(SettingsTest, FieldsALaterStartUpDoesNotReadKeepTheirValues) {
  ASSERT_EQ(Check("[DA05]\nDFType=CEDV\nPackVoltageReadCommand=sbs,90\n"
                  "TS1readTemperature=MAC,8\nTS2readTemperature=SBS,94\n"),
            0);
  EXPECT_EQ(Config().PackVoltageReadCommand, "SBS,90");
  ASSERT_EQ(Check("[DA05]\nDFType=RN44K18\n" + kSystemConfig), 0);
  EXPECT_EQ(Config().DFType, DfType::RN44K18);
  EXPECT_EQ(Config().PackVoltageReadCommand, "SBS,90");
  EXPECT_EQ(Config().TS1readTemperature, "MAC,8");
  EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(SettingsTest, CheckConfigurationMessages) {
  const char* kNoSection =
      "A section name matching device and firmware version was not found in "
      "configuration file ";
  const struct {
    const char* name;
    const char* morvane;    // nullptr: keep the fixture's
    const char* configIni;  // nullptr: no config.ini
    std::vector<std::pair<std::string, MsgIcon>> messages;
  } cases[] = {
      {"missing config.ini",
       nullptr,
       nullptr,
       {{"config.ini file does not exist in application directory. Please check installation. "
         "Do not proceed with calibration.",
         MsgIcon::Critical},
        {kCheckFailed, MsgIcon::None}}},
      {"no matching section",
       nullptr,
       "[DA06]\nDFType=RN44K18\n[DA05_1_03]\nDFType=CEDV\n",
       {{"", MsgIcon::None}, {kCheckFailed, MsgIcon::None}}},
      {"section without keys",
       nullptr,
       "[DA05]\n; only a comment\n",
       {{"", MsgIcon::None}, {kCheckFailed, MsgIcon::None}}},
      {"no target",
       "[Targets]\n",
       "[DA05]\n",
       {{"Data Flash Configuration not found. Please obtain a version of Morvane that supports "
         "this device and Firmware version.",
         MsgIcon::None},
        {"Please do not use this tool for calibration. Some configuration information is "
         "missing to calibrate this device.",
         MsgIcon::None}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    if (c.morvane)
      dir.Write("Morvane.ini", c.morvane);
    if (c.configIni)
      WriteConfigIni(c.configIni);
    else
      dir.Remove("config.ini");
    EXPECT_EQ(CheckConfiguration(), 1);
    const auto& shown = platform.Messages();
    ASSERT_EQ(shown.size(), c.messages.size());
    for (size_t i = 0; i < shown.size(); ++i) {
      const std::string expected = c.messages[i].first.empty()
                                       ? kNoSection + dir.Dir() +
                                             "config.ini. Please obtain Morvane that supports this "
                                             "Firmware."
                                       : c.messages[i].first;
      EXPECT_EQ(shown[i].text, expected);
      EXPECT_EQ(shown[i].icon, c.messages[i].second);
    }
  }
}

}  // namespace
}  // namespace gaugecal
