// The station profile: every malformed field is a usage error (exit status 2) naming the file,
// the field and the problem, and an instrument that cannot be opened or identified is one
// naming it; either way before anything is sent to the gauge (the trace stays empty).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/CliRun.h"

namespace gaugecal::test {
namespace {

// A demo-driver instrument and what the profile adds after it.
std::string Profile(const std::string& instrument, const std::string& rest) {
  return R"({"instruments": [{"name": "meter", "driver": "demo")" + instrument + "}]" + rest + "}";
}
std::string WithReference(const std::string& reference) {
  return Profile("", R"(, "references": {)" + reference + "}");
}

TEST(CliStation, BadProfilesAndInstrumentsStopTheRunBeforeTheGauge) {
  struct Row {
    std::string json;
    std::string err;  // after "gaugecal: FILE" (or "gaugecal: " for an instrument)
  };
  const std::vector<Row> rows = {
      {"{", ": not valid JSON ("},
      {"[]", ": must be a JSON object\n"},
      {R"({"instruments": []})", ": \"instruments\": must be a non-empty array of objects\n"},
      {R"({"references": {}})", ": \"instruments\": missing: list the bench's instruments\n"},
      {Profile("", R"(, "bench": 1)"), ": \"bench\": unknown key\n"},
      {R"({"instruments": [{"driver": "demo"}]})", ": \"instruments[0].name\": missing\n"},
      {R"({"instruments": [{"name": "", "driver": "demo"}]})",
       ": \"instruments[0].name\": must not be empty\n"},
      {R"({"instruments": [{"name": "m", "driver": 7}]})",
       ": \"instruments[0].driver\": must be a text\n"},
      {R"({"instruments": [{"name": "m", "driver": "demo"}, {"name": "m", "driver": "demo"}]})",
       ": \"instruments[1].name\": another instrument is named \"m\"\n"},
      {Profile(R"(, "settings": [{"key": "offset"}])", ""),
       ": \"instruments[0].settings[0].value\": missing\n"},
      {Profile(R"(, "settings": {"offset": "1"})", ""),
       ": \"instruments[0].settings\": must be an array of objects\n"},
      {WithReference(R"("pack": {"instrument": "dmm", "quantity": "voltage"})"),
       ": \"references.pack.instrument\": no instrument is named \"dmm\"\n"},
      {WithReference(R"("pack": {"instrument": "meter", "quantity": "volts"})"),
       ": \"references.pack.quantity\": must be voltage, current or temperature\n"},
      {WithReference(R"("pack": {"instrument": "meter"})"),
       ": \"references.pack.quantity\": missing\n"},
      {WithReference(R"("pack": {"instrument": "meter", "quantity": "current"})"),
       ": \"references.pack.quantity\": a voltage reference needs voltage\n"},
      {WithReference(R"("current": {"instrument": "meter", "quantity": "voltage"})"),
       ": \"references.current.quantity\": a current reference needs current, or voltage with "
       "a shunt\n"},
      {WithReference(R"("pack": {"instrument": "meter", "quantity": "voltage", "shunt": 0.01})"),
       ": \"references.pack.shunt\": only a voltage across a shunt gives a current reference\n"},
      {WithReference(R"("current": {"instrument": "meter", "quantity": "voltage", "shunt": 0})"),
       ": \"references.current.shunt\": must be a number from 0.000001 to 1000000\n"},
      {WithReference(R"("pack": {"instrument": "meter", "quantity": "voltage", "samples": 0})"),
       ": \"references.pack.samples\": must be an integer from 1 to 1000 "},
      {WithReference(R"("pack": {"instrument": "meter", "quantity": "voltage", "scale": 0})"),
       ": \"references.pack.scale\": must not be 0\n"},
      {WithReference(R"("cells": {"5": {"instrument": "meter", "quantity": "voltage"}})"),
       ": \"references.cells.5\": unknown key (known: 1, 2, 3, 4)\n"},
      {WithReference(R"("temperatures": {"ext5": {}})"),
       ": \"references.temperatures.ext5\": unknown key (known: internal, ext1, ext2, ext3, "
       "ext4)\n"},
      {WithReference(R"("temperatures": {"ext1": {"instrument": "meter", "quantity": "voltage"}})"),
       ": \"references.temperatures.ext1.quantity\": a temperature reference needs "
       "temperature\n"},
      {WithReference(R"("cells": {"2": {"sum": []}})"),
       ": \"references.cells.2.sum\": must be a non-empty array of readings\n"},
      {WithReference(R"("cells": {"2": {"sum": [{"instrument": "meter", "quantity": "voltage"},
                                                 {"instrument": "meter"}]}})"),
       ": \"references.cells.2.sum[1].quantity\": missing\n"},
      {WithReference(R"("cells": {"2": {"sum": [], "instrument": "meter"}})"),
       ": \"references.cells.2.instrument\": unknown key\n"},
      {Profile("", R"(, "source": {"instrument": "meter"})"),
       ": \"source.currentMa\": missing: the calibration current in mA\n"},
      {Profile("", R"(, "source": {"instrument": "meter", "currentMa": 0})"),
       ": \"source.currentMa\": must not be 0\n"},
      {Profile("", R"(, "source": {"instrument": "meter", "currentMa": 20000})"),
       ": \"source.currentMa\": must be a number from -15000 to 15000\n"},
      {Profile("",
               R"(, "source": {"instrument": "meter", "currentMa": 1500, "settleSeconds": -1})"),
       ": \"source.settleSeconds\": must be a number from 0 to 600\n"},
      {Profile("", R"(, "source": {"instrument": "load", "currentMa": 1500})"),
       ": \"source.instrument\": no instrument is named \"load\"\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.json);
    TempDir dir;
    const std::string file = dir.Write("station.json", row.json);
    const CliResult r = RunCli({"--virtual-time", "--trace", dir.Path("trace.jsonl"), "--station",
                                file, "calibrate", "pack-voltage"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.substr(0, ("gaugecal: " + file + row.err).size()),
              "gaugecal: " + file + row.err);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(dir.Path("trace.jsonl")), "") << "nothing sent to the gauge";
  }
}

