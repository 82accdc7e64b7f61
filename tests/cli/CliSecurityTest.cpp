// gaugecal security-mode, auth, seal, unseal, full-access and sha1 on the simulated gauges.

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "security/DefaultKey.h"
#include "support/TraceReader.h"

namespace gaugecal::test {
namespace {

constexpr const char* kOtherKey = "00112233445566778899AABBCCDDEEFF";
const char* const kFamilies[] = {"sim:CEDV", "sim:QSPAN", "sim:RN44K18", "sim:CEDV_PLUS"};

// Sets GAUGECAL_KEY (or removes it, for nullptr) for one case and removes it afterwards.
class KeyEnvironment {
 public:
  explicit KeyEnvironment(const char* value) {
    if (value)
      setenv("GAUGECAL_KEY", value, 1);
    else
      unsetenv("GAUGECAL_KEY");
  }
  ~KeyEnvironment() { unsetenv("GAUGECAL_KEY"); }
  KeyEnvironment(const KeyEnvironment&) = delete;
  KeyEnvironment& operator=(const KeyEnvironment&) = delete;
};

std::string Line(const std::string& out, const std::string& label) {
  const size_t at = out.find(label);
  if (at == std::string::npos)
    return "";
  const size_t start = out.find_first_not_of(' ', at + label.size());
  return out.substr(start, out.find('\n', start) - start);
}

TEST(CliSecurity, AuthSucceedsWithTheDefaultKeyOnEveryFamilyAndFailsWithAnother) {
  for (const char* adapter : kFamilies) {
    SCOPED_TRACE(adapter);
    const CliResult ok = RunCli({"--adapter", adapter, "--virtual-time", "auth"});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.err, "");
    const std::string challenge = Line(ok.out, "Challenge:");
    EXPECT_EQ(challenge.size(), 40u);
    EXPECT_EQ(Line(ok.out, "Key + challenge:"), std::string(32, '*') + challenge);
    EXPECT_EQ(Line(ok.out, "Host digest:"), Line(ok.out, "Device digest:"));
    EXPECT_EQ(Line(ok.out, "Status:"), "Authentication Successful");

    const CliResult bad =
        RunCli({"--adapter", adapter, "--virtual-time", "auth", "--key", kOtherKey});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(Line(bad.out, "Status:"), "Authentication Failed");
    EXPECT_NE(Line(bad.out, "Host digest:"), Line(bad.out, "Device digest:"));
  }
}

TEST(CliSecurity, UnsealThenSealRoundTripsAGaugeThatStartsSealed) {
  TempDir dir;
  const std::string scenario =
      dir.Write("pack.json", R"({"security": "Sealed", "dataFlashFile": "pack.df"})");
  const std::vector<std::string> common = {"--adapter", "sim:RN44K18", "--sim-scenario", scenario,
                                           "--virtual-time"};
  const auto run = [&common](std::vector<std::string> args) {
    args.insert(args.begin(), common.begin(), common.end());
    return RunCli(args);
  };
  EXPECT_EQ(run({"security-mode"}).out, "Sealed\n");
  const CliResult unseal = run({"unseal", "--json"});
  EXPECT_EQ(unseal.status, 0) << unseal.err;
  const auto j = nlohmann::json::parse(unseal.out);
  EXPECT_EQ(j["before"], "Sealed");
  EXPECT_EQ(j["mode"], "Unsealed");
  EXPECT_EQ(j["digest"].get<std::string>().size(), 40u);
  EXPECT_EQ(j["ok"], true);
  EXPECT_EQ(run({"security-mode"}).out, "Unsealed\n") << "the gauge keeps its mode";

  const std::string trace = dir.Path("seal.jsonl");
  const CliResult seal = run({"seal", "--trace", trace});
  EXPECT_EQ(seal.status, 0) << seal.err;
  EXPECT_EQ(Line(seal.out, "Mode before:"), "Unsealed");
  EXPECT_EQ(Line(seal.out, "Mode:"), "Sealed");
  int sealCommands = 0;
  for (const auto& e : TraceOps(ParseTrace(ReadFile(trace)), {"WriteSMBusWord_"}))
    sealCommands += e["word"] == 0x0030 ? 1 : 0;
  EXPECT_EQ(sealCommands, 1);
  EXPECT_EQ(run({"security-mode"}).out, "Sealed\n");
  EXPECT_NE(ReadFile(dir.Path("pack.df")).find("security: Sealed"), std::string::npos);
}

TEST(CliSecurity, ModeCommandsExitByTheModeTheGaugeEndsIn) {
  TempDir dir;
  const auto scenario = [&dir](const std::string& name, const std::string& json) {
    return dir.Write(name + ".json", json);
  };
  const std::string full = scenario("full", R"({"security": "FullAccess"})");
  const std::string sealed = scenario("sealed", R"({"security": "Sealed"})");
  const std::string stuck = scenario("stuck", R"({"faults": [{"kind": "nack",
      "member": "WriteSMBusWord_", "command": 0, "occurrence": 4}]})");
  const std::string blind = scenario("blind", R"({"faults": [{"kind": "nack",
      "member": "ReadSMBusBlock_", "command": "0x23"}]})");
  const struct {
    std::string scenario;
    std::vector<std::string> command;
    int status;
    const char* message;
  } cases[] = {
      {full, {"full-access"}, 0, "Device is already in full access mode. Nothing to do."},
      {full, {"unseal"}, 0, "Device is not sealed. Nothing to do."},
      {sealed, {"seal"}, 0, "Device is already sealed. Nothing to do."},
      {sealed, {"full-access"}, 0, ""},
      {sealed, {"unseal", "--key", kOtherKey}, 1, ""},
      {stuck, {"seal"}, 1, "Unable to send seal command."},
      {blind, {"security-mode"}, 1, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--sim-scenario", c.scenario, "--virtual-time"};
    args.insert(args.end(), c.command.begin(), c.command.end());
    SCOPED_TRACE(c.scenario + " " + c.command[0]);
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_EQ(r.err, *c.message ? std::string("message: ") + c.message + "\n" : "");
  }
}

