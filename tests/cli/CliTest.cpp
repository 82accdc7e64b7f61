// The gaugecal tool run in-process against each built-in simulated gauge on virtual time: each
// command's output and the bus trace it leaves, a refused step, usage errors, and the progress
// line of long waits.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "CliRun.h"
#include "cli/Cli.h"
#include "cli/Progress.h"
#include "device/HostLinkOps.h"

namespace gaugecal::test {
namespace {

using ::testing::HasSubstr;

// The tool's status, then its output, standard error and "|" with the steps of the trace.
std::pair<int, std::string> Gaugecal(std::vector<std::string> args, const std::string& trace) {
  args.insert(args.begin(), {"--virtual-time", "--trace", trace});
  const CliResult r = RunCli(args);
  std::istringstream in(ReadFile(trace));
  std::string steps;
  for (std::string line; std::getline(in, line);)
    steps += " " + (line[0] == '{' ? Step(nlohmann::json::parse(line)) : line);
  return {r.status, r.out + r.err + "|" + steps};
}

TEST(Cli, EveryCommandOnEveryGauge) {
  const char* ids[] = {"250 1_10 5 0001", "450 2_01 7 0002", "A05 1_02 1B 0003",
                       "360 3_00 18 0004"};
  const char* families[] = {"CEDV", "QSPAN", "RN44K18", "CEDV_PLUS"};
  for (int i = 0; i < 4; ++i) {
    TempDir dir;
    const std::string sim = std::string("sim:") + families[i], trace = dir.Path("t.jsonl");
    std::istringstream id(ids[i]);
    std::string d, f, b, x;
    id >> d >> f >> b >> x;
    // Global options count after the command as before it.
    EXPECT_EQ(Gaugecal({"identify", "--adapter", sim}, trace),
              std::make_pair(0, "IdDevice:   " + d + "\nIdFirmware: " + f + "\nIdBuild:    " + b +
                                    "\nIdExtra:    " + x + "\nStatus:     ok\n| RW_:00 RW_:0D " +
                                    "WB:22/62 WB:20/62 WB:22/62 CFE RB:2F S:500"));
    auto [status, shown] = Gaugecal({"--adapter", sim, "read"}, trace);
    EXPECT_EQ(status, 0);
    EXPECT_THAT(shown, HasSubstr(std::string("Configuration:  ") + families[i] + "\n"));
    EXPECT_THAT(shown, ::testing::Not(HasSubstr("Err_Rd")));
    // Raw values of both kinds; the run ends out of the stream, and out of calibration mode
    // for the families that have one.
    for (bool offset : {false, true}) {
      std::vector<std::string> raw = {"--adapter", sim, "--json", "raw", "--offset"};
      std::tie(status, shown) = Gaugecal({raw.begin(), raw.end() - !offset}, trace);
      EXPECT_EQ(status, 0) << shown;
      EXPECT_THAT(shown, HasSubstr(offset ? "\"offset\": true" : "\"offset\": false"));
      EXPECT_THAT(shown, ::testing::Not(HasSubstr("\"unit\": \"mV\""))) << "raw counts";
      EXPECT_THAT(shown, HasSubstr("\"unit\": \"counts\""));
      EXPECT_EQ(Count(shown, "MAC:002D"), i < 2 ? 0 : 2);
      std::istringstream steps(shown.substr(shown.find('|')));
      std::string last;
      for (std::string s; steps >> s;) {
        if (s.rfind("MAC:", 0) == 0 && s != "MAC:0057")  // status reads confirm the mode
          last = s;
      }
      EXPECT_EQ(last, i < 2 ? "MAC:F080" : "MAC:002D");
    }
    std::tie(status, shown) = Gaugecal({"--adapter", sim, "check-config"}, trace);
    EXPECT_EQ(status, 0);
    EXPECT_THAT(shown, HasSubstr("Status:                ok\n"));
    // The system configuration address is known where the family's description has it.
    std::tie(status, shown) = Gaugecal({"--adapter", sim, "--json", "check-config"}, trace);
    EXPECT_EQ(nlohmann::json::parse(shown.substr(0, shown.find('|')))["SystemConfigAddress"],
              i < 2 ? nlohmann::json() : nlohmann::json(64));
  }
  TempDir dir;
  const std::string sealed = dir.Write("sealed.json", R"({"security": "Sealed"})");
  EXPECT_EQ(Gaugecal({"--sim-scenario", sealed, "raw"}, dir.Path("t")).first, cli::kExitFailed);
  // Usage errors: status 2, one line on standard error, an earlier trace file left as it was.
  // Each case: the arguments, "|", the start of the line on standard error after "gaugecal: ".
  const std::string missing = dir.Path("missing/t.jsonl");
  for (const std::string& c : std::vector<std::string>{
           "|A subcommand is required", "--adapter|--adapter: 1 required NAME missing",
           "--bogus identify|The following argument was not expected: --bogus",
           "--adapter usb:1 identify|unknown adapter \"usb:1\" (known: sim:FAMILY, i2c-sim:FAMILY, "
           "cp2112-sim:FAMILY, i2c:/dev/i2c-N or cp2112[:SERIAL], FAMILY being CEDV, QSPAN, "
           "RN44K18 or CEDV_PLUS)",
           "calibrate current --cell 5=1|--cell: expected N=TEXT, got \"5=1\"",
           "identify now|The following argument was not expected: now",
           "raw --offset -x|The following argument was not expected: -x", "calibrate voltage|",
           "calibrate voltage-temperature --cell 5=4000|",
           "calibrate voltage-temperature --cell 4000|",
           "calibrate voltage-temperature --temp ext5=25|", "calibrate current --current|",
           "--trace " + missing + " identify|cannot write the trace file"}) {
    std::istringstream words(c.substr(0, c.find('|')));
    const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
    const std::string message = c.substr(c.find('|') + 1);
    const std::string kept = dir.Write("kept.jsonl", "kept\n");
    const auto [status, shown] = Gaugecal(args, kept);
    EXPECT_EQ(status, cli::kExitUsage) << message;
    EXPECT_THAT(shown, ::testing::StartsWith("gaugecal: " + message));
    EXPECT_THAT(shown, ::testing::EndsWith("\n| kept")) << "the trace kept";
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1) << shown;
  }
  EXPECT_EQ(Gaugecal({"raw", "--help"}, dir.Path("h")).first, 0);
  EXPECT_THAT(Gaugecal({"--version"}, dir.Path("v")).second, ::testing::StartsWith("gaugecal "));
}

// calibrate: the panel's table before and after; a refusal shows the panel's message or our
// warning first, says "Done:   no" and writes no data flash block.
TEST(Cli, CalibrateReportsTheTableAndARefusalWritesNothing) {
  TempDir dir;
  auto [status, shown] =
      Gaugecal({"--json", "calibrate", "board-offset", "--adapter", "sim:QSPAN"}, dir.Path("t"));
  ASSERT_EQ(status, 0) << shown;
  const auto j = nlohmann::json::parse(shown.substr(0, shown.find('|')));
  EXPECT_EQ(j.size(), 9U);
  EXPECT_EQ(j["action"].get<std::string>() + j["done"].dump() + j["ok"].dump() +
                j["messages"].dump() + j["warnings"].dump(),
            "board-offset"
            "truetrue[][]");
  EXPECT_EQ(j["check"].size(), 1U);
  EXPECT_TRUE(j["backup"].is_string());
  EXPECT_EQ(j["before"]["Board Offset"], nlohmann::json::parse(R"({"value":0,"shown":"0"})"));
  EXPECT_EQ(j["before"]["Sense Resistor Gain"],
            nlohmann::json::parse(R"({"value":0.9419,"shown":"0.942"})"));
  EXPECT_NE(j["after"]["Board Offset"]["value"], 0);
  EXPECT_EQ(j["before"]["CC Offset"], j["after"]["CC Offset"]);
  // Numbers at the gauge's precision beside the grid's three-decimal texts.
  int finer = 0;
  for (const auto& [name, row] : j["after"].items()) {
    SCOPED_TRACE(name);
    const double value = row["value"].get<double>();
    EXPECT_NEAR(value, std::stod(row["shown"].get<std::string>()), 0.0005);
    finer += value != std::stod(row["shown"].get<std::string>()) ? 1 : 0;
  }
  EXPECT_GT(finer, 0) << j["after"];
  std::tie(status, shown) =
      Gaugecal({"calibrate", "voltage-temperature", "--cell", "1=3902", "--cell", "2=7799",
                "--cell", "3=11704", "--cell", "4=15603", "--temp", "ext1=25.0"},
               dir.Path("t"));
  ASSERT_EQ(status, 0) << shown;
  EXPECT_THAT(shown, HasSubstr("Done:   yes"));
  // The first cell's scale factor: what the gauge held, then the new value.
  std::istringstream row(shown.substr(shown.find("  Cell Scale 0 ")));
  std::string cell, scale, zero, before, after;
  row >> cell >> scale >> zero >> before >> after;
  EXPECT_EQ(before, "20451");
  EXPECT_NE(after, before);

  const std::string app = dir.Path("app");
  std::filesystem::copy(GAUGECAL_SAMPLE_APPDIR, app, std::filesystem::copy_options::recursive);
  std::ofstream(app + "/config.ini", std::ios::app)
      << "\n[DA05_1_02_1B_0003]\nDFType=RN44K18\nPackVSupported=0\n";
  const std::string sealed = dir.Write("sealed.json", R"({"security": "Sealed"})");
  const std::string vt = "voltage-temperature";
  for (const auto& [args, first] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"calibrate", vt},
            "message: Voltage and Temperature calibration selected but no check boxes checked. "
            "There is nothing to do."},
           {{"calibrate", vt, "--cell", "1=3902", "--cell", "2=4,000"},
            "message: Invalid value entered! Error description: \"4,000\" for the actual voltage "
            "of Cell 1 + 2 is not a number"},
           {{"calibrate", vt, "--voltage", "--battery", "8000"},
            "warning: the panel does not let a technician enter a battery voltage"},
           {{"calibrate", vt, "--temp", "ext3=25"},
            "warning: the panel does not let a technician enter Ext 3 Temp"},
           {{"calibrate", "current", "--current", ""},
            "message: Actual Current not entered for current calibration. Please enter actual "
            "current."},
           {{"calibrate", "pack-voltage", "--pack", "24001"},
            "message: Pack Voltage entered appears high. Please enter a lower voltage."},
           {{"--appdir", app, "calibrate", "pack-voltage"},
            "warning: the panel does not offer pack-voltage calibration on this gauge"},
           {{"--sim-scenario", sealed, "calibrate", "cc-offset"},
            "message: Pack is sealed. Please unseal device before performing calibration."},
           {{"--adapter", "sim:CEDV", "calibrate", vt, "--cell", "4=16000"},
            "warning: the panel does not let a technician enter the voltage of Cell 1 + 2 + 3 + "
            "4"}}) {
    std::tie(status, shown) = Gaugecal(args, dir.Path("t"));
    EXPECT_EQ(status, 1) << first;
    EXPECT_THAT(shown, HasSubstr("Done:   no"));
    EXPECT_THAT(shown, HasSubstr("\n" + first)) << "the first line on stderr";
    const std::string steps = shown.substr(shown.find('|'));
    EXPECT_EQ(Count(steps, "WB:2F/32") + Count(steps, "WB:78/32") + Count(steps, "WB:58/64"), 0);
  }
  Gaugecal({"calibrate", vt, "--cell", "1=abc"}, dir.Path("t"));
  EXPECT_THAT(ReadFile(dir.Path("t")), ::testing::EndsWith(R"("title":"Calibration"})"
                                                           "\n"))
      << "the message box keeps its title in the trace";
}

