// gaugecal df on every family's simulated gauge, whose data flash lives in a persistence file:
// parameters set by name through the family's own access and reported by the standard
// commands, the checks before anything is sent, the backup before the first write, the
// rollback of a set whose second block fails, and export / import with import's refusals.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>

#include "CliRun.h"

namespace gaugecal::test {
namespace {

using nlohmann::json;

const char* const kFamilies[] = {"CEDV", "QSPAN", "RN44K18", "CEDV_PLUS"};

struct Gauge {
  explicit Gauge(const std::string& family, const std::string& extra = "")
      : adapter("sim:" + family) {
    scenario = dir.Write("gauge.json", "{\"dataFlashFile\": \"df.hex\"" + extra + "}");
    Run({"sbs"});  // the gauge creates its data flash file
  }
  CliResult Run(std::vector<std::string> args, const std::string& trace = "") const {
    std::vector<std::string> all = {"--virtual-time", "--adapter", adapter,
                                    "--sim-scenario", scenario,    "--backup-dir",
                                    dir.Path("b"),    "--appdir",  appdir};
    if (!trace.empty())
      all.insert(all.end(), {"--trace", trace});
    all.insert(all.end(), args.begin(), args.end());
    return RunCli(all);
  }
  // What the standard command reports, through sbs.
  json Sbs(const std::string& name) const {
    const json j = json::parse(Run({"--json", "sbs"}).out);
    for (const json& reg : j["registers"]) {
      if (reg["name"] == name)
        return reg["value"];
    }
    return nullptr;
  }
  std::string Flash() const { return ReadFile(dir.Path("df.hex")); }
  size_t Backups() const {
    return std::filesystem::exists(dir.Path("b"))
               ? static_cast<size_t>(
                     std::distance(std::filesystem::directory_iterator(dir.Path("b")),
                                   std::filesystem::directory_iterator()))
               : 0;
  }

  TempDir dir;
  std::string adapter;
  std::string scenario;
  std::string appdir = GAUGECAL_SAMPLE_APPDIR;
};

std::string Steps(const std::string& trace) {
  std::string steps;
  std::istringstream in(ReadFile(trace));
  for (std::string line; std::getline(in, line);)
    steps += Step(json::parse(line)) + " ";
  return steps;
}

TEST(CliDf, SetByNameIsReportedByTheStandardCommandsInEveryFamily) {
  // The block write each family's access makes for the "Design" block.
  const std::map<std::string, std::string> write = {{"CEDV", "WB:59/64"},
                                                    {"QSPAN", "WW_:77=0030 S:5 WB:78/16"},
                                                    {"RN44K18", "MAC:0103 S:3 S:3 WB:2F/32"},
                                                    {"CEDV_PLUS", "MAC:0103 S:3 S:3 WB:2F/32"}};
  for (const char* family : kFamilies) {
    SCOPED_TRACE(family);
    const Gauge g(family);
    ASSERT_EQ(g.Sbs("DesignCapacity"), 4400);
    const std::string trace = g.dir.Path("t.jsonl");
    const CliResult r =
        g.Run({"--json", "df", "set", "Design Capacity=5200", "Cycle Count=17"}, trace);
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out);
    ASSERT_EQ(j["written"].size(), 2u);
    EXPECT_EQ(j["written"][0]["value"], "5200");
    EXPECT_EQ(j["written"][1]["value"], "17");
    // Both in one block: one backup, saved before the write, holding the block as it was.
    ASSERT_EQ(j["backups"].size(), 1u);
    const json backup = json::parse(ReadFile(j["backups"][0]));
    EXPECT_EQ(backup["kind"], "parameter block");
    const size_t design = std::string(family) == "CEDV" ? 64 : 0;  // page 1 from byte 32
    EXPECT_EQ(backup["image"].get<std::string>().substr(design, 12), "113038400000");
    const std::string steps = Steps(trace);
    EXPECT_NE(steps.find(write.at(family)), std::string::npos) << steps;
    EXPECT_EQ(g.Sbs("DesignCapacity"), 5200);
    EXPECT_EQ(g.Sbs("CycleCount"), 17);
    EXPECT_EQ(g.Sbs("DesignVoltage"), 14400);

    const CliResult get = g.Run({"df", "get", "Cycle Count", "Gas Gauging/Design/Design Voltage"});
    EXPECT_EQ(
        get.out,
        "Gas Gauging/Design/Cycle Count = 17\nGas Gauging/Design/Design Voltage = 14400 mV\n");
  }
}

TEST(CliDf, RefusesBeforeAnythingIsSent) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"Design Capacity=40000"},
       "message: Design Capacity: 40000 is out of range; it must be from 100 to 32767 mAh. "
       "Nothing was written to the gauge."},
      {{"Cycle Count=12", "Design Voltage=-1"},
       "message: Design Voltage: -1 is out of range; it must be from 3000 to 20000 mV."},
      {{"Cycle Count=1.5"}, "message: Cycle Count: \"1.5\" is not a whole number."},
      {{"Design Capacity=0x"}, "message: Design Capacity: \"0x\" is not a whole number."},
      {{"Desing Capacity=4000"},
       "message: The Dataflash description has no parameter Desing Capacity (gaugecal df list "
       "shows them)."},
      {{"Board Offset=3"},
       "message: Calibration/Data/Board Offset is a calibration constant, which the "
       "calibrations set (--force writes it by hand). Nothing was written to the gauge."},
  };
  for (const char* family : kFamilies) {
    const Gauge g(family);
    const std::string before = g.Flash();
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(family) + " " + c.args.back());
      std::vector<std::string> args = {"df", "set"};
      args.insert(args.end(), c.args.begin(), c.args.end());
      const CliResult r = g.Run(args);
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(g.Flash(), before);
    EXPECT_EQ(g.Backups(), 0u);
    EXPECT_EQ(g.Run({"df", "set", "--force", "Board Offset=3"}).status, 0);
    EXPECT_EQ(g.Run({"df", "get", "Board Offset"}).out, "Calibration/Data/Board Offset = 3\n");
  }
}

