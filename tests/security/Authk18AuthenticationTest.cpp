// The security panel's start-up, key boxes and authentication, on the simulated gauges.

#include <gtest/gtest.h>

#include <algorithm>

#include "PanelBench.h"
#include "security/DefaultKey.h"
#include "security/HexText.h"
#include "sim/KeyedDigest.h"
#include "support/TraceReader.h"

namespace gaugecal::test {
namespace {

using security::kBlack;
using security::kRed;
using sim::FaultKind;

constexpr const char* kOtherKey = "00112233445566778899AABBCCDDEEFF";
constexpr const char* kCommunication =
    "Morvane is not able to communicate with device. Please establish communications with "
    "device. Close and restart Morvane after device communications is re-established.  Morvane "
    "will correctly detect the device and Firmware version after restart.";

// SHA-1(key || SHA-1(key || challenge)) as the gauge computes it, most significant byte first.
std::string GaugeDigest(const std::string& keyHex, const std::string& challengeHex) {
  std::array<uint8_t, 16> key{};
  sim::Digest challenge{};
  EXPECT_TRUE(security::str2byte(keyHex, key, 16));
  EXPECT_TRUE(security::str2byte(challengeHex, challenge, 20));
  return security::HexOf(sim::KeyedDigest(key, challenge));
}

std::string Reversed(const std::string& hex) {
  std::string out;
  for (size_t i = hex.size(); i >= 2; i -= 2)
    out += hex.substr(i - 2, 2);
  return out;
}

TEST(Authk18Authentication, EveryFamilysGaugeAnswersTheDefaultKey) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    PanelBench h(sim::DefaultScenario(family));
    ASSERT_TRUE(h.shown);
    h.ClearTrace();
    std::vector<AuthId> changed;
    h.panel.Panel().OnChanged([&changed](AuthId id) { changed.push_back(id); });
    h.panel.btnAuthenticateClick();

    const std::string challenge = h.Text(AuthId::txtAuthRandomNumber);
    ASSERT_EQ(challenge.size(), 40u);
    EXPECT_EQ(h.Text(AuthId::txtRndNumberandKey), kDefaultKey + challenge);
    EXPECT_EQ(h.Text(AuthId::txtSHA1Result), GaugeDigest(kDefaultKey, challenge));
    EXPECT_EQ(h.Text(AuthId::txtPartDigest), GaugeDigest(kDefaultKey, challenge));
    EXPECT_EQ(h.Text(AuthId::lblAuthenticationStatus), "Authentication Successful");
    EXPECT_EQ(h.panel.Panel()[AuthId::lblAuthenticationStatus].foreColor, kBlack);
    EXPECT_TRUE(h.Enabled(AuthId::btnAuthenticate));
    EXPECT_TRUE(h.Messages().empty());
    EXPECT_EQ(h.Steps(), (std::vector<std::string>{"S:200", "CFE", "WB:2F/20", "S:20", "WB:2F/20",
                                                   "CFE", "W:50", "CFE", "RB:2F"}));
    // The challenge goes least significant byte first, to 0x17, twice.
    for (const auto& e : TraceOps(h.Trace(), {"WriteSMBusBlock"})) {
      EXPECT_EQ(e["data"], Reversed(challenge));
      EXPECT_EQ(e["addr"], 0x17);
    }
    // The status label: emptied, "in progress", the result; the button off and on again.
    EXPECT_EQ(std::count(changed.begin(), changed.end(), AuthId::lblAuthenticationStatus), 3);
    EXPECT_EQ(std::count(changed.begin(), changed.end(), AuthId::btnAuthenticate), 2);
  }
}