// No reference is assumed and each one must fit the gauge's reading: a missing one is refused
// by the panel's own message with our hint, an implausible one by our warning naming --force;
// neither writes anything and the run ends out of calibration mode. --force calibrates.
TEST(Cli, CalibrateAssumesNoReferenceAndGuardsImplausibleOnes) {
  TempDir dir;
  const std::string load = dir.Write("load.json", R"({"currentMa": -1500})");
  const std::string none = dir.Write("none.json", R"({"currentMa": 0})");
  const std::string vt = "voltage-temperature";
  const std::vector<std::string> cells = {"--cell", "1=3902", "--cell",
                                          "2=7799", "--cell", "3=11704"};
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string first;  // the first line on standard error
  };
  for (Case c : std::vector<Case>{
           {{"--sim-scenario", load, "calibrate", "current"},
            1,
            "message: Actual Current not entered for current calibration. Please enter actual "
            "current.\nwarning: calibrate current needs --current MA"},
           {{"calibrate", "pack-voltage"},
            1,
            "message: Please enter a value for measured Pack Voltage\nwarning: calibrate "
            "pack-voltage needs --pack MV"},
           {{"calibrate", vt, "--cell", "1=3902", "--cell", "2=7799"},
            1,
            "message: Measured Cell voltage not entered for cell 3. Please enter measured "
            "voltage.\nwarning: calibrate voltage-temperature needs --cell 3=MV, --cell 4=MV"},
           {{"calibrate", vt, "--voltage"},
            1,
            "message: Measured Cell voltage not entered for cell 1. Please enter measured "
            "voltage.\nwarning: calibrate voltage-temperature needs --cell 1=MV, --cell 2=MV, "
            "--cell 3=MV, --cell 4=MV"},
           {{"--sim-scenario", load, "calibrate", "current", "--current", "1500"},
            1,
            "warning: Current: the reference of 1500 mA does not fit the gauge's reading of -15"},
           {{"--sim-scenario", load, "calibrate", "current", "--current", "-1.5"},
            1,
            "warning: Current: the reference of -1.5 mA does not fit"},
           {{"--sim-scenario", load, "calibrate", "current", "--current", "-1900"},
            1,
            "warning: Current: the reference of -1900 mA does not fit"},
           {{"--sim-scenario", load, "calibrate", "current", "--current", "-1300"}, 0, ""},
           {{"--sim-scenario", none, "calibrate", "current", "--current", "-2000"},
            1,
            "warning: Current: the reference of -2000 mA does not fit the gauge's reading of"},
           {{"--sim-scenario", load, "calibrate", "current", "--current", "-1250", "--force"},
            0,
            ""},
           {{"calibrate", "pack-voltage", "--pack", "17300"},
            1,
            "warning: Pack Voltage: the reference of 17300 mV does not fit"},
           {{"calibrate", "pack-voltage", "--pack", "15603"}, 0, ""},
           // CEDV_PLUS shows raw counts beside its pack box: nothing to hold the reference to.
           {{"--adapter", "sim:CEDV_PLUS", "calibrate", "pack-voltage", "--pack", "11704"}, 0, ""},
           {{"calibrate", vt, "--cell", "1=3902", "--cell", "2=3902", "--cell", "3=11704", "--cell",
             "4=15603", "--force"},
            1,
            "message: Voltage entered for cell voltage 2 appears low."},
           {{"calibrate", vt, "--cell", "1=3902", "--cell", "2=8700", "--cell", "3=11704", "--cell",
             "4=15603"},
            1,
            "warning: Cell 1 + 2: the reference of 8700 mV does not fit"},
       }) {
    const auto [status, shown] = Gaugecal(c.args, dir.Path("t"));
    EXPECT_EQ(status, c.status) << shown;
    const std::string steps = shown.substr(shown.find('|'));
    const int writes =
        Count(steps, "WB:2F/32") + Count(steps, "WB:78/32") + Count(steps, "WB:58/64");
    if (c.status != 0) {
      EXPECT_THAT(shown, HasSubstr("Done:   no"));
      EXPECT_THAT(shown, HasSubstr("\n" + c.first)) << shown;
      EXPECT_EQ(writes, 0) << shown;
      if (c.first.starts_with("warning: ")) {
        EXPECT_THAT(shown, HasSubstr("; nothing was calibrated. Check the reference, or "
                                     "calibrate anyway with --force.\n"));
      }
    } else {
      EXPECT_GT(writes, 0) << shown;
    }
    // Calibration mode is toggled: entered and left again, or never entered.
    EXPECT_EQ(Count(steps, "MAC:002D") % 2, 0) << "the run ends out of calibration mode";
  }
}