TEST(CliSecurity, KeysFromOptionsFilesAndTheEnvironment) {
  TempDir dir;
  const std::string own =
      dir.Write("own.json", std::string(R"({"security": "Sealed", "key": ")") + kOtherKey + "\"}");
  const std::string pasted = dir.Write("pasted.key", std::string(" \n\t") + kOtherKey + " \r\n\n");
  const std::string inside = dir.Write("inside.key", "00112233 445566778899AABBCCDDEEFF\n");
  const std::string length = "message: Length of Key needs to be 32 Hex characters long.\n";
  const struct {
    std::vector<std::string> args;
    const char* environment;  // GAUGECAL_KEY, or nullptr
    int status;
    std::string err;
  } cases[] = {
      {{"auth", "--key-file", pasted}, nullptr, 0, ""},
      {{"unseal", "--key-file", pasted}, nullptr, 0, ""},
      {{"auth"}, kOtherKey, 0, ""},
      {{"auth"}, " 00112233445566778899aabbccddeeff\n", 0, ""},
      {{"auth", "--key", kOtherKey}, kDefaultKey, 0, ""},
      {{"auth"}, nullptr, 1, ""},
      {{"auth", "--key-file", inside}, nullptr, 1, length},
      {{"auth", "--key", std::string(kOtherKey).substr(1)}, nullptr, 1, length},
      {{"auth", "--key", "0011223344556677g899AABBCCDDEEFF"},
       nullptr,
       1,
       "message: Key has a non hex character.\n"},
      {{"full-access", "--key", "0011223344556677g899AABBCCDDEEFF"},
       nullptr,
       1,
       "message: Unseal Key has a non hex character.\n"},
      {{"auth", "--key-file", dir.Path("missing.key")},
       nullptr,
       2,
       "gaugecal: cannot read the key file " + dir.Path("missing.key") + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back() + (c.environment ? std::string(" env ") + c.environment : ""));
    KeyEnvironment environment(c.environment);
    const std::string trace = dir.Path("t.jsonl");
    std::vector<std::string> args = {"--sim-scenario", own, "--virtual-time", "--trace", trace};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_EQ(r.err, c.err);
    if (c.status != 0 && !c.err.empty() && c.status != 2) {
      EXPECT_TRUE(TraceOps(ParseTrace(ReadFile(trace)),
                           {"WriteSMBusBlock", "ReadSMBusBlock", "WriteSMBusWord_"})
                      .empty())
          << "a refused key touches no gauge";
    }
  }
  EXPECT_EQ(RunCli({"auth", "--key", kOtherKey, "--key-file", pasted}).status, 2);
}

