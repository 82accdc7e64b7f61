// --json: every command prints exactly one JSON object on stdout, whatever the outcome, with
// "ok" (the exit status being 0), the message boxes, our warnings and the command's own
// fields; nothing else reaches stdout.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliRun.h"

namespace gaugecal::test {
namespace {

TEST(CliJson, EveryCommandPrintsOneObjectWhateverTheOutcome) {
  TempDir dir;
  const std::string sealed = dir.Write("sealed.json", R"({"security": "Sealed"})");
  const std::string backup = dir.Path("saved.bin");
  const std::string key = "--key=0123456789ABCDEF0123456789ABCDEF";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string field;  // a field of the command's own, or of the failure
    std::string note;   // a text among "messages", "warnings" or "errors", or empty
  };
  for (const Case& c : std::vector<Case>{
           {{"identify"}, 0, "IdDevice", ""},
           {{"read"}, 0, "live", ""},
           {{"check-config"}, 0, "calConfig", ""},
           {{"raw"}, 0, "rows", ""},
           {{"backup", "--out", backup}, 0, "file", ""},
           {{"backup", "--out", backup}, 1, "file", ""},
           {{"restore", backup}, 0, "backup", ""},
           {{"restore", dir.Path("none.bin")}, 1, "file", ""},
           {{"calibrate", "cc-offset"}, 0, "check", ""},
           {{"calibrate", "current"},
            1,
            "done",
            "Actual Current not entered for current calibration. Please enter actual current."},
           {{"calibrate", "current"}, 1, "done", "calibrate current needs --current MA"},
           {{"--sim-scenario", sealed, "calibrate", "cc-offset"},
            1,
            "done",
            "the gauge is Sealed; unseal it first: gaugecal unseal"},
           {{"demo"}, 0, "readings", ""},
           {{"--adapter", "i2c-sim:CEDV", "demo", "--trace", dir.Path("x/t")}, 2, "errors", ""},
           {{"security-mode"}, 0, "mode", ""},
           {{"auth"}, 0, "status", ""},
           {{"auth", key}, 1, "status", "the gauge did not authenticate with the key from --key"},
           {{"unseal", "--key-file", dir.Path("missing")}, 2, "errors", ""},
           {{"seal"}, 0, "mode", ""},
           {{"--sim-scenario", sealed, "unseal", key},
            1,
            "mode",
            "the gauge is still Sealed: it did not accept the key from --key"},
           {{"full-access"}, 0, "mode", ""},
           {{"sha1", "--msg", std::string(40, '0')}, 0, "digest", ""},
           {{"sha1", "--msg", "xyz"}, 1, "digest", ""},
           {{"scan"}, 0, "adapters", ""},
           {{"--station", "emulated", "instruments"}, 0, "references", ""},
           {{"instruments"}, 2, "errors", "instruments needs --station FILE"},
           {{"--station", "emulated", "calibrate", "current"}, 0, "check", ""},
           {{"calibrat", "cc-offset"}, 2, "errors", "did you mean calibrate?"},
           {{"calibrate", "nothing"}, 2, "errors", ""},
       }) {
    std::vector<std::string> args = {"--virtual-time", "--backup-dir", dir.Path("backups")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back("--json");
    const CliResult r = RunCli(args);
    const std::string what = c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : "");
    EXPECT_EQ(r.status, c.status) << what << "\n" << r.err;
    // parse() refuses anything after the object but blanks: one object and nothing else.
    const nlohmann::json j = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_TRUE(j.is_object()) << what << "\n" << r.out;
    EXPECT_EQ(j.value("ok", !(c.status == 0)), c.status == 0) << what;
    EXPECT_TRUE(j["messages"].is_array() && j["warnings"].is_array()) << what;
    EXPECT_TRUE(j.contains(c.field)) << what << "\n" << r.out;
    if (!c.note.empty()) {
      const std::string notes = j["messages"].dump() + j["warnings"].dump() +
                                j.value("errors", nlohmann::json::array()).dump();
      EXPECT_NE(notes.find(c.note), std::string::npos) << what << "\n" << notes;
    }
    // What stderr said as warnings, the document holds.
    for (const auto& w : j["warnings"])
      EXPECT_NE(r.err.find("warning: " + w.get<std::string>() + "\n"), std::string::npos) << what;
  }
}

}  // namespace
}  // namespace gaugecal::test
