// The security panel on the simulated gauges: start-up, the key boxes, authentication, and
// tab 0's mode display, seal, unseal and full access, with the bus sequence and the messages.

#include <gtest/gtest.h>

#include "security/Authk18.h"
#include "security/DefaultKey.h"
#include "security/HexText.h"
#include "sim/KeyedDigest.h"
#include "support/Bench.h"

namespace gaugecal::test {
namespace {

using AuthId = security::Authk18::Id;
using security::Authk18;
using security::Selection;
using sim::FaultKind;
using Mode = sim::SecurityMode;

inline sim::Scenario Gauge(DfType family, Mode mode, std::vector<sim::Fault> faults) {
  sim::Scenario s = sim::DefaultScenario(family);
  s.security = mode;
  s.faults = std::move(faults);
  return s;
}

std::string Joined(const std::vector<std::string>& texts, const char* separator = " ") {
  std::string out;
  for (const std::string& s : texts)
    out += (out.empty() ? "" : separator) + s;
  return out;
}

// 40 hex digits with their byte order turned round, as the bus carries a challenge.
std::string WireOrder(const std::string& hex) {
  sim::Digest bytes{};
  EXPECT_TRUE(security::str2byte(hex, bytes, bytes.size())) << hex;
  return security::HexOf(sim::Reversed(bytes));
}

// The trace entries of the given operations, in order.
std::vector<nlohmann::json> Ops(const Bench& h, const std::vector<std::string>& ops) {
  std::vector<nlohmann::json> out;
  for (const auto& e : h.Trace())
    if (std::find(ops.begin(), ops.end(), e.value("op", "")) != ops.end())
      out.push_back(e);
  return out;
}

struct PanelBench : Bench {
  explicit PanelBench(sim::Scenario scenario) : Bench(std::move(scenario)) {
    shown = panel.Show(Link());
  }
  const std::string& Text(AuthId id) const { return panel.Panel()[id].text; }

