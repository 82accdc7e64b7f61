#pragma once
// A fresh module state on a virtual platform, with the application directory in a temporary
// directory and the identification of the RN44K18 sample gauge (A05, 1_02, build 1B, 0003).
// Tests write config.ini, Morvane.ini, target and description files into it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/DisplayTables.h"
#include "device/ModuleState.h"
#include "dfdesc/DfReader.h"
#include "platform/VirtualPlatform.h"
#include "support/TempDir.h"

namespace gaugecal::test {

// Two classes share the subclass name "Registers"; the system configuration parameter is at
// subclass number 64, offset 0.
inline const char* kTestDescription = R"({
  "format": "gaugecal-dfdesc", "version": 1,
  "classes": [
    {"name": "Calibration", "subclasses": [
      {"name": "Data", "number": 0, "parameters": [
        {"name": "Cell Scale 0", "offset": 0, "type": "I2", "value": "20451"}]}]},
    {"name": "Configuration", "subclasses": [
      {"name": "Registers", "number": 64, "parameters": [
        {"name": "System Configuration", "offset": 0, "type": "h2", "value": "0x0003",
         "default": "0x0002"},
        {"name": "Operation Cfg A", "offset": 2, "type": "H2", "value": "0x0103"}]}]}
  ]
})";

class ConfigFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModule();
    dfdesc::ResetReader();
    ModuleState& m = Module();
    platform.ClearMessages();
    m.platform = &platform;
    m.appDirectory = dir.Dir();
    m.IdDevice = "A05";
    m.IdFirmware = "1_02";
    m.IdBuild = "1B";
    m.IdExtra = "0003";
    InitDisplayTables();
  }
  void TearDown() override {
    ResetModule();
    dfdesc::ResetReader();
  }

  // Morvane.ini maps the firmware key to a target whose description is the given text.
  void WriteDataFlashFiles(const std::string& description = kTestDescription) {
    dir.Write("Morvane.ini", "[Targets]\nA05_1_02=target.ini\n");
    dir.Write("target.ini", "[DataFlash]\nDefaults=desc.gdf.json\n");
    dir.Write("desc.gdf.json", description);
  }

  std::string WriteConfigIni(const std::string& text) { return dir.Write("config.ini", text); }

  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const MessageRecord& m : platform.Messages())
      texts.push_back(m.text);
    return texts;
  }

  VirtualPlatform platform;
  TempDir dir;
};

}  // namespace gaugecal::test