TEST(Authk18Authentication, FailuresOfTheGaugeAndTheBus) {
  const auto fault = [](FaultKind kind, const char* member, int occurrence, int offset = 0) {
    return sim::Fault{.kind = kind,
                      .member = member,
                      .command = 0x2F,
                      .occurrence = occurrence,
                      .offset = offset};
  };
  const struct {
    const char* name;
    std::vector<sim::Fault> faults;
    const char* gaugeKey;
    const char* status;
    const char* message;
  } cases[] = {
      {"another key", {}, kOtherKey, "Authentication Failed", ""},
      {"most significant byte first",
       {fault(FaultKind::MsbFirstDigest, "", 0)},
       kDefaultKey,
       "Authentication Failed",
       ""},
      {"last byte received wrong",
       {fault(FaultKind::WrongDigest, "", 0, 19)},
       kDefaultKey,
       "Authentication Failed",
       ""},
      {"first byte received wrong",
       {fault(FaultKind::WrongDigest, "", 0, 0)},
       kDefaultKey,
       "Authentication Failed",
       ""},
      {"first challenge refused",
       {fault(FaultKind::Nack, "WriteSMBusBlock", 1)},
       kDefaultKey,
       "Authentication Successful",
       ""},
      {"second challenge refused",
       {fault(FaultKind::Nack, "WriteSMBusBlock", 2)},
       kDefaultKey,
       "Authentication in Progress",
       "Failed to Write Block!"},
      {"answer not read",
       {fault(FaultKind::Nack, "ReadSMBusBlock_", 1)},
       kDefaultKey,
       "Authentication in Progress",
       "Failed to Read Authentication Response from device."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sim::Scenario s = WithFaults(sim::DefaultScenario(DfType::RN44K18), c.faults);
    ASSERT_TRUE(sim::ParseKey(c.gaugeKey, s.key));
    PanelBench h(s);
    h.ClearTrace();
    h.panel.btnAuthenticateClick();
    const std::string status = h.Text(AuthId::lblAuthenticationStatus);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(h.panel.Panel()[AuthId::lblAuthenticationStatus].foreColor,
              status == "Authentication Failed" ? kRed : kBlack);
    EXPECT_EQ(h.Messages(),
              *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    EXPECT_TRUE(h.Enabled(AuthId::btnAuthenticate));
  }
}

TEST(Authk18Authentication, KeysTheButtonRefusesBeforeAnyTransfer) {
  const struct {
    std::string key;
    const char* message;
  } cases[] = {
      {std::string(kDefaultKey).substr(1),
       "Length of Authentication Key is not 32 characters.  "
       "Please check length of key."},
      {"g123456789ABCDEFFEDCBA9876543210",
       "Authentication key contains non hex characters.  Please check key."},
      {" 123456789ABCDEFFEDCBA9876543210",
       "Authentication key contains non hex characters.  Please check key."},
      {"0123456789abcdeffedcba9876543210", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    PanelBench h(sim::DefaultScenario(DfType::QSPAN));
    h.panel.SetKeyText(AuthId::txtAuthKey, c.key);
    h.ClearTrace();
    h.panel.btnAuthenticateClick();
    if (*c.message) {
      EXPECT_EQ(h.Messages(), std::vector<std::string>{c.message});
      EXPECT_EQ(h.Steps(), std::vector<std::string>{"MSG"}) << "no transfer, no sleep";
      EXPECT_EQ(h.Text(AuthId::lblAuthenticationStatus), "");
    } else {
      EXPECT_EQ(h.Text(AuthId::lblAuthenticationStatus), "Authentication Successful");
    }
  }
}

TEST(Authk18Authentication, EveryChallengeIsFresh) {
  PanelBench h(sim::DefaultScenario(DfType::CEDV));
  h.panel.btnAuthenticateClick();
  const std::string first = h.Text(AuthId::txtAuthRandomNumber);
  h.panel.btnAuthenticateClick();
  EXPECT_NE(h.Text(AuthId::txtAuthRandomNumber), first);
  EXPECT_EQ(h.Text(AuthId::lblAuthenticationStatus), "Authentication Successful");
}

TEST(Authk18Authentication, KeyBoxesSelectWhatIsWrongAndHoldTheFocus) {
  const struct {
    AuthId box;
    std::string text;
    int selStart;  // -1: nothing selected on typing
    const char* message;
  } cases[] = {
      {AuthId::txtAuthKey, kOtherKey, -1, ""},
      {AuthId::txtAuthKey, std::string(kOtherKey).substr(1), -1,
       "Length of Key needs to be 32 Hex characters long."},
      {AuthId::txtAuthKey, "00 1g2233445566778899AABBCCDDEEF", 4, "Key has a non hex character."},
      {AuthId::txtUnsealKey, "0011223344556677x899AABBCCDDEEFF", 16,
       "Unseal Key has a non hex character."},
      {AuthId::txtUnsealKey, "0011223344556677 899AABBCCDDEEFF", -1,
       "Length of Key needs to be 32 Hex characters long."},
      {AuthId::txtUnsealKey, " 00112233445566\r\n778899AABBCCDDEEFF ", -1,
       "Length of Key needs to be 32 Hex characters long."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TracedBench bench(DfType::RN44K18);
    security::Authk18 panel;
    panel.SetKeyText(c.box, c.text);
    const security::Selection typed = panel.Panel()[c.box].selection;
    const security::Selection expected =
        c.selStart < 0 ? security::Selection{} : security::Selection{c.selStart, 1};
    EXPECT_EQ(typed, expected);
    EXPECT_EQ(panel.ValidateKey(c.box), *c.message == '\0');
    EXPECT_EQ(bench.Messages(),
              *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    if (std::string(c.message).find("non hex") != std::string::npos) {
      EXPECT_EQ(panel.Panel()[c.box].selection, (security::Selection{0, 32}));
    }
  }
}

TEST(Authk18Authentication, StartUpChecksTheGaugeAndShowsItsMode) {
  const auto fault = [](FaultKind kind, const char* member, int occurrence) {
    return sim::Fault{.kind = kind, .member = member, .occurrence = occurrence};
  };
  const struct {
    const char* name;
    std::vector<sim::Fault> faults;
    bool answered;
    const char* mode;
    std::vector<std::string> messages;
  } cases[] = {
      {"a sealed gauge", {}, true, "Sealed", {}},
      {"first read lost", {fault(FaultKind::Nack, "ReadSMBusBlock", 1)}, true, "Sealed", {}},
      {"second read lost",
       {fault(FaultKind::Nack, "ReadSMBusBlock", 2)},
       false,
       "Sealed",
       {kCommunication}},
      {"no gauge",
       {fault(FaultKind::NoAnswer, "", 0)},
       false,
       "Last Operation Failed",
       {kCommunication,
        "Not able to send operation status to MAC. Please check communication with device."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PanelBench h(WithFaults(InMode(DfType::CEDV_PLUS, sim::SecurityMode::Sealed), c.faults));
    EXPECT_EQ(h.shown, c.answered);
    EXPECT_EQ(h.Text(AuthId::lblSealStatus), c.mode);
    EXPECT_EQ(h.Messages(), c.messages);
    EXPECT_EQ(h.Text(AuthId::txtAuthKey), kDefaultKey);
    EXPECT_EQ(h.Text(AuthId::txtUnsealKey), kDefaultKey);
    EXPECT_EQ(Module().SmbAddress, 0x17);
    const auto& shown = h.platform.Messages();
    if (!shown.empty()) {
      EXPECT_EQ(shown[0].icon, c.answered ? MsgIcon::None : MsgIcon::Critical);
    }
    if (c.faults.empty()) {
      EXPECT_EQ(h.Steps(), (std::vector<std::string>{"S:30", "ReadSMBusBlock", "ReadSMBusBlock",
                                                     "MAC:0054", "S:3", "S:10", "RB:23"}));
    }
  }
  PanelBench h(sim::DefaultScenario(DfType::RN44K18));
  EXPECT_EQ(h.panel.Caption(), "Auth");
}

}  // namespace
}  // namespace gaugecal::test
