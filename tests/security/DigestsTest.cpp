// SHA-1, the hexadecimal helpers, the two-pass keyed digest and the SHA1/HMAC form. Expected
// digests were computed outside this code (Python hashlib) or come from FIPS 180.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/VirtualPlatform.h"
#include "security/DefaultKey.h"
#include "security/Digests.h"
#include "security/HexText.h"
#include "security/SHA1Calc.h"
#include "sim/KeyedDigest.h"
#include "support/TracedBench.h"

namespace gaugecal::test {
namespace {

using namespace security;

constexpr const char* kMessage = "00112233445566778899AABBCCDDEEFF01020304";

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

TEST(SHA1_BytesHexHash, MatchesTheFips180Examples) {
  const std::string million(1000000, 'a');
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
      {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
      {million, "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SHA1_BytesHexHash(Bytes(c.message)), c.digest) << c.message.size();
}

TEST(HexText, ChecksAndConvertsAsTheKeyBoxesNeed) {
  EXPECT_TRUE(IsHex(""));
  EXPECT_TRUE(IsHex("  0aF9  ")) << "spaces around are trimmed";
  EXPECT_FALSE(IsHex("0a F9")) << "a space inside is not";
  EXPECT_FALSE(IsHex("0g"));

  std::string pasted = " 0123 4567\r\n89ab\tCDEF\n";
  EXPECT_TRUE(HexValidate(pasted));
  EXPECT_EQ(pasted, "0123456789abCDEF") << "the caller's text loses its blanks";
  std::string bad = "01 2g";
  EXPECT_FALSE(HexValidate(bad));
  EXPECT_EQ(FirstNonHex("01 2g"), 2u);
  EXPECT_EQ(FirstNonHex("01 2g", true), 4u);
  EXPECT_EQ(FirstNonHex("0123"), std::string::npos);

  std::vector<uint8_t> out(3, 0xEE);
  EXPECT_TRUE(str2byte("0aFf7E99", out, 3));
  EXPECT_EQ(out, (std::vector<uint8_t>{0x0A, 0xFF, 0x7E}));
  EXPECT_FALSE(str2byte("0aF", out, 2)) << "too short";
  EXPECT_FALSE(str2byte("0aXF", out, 2)) << "not hexadecimal";
  EXPECT_EQ(out, (std::vector<uint8_t>{0x0A, 0xFF, 0x7E})) << "untouched on refusal";
  EXPECT_EQ(HexOf(out), "0AFF7E");
}

TEST(AUTHENTICATE, GivesTheTwoPassDigestInBothByteOrders) {
  AuthenticateResult r;
  ASSERT_TRUE(AUTHENTICATE(kMessage, kDefaultKey, r));
  EXPECT_EQ(r.firstPassResult, "6E5FB9178D45490E8D0C3F0B0F2B95E3F483F279");
  EXPECT_EQ(r.sha1ResultBigEndian, "B3129C4004211DAE96C417A6F85E050353C04CE9");
  EXPECT_EQ(r.sha1Result, "E94CC05303055EF8A617C496AE1D2104409C12B3");
  EXPECT_EQ(r.digestLittleEndian.front(), 0xE9);
  EXPECT_EQ(r.digestLittleEndian.back(), 0xB3);

  // The simulated gauge computes it on its own, from bytes.
  std::array<uint8_t, 16> key{};
  sim::Digest challenge{};
  ASSERT_TRUE(str2byte(kDefaultKey, key, 16));
  ASSERT_TRUE(str2byte(kMessage, challenge, 20));
  EXPECT_EQ(HexOf(sim::KeyedDigest(key, challenge)), r.sha1ResultBigEndian);

  AuthenticateResult lower;
  ASSERT_TRUE(AUTHENTICATE("00112233445566778899aabbccddeeff01020304",
                           "0123456789abcdeffedcba9876543210", lower));
  EXPECT_EQ(lower.sha1ResultBigEndian, r.sha1ResultBigEndian) << "either case";

  for (const auto& [badMsg, badKey] : std::vector<std::pair<std::string, std::string>>{
           {std::string(kMessage).substr(1), kDefaultKey},
           {kMessage, std::string(kDefaultKey) + "0"},
           {kMessage, " " + std::string(kDefaultKey).substr(1)},
           {std::string(kMessage, 39) + "g", kDefaultKey}}) {
    AuthenticateResult untouched;
    EXPECT_FALSE(AUTHENTICATE(badMsg, badKey, untouched)) << badMsg << " / " << badKey;
    EXPECT_EQ(untouched.sha1Result, "");
  }
}

TEST(SHA1Calc, TheThreeButtonsAndTheirRefusals) {
  TracedBench bench(DfType::RN44K18);  // message boxes on the virtual platform
  using Id = SHA1Calc::Id;
  using Click = bool (SHA1Calc::*)();
  const struct {
    std::string key;
    std::string msg;
    Click click;
    const char* digest;   // empty: refused
    const char* message;  // the refusal
    Id selected;
    int selStart;
  } cases[] = {
      {"", "0000000000000000000000000000000000000000", &SHA1Calc::cmdSHA1MsgClick,
       "6768033E216468247BD031A0A2D9876D79818F8F", "", Id::txtMsg, 0},
      {"junk", "00112233445566778899aabbccddeeff01020304", &SHA1Calc::cmdSHA1MsgClick,
       "1B7346694A13526292F9AA694EF0792DB1C47BE3", "", Id::txtMsg, 0},
      {kDefaultKey, kMessage, &SHA1Calc::cmdSHA1KeyMsgClick,
       "6E5FB9178D45490E8D0C3F0B0F2B95E3F483F279", "", Id::txtMsg, 0},
      {"01234567 89abcdef\nFEDCBA98 76543210", "00112233 44556677 8899AABB CCDDEEFF 01020304",
       &SHA1Calc::cmdZRHMACClick, "B3129C4004211DAE96C417A6F85E050353C04CE9", "", Id::txtMsg, 0},
      {"", "001122", &SHA1Calc::cmdSHA1MsgClick, "",
       "Message must be 40 hex characters (20 bytes); it has 6.", Id::txtMsg, 0},
      {"", std::string(kMessage) + "00", &SHA1Calc::cmdSHA1MsgClick, "",
       "Message must be 40 hex characters (20 bytes); it has 42.", Id::txtMsg, 0},
      {"", "00 11 2x", &SHA1Calc::cmdSHA1MsgClick, "", "Message has a non hex character.",
       Id::txtMsg, 7},
      {"0123456789ABCDEFFEDCBA987654321", kMessage, &SHA1Calc::cmdZRHMACClick, "",
       "Key must be 32 hex characters (16 bytes); it has 31.", Id::txtKey, 0},
      {"g123456789ABCDEFFEDCBA9876543210", kMessage, &SHA1Calc::cmdSHA1KeyMsgClick, "",
       "Key has a non hex character.", Id::txtKey, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key + " / " + c.msg);
    bench.ClearTrace();
    SHA1Calc form;
    form.Form().SetText(Id::txtDigest, "stale");
    form.SetText(Id::txtKey, c.key);
    form.SetText(Id::txtMsg, c.msg);
    const bool computed = (form.*c.click)();
    EXPECT_EQ(computed, *c.digest != '\0');
    EXPECT_EQ(form.Form()[Id::txtDigest].text, c.digest);
    if (computed) {
      EXPECT_TRUE(bench.Messages().empty());
    } else {
      EXPECT_EQ(bench.Messages(), std::vector<std::string>{c.message});
      if (std::string(c.message).find("non hex") != std::string::npos) {
        EXPECT_EQ(form.Form()[c.selected].selection, (Selection{c.selStart, 1}));
      }
    }
  }
}

}  // namespace
}  // namespace gaugecal::test
