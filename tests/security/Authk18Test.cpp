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
using Mode = sim::SecurityMode;

constexpr const char* kOtherKey = "00112233445566778899AABBCCDDEEFF";

struct PanelBench : Bench {
  // faults in the notation of support/Bench.h
  PanelBench(DfType family, Mode mode = Mode::Unsealed, const std::string& faults = "",
             const char* key = kDefaultKey)
      : Bench(Scenario(family, mode, faults, key)) {
    shown = panel.Show(Link());
  }
  static sim::Scenario Scenario(DfType family, Mode mode, const std::string& faults,
                                const char* key) {
    sim::Scenario s = With(family, faults);
    s.security = mode;
    EXPECT_TRUE(sim::ParseKey(key, s.key));
    return s;
  }
  const std::string& Text(AuthId id) const { return panel.Panel()[id].text; }
  // The data of the n-th (from 0) trace entry of an operation.
  std::string Data(const std::string& op, size_t n) const {
    for (const auto& e : Trace())
      if (e.value("op", "") == op && n-- == 0)
        return e.value("data", "");
    return "none";
  }
  // 40 hex digits with their byte order turned round, as the bus carries a challenge.
  static std::string WireOrder(const std::string& hex) {
    sim::Digest bytes{};
    EXPECT_TRUE(security::str2byte(hex, bytes, bytes.size())) << hex;
    return HexBytes(sim::Reversed(bytes));
  }
  void Go(int option) {
    panel.optionActionClick(option);
    ClearTrace();
    panel.btnGoClick();
  }

  security::Authk18 panel;
  bool shown = false;
};

TEST(Authk18Authentication, TheGaugeAnswersTheDefaultKeyToAFreshChallenge) {
  PanelBench h(DfType::CEDV_PLUS);
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
  EXPECT_EQ(h.Data("WriteSMBusBlock", 1), PanelBench::WireOrder(challenge));
  EXPECT_EQ(h.Trace().at(4)["addr"], 0x17);  // the second block write
}

TEST(Authk18Authentication, WrongAnswersAndBusFailures) {
  const char* failed = "Authentication Failed";
  const char* busy = "Authentication in Progress";
  const struct {
    const char* faults;
    const char* gaugeKey;
    const char* status;
    const char* message;
  } cases[] = {
      {"", kOtherKey, failed, ""},
      {"msbfirst *:2F #0", kDefaultKey, failed, ""},
      {"wrongdigest *:2F #0 @19", kDefaultKey, failed, ""},  // the last byte
      {"nack WB:2F", kDefaultKey, "Authentication Successful", ""},
      {"nack WB:2F #2", kDefaultKey, busy, "Failed to Write Block!"},
      {"nack RB:2F", kDefaultKey, busy, "Failed to Read Authentication Response from device."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.faults) + " " + c.gaugeKey);
    PanelBench h(DfType::RN44K18, Mode::Unsealed, c.faults, c.gaugeKey);
    h.panel.btnAuthenticateClick();
    const auto& status = h.panel.Panel()[AuthId::lblAuthenticationStatus];
    EXPECT_EQ(status.text, c.status);
    EXPECT_EQ(status.foreColor, c.status == failed ? security::kRed : security::kBlack);
    EXPECT_EQ(h.MessageLine(), c.message);
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
    PanelBench h(DfType::QSPAN);
    h.panel.SetKeyText(c.box, c.text);
    EXPECT_EQ(h.panel.Panel()[c.box].selection, c.typed);
    h.ClearTrace();
    EXPECT_EQ(h.panel.ValidateKey(c.box), c.leaving.empty());
    EXPECT_EQ(h.MessageLine(), c.leaving);
    const bool selectsAll = c.leaving.find("non hex") != std::string::npos;
    EXPECT_EQ(h.panel.Panel()[c.box].selection, (selectsAll ? Selection{0, 32} : c.typed));
    if (c.box == AuthId::txtUnsealKey)
      continue;
    h.ClearTrace();
    h.panel.btnAuthenticateClick();
    EXPECT_EQ(h.MessageLine(), c.clicking);
    EXPECT_EQ(h.Steps() == "MSG", !c.clicking.empty()) << "refused: no transfer, no sleep";
  }
}

TEST(Authk18Authentication, StartUpChecksTheGaugeAndShowsItsMode) {
  const std::string lost =
      "Morvane is not able to communicate with device. Please establish communications with "
      "device. Close and restart Morvane after device communications is re-established.  Morvane "
      "will correctly detect the device and Firmware version after restart.";
  PanelBench good(DfType::RN44K18);
  EXPECT_EQ(good.Steps(), "S:30 ReadSMBusBlock ReadSMBusBlock MAC:0054 S:3 S:10 RB:23");
  EXPECT_EQ(good.Text(AuthId::txtAuthKey) + good.Text(AuthId::txtUnsealKey),
            std::string(kDefaultKey) + kDefaultKey);
  for (const auto& [faults, mode, messages] :
       std::vector<std::tuple<const char*, const char*, std::string>>{
           {"nack RT #2", "Sealed", lost},
           {"noanswer #0", "Last Operation Failed",
            lost + "|Not able to send operation status to MAC. Please check communication with "
                   "device."}}) {
    SCOPED_TRACE(faults);
    PanelBench h(DfType::CEDV_PLUS, Mode::Sealed, faults);
    EXPECT_FALSE(h.shown);
    EXPECT_EQ(h.Text(AuthId::lblSealStatus), mode);
    EXPECT_EQ(h.MessageLine(), messages);
    EXPECT_EQ(h.platform.Messages().at(0).icon, MsgIcon::Critical);
  }
}

