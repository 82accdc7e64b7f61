// gaugecal identify against each built-in simulated gauge, run in-process on virtual time,
// with the bus trace written to a file.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "support/TraceReader.h"

namespace gaugecal::test {
namespace {

struct Family {
  const char* adapter;
  const char* device;
  const char* firmware;
  const char* build;
  const char* extra;
  int answerLength;
};

const Family kFamilies[] = {
    {"sim:CEDV", "250", "1_10", "5", "0001", 11},
    {"sim:QSPAN", "450", "2_01", "7", "0002", 11},
    {"sim:RN44K18", "A05", "1_02", "1B", "0003", 13},
    {"sim:CEDV_PLUS", "360", "3_00", "18", "0004", 11},
};

TEST(CliIdentify, EveryFamilyIdentifiesAndTheTraceHoldsEveryTransfer) {
  for (const Family& f : kFamilies) {
    SCOPED_TRACE(f.adapter);
    TempDir dir;
    const std::string tracePath = dir.Path("t.jsonl");
    // Global options count after the command as before it.
    const CliResult r =
        RunCli({"--virtual-time", "identify", "--adapter", f.adapter, "--trace", tracePath});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, std::string("IdDevice:   ") + f.device + "\nIdFirmware: " + f.firmware +
                         "\nIdBuild:    " + f.build + "\nIdExtra:    " + f.extra +
                         "\nStatus:     ok\n");

    // Wake-up read, state of charge, the three zero blocks, the error drain, the answer, the
    // settle sleep: nothing more and nothing less, every transfer acknowledged.
    const auto trace = ParseTrace(ReadFile(tracePath));
    const std::vector<std::pair<std::string, int>> expected = {
        {"ReadSMBusWord_", 0x00},  {"ReadSMBusWord_", 0x0D},
        {"WriteSMBusBlock", 0x22}, {"WriteSMBusBlock", 0x20},
        {"WriteSMBusBlock", 0x22}, {"CheckForError", -1},
        {"ReadSMBusBlock_", 0x2F}, {"Sleep", -1}};
    ASSERT_EQ(trace.size(), expected.size());
    double lastMs = -1.0;
    for (size_t i = 0; i < trace.size(); ++i) {
      EXPECT_EQ(trace[i]["seq"], i + 1);
      EXPECT_EQ(trace[i]["op"], expected[i].first) << i;
      if (expected[i].second >= 0) {
        EXPECT_EQ(trace[i]["cmd"], expected[i].second) << i;
        EXPECT_EQ(trace[i]["addr"], 0x17) << i;
        EXPECT_EQ(trace[i]["status"], 0) << i;
      }
      EXPECT_GE(trace[i]["t_ms"].get<double>(), lastMs) << "time never runs backwards";
      lastMs = trace[i]["t_ms"].get<double>();
    }
    for (size_t i = 2; i < 5; ++i) {
      EXPECT_EQ(trace[i]["len"], 62);
      EXPECT_EQ(trace[i]["data"], std::string(62 * 2, '0'));
    }
    EXPECT_EQ(trace[6]["len"], f.answerLength);
    EXPECT_EQ(trace[7]["ms"], 500);
    // A 62-byte block write occupies a 100 kHz bus for 5.87 ms.
    EXPECT_NEAR(trace[3]["t_ms"].get<double>() - trace[2]["t_ms"].get<double>(), 5.87, 1e-6);
  }
}

TEST(CliIdentify, JsonOutputCarriesTheTextsAndTheStatus) {
  const CliResult r =
      RunCli({"--adapter", "sim:CEDV_PLUS", "--virtual-time", "--json", "identify"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["IdDevice"], "360");
  EXPECT_EQ(j["IdFirmware"], "3_00");
  EXPECT_EQ(j["IdBuild"], "18");
  EXPECT_EQ(j["IdExtra"], "0004");
  EXPECT_EQ(j["status"], 0);
  EXPECT_EQ(j["ok"], true);
}

TEST(CliIdentify, AGaugeThatDoesNotAnswerFailsWithStatusOne) {
  TempDir dir;
  const std::string scenario = dir.Write("dead.json", R"({"faults": [{"kind": "noAnswer"}]})");
  const CliResult r =
      RunCli({"--adapter", "sim:QSPAN", "--sim-scenario", scenario, "--virtual-time", "identify"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Status:     no answer from the gauge"), std::string::npos) << r.out;
}

TEST(CliIdentify, AScenarioFileChangesTheIdentification) {
  TempDir dir;
  const std::string scenario = dir.Write(
      "id.json",
      R"({"family": "RN44K18", "identification": "0A 07 02 05 00 09 00 00 00 00 01 01 02"})");
  const CliResult r = RunCli({"--sim-scenario", scenario, "--virtual-time", "identify"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("IdDevice:   A07\nIdFirmware: 2_05\nIdBuild:    12\nIdExtra:    0009"),
            std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace gaugecal::test
