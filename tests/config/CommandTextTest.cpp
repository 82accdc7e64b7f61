#include "config/ConfigFixture.h"
#include "config/Settings.h"

namespace gaugecal {
namespace {

const char* kGeneralError = "General Error reading configuration file. Error returned was ";

std::string Format(const std::string& key) {
  return "Check format of value contained in key " + key +
         (key == "PackVoltageReadCommand" ? "  " : " ") +
         "in application directory in config.ini file.";
}

std::string Range(const std::string& key) {
  return "Command value for key " + key +
         " is out of range. Please check key value in application directory in file "
         "config.ini.";
}

struct CommandCase {
  const char* family;
  const char* keys;  // lines added to a section whose three command texts pass
  std::vector<std::string> messages;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const CommandCase& g, std::ostream* os) {
  *os << g.family << " " << g.keys;
}

class CommandTextTest : public test::ConfigFixture,
                        public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandTextTest, FormatAndRangeChecks) {
  const CommandCase& c = GetParam();
  WriteDataFlashFiles();
  // The keys under test come first, so they win over the passing texts after them.
  WriteConfigIni(std::string("[DA05]\nDFType=") + c.family + "\nCCOffsetSampleLocation=x\n" +
                 "rn44k18SystemConfigLocation=Configuration,Registers,System Configuration\n" +
                 c.keys +
                 "\nPackVoltageReadCommand=SBS,90\nTS1readTemperature=SBS,8\n"
                 "TS2readTemperature=SBS,94\n");
  EXPECT_EQ(CheckConfiguration(), 0);
  EXPECT_EQ(MessageTexts(), c.messages);
}

const std::string kPack = "PackVoltageReadCommand";
const std::string kTs1 = "TS1readTemperature";
const std::string kTs2 = "TS2readTemperature";

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandTextTest,
    ::testing::Values(
        CommandCase{"CEDV", "", {}},
        // Range bounds of the pack voltage command: 17 to 200.
        CommandCase{"CEDV", "PackVoltageReadCommand=SBS,16", {Range(kPack)}},
        CommandCase{"CEDV", "PackVoltageReadCommand=SBS,17", {}},
        CommandCase{"CEDV", "PackVoltageReadCommand=SBS,200", {}},
        CommandCase{"CEDV", "PackVoltageReadCommand=MAC,201", {Range(kPack)}},
        CommandCase{"CEDV", "PackVoltageReadCommand=SBS,16\nPackVSupported=0", {}},
        // Format: a comma, or both MAC and SBS; letter case does not matter.
        CommandCase{"CEDV", "PackVoltageReadCommand=SBS90", {Format(kPack)}},
        CommandCase{"CEDV", "PackVoltageReadCommand=mac,90", {}},
        CommandCase{"CEDV", "PackVoltageReadCommand=, 90 ,x", {}},
        CommandCase{"CEDV", "PackVoltageReadCommand=SBS,16.6", {}},  // rounds to 17
        // A command field that cannot be a number is a fault of the read.
        CommandCase{"CEDV",
                    "PackVoltageReadCommand=MACSBS",
                    {kGeneralError + std::string("Subscript out of range")}},
        CommandCase{"CEDV",
                    "PackVoltageReadCommand=SBS,0x5A",
                    {kGeneralError + std::string("Type mismatch")}},
        CommandCase{
            "CEDV", "PackVoltageReadCommand=SBS,", {kGeneralError + std::string("Type mismatch")}},
        CommandCase{
            "CEDV", "PackVoltageReadCommand=SBS,40000", {kGeneralError + std::string("Overflow")}},
        // Sensor 1: 7 to 200, checked when supported or for QSPAN and CEDV_PLUS.
        CommandCase{"CEDV", "TS1readTemperature=SBS,6", {Range(kTs1)}},
        CommandCase{"CEDV", "TS1readTemperature=SBS,7", {}},
        CommandCase{"CEDV", "TS1readTemperature=SBS,201", {Range(kTs1)}},
        CommandCase{"CEDV", "TS1readTemperature=SBS6\nTS1Supported=0", {}},
        CommandCase{"QSPAN", "TS1readTemperature=SBS6\nTS1Supported=0", {Format(kTs1)}},
        CommandCase{"CEDV_PLUS", "TS1readTemperature=SBS,6\nTS1Supported=0", {Range(kTs1)}},
        CommandCase{"CEDV",
                    "TS1readTemperature=MACSBS",
                    {kGeneralError + std::string("Subscript out of range")}},
        // Sensor 2: 7 to 200 when supported.
        CommandCase{"CEDV", "TS2readTemperature=SBS,6", {Range(kTs2)}},
        CommandCase{"CEDV", "TS2readTemperature=SBS", {Format(kTs2)}},
        CommandCase{"CEDV", "TS2readTemperature=SBS,6\nTS2Supported=0", {}},
        // The first failing check ends the read: pack voltage is checked first.
        CommandCase{
            "CEDV", "PackVoltageReadCommand=SBS,1\nTS1readTemperature=SBS,1", {Range(kPack)}},
        // RN44K18 gauges never read the command texts.
        CommandCase{"RN44K18", "PackVoltageReadCommand=bad\nTS1readTemperature=bad", {}}));

TEST_F(CommandTextTest, MissingCommandTextFailsTheFormatCheck) {
  WriteDataFlashFiles();
  WriteConfigIni("[DA05]\nDFType=CEDV\n");
  EXPECT_EQ(CheckConfiguration(), 0);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{Format(kPack)});
}

}  // namespace
}  // namespace gaugecal