constexpr int kSeal = Authk18::kOptionSeal;
constexpr int kUnseal = Authk18::kOptionUnseal;
constexpr int kFull = Authk18::kOptionFullAccess;
constexpr const char* kRead = "MAC:0054 S:3 S:10 RB:23";  // a status request and its block

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
      PanelBench h(family, c.from);
      h.Go(c.option);
      EXPECT_EQ(h.Gauge().Security(), c.to);
      EXPECT_EQ(h.Text(AuthId::lblSealStatus), security::SecurityModeText(int16_t(c.to)));
      EXPECT_EQ(h.MessageLine(), c.message);
      EXPECT_EQ(h.Steps() + " ", c.steps);
      EXPECT_TRUE(h.panel.Panel()[AuthId::btnGo].enabled);
      if (c.steps.find("WB:2F") == std::string::npos)
        continue;
      // Shown most significant byte first: the key, the challenge and the answer as sent.
      const std::string challenge = h.Text(AuthId::txtSealRandomfromDevice);
      EXPECT_EQ(PanelBench::WireOrder(challenge), h.Data("ReadSMBusBlock_", 3));
      EXPECT_EQ(h.Text(AuthId::txtSealRandomNumberandKey), kDefaultKey + challenge);
      EXPECT_EQ(h.Text(AuthId::txtDigest), h.Data("WriteSMBusBlock", 0));
    }
  }
}

TEST(Authk18Mode, FailuresEndTheClickWithTheirMessage) {
  // Status requests to 0x00 and their blocks on 0x23 count from start-up (1); the click's
  // display (2) and check (3) come next, then the action's.
  // clang-format off
  const std::string toMac = "Not able to send operation status to MAC. Please check communication with device.";
  const std::string notRead = "Not able to read operation status of device. Please check communication with device.";
  const std::string noStart = "Not able to begin device unseal.  Please check communications with device.";
  const std::string noChallenge = "Not able to read challenge from pack. Please check communications with device.";
  // clang-format on
  const std::string key = kDefaultKey;
  const struct {
    Mode from;
    int option;
    const char* faults;
    std::string unsealKey;
    Mode to;
    std::string messages;
  } cases[] = {
      {Mode::Unsealed, kSeal, "nack MAC #3", key, Mode::Unsealed, toMac + "|" + notRead},
      {Mode::Unsealed, kSeal, "nack RB:23 #3", key, Mode::Sealed, ""},  // mode 0: sealed anyway
      {Mode::Unsealed, kSeal, "nack MAC #4", key, Mode::Unsealed, "Unable to send seal command."},
      {Mode::Unsealed, kSeal, "nack RB:23 #4", key, Mode::Sealed, "Attempt to seal device failed."},
      {Mode::Sealed, kUnseal, "nack MAC #5", key, Mode::Sealed, noStart},
      {Mode::Sealed, kUnseal, "nack RB:2F", key, Mode::Sealed, noChallenge},
      {Mode::Sealed, kFull, "error RB:2F", key, Mode::FullAccess, ""},
      {Mode::Sealed, kUnseal, "", kOtherKey, Mode::Sealed, ""},
      {Mode::Unsealed, kFull, "", key.substr(2), Mode::Unsealed,
       "Length of Key needs to be 32 Hex characters long."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.option << " " << c.faults << " " << c.messages);
    PanelBench h(DfType::CEDV_PLUS, c.from, c.faults);
    h.panel.SetKeyText(AuthId::txtUnsealKey, c.unsealKey);
    h.Go(c.option);
    EXPECT_EQ(h.Gauge().Security(), c.to);
    EXPECT_EQ(h.MessageLine(), c.messages);
    EXPECT_TRUE(h.panel.Panel()[AuthId::btnGo].enabled);
  }
}

TEST(Authk18Mode, OptionsExcludeEachOtherAndLeavingTab1RefreshesTheMode) {
  PanelBench h(DfType::QSPAN);
  h.panel.optionActionClick(kFull);
  h.panel.optionActionClick(kSeal);
  EXPECT_EQ(
      h.panel.Panel()[AuthId::optionAction0].value + h.panel.Panel()[AuthId::optionAction2].value,
      1);
  h.Gauge().SetSecurity(Mode::Sealed);
  h.Go(-1);  // nothing selected: the display only
  h.panel.ssTabAuthClick(1);
  h.panel.ssTabAuthClick(0);
  EXPECT_EQ(h.Steps(), std::string(kRead) + " " + kRead);
  EXPECT_EQ(h.Text(AuthId::lblSealStatus), "Sealed");
}

}  // namespace
}  // namespace gaugecal::test
