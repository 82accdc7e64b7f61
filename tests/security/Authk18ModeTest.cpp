// Tab 0 of the security panel: the mode display, seal, unseal and full access on the
// simulated gauges, with the bus sequence and the messages.

#include <gtest/gtest.h>

#include "PanelBench.h"
#include "security/DefaultKey.h"
#include "support/TraceReader.h"

namespace gaugecal::test {
namespace {

using security::Authk18;
using sim::FaultKind;
using Mode = sim::SecurityMode;

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
      EXPECT_EQ(Joined(h.Steps()) + " ", c.steps);
      EXPECT_TRUE(h.panel.Panel()[AuthId::btnGo].enabled);
      if (c.steps.find("WB:2F") == std::string::npos)
        continue;
      // Shown most significant byte first: the key, the challenge and the answer as sent.
      const auto blocks = TraceOps(h.Trace(), {"ReadSMBusBlock_", "WriteSMBusBlock"});
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
  EXPECT_EQ(Joined(h.Steps()), std::string(kRead) + " " + kRead);
  EXPECT_EQ(h.Text(AuthId::lblSealStatus), "Sealed");
}

}  // namespace
}  // namespace gaugecal::test
