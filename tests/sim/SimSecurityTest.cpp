// Security of the simulated gauges: seal, unseal and full access by challenge and response,
// authentication, and what a sealed gauge refuses. The host side of every digest is computed
// here with OpenSSL, the way the security panel computes it.

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>

#include "device/HexText.h"
#include "security/DefaultKey.h"
#include "support/SimBench.h"

namespace gaugecal::test {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr const char* kOtherKey = "00112233445566778899AABBCCDDEEFF";

Bytes Sha1(const Bytes& message) {
  Bytes out(20);
  unsigned int length = 0;
  EVP_Digest(message.data(), message.size(), out.data(), &length, EVP_sha1(), nullptr);
  return out;
}

Bytes Reverse(Bytes b) {
  std::reverse(b.begin(), b.end());
  return b;
}

// SHA-1(key || SHA-1(key || challenge)); key and challenge most significant byte first.
Bytes HostDigest(const std::string& keyHex, const Bytes& challenge) {
  Bytes key;
  EXPECT_TRUE(ParseHexBytes(keyHex, key));
  Bytes first = key;
  first.insert(first.end(), challenge.begin(), challenge.end());
  Bytes second = key;
  const Bytes d1 = Sha1(first);
  second.insert(second.end(), d1.begin(), d1.end());
  return Sha1(second);
}

int SecurityMode(SimBench& h) {
  return h.MacBlock(0x0054).at(1) & 3;
}

// Requests the challenge of unseal (0x0031) or full access (0x0032) and answers it with the
// digest of keyHex, least significant byte first; returns the challenge as it came.
Bytes Answer(SimBench& h, uint16_t subcommand, const std::string& keyHex) {
  h.Mac(subcommand);
  const Bytes wire = h.Block(0x2F);
  EXPECT_EQ(wire.size(), 20u);
  EXPECT_EQ(h.WriteBlock(0x2F, Reverse(HostDigest(keyHex, Reverse(wire)))), 0)
      << "an answer is always acknowledged";
  return wire;
}

sim::Scenario Sealed(DfType family) {
  sim::Scenario s = sim::DefaultScenario(family);
  s.security = sim::SecurityMode::Sealed;
  return s;
}

TEST(SimSecurity, TheRightKeyUnsealsAndOpensFullAccessSealingCloses) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    SimBench h(Sealed(family));
    EXPECT_EQ(SecurityMode(h), 3);
    const Bytes first = Answer(h, 0x0031, kDefaultKey);
    EXPECT_EQ(SecurityMode(h), 2);
    const Bytes second = Answer(h, 0x0032, kDefaultKey);
    EXPECT_EQ(SecurityMode(h), 1);
    EXPECT_NE(first, second) << "every request draws a fresh challenge";
    h.Mac(0x0030);
    EXPECT_EQ(SecurityMode(h), 3);
    Answer(h, 0x0032, kDefaultKey);
    EXPECT_EQ(SecurityMode(h), 1) << "full access straight from sealed";
  }
}

TEST(SimSecurity, AWrongAnswerChangesNothing) {
  SimBench h(Sealed(DfType::RN44K18));
  Answer(h, 0x0031, kOtherKey);
  EXPECT_EQ(SecurityMode(h), 3) << "another key";

  h.Mac(0x0031);
  const Bytes wire = h.Block(0x2F);
  const Bytes digest = HostDigest(kDefaultKey, Reverse(wire));
  EXPECT_EQ(h.WriteBlock(0x2F, digest), 0);
  EXPECT_EQ(SecurityMode(h), 3) << "the right digest, most significant byte first";
  h.Mac(0x0031);
  const Bytes asSent = h.Block(0x2F);
  EXPECT_EQ(h.WriteBlock(0x2F, Reverse(HostDigest(kDefaultKey, asSent))), 0);
  EXPECT_EQ(SecurityMode(h), 3) << "the challenge not turned round";

  sim::Scenario s = Sealed(DfType::QSPAN);
  ASSERT_TRUE(sim::ParseKey(kOtherKey, s.key));
  SimBench other(s);
  Answer(other, 0x0031, kDefaultKey);
  EXPECT_EQ(SecurityMode(other), 3) << "the default key on a gauge with its own key";
  Answer(other, 0x0031, kOtherKey);
  EXPECT_EQ(SecurityMode(other), 2);
}

TEST(SimSecurity, ChallengesFollowTheSeed) {
  auto challenges = [](uint64_t seed) {
    sim::Scenario s = Sealed(DfType::CEDV_PLUS);
    s.seed = seed;
    SimBench h(s);
    std::vector<Bytes> out;
    for (int i = 0; i < 3; ++i) {
      h.Mac(0x0031);
      out.push_back(h.Block(0x2F));
    }
    return out;
  };
  EXPECT_EQ(challenges(7), challenges(7));
  EXPECT_NE(challenges(7), challenges(8));
}

TEST(SimSecurity, AuthenticationAnswersTheKeyedDigestLeastSignificantByteFirst) {
  for (const char* key : {kDefaultKey, kOtherKey}) {
    sim::Scenario s = sim::DefaultScenario(DfType::RN44K18);
    ASSERT_TRUE(sim::ParseKey(key, s.key));
    SimBench h(s);
    Bytes challenge(20);  // most significant byte first, as the panel shows it
    for (size_t i = 0; i < challenge.size(); ++i)
      challenge[i] = static_cast<uint8_t>(0xA0 + 3 * i);
    EXPECT_EQ(h.WriteBlock(0x2F, Reverse(challenge)), 0);
    EXPECT_EQ(h.Block(0x2F), Reverse(HostDigest(key, challenge))) << key;

    std::string text;
    EXPECT_EQ(h.Link().ReadSMBusBlock(0x2F, text, kGaugeAddress), 0);
    EXPECT_EQ(Bytes(text.begin(), text.end()), Reverse(HostDigest(key, challenge)));
  }
}

TEST(SimSecurity, ASealedGaugeRefusesDataFlashWritesUntilUnsealed) {
  SimBench h(Sealed(DfType::CEDV_PLUS));
  h.Mac(0x0100);
  const Bytes row = h.Block(0x2F);
  Bytes changed = row;
  changed[0] ^= 0xFF;
  EXPECT_NE(h.WriteBlock(0x2F, changed), 0);
  EXPECT_EQ(h.Link().CheckForError(), sim::kHostErrorNack);
  h.Mac(0x0100);
  EXPECT_EQ(h.Block(0x2F), row);

  Answer(h, 0x0031, kDefaultKey);
  h.Mac(0x0100);
  EXPECT_EQ(h.WriteBlock(0x2F, changed), 0);
  EXPECT_EQ(h.Block(0x2F), changed);
}

}  // namespace
}  // namespace gaugecal::test
