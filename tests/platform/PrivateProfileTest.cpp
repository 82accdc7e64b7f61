#include "platform/PrivateProfile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"

namespace gaugecal {
namespace {

// Each test writes its ini files into a directory of its own.
class PrivateProfile : public ::testing::Test {
 protected:
  static std::string String(const std::string& file, const std::string& section,
                            const std::string& key, const std::string& def = "DEF",
                            uint32_t size = 2046) {
    std::string out = "garbage";
    const uint32_t n = GetPrivateProfileStringA(section, key, def, out, size, file);
    EXPECT_EQ(n, out.size());
    return out;
  }

  test::TempDir dir;
};

constexpr const char* kConfig =
    "; gauge settings\n"
    "[D250]\n"
    "calmode=45\n"
    "  KVMAC  =  0x44  \n"
    "DFType = \"CEDV\"\n"
    "quoted1='single'\n"
    "mixed=\"open'\n"
    "inner=a \"b\" c\n"
    "empty=\n"
    "blank=   \n"
    "   ; calmode=99\n"
    "no equals sign\n"
    "CALMODE=77\n"
    "eq=a=b\n"
    "\n"
    "[ d250_1_10 ]\n"
    "calmode=-3968\n"
    "[D250]\n"
    "calmode=11\n"
    "late=only in the repeated section\n";

TEST_F(PrivateProfile, StringReads) {
  const std::string file = dir.Write("config.ini", kConfig);
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  };
  for (const Case& c : {
           Case{"D250", "calmode", "45"},
           Case{"d250", "CalMode", "45"},    // names match without regard to case
           Case{" D250 ", "calmode", "45"},  // and without blanks around them
           Case{"D250", " KVMAC ", "0x44"},
           Case{"D250", "DFType", "CEDV"},  // matching quotes go
           Case{"D250", "quoted1", "single"},
           Case{"D250", "mixed", "\"open'"},  // quotes that do not match stay
           Case{"D250", "inner", "a \"b\" c"},
           Case{"D250", "empty", ""},  // a present key with no value is empty, not the default
           Case{"D250", "blank", ""},
           Case{"D250", "eq", "a=b"},
           Case{"D250", "no equals sign", "DEF"},
           Case{"D250", "late", "DEF"},  // the repeated section is never read
           Case{"D250", "missing", "DEF"},
           Case{"D250_1_10", "calmode", "-3968"},
           Case{"D999", "calmode", "DEF"},
       }) {
    EXPECT_EQ(String(file, c.section, c.key), c.expected) << c.section << "/" << c.key;
  }
  EXPECT_EQ(String(file, "D250", "missing", "  spaced  "), "spaced");
  EXPECT_EQ(String(dir.Path("absent.ini"), "D250", "calmode"), "DEF");
  EXPECT_EQ(String(dir.Dir(), "D250", "calmode"), "DEF") << "a directory is no ini file";
}

TEST_F(PrivateProfile, StringReadsAreCutToTheBuffer) {
  const std::string file = dir.Write("config.ini", "[S]\nk=abcdef\n");
  EXPECT_EQ(String(file, "S", "k", "", 4), "abc");
  EXPECT_EQ(String(file, "S", "k", "", 7), "abcdef");
  EXPECT_EQ(String(file, "S", "k", "", 1), "");
  EXPECT_EQ(String(file, "S", "k", "", 0), "");
  EXPECT_EQ(String(file, "S", "none", "default", 4), "def");
}

TEST_F(PrivateProfile, IntegerReads) {
  struct Case {
    const char* value;
    int32_t expected;
  };
  constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;  // beyond 32 bits: the nearest end
  const std::vector<Case> cases = {
      {"45", 45},    {"-3968", -3968}, {"+7", 7},     {"0x44", 0x44},
      {"0XfF", 255}, {"-0x10", -16},   {"12abc", 12}, {"3.9", 3},
      {"1,29", 1},   {"abc", 0},       {"-", 0},      {"4294967297", kMax},
      {"0xG", 0},    {"\"21\"", 21},   {"0x", 0},     {"-4294967297", kMin},
      {"007", 7},    {"1 2", 1},       {"- 5", 0},    {"  19  ; note", 19},
  };
  std::string ini = "[S]\n";
  for (size_t i = 0; i < cases.size(); ++i)
    ini += "k" + std::to_string(i) + "=" + cases[i].value + "\n";
  ini += "empty=\nblank=  \n";
  const std::string file = dir.Write("ints.ini", ini);
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(GetPrivateProfileIntA("S", "k" + std::to_string(i), -99, file), cases[i].expected)
        << cases[i].value;
  }
  EXPECT_EQ(GetPrivateProfileIntA("S", "empty", -99, file), -99);
  EXPECT_EQ(GetPrivateProfileIntA("S", "blank", -99, file), -99);
  EXPECT_EQ(GetPrivateProfileIntA("S", "missing", 26, file), 26);
  EXPECT_EQ(GetPrivateProfileIntA("T", "k0", 26, file), 26);
  EXPECT_EQ(GetPrivateProfileIntA("S", "k0", 26, dir.Path("absent.ini")), 26);
}

