// ReadConfigSection: one config.ini section into Module().calConfig.

#include <algorithm>
#include <cctype>
#include <limits>
#include <vector>

#include "config/CommandText.h"
#include "config/DataFlashMap.h"
#include "config/DisplayTables.h"
#include "config/IniText.h"
#include "config/Settings.h"
#include "device/ModuleState.h"
#include "dfdesc/DfReader.h"

namespace gaugecal {

namespace {

// A fault of the read (a value that does not fit its field, a command field that is not a
// number): shown once with the general message, and the read ends there. key and problem make
// the warning that says where.
struct ReadFault {
  const char* description;
  const char* key = "";
  std::string problem = {};
};

// The raw calibration block of every family is this long (the layout of the averaged fields).
constexpr int16_t kRawBlockLength = 26;

// Reads one section's keys; the field ranges and the default of every key come from here.
class SectionReader {
 public:
  SectionReader(const std::string& section, const ProfileFile& file)
      : section_(section), file_(file) {}

  int32_t Int(const char* key, int32_t defaultValue) const {
    std::string text;
    if (!file_.Find(section_, key, text) || text.empty())
      return defaultValue;
    bool whole = false;
    const int32_t value = ParseProfileInt(text, &whole);
    if (!whole)
      Warn(key, "not a whole number; it reads as " + std::to_string(value));
    return value;
  }

  void Int16(const char* key, int16_t CalConfig::*field) const {
    const int32_t v = Int(key, defaults_.*field);
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
      throw ReadFault{"Overflow", key, "does not fit its 16-bit field (-32768 to 32767)"};
    Module().calConfig.*field = static_cast<int16_t>(v);
  }

  void Byte(const char* key, uint8_t CalConfig::*field) const {
    const int32_t v = Int(key, defaults_.*field);
    if (v < 0 || v > 255)
      throw ReadFault{"Overflow", key, "does not fit its 8-bit field (0 to 255)"};
    Module().calConfig.*field = static_cast<uint8_t>(v);
  }

  void Flag(const char* key, bool CalConfig::*field) const {
    Module().calConfig.*field = Int(key, defaults_.*field ? -1 : 0) != 0;
  }

  std::string Text(const char* key, const std::string& defaultValue = {}) const {
    return ReadIniText(section_, key, file_, defaultValue);
  }

  // A warning about the value of key in force: "KEY=VALUE in section [S] of FILE: problem".
  void Warn(const std::string& key, const std::string& problem) const {
    const std::string origin = KeyOrigin(key, file_, section_);
    ShowWarning(IniValuePlace(key, ReadIniText(origin, key, file_), origin, file_.Path()) + ": " +
                problem);
  }

