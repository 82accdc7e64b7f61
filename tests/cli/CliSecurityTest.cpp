// gaugecal security-mode, auth, seal, unseal, full-access and sha1 on the simulated gauges: what
// the panel shows, the key's sources, the exit statuses and the key kept out of sight.

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "security/DefaultKey.h"

namespace gaugecal::test {
namespace {

constexpr const char* kOtherKey = "00112233445566778899AABBCCDDEEFF";

TEST(CliSecurity, AuthSucceedsWithTheDefaultKeyOnEveryFamilyAndFailsWithAnother) {
  for (const char* adapter : {"sim:CEDV", "sim:QSPAN", "sim:RN44K18", "sim:CEDV_PLUS"}) {
    const CliResult r = RunCli({"--adapter", adapter, "--virtual-time", "auth", "--json"});
    EXPECT_EQ(r.status, 0) << adapter << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["keyAndChallenge"], std::string(32, '*') + j["challenge"].get<std::string>());
    EXPECT_EQ(j["hostDigest"], j["deviceDigest"]) << adapter;
    EXPECT_EQ(j["status"], "Authentication Successful") << adapter;
  }
  const CliResult bad = RunCli({"auth", "--virtual-time", "--key", kOtherKey});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("Authentication Failed\n"), std::string::npos) << bad.out;
}

TEST(CliSecurity, KeySourcesAndExitStatuses) {
  TempDir dir;
  const std::string own =
      dir.Write("own.json", std::string(R"({"security": "Sealed", "key": ")") + kOtherKey + "\"}");
  const std::string full = dir.Write("full.json", R"({"security": "FullAccess"})");
  const std::string pasted = dir.Write("pasted.key", std::string(" \n\t") + kOtherKey + " \r\n\n");
  const std::string inside = dir.Write("inside.key", "00112233 445566778899AABBCCDDEEFF\n");
  const std::string none = dir.Path("none");
  const std::string wrong = dir.Write("wrong.key", std::string(kDefaultKey) + "\n");
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
      {{"auth", "--key-file", inside}, nullptr, 1, "message: Length of Key needs to be 32 Hex characters long.\n"},
      {{"full-access", "--key", "0011223344556677g899AABBCCDDEEFF"}, nullptr, 1,
       "message: Unseal Key has a non hex character.\n"},
      {{"auth", "--key-file", none}, nullptr, 2, "gaugecal: the key file " + none + " does not exist\n"},
      {{"seal"}, nullptr, 0, "message: Device is already sealed. Nothing to do.\n"},
      {{"unseal", "--sim-scenario", full}, nullptr, 0, "message: Device is not sealed. Nothing to do.\n"},
      {{"auth", "--key", kOtherKey, "--key-file", pasted}, nullptr, 2, "gaugecal: --key excludes --key-file\n"},
      // A key the gauge does not take: the warning names where it came from.
      {{"unseal"}, nullptr, 1, "warning: the gauge is still Sealed: it did not accept the key from the default key\n"},
      {{"full-access", "--key", kDefaultKey}, nullptr, 1, "warning: the gauge is still Sealed: it did not accept the key from --key\n"},
      {{"unseal", "--key-file", wrong}, nullptr, 1, "warning: the gauge is still Sealed: it did not accept the key from --key-file " + wrong + "\n"},
      {{"unseal"}, kDefaultKey, 1, "warning: the gauge is still Sealed: it did not accept the key from GAUGECAL_KEY\n"},
      {{"auth"}, nullptr, 1, "warning: the gauge did not authenticate with the key from the default key\n"},
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
}

TEST(CliSecurity, TheKeyStaysOutOfOutputAndTraceUnlessAskedFor) {
  TempDir dir;
  const std::string own = dir.Write("own.json", std::string(R"({"key": ")") + kOtherKey + "\"}");
  const std::string trace = dir.Path("t.jsonl");
  for (const char* command : {"auth", "full-access"}) {
    for (const std::string extra : {"--virtual-time", "--json", "--show-key"}) {
      SCOPED_TRACE(command + (" " + extra));
      const CliResult r = RunCli({"--sim-scenario", own, "--virtual-time", "--trace", trace,
                                  command, "--key", kOtherKey, extra});
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out.find(kOtherKey) != std::string::npos, extra == "--show-key") << r.out;
      EXPECT_EQ(ReadFile(trace).find(kOtherKey), std::string::npos);
    }
  }
}

// The form's buttons by --mode (their digests are the form's own test).
TEST(CliSecurity, Sha1DoesTheFormsThreeButtons) {
  const std::string msg = "00112233445566778899aabbccddeeff01020304";
  for (const auto& [mode, status, out] : std::vector<std::tuple<std::string, int, std::string>>{
           {"msg", 0, "1B7346694A13526292F9AA694EF0792DB1C47BE3\n"},
           {"key-msg", 0, "6E5FB9178D45490E8D0C3F0B0F2B95E3F483F279\n"},
           {"keyed", 0, "B3129C4004211DAE96C417A6F85E050353C04CE9\n"},
           {"hmac", 2, ""}}) {
    const CliResult r = RunCli({"sha1", "--msg", msg, "--key", kDefaultKey, "--mode", mode});
    EXPECT_EQ(std::pair(r.status, r.out), std::pair(status, out)) << mode;
  }
  const CliResult noKey = RunCli({"sha1", "--msg", msg, "--mode", "keyed", "--json"});
  EXPECT_EQ(noKey.status, 1);
  EXPECT_EQ(noKey.err, "message: Key must be 32 hex characters (16 bytes); it has 0.\n");
  EXPECT_EQ(nlohmann::json::parse(noKey.out)["ok"], false);
}

}  // namespace
}  // namespace gaugecal::test