TEST(CliSecurity, TheKeyStaysHiddenUnlessAskedFor) {
  TempDir dir;
  const std::string own = dir.Write("own.json", std::string(R"({"key": ")") + kOtherKey + "\"}");
  const std::string keyFile = dir.Write("k", kOtherKey);
  for (const char* command : {"auth", "full-access"}) {
    SCOPED_TRACE(command);
    const std::string trace = dir.Path(std::string(command) + ".jsonl");
    const std::vector<std::string> base = {
        "--sim-scenario", own, "--virtual-time", "--trace", trace, command, "--key-file", keyFile};
    for (bool json : {false, true}) {
      std::vector<std::string> args = base;
      if (json)
        args.push_back("--json");
      const CliResult hidden = RunCli(args);
      EXPECT_EQ(hidden.status, 0) << hidden.err;
      EXPECT_EQ(hidden.out.find(kOtherKey), std::string::npos) << hidden.out;
      EXPECT_EQ(ReadFile(trace).find(kOtherKey), std::string::npos);
      EXPECT_NE(hidden.out.find(std::string(32, '*')), std::string::npos);
    }
    std::vector<std::string> shown = base;
    shown.push_back("--show-key");
    const CliResult r = RunCli(shown);
    EXPECT_NE(r.out.find(kOtherKey), std::string::npos);
    EXPECT_EQ(ReadFile(trace).find(kOtherKey), std::string::npos) << "never in the trace";
  }
}

TEST(CliSecurity, Sha1DoesTheFormsThreeButtons) {
  const std::string msg = "00112233445566778899aabbccddeeff01020304";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {{"--msg", msg}, 0, "1B7346694A13526292F9AA694EF0792DB1C47BE3\n", ""},
      {{"--msg", msg, "--key", kDefaultKey, "--mode", "key-msg"},
       0,
       "6E5FB9178D45490E8D0C3F0B0F2B95E3F483F279\n",
       ""},
      {{"--mode", "keyed", "--key", kDefaultKey, "--msg", msg},
       0,
       "B3129C4004211DAE96C417A6F85E050353C04CE9\n",
       ""},
      {{"--msg", msg.substr(2)},
       1,
       "",
       "message: Message must be 40 hex characters (20 bytes); it has 38.\n"},
      {{"--msg", msg, "--mode", "keyed"},
       1,
       "",
       "message: Key must be 32 hex characters (16 bytes); it has 0.\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--virtual-time", "sha1"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, c.status) << c.args.back();
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_EQ(RunCli({"sha1", "--msg", msg, "--mode", "hmac"}).status, 2);
  EXPECT_EQ(RunCli({"sha1"}).status, 2) << "--msg is required";
  const auto j = nlohmann::json::parse(RunCli({"--json", "sha1", "--msg", msg}).out);
  EXPECT_EQ(j["digest"], "1B7346694A13526292F9AA694EF0792DB1C47BE3");
  EXPECT_EQ(j["ok"], true);
}

}  // namespace
}  // namespace gaugecal::test
