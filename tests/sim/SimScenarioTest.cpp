// Scenario files, data flash persistence and determinism of the simulated gauges.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "device/Identification.h"
#include "sim/ScenarioJson.h"
#include "support/SimBench.h"
#include "support/TempDir.h"

namespace gaugecal::test {
namespace {

std::optional<sim::Scenario> Parse(const std::string& text, std::string& error,
                                   std::optional<DfType> adapter = DfType::RN44K18) {
  return sim::ParseScenario(text, "s.json", adapter, "", error);
}

TEST(SimScenario, AFileSetsEveryPartOfTheGauge) {
  const char* text = R"({
    "family": "CEDV_PLUS", "address": "0x16", "identification": "03 61 04 00 00 09 12 00 00 00 00",
    "cells": 2, "cellMv": [3600, 3610, 0, 0], "packMv": 7000, "currentMa": -1500,
    "temperatureC": [20, 21, 22, 23, 24], "stateOfCharge": 101, "senseResistorMilliohm": 10,
    "converter": {"cellGainError": [0.01, -0.01, 0, 0], "cellOffsetCounts": [1, 2, 3, 4],
                  "batteryGainError": 0.02, "batteryOffsetCounts": 5, "packGainError": -0.02,
                  "packOffsetCounts": 6, "temperatureErrorC": [1, 2, 3, 4, 5],
                  "ccOffsetCounts": -200, "boardOffsetCounts": 20, "noiseCounts": 3},
    "seed": 99, "dataFlash": "4E 20", "parameters": {"CC Gain": 0.5},
    "security": "FullAccess", "key": "00112233445566778899aabbccddeeff",
    "manufacturerAccess": {"register": 68, "calMode": "0x0040", "exit": -1, "rawOutput": "65",
                           "offsetOutput": 66, "calFlagCommand": "0x75", "calFlagBit": 3},
    "calibrationMode": true,
    "faults": [{"kind": "nack", "member": "ReadSMBusWord", "command": "0x0D", "occurrence": 2,
                "count": 3}, {"kind": "corruptWrite", "offset": 4, "xor": "0x80"},
               {"kind": "noAnswer"}]
  })";
  std::string error;
  const auto s = Parse(text, error, DfType::CEDV_PLUS);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->family, DfType::CEDV_PLUS);
  EXPECT_EQ(s->address, 0x16);
  EXPECT_EQ(s->identification.size(), 11u);
  EXPECT_EQ(s->identification[1], 0x61);
  EXPECT_EQ(s->cells, 2);
  EXPECT_EQ(s->cellMv[1], 3610);
  EXPECT_EQ(s->packMv, 7000);
  EXPECT_EQ(s->currentMa, -1500);
  EXPECT_EQ(s->temperatureC[4], 24);
  EXPECT_EQ(s->stateOfCharge, 101);
  EXPECT_EQ(s->senseResistorMilliohm, 10);
  EXPECT_EQ(s->cellError[1].gainError, -0.01);
  EXPECT_EQ(s->cellError[3].offsetCounts, 4);
  EXPECT_EQ(s->batteryError.gainError, 0.02);
  EXPECT_EQ(s->batteryError.offsetCounts, 5);
  EXPECT_EQ(s->packError.gainError, -0.02);
  EXPECT_EQ(s->packError.offsetCounts, 6);
  EXPECT_EQ(s->temperatureErrorC[2], 3);
  EXPECT_EQ(s->ccOffsetCounts, -200);
  EXPECT_EQ(s->boardOffsetCounts, 20);
  EXPECT_EQ(s->noiseCounts, 3);
  EXPECT_EQ(s->seed, 99u);
  EXPECT_EQ(s->dataFlash, (std::vector<uint8_t>{0x4E, 0x20}));
  ASSERT_EQ(s->parameters.size(), 1u);
  EXPECT_EQ(s->parameters[0].first, "CC Gain");
  EXPECT_EQ(s->security, sim::SecurityMode::FullAccess);
  EXPECT_EQ(s->key[15], 0xFF);
  EXPECT_EQ(s->mac.accessRegister, 68);
  EXPECT_EQ(s->mac.calMode, 0x40);
  EXPECT_EQ(s->mac.exit, 0xFFFF) << "signed as in config.ini";
  EXPECT_EQ(s->mac.rawOutput, 65);
  EXPECT_EQ(s->mac.offsetOutput, 66);
  EXPECT_EQ(s->mac.calFlagCommand, 0x75);
  EXPECT_EQ(s->mac.calFlagBit, 3);
  EXPECT_TRUE(s->calibrationMode);
  ASSERT_EQ(s->faults.size(), 3u);
  EXPECT_EQ(s->faults[0].kind, sim::FaultKind::Nack);
  EXPECT_EQ(s->faults[0].member, "ReadSMBusWord");
  EXPECT_EQ(s->faults[0].command, 0x0D);
  EXPECT_EQ(s->faults[0].occurrence, 2);
  EXPECT_EQ(s->faults[0].count, 3);
  EXPECT_EQ(s->faults[1].occurrence, 1) << "a corrupt write strikes the first write by default";
  EXPECT_EQ(s->faults[1].xorMask, 0x80);
  EXPECT_EQ(s->faults[2].occurrence, 0) << "no answer strikes always by default";
}