// What the instrument layer says of an instrument it cannot open (tests/instruments) comes as
// a usage error before the gauge.
TEST(CliStation, InstrumentsThatCannotBeOpenedAreNamed) {
  TempDir dir;
  const std::string file = dir.Write(
      "station.json",
      R"({"instruments": [{"name": "dmm", "driver": "scpi-dmm", "connection": "tcp-raw/127.0.0.1/1"}]})");
  const CliResult r = RunCli({"--virtual-time", "--trace", dir.Path("trace.jsonl"), "--station",
                              file, "calibrate", "pack-voltage"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("gaugecal: instrument dmm (scpi-dmm at tcp-raw/127.0.0.1/1) does not "
                        "answer: ",
                        0),
            0U)
      << r.err;
  EXPECT_EQ(ReadFile(dir.Path("trace.jsonl")), "") << "nothing sent to the gauge";
  const CliResult missing = RunCli({"--station", "/nonexistent/station.json", "instruments"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err,
            "gaugecal: /nonexistent/station.json: the station profile does not exist\n");
}

TEST(CliStation, BenchCheckListsIdentificationsAndOneMeasurementOfEveryReference) {
  TempDir dir;
  const std::string offsets = R"(, "settings": [
      {"channelGroup": "A0", "key": "amplitude", "value": "0"},
      {"channelGroup": "A0", "key": "offset", "value": "3.9001"},
      {"channelGroup": "A1", "key": "amplitude", "value": "0"},
      {"channelGroup": "A1", "key": "offset", "value": "3.8991"},
      {"channelGroup": "A2", "key": "amplitude", "value": "0"},
      {"channelGroup": "A2", "key": "offset", "value": "-0.0150"}])";
  const std::string cell1 =
      R"({"instrument": "meter", "channelGroup": "A0", "quantity": "voltage"})";
  const std::string cell2 =
      R"({"instrument": "meter", "channelGroup": "A1", "quantity": "voltage"})";
  const std::string file = dir.Write(
      "station.json",
      Profile(offsets, R"(, "references": {"cells": {"1": )" + cell1 + R"(, "2": {"sum": [)" +
                           cell1 + "," + cell2 +
                           R"(]}}, "current": {"instrument": "meter", "channelGroup": "A2",
                           "quantity": "voltage", "shunt": 0.01, "samples": 4}})"));
  const CliResult r = RunCli({"--station", file, "instruments"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "instrument: meter = Demo device (demo)\n"
            "reference: Cell 1 = 3900.1 mV (meter, mean of 10)\n"
            "reference: Cell 1 + 2 = 7799.2 mV (meter, mean of 10 each)\n"
            "reference: Current = -1500.0 mA (meter, mean of 4)\n");
  EXPECT_EQ(RunCli({"instruments"}).err,
            "gaugecal: instruments needs --station FILE (docs/instruments.md)\n");

  // The profile's name is the station's in the records of its calibrations.
  const std::string named = dir.Write("named.json", Profile("", R"(, "name": "bench-3")"));
  const std::string store = dir.Path("records.sqlite");
  ASSERT_EQ(RunCli({"--virtual-time", "--backup-dir", dir.Path("backups"), "--records", store,
                    "--station", named, "calibrate", "board-offset"})
                .status,
            0);
  const auto records = nlohmann::json::parse(RunCli({"--records", store, "--json", "records"}).out);
  ASSERT_EQ(records["records"].size(), 1U) << records;
  EXPECT_EQ(records["records"][0]["station"], "bench-3");
}

