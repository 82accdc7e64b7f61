#include "config/ConfigFixture.h"
#include "config/Settings.h"

namespace gaugecal {
namespace {

constexpr size_t kCellScale2 = 2;  // the row keyed "ScaleCell0"
constexpr size_t kExt3 = 14;       // the row keyed "ExtTS3", not shown by default

struct LocationCase {
  const char* keys;
  bool shown;            // of the ExtTS3 row afterwards
  const char* position;  // of the ExtTS3 row afterwards
  const char* message;   // "syntax" for the syntax error of key ExtTS3, or the exact text
  int32_t result;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const LocationCase& g, std::ostream* os) {
  *os << g.keys;
}

class LocationKeysTest : public test::ConfigFixture,
                         public ::testing::WithParamInterface<LocationCase> {};

TEST_P(LocationKeysTest, ValueSyntax) {
  const LocationCase& c = GetParam();
  const std::string file = WriteConfigIni(std::string("[DA05]\n") + c.keys + "\n");
  EXPECT_EQ(ReadDfLocationKeys("DA05", file), c.result);
  const DisplayItem& row = Module().CalTable[kCalGroupRn44k18].items[kExt3];
  EXPECT_EQ(row.shown, c.shown);
  EXPECT_EQ(row.position, c.position);
  std::vector<std::string> expected;
  if (std::string(c.message) == "syntax") {
    expected.push_back(
        "Syntax error reading value of key ExtTS3. This is defined in "
        "configuration file " +
        dir.Dir() + "config.ini");
  } else if (*c.message) {
    expected.emplace_back(c.message);
  }
  EXPECT_EQ(MessageTexts(), expected);
}

const char* kOffsetError = "Error in value of offset for key ExtTS3 in configuration file.";

INSTANTIATE_TEST_SUITE_P(
    Values, LocationKeysTest,
    ::testing::Values(LocationCase{"ExtTS3=1,29", true, "29", "", 0},
                      LocationCase{"ExtTS3= 1 , 0 ", true, "0", "", 0},
                      LocationCase{"ExtTS3=1,40", true, "40", "", 0},
                      LocationCase{"ExtTS3=1,41", false, "29", kOffsetError, 0},
                      LocationCase{"ExtTS3=1,-1", false, "29", kOffsetError, 0},
                      LocationCase{"ExtTS3=1,99999", false, "29", kOffsetError, 0},
                      LocationCase{"ExtTS3=1,5,extra", true, "5", "", 0},
                      LocationCase{"ExtTS3=0", false, "0", "", 0},
                      LocationCase{"ExtTS3=\" 0 \"", false, "0", "", 0},
                      LocationCase{"ExtTS3=", false, "29", "", 0},
                      LocationCase{"ExtTS3=unused", false, "29", "", 0},
                      LocationCase{"ExtTS3=1", false, "29", "syntax", 1},
                      LocationCase{"ExtTS3=x", false, "29", "syntax", 1},
                      LocationCase{"ExtTS3=2,5", false, "29", "syntax", 1},
                      LocationCase{"ExtTS3=,5", false, "29", "syntax", 1},
                      LocationCase{"ExtTS3=1,", false, "29", "syntax", 1},
                      LocationCase{"ExtTS3=1, ", false, "29", "syntax", 1},
                      LocationCase{"ExtTS3=1,abc", false, "29", "syntax", 1}));

TEST_F(LocationKeysTest, SyntaxErrorStopsTheKeysAfterIt) {
  const std::string file = WriteConfigIni("[DA05]\nExtTS4=1,30\nScaleCell0=1,9\nIntTS=?\n");
  EXPECT_EQ(ReadDfLocationKeys("DA05", file), 1);
  const auto& items = Module().CalTable[kCalGroupRn44k18].items;
  EXPECT_EQ(items[kCellScale2].position, "9") << "read before the error";
  EXPECT_FALSE(items[15].shown) << "ExtTS4 comes after IntTS";
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Syntax error reading value of key IntTS. "
                                                     "This is defined in configuration file " +
                                                     dir.Dir() + "config.ini"});
}

TEST_F(LocationKeysTest, KeysWithoutARowInGroup0ChangeNothing) {
  const CalTableType before = Module().CalTable;
  const std::string file = WriteConfigIni(
      "[DA05]\nCCSenseResGain=1,1\nCCDelta=1,2\nScaleCell2=0\nScaleCell3=1,3\nAFEPackGain=1,4\n"
      "BatGain=0\nCCOffset=1,5\nBoardOffset=1,6\n");
  EXPECT_EQ(ReadDfLocationKeys("DA05", file), 0);
  for (size_t g = 0; g < before.size(); ++g) {
    for (size_t i = 0; i < before[g].items.size(); ++i) {
      EXPECT_EQ(Module().CalTable[g].items[i].position, before[g].items[i].position);
      EXPECT_EQ(Module().CalTable[g].items[i].shown, before[g].items[i].shown);
    }
  }
  EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(LocationKeysTest, ScaleCell0MovesCellScale2) {
  SetCalRowLocation("ScaleCell0", false, 0);
  const DisplayItem& row = Module().CalTable[kCalGroupRn44k18].items[kCellScale2];
  EXPECT_EQ(row.name, "Cell Scale 2");
  EXPECT_FALSE(row.shown);
  EXPECT_EQ(row.position, "0");
  // Group 1 and 2 are never searched.
  EXPECT_EQ(Module().CalTable[kCalGroupCedv].items[kCellScale2].position, "8");
}

}  // namespace
}  // namespace gaugecal