TEST(SimScenario, ValuesOutsideTheirRangeNameTheirKey) {
  struct Case {
    const char* text;
    const char* problem;
  };
  const Case cases[] = {
      {R"({"packMv": 50000})", "s.json: \"packMv\": must be a number from 0 to 40000"},
      {R"({"cellMv": [1, 2, 3]})", "\"cellMv\": must be an array of 4 numbers"},
      {R"({"temperatureC": [25, 25, 25, 25, "hot"]})", "\"temperatureC\": must be an array"},
      {R"({"address": 128})", "\"address\": must be an integer from 0 to 127"},
      {R"({"seed": -1})", "\"seed\": must be an integer"},
      {R"({"seed": 1.5})", "\"seed\": must be an integer"},
      {R"({"security": "Open"})", "\"security\": must be \"Sealed\", \"Unsealed\""},
      {R"({"calibrationMode": 1})", "\"calibrationMode\": must be true or false"},
      {R"({"dataFlashFile": 7})", "\"dataFlashFile\": must be a text"},
      {R"({"manufacturerAccess": {"calFlagBit": 16}})",
       "\"manufacturerAccess.calFlagBit\": must be an integer from 0 to 15"},
      {R"({"manufacturerAccess": {"exit": "0xG0"}})", "\"manufacturerAccess.exit\""},
      {R"({"manufacturerAccess": {"mode": 1}})", "\"manufacturerAccess.mode\": unknown key"},
      {R"({"converter": 3})", "\"converter\": must be a JSON object"},
      {R"({"faults": {"kind": "nack"}})", "\"faults\": must be an array of fault objects"},
      {R"({"faults": [{"kind": "nack", "xor": 0}]})", "\"faults[0].xor\": must be an integer"},
      {R"({"faults": [{"kind": "nack"}, {"kind": "longBlock", "bytes": 300}]})",
       "\"faults[1].bytes\""},
      {R"({"faults": [{"member": "Delay"}]})", "\"faults[0].kind\""},
      {R"({"parameters": [1]})", "\"parameters\": must be an object"},
      {R"({"parameters": {"CC Gain": "high"}})", "\"parameters.CC Gain\": must be a number"},
      {R"({"dataFlash": "00"})", ""},
      {R"({"dataFlash": "0"})", "\"dataFlash\": must be hexadecimal text of at most 256 bytes"},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto s = Parse(c.text, error);
    if (std::string(c.problem).empty()) {
      EXPECT_TRUE(s) << c.text << ": " << error;
      continue;
    }
    EXPECT_FALSE(s) << c.text;
    EXPECT_NE(error.find(c.problem), std::string::npos) << c.text << " gave: " << error;
  }
  std::string error;
  EXPECT_FALSE(sim::ParseScenario("{}", "s.json", std::nullopt, "", error));
  EXPECT_EQ(error, "s.json: \"family\": missing: name the gauge family");
  EXPECT_TRUE(sim::ParseScenario(R"({"family": "QSPAN"})", "s.json", std::nullopt, "", error));
}

TEST(SimScenario, ThePersistedDataFlashOutlivesTheGauge) {
  TempDir dir;
  const std::string scenarioPath =
      dir.Write("pack.json", R"({"family": "RN44K18", "dataFlashFile": "pack.df"})");

  std::string error;
  auto s = sim::LoadScenarioFile(scenarioPath, std::nullopt, error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->dataFlashFile, dir.Path("pack.df")) << "next to the scenario file";
  const std::vector<uint8_t> row(32, 0x3C);
  {
    SimBench h(*s);
    EXPECT_TRUE(std::filesystem::exists(dir.Path("pack.df"))) << "created with the first image";
    h.Mac(0x0103);
    EXPECT_EQ(h.WriteBlock(0x2F, row), 0);
  }
  std::ifstream in(dir.Path("pack.df"));
  std::string firstLine;
  std::getline(in, firstLine);
  EXPECT_EQ(firstLine.rfind("# gaugecal simulated RN44K18 data flash", 0), 0u) << firstLine;
  {
    SimBench h(*s);
    h.Mac(0x0103);
    EXPECT_EQ(h.Block(0x2F), row) << "the next run starts from the file";
  }

  sim::Scenario other = sim::DefaultScenario(DfType::QSPAN);
  other.dataFlashFile = dir.Path("pack.df");
  VirtualPlatform platform;
  EXPECT_FALSE(sim::OpenGauge(other, platform, error)) << "a QSPAN image is smaller";
  EXPECT_NE(error.find("holds 256 bytes, the QSPAN gauge has 48"), std::string::npos) << error;
}

TEST(SimScenario, UnknownParameterNamesAreRefusedWhenTheGaugeOpens) {
  sim::Scenario s = sim::DefaultScenario(DfType::QSPAN);
  s.parameters.emplace_back("Cell Scale 0", 20000);
  VirtualPlatform platform;
  std::string error;
  EXPECT_FALSE(sim::OpenGauge(s, platform, error));
  EXPECT_EQ(error, "the QSPAN gauge has no data flash parameter \"Cell Scale 0\"");
}

// A session that touches every source of randomness and time: identification, raw samples
// over several periods, a challenge and the bus trace of it all.
std::string TraceOfASession(uint64_t seed) {
  sim::Scenario s = sim::DefaultScenario(DfType::CEDV_PLUS);
  s.seed = seed;
  s.noiseCounts = 5;
  SimBench h(s);
  int32_t status = 0;
  ReadDeviceIdentification(kGaugeAddress, status);
  h.Mac(kCalMode);
  h.Mac(kRaw);
  for (int i = 0; i < 6; ++i) {
    h.Block(0x23);
    h.platform.Sleep(100);
  }
  h.Mac(0x0031);
  h.Block(0x2F);
  return h.TraceText();
}

TEST(SimScenario, TheSameSeedGivesTheSameTrace) {
  EXPECT_EQ(TraceOfASession(42), TraceOfASession(42));
  EXPECT_NE(TraceOfASession(42), TraceOfASession(43));
}

}  // namespace
}  // namespace gaugecal::test