// The check after calibration: fresh readings against the references and targets, in text and
// JSON, with the backup; a load that drifts away after the calibration is outside its target:
// exit 1 with the command that restores this run's backup, while the panel's done mark stays.
TEST(Cli, CalibrationIsCheckedAfterwardsAndAMissedTargetNamesTheRestore) {
  TempDir dir;
  const std::string load = dir.Write("load.json", R"({"currentMa": -1500})");
  const std::string drift =
      dir.Write("drift.json", R"({"currentMa": -1500, "currentDriftMaPerS": 5})");
  const std::string backups = dir.Path("backups");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> quantities;  // checked, in order
    bool within;
  };
  for (const Case& c : std::vector<Case>{
           {{"--sim-scenario", load, "calibrate", "current", "--current", "-1500"},
            0,
            {"Current"},
            true},
           {{"--sim-scenario", drift, "calibrate", "current", "--current", "-1500"},
            1,
            {"Current"},
            false},
           {{"calibrate", "board-offset"}, 0, {"No-load current"}, true},
           {{"calibrate", "cc-offset"}, 0, {}, true},
           {{"calibrate", "pack-voltage", "--pack", "15603"}, 0, {"Pack Voltage"}, true},
           {{"calibrate", "voltage-temperature", "--cell", "1=3902", "--cell", "2=7799", "--cell",
             "3=11704", "--cell", "4=15603", "--temp", "ext2=25.4"},
            0,
            {"Cell 1", "Cell 2", "Cell 3", "Cell 4", "Ext 2 Temp"},
            true},
       }) {
    std::vector<std::string> args = {"--backup-dir", backups, "--json"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto [status, shown] = Gaugecal(args, dir.Path("t"));
    EXPECT_EQ(status, c.status) << shown;
    // The object on standard output, then the warnings on standard error.
    const auto j = nlohmann::json::parse(shown.substr(0, shown.find("\n}\n") + 3));
    EXPECT_TRUE(j["done"]) << shown;
    std::vector<std::string> quantities;
    for (const auto& q : j["check"]) {
      quantities.push_back(q["quantity"]);
      EXPECT_EQ(q["within"], c.within) << q;
      EXPECT_NEAR(q["error"].get<double>(),
                  q["errorUnit"] == "%"
                      ? 100.0 * (q["reading"].get<double>() - q["reference"].get<double>()) /
                            std::abs(q["reference"].get<double>())
                      : q["reading"].get<double>() - q["reference"].get<double>(),
                  1e-9);
      EXPECT_EQ(std::abs(q["error"].get<double>()) <= q["target"].get<double>(), c.within);
    }
    EXPECT_EQ(quantities, c.quantities);
    const std::string backup = j["backup"];
    EXPECT_EQ(backup.rfind(backups + "/RN44K18-A05-", 0), 0U) << backup;
    const std::string restore =
        "; to go back to the constants before this run: gaugecal "
        "--adapter sim:RN44K18 --sim-scenario " +
        drift + " restore " + backup + "\n";
    EXPECT_EQ(shown.find(restore) != std::string::npos, !c.within) << shown;
  }
  // Text: one check line per quantity and the backup on standard output.
  const auto [status, shown] = Gaugecal({"--backup-dir", backups, "--sim-scenario", drift,
                                         "calibrate", "current", "--current", "-1500"},
                                        dir.Path("t"));
  EXPECT_EQ(status, 1);
  EXPECT_THAT(shown, ::testing::ContainsRegex("\ncheck: Current: reference -1500 mA, reading "
                                              "-14[0-9.]+ mA, error \\+1\\.[0-9]+ % \\(target "
                                              "0.2 %\\): OUTSIDE\nbackup: "));
  EXPECT_THAT(shown, HasSubstr("warning: Current reads -14"));
}