 private:
  const std::string& section_;
  const ProfileFile& file_;
  const CalConfig defaults_ = CalConfig::Defaults(DfType::RN44K18);
};

// Stores a non-empty value of the key in field; false when the field is still empty.
bool KeepText(const SectionReader& r, const char* key, std::string& field) {
  const std::string value = r.Text(key);
  if (!value.empty())
    field = value;
  return !field.empty();
}

void ReadIntegerKeys(const SectionReader& r) {
  CalConfig& c = Module().calConfig;
  r.Int16("calmode", &CalConfig::calmode);
  r.Int16("exitCalCommand", &CalConfig::exitCalCommand);
  r.Int16("outputCalValuesCommand", &CalConfig::outputCalValuesCommand);
  r.Int16("outputCalValuesforOffsetCommand", &CalConfig::outputCalValuesforOffsetCommand);
  r.Int16("CEDVPLUSCALFLAG", &CalConfig::CEDVPLUSCALFLAG);
  r.Int16("CEDVPLUSCALFLAGBITPOS", &CalConfig::CEDVPLUSCALFLAGBITPOS);
  r.Int16("NumSamples", &CalConfig::NumSamples);
  r.Byte("KVMAC", &CalConfig::KVMAC);
  r.Flag("IntTSSupported", &CalConfig::IntTSSupported);
  r.Flag("TS1Supported", &CalConfig::TS1Supported);
  r.Flag("TS2Supported", &CalConfig::TS2Supported);
  r.Flag("TS3Supported", &CalConfig::TS3Supported);
  r.Flag("TS4Supported", &CalConfig::TS4Supported);
  r.Flag("BatteryVSupported", &CalConfig::BatteryVSupported);
  r.Flag("PackVSupported", &CalConfig::PackVSupported);
  r.Flag("ReadAltCellVoltages", &CalConfig::ReadAltCellVoltages);
  r.Int16("RawCalDataBlockSize", &CalConfig::RawCalDataBlockSize);
  c.UseLegacyrn44k18CalCommands = std::to_string(r.Int("UseLegacyrn44k18CalCommands", 0));
  r.Flag("UseCellScaleDFforCorrection", &CalConfig::UseCellScaleDFforCorrection);
  r.Flag("UseDataflashMap", &CalConfig::UseDataflashMap);
  // Values that fit their fields but make every raw acquisition fail.
  if (c.NumSamples < 1)
    r.Warn("NumSamples", "at least one raw calibration block must be averaged");
  if (c.RawCalDataBlockSize != kRawBlockLength) {
    r.Warn("RawCalDataBlockSize", "the raw calibration block is " +
                                      std::to_string(kRawBlockLength) +
                                      " bytes; blocks of any other length are refused");
  }
}

// False after the message for an unknown family name.
bool ReadDfType(const SectionReader& r) {
  const std::string name = UpperAscii(TrimBlanks(r.Text("DFType", "rn44k18")));
  if (name.empty())
    return true;  // key present without a value: the family stays as it was
  for (const DfType type : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    if (name == DfTypeName(type)) {
      Module().calConfig.DFType = type;
      return true;
    }
  }
  ShowMessage(
      "Device Dataflash configuration type not found in configuration file.  Please do not "
      "proceed with calibration until this is resolved. Check DFType key in application "
      "directory in file config.ini.");
  return false;
}

struct CommandKey {
  const char* key;
  std::string CalConfig::*field;
  int16_t low;
  int16_t high;
  const char* formatMessage;
};

const CommandKey kPackVoltage{
    "PackVoltageReadCommand", &CalConfig::PackVoltageReadCommand, 17, 200,
    "Check format of value contained in key PackVoltageReadCommand  in application directory "
    "in config.ini file."};
const CommandKey kTs1{"TS1readTemperature", &CalConfig::TS1readTemperature, 7, 200,
                      "Check format of value contained in key TS1readTemperature in application "
                      "directory in config.ini file."};
const CommandKey kTs2{"TS2readTemperature", &CalConfig::TS2readTemperature, 7, 200,
                      "Check format of value contained in key TS2readTemperature in application "
                      "directory in config.ini file."};

void ReadCommandTexts(const SectionReader& r) {
  CalConfig& c = Module().calConfig;
  for (const CommandKey* k : {&kTs1, &kTs2, &kPackVoltage}) {
    KeepText(r, k->key, c.*(k->field));
    c.*(k->field) = UpperAscii(c.*(k->field));
  }
}

// False after its message when the text fails; a number that cannot be one is a fault.
bool CommandTextPasses(const SectionReader& r, const CommandKey& k) {
  const std::string& text = Module().calConfig.*(k.field);
  switch (CheckCommandText(text, k.low, k.high)) {
    case CommandTextCheck::Ok:
      // Only these two say how to read; any other type reads nothing and shows 0.
      if (const std::string type = TrimBlanks(SplitCommas(text)[0]); type != "MAC" && type != "SBS")
        r.Warn(k.key,
               "\"" + type + "\" is neither MAC nor SBS; nothing is read and the value shows as 0");
      return true;
    case CommandTextCheck::BadFormat:
      ShowMessage(k.formatMessage);
      return false;
    case CommandTextCheck::OutOfRange:
      ShowMessage(std::string("Command value for key ") + k.key +
                  " is out of range. Please check key value in application directory in file "
                  "config.ini.");
      return false;
    case CommandTextCheck::NoNumber:
      throw ReadFault{"Subscript out of range", k.key, "there is no command number after a comma"};
    case CommandTextCheck::NotNumeric:
      throw ReadFault{"Type mismatch", k.key, "the command number is not a number"};
    case CommandTextCheck::TooLarge:
      throw ReadFault{"Overflow", k.key, "the command number does not fit 16 bits"};
  }
  return false;
}

bool CommandTextsPass(const SectionReader& r) {
  const CalConfig& c = Module().calConfig;
  if (c.PackVSupported && !CommandTextPasses(r, kPackVoltage))
    return false;
  const bool ts1 = c.TS1Supported || c.DFType == DfType::QSPAN || c.DFType == DfType::CEDV_PLUS;
  if (ts1 && !CommandTextPasses(r, kTs1))
    return false;
  return !c.TS2Supported || CommandTextPasses(r, kTs2);
}

// Resolves rn44k18SystemConfigLocation in the loaded description into SystemConfigAddress.
// False after its message.
bool ResolveSystemConfigAddress(const SectionReader& r, bool described) {
  constexpr const char* kKey = "rn44k18SystemConfigLocation";
  CalConfig& c = Module().calConfig;
  std::vector<std::string> fields = SplitCommas(c.rn44k18SystemConfigLocation);
  fields.resize(std::max<size_t>(fields.size(), 3));  // missing fields count as empty
  if (fields[0].empty() || fields[1].empty() || fields[2].empty()) {
    ShowMessage(
        "Error reading rn44k18 System Configuration Location in configuration file. Please do "
        "not proceed with calibration until this is resolved.");
    return false;
  }
  int32_t subclass = 0;
  int32_t offset = 0;
  std::string value, defaultValue, dataType;
  if (FindDfParameter(TrimBlanks(fields[0]), TrimBlanks(fields[1]), TrimBlanks(fields[2]), subclass,
                      offset, value, defaultValue, dataType, false) == kDfParameterNotFound) {
    ShowMessage("Not able to Columb Counter Offset location.");
    r.Warn(kKey, described ? "the data flash description " + Module().DataFlashFilePath +
                                 " has no such parameter"
                           : "the data flash description could not be opened to look it up");
    return false;
  }
  const int32_t address = subclass + offset;
  if (address > std::numeric_limits<int16_t>::max()) {
    throw ReadFault{"Overflow", kKey,
                    "its address " + std::to_string(address) + " does not fit 16 bits"};
  }
  c.SystemConfigAddress = static_cast<int16_t>(address);
  return true;
}

// Without a third sensor an RN44K18 gauge reports cell and FET temperatures where the third
// and fourth sensors would be.
void RewriteTemperatureGroup() {
  DisplayGroup& g = Module().LiveTable[kLiveTemperatures];
  g.items[3].name = "Cell Temp";
  g.items[4].name = "FET Temp";
  for (int i : {3, 4}) {
    g.items[static_cast<size_t>(i)].dataType = "T2";
    g.items[static_cast<size_t>(i)].unit = "degC";
  }
  g.items[3].position = "6";
  g.items[4].position = "8";
  g.itemCount = 5;
}

// The steps that may end early; loaded tells whether the description must be unloaded.
void ReadSteps(const SectionReader& r, bool& loaded) {
  CalConfig& c = Module().calConfig;
  ReadIntegerKeys(r);
  if (!ReadDfType(r))
    return;
  const bool systemConfigFamily = c.DFType == DfType::RN44K18 || c.DFType == DfType::CEDV_PLUS;
  // A location text given by an earlier section still counts when this one has none.
  if (c.DFType == DfType::QSPAN &&
      !KeepText(r, "CCOffsetSampleLocation", c.CCOffsetSampleLocation)) {
    ShowMessage(
        "Location of base CC Offset Samples parameter name not found for QSpan style device. "
        "Check key name CCOffsetSampleLocation in application directory in file named "
        "config.ini.  Check entry in Morvane application directory in file config.ini.");
  }
  if (systemConfigFamily &&
      !KeepText(r, "rn44k18SystemConfigLocation", c.rn44k18SystemConfigLocation)) {
    ShowMessage(
        "Location of base System Configuration address name not found. Check entry in Morvane "
        "application directory in file config.ini.");
    return;
  }
  if (c.DFType != DfType::RN44K18) {
    ReadCommandTexts(r);
    if (!CommandTextsPass(r))
      return;
  }
  InitCfgReader();
  loaded = true;
  const bool described = dfdesc::LoadCfgFile(Module().DataFlashFilePath.c_str()) == 0;
  if (!described)
    ShowMessage("Can not open Dataflash configuration file. Please reinstall Morvane.");
  if (systemConfigFamily && !ResolveSystemConfigAddress(r, described))
    return;
  if (c.DFType == DfType::RN44K18 && !c.TS3Supported)
    RewriteTemperatureGroup();
}

}  // namespace

void ReadConfigSection(const std::string& section, const ProfileFile& file) {
  const SectionReader reader(section, file);
  bool loaded = false;
  try {
    ReadSteps(reader, loaded);
  } catch (const ReadFault& fault) {
    ShowMessage(std::string("General Error reading configuration file. Error returned was ") +
                fault.description);
    reader.Warn(fault.key, fault.problem);
  }
  if (loaded)
    dfdesc::UnloadCfgFile();
}

void ReadConfigSection(const std::string& section, const std::string& file) {
  ReadConfigSection(section, ReadIniFile(file));
}

}  // namespace gaugecal
