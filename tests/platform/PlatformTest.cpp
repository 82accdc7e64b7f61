// The platform seam: private-profile (ini) reads as config.ini and Morvane.ini need them, and the
// virtual-time platform's clock, timers and sleeps.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <ctime>
#include <sstream>
#include <tuple>

#include "platform/PrivateProfile.h"
#include "platform/RealtimePlatform.h"
#include "support/Bench.h"

namespace gaugecal::test {
namespace {

std::string String(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& def = "DEF", uint32_t size = 2046) {
  std::string out = "garbage";
  const uint32_t n = GetPrivateProfileStringA(section, key, def, out, size, file);
  EXPECT_EQ(n, out.size());
  return out;
}

TEST(PrivateProfile, StringReads) {
  TempDir dir;
  const std::string file = dir.Write(
      "config.ini",
      "; gauge settings\n[D250]\ncalmode=45\n  KVMAC  =  0x44  \nDFType = \"CEDV\"\n"
      "quoted='single'\nmixed=\"open'\ninner=a \"b\" c\nempty=\nblank=   \n   ; calmode=99\n"
      "no equals sign\nCALMODE=77\nzebra=9\neq=a=b\nq=\"\n\n[ d250_1_10 ]\ncalmode=-3968\n[D250]\n"
      "late=only in the repeated section\n");
  using Case = std::tuple<const char*, const char*, const char*>;
  for (const auto& [section, key, expected] :
       {Case{"D250", "calmode", "45"},
        Case{"d250", "CalMode", "45"},    // names match without regard to case
        Case{"D250", "ZEBRA", "9"},       // A to Z
        Case{" D250 ", "calmode", "45"},  // and without blanks around them
        Case{"D250", " KVMAC ", "0x44"}, Case{"D250", "DFType", "CEDV"},
        Case{"D250", "quoted", "single"}, Case{"D250", "mixed", "\"open'"},
        Case{"D250", "inner", "a \"b\" c"}, Case{"D250", "q", "\""},
        Case{"D250", "empty", ""},  // present: empty, not the default
        Case{"D250", "blank", ""}, Case{"D250", "eq", "a=b"}, Case{"D250", "no equals sign", "DEF"},
        Case{"D250", "late", "DEF"},  // a repeated section is never read
        Case{"D250", "missing", "DEF"}, Case{"D250_1_10", "calmode", "-3968"},
        Case{"D999", "calmode", "DEF"}, Case{"@250", "calmode", "DEF"}}) {
    EXPECT_EQ(String(file, section, key), expected) << section << "/" << key;
  }
  EXPECT_EQ(String(file, "D250", "missing", "  spaced  "), "spaced");
  EXPECT_EQ(String(dir.Path("absent.ini"), "D250", "calmode"), "DEF");
  EXPECT_EQ(String(dir.Dir(), "D250", "calmode"), "DEF") << "a directory is no ini file";
  // Cut to the buffer, which holds the terminating zero.
  const std::string six = dir.Write("six.ini", "[S]\nk=abcdef\n");
  EXPECT_EQ(String(six, "S", "k", "", 4) + "|" + String(six, "S", "k", "", 7) + "|" +
                String(six, "S", "k", "", 6) + "|" + String(six, "S", "k", "", 1) + "|" +
                String(six, "S", "k", "", 0) + "|" + String(six, "S", "none", "default", 4),
            "abc|abcdef|abcde|||def");
}

TEST(PrivateProfile, IntegerReads) {
  constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;  // beyond 32 bits: the nearest end
  const std::vector<std::pair<std::string, int32_t>> cases = {
      {"45", 45},    {"-3968", -3968}, {"+7", 7},     {"0x44", 0x44},
      {"0XfF", 255}, {"-0x10", -16},   {"12abc", 12}, {"3.9", 3},
      {"1,29", 1},   {"abc", 0},       {"-", 0},      {"4294967297", kMax},
      {"0xG", 0},    {"\"21\"", 21},   {"0x", 0},     {"-4294967297", kMin},
      {"007", 7},    {"1 2", 1},       {"- 5", 0},    {"  19  ; note", 19},
      {"0x1f", 31},  {"09", 9},        {"x1", 0},     {"2`", 2},
      {"0x2_", 2},
  };
  std::string ini = "[S]\nempty=\nblank=  \n";
  for (size_t i = 0; i < cases.size(); ++i)
    ini += "k" + std::to_string(i) + "=" + cases[i].first + "\n";
  TempDir dir;
  const std::string file = dir.Write("ints.ini", ini);
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(GetPrivateProfileIntA("S", "k" + std::to_string(i), -99, file), cases[i].second)
        << cases[i].first;
  }
  EXPECT_EQ(GetPrivateProfileIntA("S", "empty", -99, file), -99);
  EXPECT_EQ(GetPrivateProfileIntA("S", "blank", -99, file), -99);
  EXPECT_EQ(GetPrivateProfileIntA("S", "missing", 26, file), 26);
  EXPECT_EQ(GetPrivateProfileIntA("T", "k0", 26, file), 26);
  EXPECT_EQ(GetPrivateProfileIntA("S", "k0", 26, dir.Path("absent.ini")), 26);
}

TEST(PrivateProfile, SectionReads) {
  TempDir dir;
  const std::string file =
      dir.Write("keys.ini", "[S]\n a = 1 \n; c=3\nb='2'\n[Empty]\n; none\n[T]\nx=-3968\n");
  std::string out;
  EXPECT_EQ(GetPrivateProfileSectionA("t", out, 2082, file), 8U);
  EXPECT_EQ(out, std::string("x=-3968\0\0", 9));
  EXPECT_EQ(GetPrivateProfileSectionA("S", out, 2082, file), 10U);
  EXPECT_EQ(out, std::string("a=1\0b='2'\0\0", 11));
  EXPECT_EQ(GetPrivateProfileSectionA("Empty", out, 2082, file), 0U) << "no keys: absent";
  EXPECT_EQ(GetPrivateProfileSectionA("Nowhere", out, 2082, file), 0U);
  EXPECT_EQ(GetPrivateProfileSectionA("S", out, 2082, dir.Path("absent.ini")), 0U);
  // A text that does not fit is cut to the buffer size less two.
  EXPECT_EQ(GetPrivateProfileSectionA("S", out, 6, file), 4U);
  EXPECT_EQ(out, std::string("a=1\0\0", 5));
  EXPECT_EQ(GetPrivateProfileSectionA("S", out, 1, file), 0U);
}

TEST(PrivateProfile, BadFilesNeverCrashAndReadLikeText) {
  using namespace std::string_literals;
  const std::string huge(1 << 20, 'x');
  const std::vector<std::array<std::string, 3>> cases = {
      {"[S]\nk=last", "k", "last"},  // no final newline
      {"[S]\r\nk = crlf \r\nj=2\r\n", "k", "crlf"},
      {"[S]\r\nk = crlf \r\nj=2\r\n", "j", "2"},
      {"\x01\xFF\xFE\x00garbage\x00\n[S]\x00\nk=\x80\x81\n[S]\nk=second\n"s, "k", "\x80\x81"},
      {huge + "\n[S]\nk=after\n", "k", "after"},
      {"[S]\nk=" + huge + "\n", "missing", "DEF"},
      {"[S]\nk=first\n[s]\nk=second\nj=only later\n", "k", "first"},
      {"[S]\nk=first\n[s]\nj=later\n", "j", "DEF"},
      {"[S]\nk=first\nK=second\n", "k", "first"},
      {"[S\nk=open\n", "k", "open"},  // unclosed section header
      {"\xEF\xBB\xBF[S]\nk=bom\n", "k", "bom"},
      {"", "k", "DEF"},
      {"k=nowhere\n[S]\n", "k", "DEF"},
  };
  TempDir dir;
  // A signal that broke off an earlier call leaves EINTR in errno; it is not the reads' own, so
  // each file is still read whole (a read looping on it is ended by the alarm).
  alarm(10);
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string file = dir.Write("bad" + std::to_string(i) + ".ini", cases[i][0]);
    errno = EINTR;
    EXPECT_EQ(String(file, "S", cases[i][1]), cases[i][2]) << i;
  }
  alarm(0);
  const std::string file = dir.Write("huge.ini", "[S]\nk=" + huge + "\n");
  EXPECT_EQ(String(file, "S", "k", "", 1 << 21), huge);
  EXPECT_EQ(GetPrivateProfileIntA("S", "k", 5, file), 0);
}