  security::Authk18 panel;
  bool shown = false;
};

constexpr const char* kOtherKey = "00112233445566778899AABBCCDDEEFF";

TEST(Authk18Authentication, TheGaugeAnswersTheDefaultKeyToAFreshChallenge) {
  PanelBench h(sim::DefaultScenario(DfType::CEDV_PLUS));
  h.panel.btnAuthenticateClick();
  const std::string first = h.Text(AuthId::txtAuthRandomNumber);
  h.ClearTrace();
  int statusChanges = 0;
  h.panel.Panel().OnChanged(
      [&statusChanges](AuthId id) { statusChanges += id == AuthId::lblAuthenticationStatus; });
  h.panel.btnAuthenticateClick();
  const std::string challenge = h.Text(AuthId::txtAuthRandomNumber);
  EXPECT_NE(challenge, first);
  EXPECT_EQ(h.Text(AuthId::txtRndNumberandKey), kDefaultKey + challenge);
  EXPECT_EQ(h.Text(AuthId::txtSHA1Result), h.Text(AuthId::txtPartDigest));
  EXPECT_EQ(h.Text(AuthId::lblAuthenticationStatus), "Authentication Successful");
  EXPECT_EQ(statusChanges, 3) << "emptied, in progress, the result";
  EXPECT_TRUE(h.panel.Panel()[AuthId::btnAuthenticate].enabled && h.Messages().empty());
  EXPECT_EQ(h.Steps(), "S:200 CFE WB:2F/20 S:20 WB:2F/20 CFE W:50 CFE RB:2F");
  const auto written = Ops(h, {"WriteSMBusBlock"});
  EXPECT_EQ(written.at(1)["data"], WireOrder(challenge));
  EXPECT_EQ(written.at(1)["addr"], 0x17);
}

TEST(Authk18Authentication, WrongAnswersAndBusFailures) {
  const auto on2F = [](FaultKind kind, const char* member, int occurrence, int offset = 0) {
    // clang-format off
    return sim::Fault{.kind = kind, .member = member, .command = 0x2F, .occurrence = occurrence,
                      .offset = offset};
    // clang-format on
  };
  const char* failed = "Authentication Failed";
  const char* busy = "Authentication in Progress";
  const struct {
    std::vector<sim::Fault> faults;
    const char* gaugeKey;
    const char* status;
    const char* message;
  } cases[] = {
      // clang-format off
      {{}, kOtherKey, failed, ""},
      {{on2F(FaultKind::MsbFirstDigest, "", 0)}, kDefaultKey, failed, ""},
      {{on2F(FaultKind::WrongDigest, "", 0, 19)}, kDefaultKey, failed, ""},  // the last byte
      {{on2F(FaultKind::Nack, "WriteSMBusBlock", 1)}, kDefaultKey, "Authentication Successful", ""},
      {{on2F(FaultKind::Nack, "WriteSMBusBlock", 2)}, kDefaultKey, busy, "Failed to Write Block!"},
      {{on2F(FaultKind::Nack, "ReadSMBusBlock_", 1)}, kDefaultKey, busy,
       "Failed to Read Authentication Response from device."},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.gaugeKey << " " << c.status << " " << c.faults.size());
    sim::Scenario s = Gauge(DfType::RN44K18, sim::SecurityMode::Unsealed, c.faults);
    ASSERT_TRUE(sim::ParseKey(c.gaugeKey, s.key));
    PanelBench h(s);
    h.panel.btnAuthenticateClick();
    const auto& status = h.panel.Panel()[AuthId::lblAuthenticationStatus];
    EXPECT_EQ(status.text, c.status);
    EXPECT_EQ(status.foreColor, c.status == failed ? security::kRed : security::kBlack);
    EXPECT_EQ(Joined(h.Messages()), c.message);
    EXPECT_TRUE(h.panel.Panel()[AuthId::btnAuthenticate].enabled);
  }
}

TEST(Authk18Authentication, KeyBoxesAndTheButtonCheckTheKeyBeforeAnyTransfer) {
  const std::string length = "Length of Key needs to be 32 Hex characters long.";
  const std::string nonHex = "Authentication key contains non hex characters.  Please check key.";
  const std::string shortKey = std::string(kOtherKey).substr(1);
  const struct {
    AuthId box;
    std::string text;
    Selection typed;       // selected on typing: the first wrong character
    std::string leaving;   // message on leaving the box
    std::string clicking;  // message of the authenticate button (txtAuthKey)
  } cases[] = {
      // clang-format off
      {AuthId::txtAuthKey, "0123456789abcdeffedcba9876543210", {}, "", ""},
      {AuthId::txtAuthKey, shortKey, {}, length,
       "Length of Authentication Key is not 32 characters.  Please check length of key."},
      {AuthId::txtAuthKey, "00 1g2233445566778899AABBCCDDEEF", {4, 1}, "Key has a non hex character.", nonHex},
      {AuthId::txtAuthKey, " " + shortKey, {}, length, nonHex},
      {AuthId::txtUnsealKey, "0011223344556677x899AABBCCDDEEFF", {16, 1}, "Unseal Key has a non hex character.", ""},
      {AuthId::txtUnsealKey, " 00112233445566\r\n778899AABBCCDDEEFF ", {}, length, ""},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    PanelBench h(sim::DefaultScenario(DfType::QSPAN));
    h.panel.SetKeyText(c.box, c.text);
    EXPECT_EQ(h.panel.Panel()[c.box].selection, c.typed);
    h.ClearTrace();
    EXPECT_EQ(h.panel.ValidateKey(c.box), c.leaving.empty());
    EXPECT_EQ(Joined(h.Messages()), c.leaving);
    const bool selectsAll = c.leaving.find("non hex") != std::string::npos;
    EXPECT_EQ(h.panel.Panel()[c.box].selection, (selectsAll ? Selection{0, 32} : c.typed));
    if (c.box == AuthId::txtUnsealKey)
      continue;
    h.ClearTrace();
    h.panel.btnAuthenticateClick();
    EXPECT_EQ(Joined(h.Messages()), c.clicking);
    EXPECT_EQ(h.Steps() == "MSG", !c.clicking.empty()) << "refused: no transfer, no sleep";
  }
}

TEST(Authk18Authentication, StartUpChecksTheGaugeAndShowsItsMode) {
  const std::string lost =
      "Morvane is not able to communicate with device. Please establish communications with "
      "device. Close and restart Morvane after device communications is re-established.  Morvane "
      "will correctly detect the device and Firmware version after restart.";
  PanelBench good(sim::DefaultScenario(DfType::RN44K18));
  EXPECT_EQ(good.Steps(), "S:30 ReadSMBusBlock ReadSMBusBlock MAC:0054 S:3 S:10 RB:23");
  EXPECT_EQ(good.Text(AuthId::txtAuthKey) + good.Text(AuthId::txtUnsealKey),
            std::string(kDefaultKey) + kDefaultKey);
  const auto read = [](FaultKind kind, int occurrence) {
    return sim::Fault{.kind = kind, .member = "ReadSMBusBlock", .occurrence = occurrence};
  };
  const struct {
    sim::Fault fault;
    const char* mode;
    std::string messages;
  } cases[] = {
      {read(FaultKind::Nack, 2), "Sealed", lost},
      {{.kind = FaultKind::NoAnswer, .occurrence = 0},
       "Last Operation Failed",
       lost + "|Not able to send operation status to MAC. Please check communication with device."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.messages);
    PanelBench h(Gauge(DfType::CEDV_PLUS, sim::SecurityMode::Sealed, {c.fault}));
    EXPECT_EQ(h.shown, c.messages.empty());
    EXPECT_EQ(h.Text(AuthId::lblSealStatus), c.mode);
    EXPECT_EQ(Joined(h.Messages(), "|"), c.messages);
    EXPECT_EQ(h.platform.Messages().empty() ? MsgIcon::Critical : h.platform.Messages()[0].icon,
              MsgIcon::Critical);
  }
}

constexpr int kSeal = Authk18::kOptionSeal;
constexpr int kUnseal = Authk18::kOptionUnseal;
constexpr int kFull = Authk18::kOptionFullAccess;
constexpr const char* kRead = "MAC:0054 S:3 S:10 RB:23";  // a status request and its block

void Go(PanelBench& h, int option) {
  h.panel.optionActionClick(option);
  h.ClearTrace();
  h.panel.btnGoClick();
}

TEST(Authk18Mode, EveryTransitionOnEveryFamily) {
  const std::string read = std::string(kRead) + " ";
  const std::string checked = read + read;  // the display, then the click's own read
  const std::string nothing = checked + "MSG ";
  const std::string answered = "S:3 S:20 RB:2F S:20 WB:2F/20 S:20 " + read;
  const struct {
    Mode from;
    int option;
    Mode to;
    std::string steps;
    const char* message;
  } cases[] = {
      {Mode::Sealed, kSeal, Mode::Sealed, nothing, "Device is already sealed. Nothing to do."},
      {Mode::Sealed, kUnseal, Mode::Unsealed, checked + read + "MAC:0031 " + answered, ""},
      {Mode::Sealed, kFull, Mode::FullAccess, checked + read + "MAC:0032 " + answered, ""},
      {Mode::Unsealed, kSeal, Mode::Sealed, checked + "MAC:0030 S:3 S:20 " + read, ""},
      {Mode::Unsealed, kUnseal, Mode::Unsealed, nothing, "Device is not sealed. Nothing to do."},
      {Mode::Unsealed, kFull, Mode::FullAccess, checked + read + "MAC:0032 " + answered, ""},
      {Mode::FullAccess, kSeal, Mode::Sealed, checked + "MAC:0030 S:3 S:20 " + read, ""},
      {Mode::FullAccess, kUnseal, Mode::FullAccess, nothing,
       "Device is not sealed. Nothing to do."},
      {Mode::FullAccess, kFull, Mode::FullAccess, nothing,
       "Device is already in full access mode. Nothing to do."},
  };
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message()
                   << DfTypeName(family) << " from " << int(c.from) << " option " << c.option);
      PanelBench h(Gauge(family, c.from, {}));
      Go(h, c.option);
      EXPECT_EQ(h.Gauge().Security(), c.to);
      EXPECT_EQ(h.Text(AuthId::lblSealStatus), security::SecurityModeText(int16_t(c.to)));
      EXPECT_EQ(Joined(h.Messages()), c.message);
      EXPECT_EQ(h.Steps() + " ", c.steps);
      EXPECT_TRUE(h.panel.Panel()[AuthId::btnGo].enabled);
      if (c.steps.find("WB:2F") == std::string::npos)
        continue;
      // Shown most significant byte first: the key, the challenge and the answer as sent.
      const auto blocks = Ops(h, {"ReadSMBusBlock_", "WriteSMBusBlock"});
      const std::string challenge = h.Text(AuthId::txtSealRandomfromDevice);
      EXPECT_EQ(WireOrder(challenge), blocks.at(3)["data"]);
      EXPECT_EQ(h.Text(AuthId::txtSealRandomNumberandKey), kDefaultKey + challenge);
      EXPECT_EQ(h.Text(AuthId::txtDigest), blocks.at(4)["data"]);
    }
  }
}