// Messages that point the way on: usage without a command, the nearest command to a mistyped
// one, the unseal command after the panel's sealed message.
TEST(Cli, RefusalsNameTheNextStep) {
  TempDir dir;
  const std::string sealed = dir.Write("sealed.json", R"({"security": "Sealed"})");
  for (const auto& [args, err] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{},
            "gaugecal: A subcommand is required\nUsage: gaugecal [OPTIONS] COMMAND "
            "[OPTIONS]\nRun gaugecal --help for the commands.\n"},
           {{"calibrat"},
            "gaugecal: The following argument was not expected: calibrat\ngaugecal: did you "
            "mean calibrate?\n"},
           {{"unsael"},
            "gaugecal: The following argument was not expected: unsael\ngaugecal: did you mean "
            "unseal?\n"},
           {{"xyzzy"}, "gaugecal: The following argument was not expected: xyzzy\n"},
           // The value of a --key is never echoed.
           {{"read", "--key", "00112233445566778899AABBCCDDEEFF"},
            "gaugecal: The following arguments were not expected: " + std::string(32, '*') +
                " --key\n"},
           {{"read", "--key=0011"},
            "gaugecal: The following argument was not expected: --key=****\n"},
       }) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, cli::kExitUsage);
    EXPECT_EQ(r.err, err);
  }
  const CliResult r =
      RunCli({"--virtual-time", "--sim-scenario", sealed, "calibrate", "cc-offset"});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("Close and restart Morvane after unsealing so device and firmware "
                               "version is detected correctly.\nwarning: the gauge is Sealed; "
                               "unseal it first: gaugecal unseal\n"));
}