// The gauge's description in a copy of the application directory, with from changed to to.
void EditDescription(Gauge& g, const std::string& file, const std::string& from,
                     const std::string& to) {
  g.appdir = g.dir.Dir() + "app";
  std::filesystem::copy(GAUGECAL_SAMPLE_APPDIR, g.appdir, std::filesystem::copy_options::recursive);
  const std::string desc = "app/dataflash/" + file;
  g.dir.Write(desc, std::regex_replace(ReadFile(g.dir.Path(desc)), std::regex(from), to));
}

TEST(CliDf, AmbiguousNamesNeedTheirClassAndSubclass) {
  Gauge g("RN44K18");
  EditDescription(g, "rn44k18_a05.gdf.json", "\"Terminate Voltage\"", "\"Cycle Count\"");
  const CliResult r = g.Run({"df", "set", "Cycle Count=3"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("message: The Dataflash parameter name Cycle Count is not unique "
                       "(Configuration/Charge/Cycle Count, Gas Gauging/Design/Cycle Count); "
                       "give it as class/subclass/name."),
            std::string::npos)
      << r.err;
  EXPECT_EQ(g.Run({"df", "set", "Gas Gauging/Design/Cycle Count=3"}).status, 0);
  EXPECT_EQ(g.Sbs("CycleCount"), 3);
}

// QSPAN sends the Design subclass as 16 bytes: a parameter whose last byte would be the
// seventeenth is refused, read or written, and the data flash stays as it was.
TEST(CliDf, AParameterBeyondTheBlockTheGaugeSendsIsRefused) {
  for (const std::string offset : {"14", "15"}) {
    SCOPED_TRACE(offset);
    Gauge g("QSPAN");
    EditDescription(g, "qspan_450.gdf.json", "\"offset\": 6, \"type\": \"U2\"",
                    "\"offset\": " + offset + ", \"type\": \"U2\"");
    const std::string before = g.Flash();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"df", "get", "Remaining Capacity Alarm"},
          std::vector<std::string>{"df", "set", "Remaining Capacity Alarm=300"}}) {
      const CliResult r = g.Run(args);
      if (offset == "14") {
        EXPECT_EQ(r.status, 0) << r.err;
        continue;
      }
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.err.find("message: Gas Gauging/Design/Remaining Capacity Alarm at offset 15 "
                           "lies outside the Dataflash block the gauge sent (16 bytes)."),
                std::string::npos)
          << r.err;
    }
    EXPECT_EQ(g.Flash() == before, offset == "15");
  }
}