// The real-time timer is the local time of day in seconds (midnight may fall in between); a
// sleep really passes.
TEST(RealtimePlatform, TimerIsTheTimeOfDayAndSleepsReallyPass) {
  RealtimePlatform p;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const double expected = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
  EXPECT_LT(std::fmod(p.Timer() - expected + 86400.0, 86400.0), 2.0);
  const double before = p.ClockMs();
  p.Sleep(30);
  EXPECT_GE(p.ClockMs() - before, 30.0);
}

// The virtual clock: a negative sleep does not turn it back, an overdue timer fires once, a tick
// may stop timers (waits and their timers run in the host link tests); the random source
// repeats on every machine.
TEST(VirtualPlatform, ClockTimersSleepsAndRandomNumbers) {
  VirtualPlatform p;
  std::vector<int> ticks;
  int id = 0, other = p.StartTimer(0, [&] { ticks.push_back(0); });  // at least a millisecond
  p.DoEvents();
  p.StopTimer(other);
  p.Sleep(-5);
  EXPECT_EQ(p.ClockMs(), 0.0);
  id = p.StartTimer(100, [&] {
    ticks.push_back(1);
    p.StopTimer(id);
    p.StopTimer(other);
  });
  other = p.StartTimer(100, [&] { ticks.push_back(2); });
  p.PassTime(700.0);
  p.DoEvents(1.0);
  p.DoEvents(1.0);
  EXPECT_EQ(ticks, std::vector<int>{1});
  VirtualPlatform a(0.0, 42), zero(0.0, 0), one(0.0, 1);
  EXPECT_EQ(a.Rnd(), 0.33908526400192196) << "xorshift64*";
  EXPECT_EQ(a.Rnd(), 0.7822558479199243) << "the first draw leaves some steps out";
  EXPECT_EQ(zero.Rnd(), one.Rnd()) << "seed 0 is seed 1";
}

}  // namespace
}  // namespace gaugecal::test
