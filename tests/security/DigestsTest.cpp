// The two-pass keyed digest and the SHA1/HMAC form; the digests were computed outside this code.

#include <gtest/gtest.h>

#include "security/DefaultKey.h"
#include "security/Digests.h"
#include "security/HexText.h"
#include "security/SHA1Calc.h"
#include "support/Bench.h"

namespace gaugecal::test {
namespace {

using namespace security;

constexpr const char* kMessage = "00112233445566778899AABBCCDDEEFF01020304";
constexpr const char* kKeyed = "B3129C4004211DAE96C417A6F85E050353C04CE9";

TEST(AUTHENTICATE, GivesTheTwoPassDigestInBothByteOrders) {
  AuthenticateResult r;
  ASSERT_TRUE(AUTHENTICATE(kMessage, kDefaultKey, r));
  EXPECT_EQ(r.firstPassResult, "6E5FB9178D45490E8D0C3F0B0F2B95E3F483F279");
  EXPECT_EQ(r.sha1ResultBigEndian, kKeyed);
  EXPECT_EQ(r.sha1Result, "E94CC05303055EF8A617C496AE1D2104409C12B3");
  EXPECT_EQ(HexBytes(r.digestLittleEndian), r.sha1Result);

  EXPECT_FALSE(AUTHENTICATE(std::string(kMessage).substr(2), kDefaultKey, r));
  EXPECT_FALSE(AUTHENTICATE(kMessage, " " + std::string(kDefaultKey).substr(1), r));
  EXPECT_EQ(r.sha1ResultBigEndian, kKeyed) << "untouched on refusal";
}

TEST(SHA1Calc, TheThreeButtonsAndTheirRefusals) {
  Bench bench(DfType::RN44K18);  // message boxes on the virtual platform
  using Id = SHA1Calc::Id;
  const auto msg = &SHA1Calc::cmdSHA1MsgClick;
  const auto keyMsg = &SHA1Calc::cmdSHA1KeyMsgClick;
  const auto keyed = &SHA1Calc::cmdZRHMACClick;
  const struct {
    std::string key, msg;
    bool (SHA1Calc::*click)();
    std::string result;  // the digest, or the refusal's message
    int selected;        // first wrong character of the refused box, -1: none
  } cases[] = {
      // clang-format off
      {"", std::string(40, '0'), msg, "6768033E216468247BD031A0A2D9876D79818F8F", -1},
      {kDefaultKey, kMessage, keyMsg, "6E5FB9178D45490E8D0C3F0B0F2B95E3F483F279", -1},
      {"01234567 89abcdef\nFEDCBA98 76543210", "00112233 44556677 8899AABB CCDDEEFF 01020304", keyed, kKeyed, -1},
      {"", std::string(kMessage) + "00", msg, "Message must be 40 hex characters (20 bytes); it has 42.", -1},
      {kDefaultKey, "00 11 2x", keyed, "Message has a non hex character.", 7},
      {std::string(kDefaultKey).substr(1), kMessage, keyed, "Key must be 32 hex characters (16 bytes); it has 31.", -1},
      {"0g", kMessage, keyMsg, "Key has a non hex character.", 1},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key + " / " + c.msg);
    bench.ClearTrace();
    SHA1Calc form;
    form.Form().SetText(Id::txtDigest, "stale");
    form.SetText(Id::txtKey, c.key);
    form.SetText(Id::txtMsg, c.msg);
    const bool computed = (form.*c.click)();
    EXPECT_EQ(form.Form()[Id::txtDigest].text, computed ? c.result : "");
    EXPECT_EQ(bench.Messages(),
              computed ? std::vector<std::string>{} : std::vector<std::string>{c.result});
    const Id box = c.result.starts_with("Key") ? Id::txtKey : Id::txtMsg;
    EXPECT_EQ(form.Form()[box].selection,
              c.selected < 0 ? Selection{} : (Selection{c.selected, 1}));
  }
}

}  // namespace
}  // namespace gaugecal::test