// Closed loop: the demo on every family with the emulated bench's measurements only, every
// quantity within its target, each measurement in the trace, the source off at the end.
class EmulatedBench : public ::testing::TestWithParam<const char*> {};

TEST_P(EmulatedBench, CalibratesTheFamilyHandsFree) {
  const std::string family = GetParam();
  {
    TempDir dir;
    const CliResult r =
        RunCli({"--virtual-time", "--adapter", "sim:" + family, "--backup-dir", dir.Path("backups"),
                "--trace", dir.Path("trace.jsonl"), "--station", "emulated", "demo"});
    EXPECT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("references measured by the bench's instruments"), std::string::npos);
    EXPECT_NE(r.out.find("reference: Cell 1 + 2 = 7799.1 mV (dmm2, mean of 10)\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("reference: Current = 2000.0 mA (dmm-pack, mean of 10)\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("Every calibration done; every quantity within its target."),
              std::string::npos);
    std::string lastSource;
    int measures = 0;
    std::istringstream trace(ReadFile(dir.Path("trace.jsonl")));
    for (std::string line; std::getline(trace, line);) {
      const auto j = nlohmann::json::parse(line);
      if (j["op"] == "Source")
        lastSource = j["setting"].get<std::string>() + "=" + j["value"].dump();
      if (j["op"] == "Measure" && j["instrument"] == "dmm-pack" && j["quantity"] == "current") {
        ++measures;
        EXPECT_EQ(j["unit"], "A");
        EXPECT_EQ(j["samples"], 10);
      }
    }
    EXPECT_EQ(lastSource, "output=0.0");
    EXPECT_EQ(measures, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Families, EmulatedBench,
                         ::testing::Values("CEDV", "QSPAN", "RN44K18", "CEDV_PLUS"));

TEST(CliStation, EmulatedBenchRunsOnAnEmulatedAdapterToo) {
  EXPECT_EQ(RunCli({"--adapter", "cp2112-sim:CEDV", "--station", "emulated", "instruments"}).status,
            0)
      << "an emulated adapter has the simulated gauge too";
}

// A reference on the command line overrides the measurement and goes through the same guard:
// an implausible typed current is refused with the source on, and the source goes off.
TEST(CliStation, CommandLineReferencesOverrideMeasurements) {
  struct Row {
    std::vector<std::string> calibrate;
    int status;
    std::string referenceLines;
    std::string err;  // a part of it
  };
  const std::vector<Row> rows = {
      {{"pack-voltage"}, 0, "reference: Pack = 11704.1 mV (dmm-pack, mean of 10)\n", ""},
      {{"pack-voltage", "--pack", "11704"}, 0, "", ""},
      {{"current", "--current", "500"},
       1,
       "",
       "warning: Current: the reference of 500 mA does not fit the gauge's reading of "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.calibrate.back());
    TempDir dir;
    std::vector<std::string> args = {"--virtual-time", "--adapter", "sim:CEDV",    "--backup-dir",
                                     dir.Path("b"),    "--trace",   dir.Path("t"), "--station",
                                     "emulated",       "calibrate"};
    args.insert(args.end(), row.calibrate.begin(), row.calibrate.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("Action:")), row.referenceLines);
    EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
    const std::string trace = ReadFile(dir.Path("t"));
    if (row.calibrate.front() == "current") {
      EXPECT_NE(
          trace.find(
              R"("op":"Source","instrument":"supply","channelGroup":"3","setting":"output","value":1.0)"),
          std::string::npos);
      const size_t last = trace.rfind(R"("op":"Source")");
      ASSERT_NE(last, std::string::npos);
      const std::string line = trace.substr(last, trace.find('\n', last) - last);
      EXPECT_NE(line.find(R"("setting":"output","value":0.0)"), std::string::npos)
          << "the last source change switches it off: " << line;
    }
  }
}

}  // namespace
}  // namespace gaugecal::test
