// Tab 0 of the security panel: the mode display, seal, unseal and full access on the
// simulated gauges, with the bus sequence and every message.

#include <gtest/gtest.h>

#include <algorithm>

#include "PanelBench.h"
#include "security/DefaultKey.h"
#include "security/Digests.h"
#include "support/TraceReader.h"

namespace gaugecal::test {
namespace {

using security::Authk18;
using sim::FaultKind;
using sim::SecurityMode;

constexpr const char* kStatusToMac =
    "Not able to send operation status to MAC. Please check communication with device.";

const char* Text(SecurityMode m) {
  return security::SecurityModeText(static_cast<int16_t>(m));
}

void Go(PanelBench& h, int option) {
  h.panel.optionActionClick(option);
  h.ClearTrace();
  h.panel.btnGoClick();
}

TEST(Authk18Mode, EveryTransitionOnEveryFamily) {
  const struct {
    SecurityMode from;
    int option;
    SecurityMode to;
    const char* subcommand;  // the mode change sent, or empty
    const char* message;
  } cases[] = {
      {SecurityMode::Sealed, Authk18::kOptionSeal, SecurityMode::Sealed, "",
       "Device is already sealed. Nothing to do."},
      {SecurityMode::Sealed, Authk18::kOptionUnseal, SecurityMode::Unsealed, "MAC:0031", ""},
      {SecurityMode::Sealed, Authk18::kOptionFullAccess, SecurityMode::FullAccess, "MAC:0032", ""},
      {SecurityMode::Unsealed, Authk18::kOptionSeal, SecurityMode::Sealed, "MAC:0030", ""},
      {SecurityMode::Unsealed, Authk18::kOptionUnseal, SecurityMode::Unsealed, "",
       "Device is not sealed. Nothing to do."},
      {SecurityMode::Unsealed, Authk18::kOptionFullAccess, SecurityMode::FullAccess, "MAC:0032",
       ""},
      {SecurityMode::FullAccess, Authk18::kOptionSeal, SecurityMode::Sealed, "MAC:0030", ""},
      {SecurityMode::FullAccess, Authk18::kOptionUnseal, SecurityMode::FullAccess, "",
       "Device is not sealed. Nothing to do."},
      {SecurityMode::FullAccess, Authk18::kOptionFullAccess, SecurityMode::FullAccess, "",
       "Device is already in full access mode. Nothing to do."},
  };
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(DfTypeName(family)) + ": " + Text(c.from) + " option " +
                   std::to_string(c.option));
      PanelBench h(InMode(family, c.from));
      EXPECT_EQ(h.Text(AuthId::lblSealStatus), Text(c.from));
      Go(h, c.option);
      EXPECT_EQ(h.Gauge().Security(), c.to);
      EXPECT_EQ(h.Text(AuthId::lblSealStatus), Text(c.to));
      EXPECT_EQ(h.Messages(),
                *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
      EXPECT_TRUE(h.Enabled(AuthId::btnGo));
      const auto transfers = h.Transfers();
      for (const char* sub : {"MAC:0030", "MAC:0031", "MAC:0032"})
        EXPECT_EQ(CountSteps(transfers, sub), std::string(sub) == c.subcommand ? 1 : 0) << sub;
      if (std::string(c.subcommand) == "MAC:0030") {
        const auto steps = h.Steps();
        const auto seal = std::find(steps.begin(), steps.end(), "MAC:0030");
        EXPECT_EQ(std::vector<std::string>(seal, steps.end()),
                  (std::vector<std::string>{"MAC:0030", "S:3", "S:20", "MAC:0054", "S:3", "S:10",
                                            "RB:23"}));
      }
      if (!*c.subcommand) {
        // Nothing to do: the display's read and the click's own, nothing else.
        EXPECT_EQ(transfers, (std::vector<std::string>{"MAC:0054", "RB:23", "MAC:0054", "RB:23"}));
      }
    }
  }
}

