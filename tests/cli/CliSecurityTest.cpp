// gaugecal security-mode, auth, seal, unseal, full-access and sha1 on the simulated gauges.

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "security/DefaultKey.h"

namespace gaugecal::test {
namespace {

constexpr const char* kOtherKey = "00112233445566778899AABBCCDDEEFF";

std::string Line(const std::string& out, const std::string& label) {
  const size_t at = out.find(label + ":");
  const size_t start =
      at == std::string::npos ? 0 : out.find_first_not_of(' ', at + label.size() + 1);
  return at == std::string::npos ? "" : out.substr(start, out.find('\n', start) - start);
}

TEST(CliSecurity, AuthSucceedsWithTheDefaultKeyOnEveryFamilyAndFailsWithAnother) {
  for (const char* adapter : {"sim:CEDV", "sim:QSPAN", "sim:RN44K18", "sim:CEDV_PLUS"}) {
    SCOPED_TRACE(adapter);
    const CliResult ok = RunCli({"--adapter", adapter, "--virtual-time", "auth"});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(Line(ok.out, "Key + challenge"), std::string(32, '*') + Line(ok.out, "Challenge"));
    EXPECT_EQ(Line(ok.out, "Host digest"), Line(ok.out, "Device digest"));
    EXPECT_EQ(Line(ok.out, "Status"), "Authentication Successful");
    const CliResult bad =
        RunCli({"auth", "--adapter", adapter, "--virtual-time", "--key", kOtherKey, "--json"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(nlohmann::json::parse(bad.out)["status"], "Authentication Failed");
  }
  TempDir dir;
  const std::string turned = dir.Write("msb.json", R"({"faults": [{"kind": "msbFirstDigest"}]})");
  EXPECT_EQ(RunCli({"--sim-scenario", turned, "--virtual-time", "auth"}).status, 1);
}

TEST(CliSecurity, UnsealThenSealRoundTripsAGaugeThatStartsSealed) {
  TempDir dir;
  const std::string scenario =
      dir.Write("pack.json", R"({"security": "Sealed", "dataFlashFile": "pack.df"})");
  const auto run = [&scenario](const std::string& command) {
    return RunCli({"--sim-scenario", scenario, "--virtual-time", command, "--json"});
  };
  EXPECT_EQ(nlohmann::json::parse(run("security-mode").out)["text"], "Sealed");
  for (const auto& [command, before, after] :
       {std::tuple{"unseal", "Sealed", "Unsealed"}, std::tuple{"seal", "Unsealed", "Sealed"}}) {
    const CliResult r = run(command);
    EXPECT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["before"], before) << command;
    EXPECT_EQ(j["mode"], after) << command;
  }
  EXPECT_NE(ReadFile(dir.Path("pack.df")).find("security: Sealed"), std::string::npos);
}

TEST(CliSecurity, KeySourcesAndExitStatuses) {
  TempDir dir;
  const std::string own =
      dir.Write("own.json", std::string(R"({"security": "Sealed", "key": ")") + kOtherKey + "\"}");
  const std::string full = dir.Write("full.json", R"({"security": "FullAccess"})");
  const std::string pasted = dir.Write("pasted.key", std::string(" \n\t") + kOtherKey + " \r\n\n");
  const std::string inside = dir.Write("inside.key", "00112233 445566778899AABBCCDDEEFF\n");
  const std::string length = "message: Length of Key needs to be 32 Hex characters long.\n";
  const std::string none = dir.Path("none");
  const struct {
    std::vector<std::string> args;
    const char* environment;  // GAUGECAL_KEY
    int status;
    std::string err;
  } cases[] = {
      // clang-format off
      {{"auth", "--key-file", pasted}, nullptr, 0, ""},
      {{"unseal", "--key-file", pasted}, nullptr, 0, ""},
      {{"full-access"}, " 00112233445566778899aabbccddeeff\n", 0, ""},
      {{"auth", "--key", kOtherKey}, kDefaultKey, 0, ""},
      {{"auth", "--key-file", inside}, nullptr, 1, length},
      {{"full-access", "--key", "0011223344556677g899AABBCCDDEEFF"}, nullptr, 1,
       "message: Unseal Key has a non hex character.\n"},
      {{"auth", "--key-file", none}, nullptr, 2, "gaugecal: the key file " + none + " does not exist\n"},
      {{"seal"}, nullptr, 0, "message: Device is already sealed. Nothing to do.\n"},
      {{"unseal", "--sim-scenario", full}, nullptr, 0, "message: Device is not sealed. Nothing to do.\n"},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    if (c.environment)
      setenv("GAUGECAL_KEY", c.environment, 1);
    std::vector<std::string> args = {"--sim-scenario", own, "--virtual-time"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = RunCli(args);
    unsetenv("GAUGECAL_KEY");
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_EQ(RunCli({"auth", "--key", kOtherKey, "--key-file", pasted}).status, 2);
}

TEST(CliSecurity, TheKeyStaysOutOfOutputAndTraceUnlessAskedFor) {
  TempDir dir;
  const std::string own = dir.Write("own.json", std::string(R"({"key": ")") + kOtherKey + "\"}");
  const std::string trace = dir.Path("t.jsonl");
  for (const char* command : {"auth", "full-access"}) {
    for (const std::string extra : {"", "--json", "--show-key"}) {
      SCOPED_TRACE(command + (" " + extra));
      std::vector<std::string> args = {
          "--sim-scenario", own, "--virtual-time", "--trace", trace, command, "--key", kOtherKey};
      if (!extra.empty())
        args.push_back(extra);
      const CliResult r = RunCli(args);
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out.find(kOtherKey) != std::string::npos, extra == "--show-key") << r.out;
      EXPECT_EQ(ReadFile(trace).find(kOtherKey), std::string::npos);
    }
  }
}

TEST(CliSecurity, Sha1DoesTheFormsThreeButtons) {
  const std::string msg = "00112233445566778899aabbccddeeff01020304";
  for (const auto& [mode, status, out] : std::vector<std::tuple<std::string, int, std::string>>{
           {"msg", 0, "1B7346694A13526292F9AA694EF0792DB1C47BE3\n"},
           {"key-msg", 0, "6E5FB9178D45490E8D0C3F0B0F2B95E3F483F279\n"},
           {"keyed", 0, "B3129C4004211DAE96C417A6F85E050353C04CE9\n"},
           {"hmac", 2, ""}}) {
    const CliResult r = RunCli({"sha1", "--msg", msg, "--key", kDefaultKey, "--mode", mode});
    EXPECT_EQ(r.status, status) << mode;
    EXPECT_EQ(r.out, out) << mode;
  }
  const CliResult noKey = RunCli({"sha1", "--msg", msg, "--mode", "keyed", "--json"});
  EXPECT_EQ(noKey.status, 1);
  EXPECT_EQ(noKey.err, "message: Key must be 32 hex characters (16 bytes); it has 0.\n");
  EXPECT_EQ(nlohmann::json::parse(noKey.out)["ok"], false);
}

}  // namespace
}  // namespace gaugecal::test