TEST_F(PrivateProfile, SectionReads) {
  const std::string file = dir.Write("config.ini", kConfig);
  std::string out;
  const uint32_t n = GetPrivateProfileSectionA("d250_1_10", out, 2082, file);
  EXPECT_EQ(out, std::string("calmode=-3968\0\0", 15));
  EXPECT_EQ(n, 14U);

  const std::string keysOnly =
      dir.Write("keys.ini", "[S]\n a = 1 \n; c=3\nb='2'\n[Empty]\n; none\n");
  EXPECT_EQ(GetPrivateProfileSectionA("S", out, 2082, keysOnly), 10U);
  EXPECT_EQ(out, std::string("a=1\0b='2'\0\0", 11));
  EXPECT_EQ(GetPrivateProfileSectionA("Empty", out, 2082, keysOnly), 0U) << "no keys: absent";
  EXPECT_EQ(GetPrivateProfileSectionA("Nowhere", out, 2082, keysOnly), 0U);
  EXPECT_EQ(GetPrivateProfileSectionA("S", out, 2082, dir.Path("absent.ini")), 0U);

  // A text that does not fit is cut to the buffer size less two.
  EXPECT_EQ(GetPrivateProfileSectionA("S", out, 6, keysOnly), 4U);
  EXPECT_EQ(out, std::string("a=1\0\0", 5));
  EXPECT_EQ(GetPrivateProfileSectionA("S", out, 1, keysOnly), 0U);
}

TEST_F(PrivateProfile, BadFilesNeverCrashAndReadLikeText) {
  using namespace std::string_literals;
  // NUL bytes before the section and after its header, high bytes in the value.
  const std::string binary = "\x01\xFF\xFE\x00garbage\x00\n[S]\x00\nk=\x80\x81\n[S]\nk=second\n"s;
  const std::string hugeLine(1 << 20, 'x');
  struct Case {
    const char* why;
    std::string bytes;
    const char* key;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"no final newline", "[S]\nk=last", "k", "last"},
      {"CR LF line ends", "[S]\r\nk = crlf \r\nj=2\r\n", "k", "crlf"},
      {"CR LF second key", "[S]\r\nk = crlf \r\nj=2\r\n", "j", "2"},
      {"binary bytes before the section", "\x01\x02\xFF\n[S]\nk=v\n", "k", "v"},
      {"binary value", binary, "k", "\x80\x81"},
      {"huge line before the key", hugeLine + "\n[S]\nk=after\n", "k", "after"},
      {"huge value", "[S]\nk=" + hugeLine + "\n", "missing", "DEF"},
      {"duplicate sections", "[S]\nk=first\n[s]\nk=second\nj=only later\n", "k", "first"},
      {"duplicate sections, key only in the second", "[S]\nk=first\n[s]\nj=later\n", "j", "DEF"},
      {"duplicate keys", "[S]\nk=first\nK=second\n", "k", "first"},
      {"unclosed section header", "[S\nk=open\n", "k", "open"},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF[S]\nk=bom\n", "k", "bom"},
      {"empty file", "", "k", "DEF"},
      {"only newlines", "\n\n\n", "k", "DEF"},
      {"key before any section", "k=nowhere\n[S]\n", "k", "DEF"},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const std::string file = dir.Write("bad" + std::to_string(i) + ".ini", c.bytes);
    EXPECT_EQ(String(file, "S", c.key), c.expected) << c.why;
  }
  const std::string huge = dir.Write("huge.ini", "[S]\nk=" + hugeLine + "\n");
  EXPECT_EQ(String(huge, "S", "k", "", 1 << 21), hugeLine);
  EXPECT_EQ(GetPrivateProfileIntA("S", "k", 5, huge), 0);
}

}  // namespace
}  // namespace gaugecal