TEST(Authk18Mode, UnsealAnswersTheGaugesChallenge) {
  PanelBench h(InMode(DfType::RN44K18, SecurityMode::Sealed));
  Go(h, Authk18::kOptionUnseal);
  const std::vector<std::string> read = {"MAC:0054", "S:3", "S:10", "RB:23"};
  std::vector<std::string> expected;
  for (int i = 0; i < 3; ++i)  // the display, the click's check, the unseal's own refresh
    expected.insert(expected.end(), read.begin(), read.end());
  for (const char* step : {"MAC:0031", "S:3", "S:20", "RB:2F", "S:20", "WB:2F/20", "S:20"})
    expected.push_back(step);
  expected.insert(expected.end(), read.begin(), read.end());
  EXPECT_EQ(h.Steps(), expected);

  // What the panel shows is most significant byte first; the bus carries the reverse.
  const auto blocks = TraceOps(h.Trace(), {"ReadSMBusBlock_", "WriteSMBusBlock"});
  const std::string wireChallenge = blocks.at(3)["data"];
  const std::string challenge = h.Text(AuthId::txtSealRandomfromDevice);
  ASSERT_EQ(challenge.size(), 40u);
  for (size_t i = 0; i < 40; i += 2)
    EXPECT_EQ(challenge.substr(i, 2), wireChallenge.substr(38 - i, 2));
  security::AuthenticateResult r;
  ASSERT_TRUE(security::AUTHENTICATE(challenge, kDefaultKey, r));
  EXPECT_EQ(h.Text(AuthId::txtDigest), r.sha1Result);
  EXPECT_EQ(blocks.at(4)["data"], r.sha1Result);
  EXPECT_EQ(h.Text(AuthId::txtSealRandomNumberandKey), kDefaultKey + challenge);
  EXPECT_EQ(h.Gauge().Security(), SecurityMode::Unsealed);
}