TEST(Authk18Mode, FailuresEndTheClickWithTheirMessage) {
  // Status requests to 0x00 and their blocks on 0x23 count from start-up (1); the click's
  // display (2) and check (3) come next, then the action's.
  const auto fault = [](FaultKind kind, const char* member, int command, int occurrence) {
    return sim::Fault{.kind = kind, .member = member, .command = command, .occurrence = occurrence};
  };
  const auto mac = [&fault](int n) { return fault(FaultKind::Nack, "WriteSMBusWord_", 0, n); };
  const auto block = [&fault](int n) { return fault(FaultKind::Nack, "ReadSMBusBlock_", 0x23, n); };
  const auto challenge = [&fault](FaultKind kind) {
    return fault(kind, "ReadSMBusBlock_", 0x2F, 1);
  };
  // clang-format off
  const std::string toMac = "Not able to send operation status to MAC. Please check communication with device.";
  const std::string notRead = "Not able to read operation status of device. Please check communication with device.";
  const std::string noStart = "Not able to begin device unseal.  Please check communications with device.";
  const std::string noChallenge = "Not able to read challenge from pack. Please check communications with device.";
  // clang-format on
  const std::string length = "Length of Key needs to be 32 Hex characters long.";
  const std::string key = kDefaultKey;
  const std::string other = "00112233445566778899AABBCCDDEEFF";
  const struct {
    Mode from;
    int option;
    sim::Fault fault;
    std::string unsealKey;
    Mode to;
    std::string messages;
  } cases[] = {
      {Mode::Unsealed, kSeal, mac(3), key, Mode::Unsealed, toMac + "|" + notRead},
      {Mode::Unsealed, kSeal, block(3), key, Mode::Sealed, ""},  // mode 0: sealed all the same
      {Mode::Unsealed, kSeal, mac(4), key, Mode::Unsealed, "Unable to send seal command."},
      {Mode::Unsealed, kSeal, block(4), key, Mode::Sealed, "Attempt to seal device failed."},
      {Mode::Sealed, kUnseal, mac(5), key, Mode::Sealed, noStart},
      {Mode::Sealed, kUnseal, challenge(FaultKind::Nack), key, Mode::Sealed, noChallenge},
      {Mode::Sealed, kFull, challenge(FaultKind::ErrorStatus), key, Mode::FullAccess, ""},
      {Mode::Sealed, kUnseal, {}, other, Mode::Sealed, ""},
      {Mode::Unsealed, kFull, {}, key.substr(2), Mode::Unsealed, length},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.option << " " << c.fault.occurrence << " " << c.messages);
    PanelBench h(Gauge(DfType::CEDV_PLUS, c.from, {c.fault}));
    h.panel.SetKeyText(AuthId::txtUnsealKey, c.unsealKey);
    Go(h, c.option);
    EXPECT_EQ(h.Gauge().Security(), c.to);
    EXPECT_EQ(Joined(h.Messages(), "|"), c.messages);
    EXPECT_TRUE(h.panel.Panel()[AuthId::btnGo].enabled);
  }
}

TEST(Authk18Mode, OptionsExcludeEachOtherAndLeavingTab1RefreshesTheMode) {
  PanelBench h(Gauge(DfType::QSPAN, Mode::Unsealed, {}));
  h.panel.optionActionClick(kFull);
  h.panel.optionActionClick(kSeal);
  EXPECT_EQ(
      h.panel.Panel()[AuthId::optionAction0].value + h.panel.Panel()[AuthId::optionAction2].value,
      1);
  h.Gauge().SetSecurity(Mode::Sealed);
  Go(h, -1);  // nothing selected: the display only
  h.panel.ssTabAuthClick(1);
  h.panel.ssTabAuthClick(0);
  EXPECT_EQ(h.Steps(), std::string(kRead) + " " + kRead);
  EXPECT_EQ(h.Text(AuthId::lblSealStatus), "Sealed");
}

}  // namespace
}  // namespace gaugecal::test
