// Bad input through the tool. Special files run it as a process of its own under a time limit,
// so an input that made it block fails the test instead of hanging it.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRun.h"

namespace gaugecal::test {
namespace {

namespace fs = std::filesystem;

// The tool as a process, stopped after 20 s (status 124); returns status and stderr.
std::pair<int, std::string> RunTool(const TempDir& dir, const std::vector<std::string>& args,
                                    const std::string& out = "/dev/null") {
  std::string command = "timeout -k 2 20 " GAUGECAL_TOOL;
  for (const std::string& a : args)
    command += " '" + a + "'";  // test paths hold no quotes
  const int raw = std::system((command + " >" + out + " 2>" + dir.Path("err")).c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir.Path("err"))};
}

// args followed by the words of command ("calibrate cc-offset").
std::vector<std::string> With(std::vector<std::string> args, const std::string& command) {
  std::istringstream words(command);
  for (std::string word; words >> word;)
    args.push_back(word);
  return args;
}

// A copy of the sample application directory at dir/name/.
std::string CopyAppDir(const TempDir& dir, const std::string& name = "app") {
  fs::copy(GAUGECAL_SAMPLE_APPDIR, dir.Path(name), fs::copy_options::recursive);
  return dir.Path(name) + "/";
}

// The sample directory with lines first in a section of its config.ini (the first of a key
// wins); returns the directory and the config.ini path.
std::pair<std::string, std::string> AppDirWith(const TempDir& dir, const std::string& section,
                                               const std::string& lines) {
  const std::string app = CopyAppDir(dir);
  std::string text = ReadFile(app + "config.ini");
  text.insert(text.find("\n[" + section + "]\n") + section.size() + 4, lines + "\n");
  return {app, dir.Write("app/config.ini", text)};
}

// Replaces path by a pipe, a directory, a link, or a sparse file one byte over a size.
void MakeSpecial(const TempDir& dir, const std::string& path, const std::string& kind) {
  fs::remove(path);
  if (kind == "fifo" || kind == "link-fifo")
    ::mkfifo(kind == "fifo" ? path.c_str() : dir.Path("pipe").c_str(), 0600);
  if (kind == "dir")
    fs::create_directory(path);
  else if (kind == "zero" || kind == "link-fifo" || kind == "link-dir")
    fs::create_symlink(kind == "zero" ? "/dev/zero" : dir.Path(kind == "link-dir" ? "" : "pipe"),
                       path);
  else if (kind != "fifo")
    fs::resize_file(dir.Write(path.substr(dir.Dir().size()), ""), std::stoull(kind) + 1);
}

TEST(BadInput, SpecialFilesAreRefusedAtOnceWithWhatTheyAre) {
  const struct {
    const char *file, *kind;
    int status;
    const char* problem;  // on stderr after the file's path
  } cases[] = {
      {"s.json", "fifo", 2, ": the scenario file is not a regular file"},
      {"s.json", "zero", 2, ": the scenario file is not a regular file"},
      {"p.df", "link-fifo", 2, " is not a regular file"},
      {"app/config.ini", "fifo", 1, " is not a regular file"},
      {"app/config.ini", "link-dir", 1, " is a directory"},
      {"app/config.ini", "16777216", 1, " is larger than 16777216 bytes"},
      {"app/Morvane.ini", "zero", 1, " is not a regular file"},
      {"app/targets/rn44k18_a05.ini", "dir", 1, " is a directory"},
      {"app/dataflash/rn44k18_a05.gdf.json", "link-fifo", 1, " is not a regular file"},
      {"key", "zero", 2, " is not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " as " + c.kind);
    TempDir dir;
    const std::string app = CopyAppDir(dir);
    const std::string scenario = dir.Write("s.json", R"({"dataFlashFile": "p.df"})");
    MakeSpecial(dir, dir.Path(c.file), c.kind);
    const std::string command =
        c.file == std::string("key") ? "auth --key-file " + dir.Path("key") : "check-config";
    const auto [status, err] = RunTool(
        dir, With({"--virtual-time", "--appdir", app, "--sim-scenario", scenario}, command));
    EXPECT_EQ(status, c.status) << err;
    EXPECT_NE(err.find(dir.Path(c.file) + c.problem), std::string::npos) << err;
  }
}

TEST(BadInput, FailedWritesOfOutputOrTraceFailTheRun) {
  TempDir dir;
  EXPECT_EQ(RunTool(dir, {"--virtual-time", "identify"}, "/dev/full"),
            std::make_pair(1, std::string("gaugecal: cannot write standard output (/dev/full)\n")));
  EXPECT_EQ(RunTool(dir, {"--virtual-time", "--adapter", "sim:QSPAN", "--trace", "/dev/full",
                          "calibrate", "board-offset"}),
            std::make_pair(1, std::string("gaugecal: cannot write the trace file /dev/full\n")));
}

// Each trace path names an input, spelt another way or through a link; it stays as it was.
TEST(BadInput, TraceOverAnInputIsRefused) {
  TempDir dir;
  const std::string app = CopyAppDir(dir);
  const std::string scenario = dir.Write("s.json", R"({"dataFlashFile": "p.df"})");
  fs::create_symlink(scenario, dir.Path("link-to-scenario"));
  RunCli({"--sim-scenario", scenario, "--virtual-time", "identify"});  // creates p.df
  for (const char* trace :
       {"app/./config.ini", "app/../app/Morvane.ini", "app/targets/rn44k18_a05.ini",
        "app/dataflash/rn44k18_a05.gdf.json", "link-to-scenario", "p.df"}) {
    for (const char* command : {"identify", "demo"}) {
      SCOPED_TRACE(std::string(trace) + " " + command);
      const std::string before = ReadFile(dir.Path(trace));
      const CliResult r = RunCli({"--trace", dir.Path(trace), "--sim-scenario", scenario,
                                  "--appdir", app, "--virtual-time", command});
      EXPECT_EQ(r.status, 2);
      EXPECT_NE(r.err.find("is the input file"), std::string::npos) << r.err;
      EXPECT_EQ(ReadFile(dir.Path(trace)), before);
    }
  }
  const std::string key = dir.Write("key", "00112233445566778899AABBCCDDEEFF\n");
  EXPECT_EQ(RunCli({"--virtual-time", "--trace", key, "auth", "--key-file", key}).status, 2);
  EXPECT_EQ(ReadFile(key), "00112233445566778899AABBCCDDEEFF\n");
}

// A Latin-1 byte in the directory name and in an ini value, a description saved as UTF-16:
// the document is still printed.
TEST(BadInput, JsonOutputReplacesBytesThatAreNotUtf8) {
  TempDir dir;
  const std::string app = CopyAppDir(dir, "caf\xE9");
  dir.Write("caf\xE9/config.ini", ReadFile(app + "config.ini") +
                                      "[D250_1_10]\nDFType=CEDV\nTS2readTemperature=SBS,9\xB0\n");
  dir.Write("caf\xE9/dataflash/cedv_250.gdf.json", "\xFF\xFE{");
  const CliResult r = RunCli(
      {"--adapter", "sim:CEDV", "--virtual-time", "--appdir", app, "--json", "check-config"});
  const auto j = nlohmann::json::parse(r.out);  // throws when it is not JSON
  EXPECT_EQ(j["calConfig"]["TS2readTemperature"], "SBS,9\xEF\xBF\xBD");
}

// The warning names each row's first line with section and file; the check fails.
TEST(BadInput, WrongConfigValuesFailTheCheckWithKeySectionAndFile) {
  const struct {
    const char *family, *lines, *problem;
  } cases[] = {
      {"RN44K18", "NumSamples=4294967297", ": does not fit its 16-bit field (-32768 to 32767)"},
      {"RN44K18", "TS3Supported=yes", ": not a whole number; it reads as 0"},
      {"RN44K18", "IntTS=abc", ": not a location (0, or 1 and an offset); the key is ignored"},
      {"RN44K18", "IntTS=00", ": not a location (0, or 1 and an offset); the key is ignored"},
      {"RN44K18", "ExtTS3=0\nTS3Supported=1", " gives \"Ext 3 Temp Offset\" no location"},
      {"RN44K18", "NumSamples=0", ": at least one raw calibration block must be averaged"},
      {"RN44K18", "RawCalDataBlockSize=27", ": the raw calibration block is 26 bytes"},
      {"RN44K18", "rn44k18SystemConfigLocation=Configuration,Registers,Nope",
       ": the data flash description "},
      {"CEDV_PLUS", "PackVoltageReadCommand=FOO,90", ": \"FOO\" is neither MAC nor SBS"},
      {"CEDV_PLUS", "TS1readTemperature=MACSBS", ": there is no command number after a comma"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    TempDir dir;
    // Into the section read last.
    const std::string section = std::string(c.family) == "RN44K18" ? "DA05_1_02_1B" : "D360_3_00";
    const auto [app, file] = AppDirWith(dir, section, c.lines);
    const CliResult r = RunCli({"--adapter", std::string("sim:") + c.family, "--virtual-time",
                                "--appdir", app, "check-config"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Status:                failed\n"), std::string::npos) << r.out;
    const std::string value = std::string(c.lines).substr(0, std::string(c.lines).find('\n'));
    EXPECT_NE(r.err.find(value + " in section [" + section + "] of " + file + c.problem),
              std::string::npos)
        << r.err;
  }
}

// TS3Supported=1 with ExtTS3=0: the panel's grid shows no "Ext 3 Temp Offset" from byte 0.
TEST(BadInput, SensorRowWithoutLocationIsNotShown) {
  TempDir dir;
  const std::string app = AppDirWith(dir, "DA05_1_02_1B", "TS3Supported=1").first;
  const CliResult r =
      RunCli({"--virtual-time", "--appdir", app, "--json", "calibrate", "board-offset"});
  const auto rows = nlohmann::json::parse(r.out)["before"];
  EXPECT_TRUE(rows.contains("Ext 2 Temp Offset")) << rows;
  EXPECT_FALSE(rows.contains("Ext 3 Temp Offset")) << rows;
}

TEST(BadInput, ScenarioValuesAreExactAndFailuresNamed) {
  const struct {
    const char *json, *command;
    int status;
    const char *err, *out;
  } cases[] = {
      {R"({"manufacturerAccess": {"calMode": 18446744073709551615}})", "identify", 2,
       "\"manufacturerAccess.calMode\": must be an integer from -32768 to 65535 ", ""},
      {R"({"seed": 9007199254740993})", "identify", 2,
       "\"seed\": must be an integer from 0 to 9007199254740992 ", ""},
      {R"({"faults": [{"kind": "counterStops", "afterMs": -1}]})", "identify", 2,
       "\"faults[0].afterMs\": must be a number from 0 to 1000000000\n", ""},
      {R"({"parameters": {"Cell Scale 0": 70000}})", "identify", 2,
       "\"parameters.Cell Scale 0\": must be a number from -32768 to 32767\n", ""},
      {"{\"a\\u001b[2Jb\": 1}", "identify", 2, "\"a\\x1B[2Jb\": unknown key", ""},
      {R"({"parameters": {"Cell Scale 0": -1000}})", "read", 0, "",
       "    Cell Scale 0                     -1000  -\n"},
      {R"({"stateOfCharge": 101})", "identify", 1,
       "warning: the gauge answers, but reports a state of charge of 101 %",
       "Status:     communication check failed\n"},
      {R"({"stateOfCharge": 101})", "calibrate cc-offset", 1,
       "warning: the panel's start-up gave messages or warnings; nothing was calibrated.\n",
       "Done:   no\n"},
      {R"({"faults": [{"kind": "noAnswer"}]})", "identify", 1,
       "warning: no answer from the gauge at address 0x17: reading its state of charge",
       "Status:     no answer from the gauge\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    TempDir dir;
    const CliResult r =
        RunCli(With({"--virtual-time", "--sim-scenario", dir.Write("s.json", c.json)}, c.command));
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
  }
}

TEST(BadInput, ExistingPersistenceFileWarnsWhatItOverrides) {
  TempDir dir;
  const std::string scenario =
      dir.Write("s.json", R"({"dataFlashFile": "p.df", "cells": 3, "parameters": {"CC Gain": 1}})");
  const std::vector<std::string> args = {"--virtual-time", "--sim-scenario", scenario, "identify"};
  EXPECT_EQ(RunCli(args).err, "") << "the first run creates the file";
  EXPECT_EQ(RunCli(args).err, "warning: the data flash file " + dir.Path("p.df") +
                                  " exists: the gauge starts from it, and the scenario's "
                                  "\"cells\", \"parameters\" are not applied to its data flash\n");
}

// A CEDV_PLUS gauge without its description: no system configuration address, hence no cell
// count (never one read from address 0); every command that works on the gauge stops.
TEST(BadInput, UnknownSystemConfigAddressStopsTheCommands) {
  TempDir dir;
  const std::string app = CopyAppDir(dir);
  dir.Remove("app/dataflash/cedv_plus_360.gdf.json");
  for (const std::string command : {"read", "raw", "calibrate cc-offset"}) {
    const CliResult r =
        RunCli(With({"--adapter", "sim:CEDV_PLUS", "--virtual-time", "--appdir", app}, command));
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_EQ(r.out.find("Cells:"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("warning: no cell count: the system configuration address is not known") !=
                  std::string::npos,
              command.starts_with("calibrate"))
        << r.err;
  }
}

}  // namespace
}  // namespace gaugecal::test