TEST(Authk18Mode, FailuresEndTheClickWithTheirMessage) {
  const auto fault = [](FaultKind kind, const char* member, int command, int occurrence) {
    return sim::Fault{.kind = kind, .member = member, .command = command, .occurrence = occurrence};
  };
  // Status requests to 0x00 and their blocks count: 1 at start-up, 2 the display's at the
  // click, 3 the click's own, then the action's.
  const struct {
    const char* name;
    SecurityMode from;
    int option;
    std::vector<sim::Fault> faults;
    std::string unsealKey;
    SecurityMode to;
    std::vector<std::string> messages;
  } cases[] = {
      {"the click's mode read not sent",
       SecurityMode::Unsealed,
       Authk18::kOptionSeal,
       {fault(FaultKind::Nack, "WriteSMBusWord_", 0, 3)},
       kDefaultKey,
       SecurityMode::Unsealed,
       {kStatusToMac,
        "Not able to read operation status of device. Please check communication with device."}},
      {"mode block lost: sealed anyway",
       SecurityMode::Unsealed,
       Authk18::kOptionSeal,
       {fault(FaultKind::Nack, "ReadSMBusBlock_", 0x23, 3)},
       kDefaultKey,
       SecurityMode::Sealed,
       {}},
      {"seal not sent",
       SecurityMode::Unsealed,
       Authk18::kOptionSeal,
       {fault(FaultKind::Nack, "WriteSMBusWord_", 0, 4)},
       kDefaultKey,
       SecurityMode::Unsealed,
       {"Unable to send seal command."}},
      {"mode after sealing not read",
       SecurityMode::Unsealed,
       Authk18::kOptionSeal,
       {fault(FaultKind::Nack, "ReadSMBusBlock_", 0x23, 4)},
       kDefaultKey,
       SecurityMode::Sealed,
       {"Attempt to seal device failed."}},
      {"status request after sealing not sent",
       SecurityMode::Unsealed,
       Authk18::kOptionSeal,
       {fault(FaultKind::Nack, "WriteSMBusWord_", 0, 5)},
       kDefaultKey,
       SecurityMode::Sealed,
       {kStatusToMac}},
      {"unseal not sent",
       SecurityMode::Sealed,
       Authk18::kOptionUnseal,
       {fault(FaultKind::Nack, "WriteSMBusWord_", 0, 5)},
       kDefaultKey,
       SecurityMode::Sealed,
       {"Not able to begin device unseal.  Please check communications with device."}},
      {"challenge lost",
       SecurityMode::Sealed,
       Authk18::kOptionUnseal,
       {fault(FaultKind::Nack, "ReadSMBusBlock_", 0x2F, 1)},
       kDefaultKey,
       SecurityMode::Sealed,
       {"Not able to read challenge from pack. Please check communications with device."}},
      {"challenge with a host error",
       SecurityMode::Sealed,
       Authk18::kOptionFullAccess,
       {fault(FaultKind::ErrorStatus, "ReadSMBusBlock_", 0x2F, 1)},
       kDefaultKey,
       SecurityMode::FullAccess,
       {}},
      {"short challenge with a host error",
       SecurityMode::Sealed,
       Authk18::kOptionUnseal,
       {fault(FaultKind::ErrorStatus, "ReadSMBusBlock_", 0x2F, 1),
        fault(FaultKind::ShortBlock, "ReadSMBusBlock_", 0x2F, 1)},
       kDefaultKey,
       SecurityMode::Sealed,
       {"Not able to read challenge from pack. Please check communications with device."}},
      {"answer refused",
       SecurityMode::Sealed,
       Authk18::kOptionUnseal,
       {fault(FaultKind::Nack, "WriteSMBusBlock", 0x2F, 1)},
       kDefaultKey,
       SecurityMode::Sealed,
       {"Not able to send unseal response."}},
      {"another key",
       SecurityMode::Sealed,
       Authk18::kOptionUnseal,
       {},
       "00112233445566778899AABBCCDDEEFF",
       SecurityMode::Sealed,
       {}},
      {"a key too short",
       SecurityMode::Unsealed,
       Authk18::kOptionFullAccess,
       {},
       std::string(kDefaultKey).substr(2),
       SecurityMode::Unsealed,
       {"Length of Key needs to be 32 Hex characters long."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PanelBench h(WithFaults(InMode(DfType::CEDV_PLUS, c.from), c.faults));
    h.panel.SetKeyText(AuthId::txtUnsealKey, c.unsealKey);
    Go(h, c.option);
    EXPECT_EQ(h.Gauge().Security(), c.to);
    EXPECT_EQ(h.Messages(), c.messages);
    EXPECT_TRUE(h.Enabled(AuthId::btnGo));
  }
}

TEST(Authk18Mode, OptionsExcludeEachOtherAndTabsRefreshTheMode) {
  PanelBench h(InMode(DfType::QSPAN, SecurityMode::Unsealed));
  const auto selected = [&h] {
    std::vector<int> v;
    for (AuthId id : {AuthId::optionAction0, AuthId::optionAction1, AuthId::optionAction2})
      v.push_back(h.panel.Panel()[id].value);
    return v;
  };
  EXPECT_EQ(selected(), (std::vector<int>{0, 0, 0}));
  h.panel.optionActionClick(Authk18::kOptionFullAccess);
  h.panel.optionActionClick(Authk18::kOptionSeal);
  EXPECT_EQ(selected(), (std::vector<int>{1, 0, 0}));

  h.panel.optionActionClick(-1);  // none: Go only refreshes the display
  h.Gauge().SetSecurity(SecurityMode::FullAccess);
  h.ClearTrace();
  h.panel.btnGoClick();
  EXPECT_EQ(h.Transfers(), (std::vector<std::string>{"MAC:0054", "RB:23"}));
  EXPECT_EQ(h.Text(AuthId::lblSealStatus), "Full Access");

  h.Gauge().SetSecurity(SecurityMode::Sealed);
  h.ClearTrace();
  h.panel.ssTabAuthClick(1);
  EXPECT_TRUE(h.Transfers().empty());
  h.panel.ssTabAuthClick(0);
  EXPECT_EQ(h.Transfers(), (std::vector<std::string>{"MAC:0054", "RB:23"}));
  EXPECT_EQ(h.Text(AuthId::lblSealStatus), "Sealed");
  EXPECT_EQ(h.panel.Panel()[AuthId::ssTabAuth].value, 0);
}

}  // namespace
}  // namespace gaugecal::test