TEST(CliDf, SealedGaugeIsRefusedWithTheUnsealHint) {
  for (const char* family : kFamilies) {
    SCOPED_TRACE(family);
    const Gauge g(family, ", \"security\": \"Sealed\"");
    const std::string before = g.Flash();
    const CliResult r = g.Run({"df", "set", "Cycle Count=9"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("message: The gauge is Sealed and does not take Dataflash writes. "
                         "Nothing was written to the gauge."),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("warning: the gauge is Sealed; unseal it first: gaugecal unseal"),
              std::string::npos);
    EXPECT_EQ(g.Flash(), before);
    EXPECT_EQ(g.Backups(), 0u);
  }
}

TEST(CliDf, AFailedSecondBlockRollsTheFirstBack) {
  for (const char* family : kFamilies) {
    SCOPED_TRACE(family);
    const Gauge g(family,
                  ", \"faults\": [{\"kind\": \"corruptWrite\", \"occurrence\": 2, \"offset\": 0}]");
    const std::string before = g.Flash();
    const CliResult r = g.Run({"df", "set", "Design Capacity=5000", "Charging Voltage=12600"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(" written and read back failed."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("warning: the Dataflash blocks of this write were written back as they "
                         "were before it"),
              std::string::npos);
    EXPECT_EQ(g.Flash(), before) << "rolled back";
    EXPECT_EQ(g.Backups(), 2u) << "both blocks saved before the first write";
    EXPECT_EQ(g.Sbs("DesignCapacity"), 4400);
  }
}

TEST(CliDf, AQspanFileFromBeforeTheNewSubclassesKeepsItsBytes) {
  const Gauge g("QSPAN");
  std::istringstream in(g.Flash());
  std::string header, row1, row2;
  std::getline(in, header);
  std::getline(in, row1);
  std::getline(in, row2);
  const std::string earlier = row1 + "\n" + row2.substr(0, 47) + "\n";  // 32 + 16 bytes
  g.dir.Write("df.hex", header + "\n" + earlier);
  EXPECT_EQ(g.Sbs("DesignCapacity"), 4400);  // the new subclasses at their defaults
  ASSERT_EQ(g.Run({"df", "set", "Cycle Count=4"}).status, 0);
  EXPECT_EQ(g.Flash().find(header + "\n" + earlier.substr(0, 96 + 47)), 0u);
  EXPECT_EQ(g.Sbs("CycleCount"), 4);
}

TEST(CliDf, ListShowsTheDescriptionWithTheGaugesValues) {
  const Gauge g("QSPAN", ", \"parameters\": {\"Charging Current\": 1500}");
  const CliResult r = g.Run({"--json", "df", "list", "--class", "Configuration"});
  ASSERT_EQ(r.status, 0) << r.err;
  const json j = json::parse(r.out);
  std::vector<std::string> rows;
  for (const json& p : j["parameters"])
    rows.push_back(p["subclass"].get<std::string>() + "/" + p["name"].get<std::string>() + "=" +
                   p["value"].get<std::string>() + " " + p["unit"].get<std::string>());
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "Registers/Operation Cfg A=0x0300 ", "Charge/Charging Voltage=16800 mV",
                      "Charge/Charging Current=1500 mA", "Charge/Terminate Voltage=9000 mV"}));
  EXPECT_EQ(g.Run({"df", "list", "--class", "Nope"}).status, 1);
}

TEST(CliDf, ExportThenImportRestoresAndImportRefusesWhatRestoreRefuses) {
  for (const char* family : kFamilies) {
    SCOPED_TRACE(family);
    const Gauge g(family);
    const std::string file = g.dir.Path("p.json");
    ASSERT_EQ(g.Run({"df", "export", file}).status, 0);
    const std::string before = g.Flash();
    EXPECT_EQ(g.Run({"df", "export", file}).status, 1) << "an existing file is kept";
    ASSERT_EQ(g.Run({"df", "set", "Design Capacity=3000", "Charging Current=900"}).status, 0);
    // A file puts calibration constants back as a backup does, without --force.
    ASSERT_EQ(g.Run({"df", "set", "--force", "Board Offset=3"}).status, 0);
    const CliResult in = g.Run({"--json", "df", "import", file});
    ASSERT_EQ(in.status, 0) << in.err;
    EXPECT_EQ(json::parse(in.out)["changed"], 3);
    EXPECT_EQ(g.Flash(), before);

    json j = json::parse(ReadFile(file));
    j["parameters"]["Gas Gauging/Design/Cycle Count"] = "5";
    const std::string edited = g.dir.Write("edited.json", j.dump());
    j = json::parse(ReadFile(file));
    j["identification"]["IdBuild"] = "99";
    const std::string other = g.dir.Write("other.json", j.dump());
    j["family"] = std::string(family) == "CEDV" ? "QSPAN" : "CEDV";
    const std::string foreign = g.dir.Write("foreign.json", j.dump());
    const std::pair<std::string, std::string> refusals[] = {
        {edited, " does not match its SHA-256: it is damaged or was edited."},
        {other, " (--force writes it anyway). Nothing was written to the gauge."},
        {foreign, "so it is not written, --force or not. Nothing was written to the gauge."}};
    for (const auto& [path, text] : refusals) {
      const CliResult r = g.Run({"--json", "df", "import", path});
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
      EXPECT_EQ(json::parse(r.out)["changed"], 0);
    }
    EXPECT_EQ(g.Run({"df", "import", "--force", foreign}).status, 1);
    EXPECT_EQ(g.Run({"df", "import", "--force", other}).status, 0);
    EXPECT_EQ(g.Flash(), before);
  }
}

}  // namespace
}  // namespace gaugecal::test