// demo: five calibrations on every family, every reading within its target and no farther from
// the reference than before.
TEST(Cli, DemoCalibratesEveryFamilyWithinItsTargets) {
  TempDir dir;
  for (const char* family : {"sim:CEDV", "sim:QSPAN", "sim:RN44K18", "sim:CEDV_PLUS"}) {
    const auto [status, shown] = Gaugecal({"--json", "--adapter", family, "demo"}, dir.Path("t"));
    EXPECT_EQ(status, 0) << shown;
    const auto j = nlohmann::json::parse(shown.substr(0, shown.find('|')));
    EXPECT_EQ(j["calibrations"].size(), 5U);
    for (const auto& c : j["calibrations"])
      EXPECT_TRUE(c["done"]) << c;
    for (const auto& q : j["readings"]) {
      EXPECT_TRUE(q["within"]) << q;
      const double reference = q["reference"];
      EXPECT_LE(std::abs(q["after"].get<double>() - reference),
                std::abs(q["before"].get<double>() - reference))
          << q;
    }
  }
}

TEST(Cli, TheProgressLineIsRewrittenDuringAWaitOnATerminalOnly) {
  for (bool terminal : {true, false}) {
    Bench bench(DfType::CEDV);
    std::ostringstream out, err;
    cli::RunReport report(err);
    const cli::GlobalOptions options;
    cli::CliContext context{options, bench.platform, &bench.Link(), nullptr, out, err,
                            "",      terminal,       report};
    {
      cli::ProgressLine progress(context, "Reading");
      WaitSeconds(1.0F);
    }
    std::string expected;
    for (const char* s : {"0.0", "0.2", "0.4", "0.6", "0.8"})
      expected += std::string("\r\033[KReading ... ") + s + " s";
    EXPECT_EQ(out.str(), terminal ? expected + "\r\033[K" : "");
  }
}

}  // namespace
}  // namespace gaugecal::test
