// The security panel's start-up, key boxes and authentication, on the simulated gauges.

#include <gtest/gtest.h>

#include "PanelBench.h"
#include "security/DefaultKey.h"
#include "support/TraceReader.h"

namespace gaugecal::test {
namespace {

using security::Selection;
using sim::FaultKind;

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
  EXPECT_EQ(Joined(h.Steps()), "S:200 CFE WB:2F/20 S:20 WB:2F/20 CFE W:50 CFE RB:2F");
  const auto written = TraceOps(h.Trace(), {"WriteSMBusBlock"});
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
    EXPECT_EQ(Joined(h.Steps()) == "MSG", !c.clicking.empty()) << "refused: no transfer, no sleep";
  }
}

TEST(Authk18Authentication, StartUpChecksTheGaugeAndShowsItsMode) {
  const std::string lost =
      "Morvane is not able to communicate with device. Please establish communications with "
      "device. Close and restart Morvane after device communications is re-established.  Morvane "
      "will correctly detect the device and Firmware version after restart.";
  PanelBench good(sim::DefaultScenario(DfType::RN44K18));
  EXPECT_EQ(Joined(good.Steps()), "S:30 ReadSMBusBlock ReadSMBusBlock MAC:0054 S:3 S:10 RB:23");
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

}  // namespace
}  // namespace gaugecal::test
