#include <gtest/gtest.h>

#include <array>
#include <string>

#include "dfdesc/DfReader.h"
#include "dfdesc/HandshakeKey.h"
#include "support/TempDir.h"

namespace gaugecal::dfdesc {
namespace {

// Two classes; "Registers" appears in both, "Cell Scale 0" with a number value.
const char* kGood = R"({
  "format": "gaugecal-dfdesc",
  "version": 1,
  "target": "test gauge",
  // comments are allowed; brackets and quotes in them count for nothing
  // [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[ "
  /* {{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{ " */
  "classes": [
    {"name": "Calibration", "subclasses": [
      {"name": "Data", "number": 104, "parameters": [
        {"name": "Cell Scale 0", "offset": 0, "type": "i2", "value": 20451, "default": "20451",
         "min": -32768, "max": 32767, "units": "-", "description": "cell 1 scale"},
        {"name": "CC Gain", "offset": 12, "type": "F4", "value": "0.9419"}
      ]}
    ]},
    {"name": "Configuration", "subclasses": [
      {"name": "Registers", "number": 64, "parameters": [
        {"name": "System Configuration", "offset": 0, "type": "H2", "value": "0x0003"}
      ]}
    ]}
  ]
})";

struct ReaderTest : ::testing::Test {
  void SetUp() override { ResetReader(); }
  void TearDown() override { ResetReader(); }

  static void Handshake() {
    const int32_t r = 123456789;
    const int32_t v = SetMagic1(r);
    SetMagic2(v ^ r ^ kHandshakeKey);
  }

  static std::string Text(int32_t (*getter)(int32_t, int32_t, int32_t, char*), int32_t c, int32_t s,
                          int32_t i) {
    std::array<char, kTextBufferSize> buffer{};
    getter(c, s, i, buffer.data());
    return buffer.data();
  }

  test::TempDir dir;
};

TEST_F(ReaderTest, LoadsAndAnswersEveryGetter) {
  const std::string path = dir.Write("good.gdf.json", kGood);
  Handshake();
  ASSERT_EQ(LoadCfgFile(path.c_str()), 0) << LastLoadError();
  EXPECT_STREQ(LastLoadError(), "");
  ASSERT_EQ(GetNumClasses(), 2);
  std::array<char, kTextBufferSize> buffer{};
  GetClass(1, buffer.data());
  EXPECT_STREQ(buffer.data(), "Configuration");
  EXPECT_EQ(GetNumSubClasses(0), 1);
  EXPECT_EQ(GetNumData(0, 0), 2);
  int32_t number = -1;
  buffer.fill('\0');
  GetNextSubClass(1, 0, &number, buffer.data());
  EXPECT_STREQ(buffer.data(), "Registers");
  EXPECT_EQ(number, 64);
  EXPECT_EQ(Text(GetName, 0, 0, 1), "CC Gain");
  EXPECT_EQ(GetOffset(0, 0, 1), 12);
  EXPECT_EQ(Text(GetValue, 0, 0, 0), "20451");  // a JSON number keeps its digits
  EXPECT_EQ(Text(GetDefValue, 0, 0, 0), "20451");
  EXPECT_EQ(Text(GetDefValue, 0, 0, 1), "0.9419");  // no default: the value
  EXPECT_EQ(Text(GetDataType, 0, 0, 0), "i2");      // as written; the caller upper-cases
  EXPECT_EQ(Text(GetMinValue, 0, 0, 0), "-32768");
  EXPECT_EQ(Text(GetMaxValue, 0, 0, 0), "32767");
  EXPECT_EQ(Text(GetUnits, 0, 0, 0), "-");
  EXPECT_EQ(Text(GetHelp, 0, 0, 0), "cell 1 scale");
  UnloadCfgFile();
  EXPECT_EQ(GetNumClasses(), 0);
}

TEST_F(ReaderTest, IndicesOutOfRangeGiveEmptyAnswers) {
  Handshake();
  ASSERT_EQ(LoadCfgText(kGood, std::string(kGood).size()), 0);
  for (const auto& [c, s, i] :
       {std::array{-1, 0, 0}, std::array{2, 0, 0}, std::array{0, 1, 0}, std::array{0, -1, 0},
        std::array{0, 0, 2}, std::array{0, 0, -1}, std::array{1 << 30, 0, 0}}) {
    SCOPED_TRACE(std::to_string(c) + "," + std::to_string(s) + "," + std::to_string(i));
    std::array<char, kTextBufferSize> buffer{};
    EXPECT_EQ(GetName(c, s, i, buffer.data()), 1);
    EXPECT_STREQ(buffer.data(), "");
    EXPECT_EQ(GetOffset(c, s, i), -1);
    int32_t number = 77;
    EXPECT_EQ(GetNextSubClass(c, s, &number, buffer.data()), (c == 0 && s == 0) ? 0 : 1);
  }
  EXPECT_EQ(GetNumSubClasses(5), 0);
  EXPECT_EQ(GetNumData(0, 9), 0);
}

TEST_F(ReaderTest, LoadIsRefusedWithoutTheRightHandshake) {
  const std::string path = dir.Write("good.gdf.json", kGood);
  struct Case {
    const char* name;
    void (*prepare)();
  };
  const Case cases[] = {
      {"no handshake", [] {}},
      {"only SetMagic1", [] { SetMagic1(5); }},
      {"answer without the key", [] { SetMagic2(SetMagic1(5) ^ 5); }},
      {"key without the answer",
       [] {
         SetMagic1(5);
         SetMagic2(5 ^ kHandshakeKey);
       }},
      {"completion of an older handshake",
       [] {
         const int32_t v = SetMagic1(5);
         SetMagic1(6);
         SetMagic2(v ^ 5 ^ kHandshakeKey);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetReader();
    c.prepare();
    EXPECT_NE(LoadCfgFile(path.c_str()), 0);
    EXPECT_STREQ(LastLoadError(), "the key handshake was not completed");
    EXPECT_EQ(GetNumClasses(), 0);
  }
}

TEST_F(ReaderTest, AnswerChangesFromOneHandshakeToTheNext) {
  EXPECT_NE(SetMagic1(42), SetMagic1(42));
}

std::string WithParameter(const std::string& parameter) {
  return R"({"format": "gaugecal-dfdesc", "version": 1, "classes": [{"name": "C",
    "subclasses": [{"name": "S", "number": 1, "parameters": [)" +
         parameter + "]}]}]}";
}

TEST_F(ReaderTest, MalformedDescriptionsAreRefusedWithAReason) {
  const struct {
    const char* name;
    std::string text;
    const char* reason;  // part of LastLoadError()
  } cases[] = {
      {"not JSON", "this is not json", "not valid JSON"},
      {"empty file", "", "not valid JSON"},
      {"truncated", std::string(kGood).substr(0, 200), "not valid JSON"},
      {"top level array", "[]", "top level: must be an object"},
      {"wrong format name", R"({"format": "other", "version": 1, "classes": []})",
       "format: must be"},
      {"version 2", R"({"format": "gaugecal-dfdesc", "version": 2, "classes": []})",
       "version: must be 1"},
      {"classes not an array", R"({"format": "gaugecal-dfdesc", "version": 1, "classes": {}})",
       "classes: must be an array"},
      {"class without a name",
       R"({"format": "gaugecal-dfdesc", "version": 1, "classes": [{"subclasses": []}]})",
       "classes[0].name: is missing"},
      {"empty class name",
       R"({"format": "gaugecal-dfdesc", "version": 1, "classes": [{"name": "", "subclasses": []}]})",
       "classes[0].name: is empty"},
      {"name a number", WithParameter(R"({"name": 5, "offset": 0, "type": "U1", "value": "0"})"),
       "parameters[0].name: must be a string"},
      {"negative offset",
       WithParameter(R"({"name": "P", "offset": -1, "type": "U1", "value": "0"})"),
       "parameters[0].offset: must be a whole number from 0 to 65535"},
      {"huge offset",
       WithParameter(
           R"({"name": "P", "offset": 99999999999999999999, "type": "U1", "value": "0"})"),
       "offset: must be a whole number"},
      {"fractional offset",
       WithParameter(R"({"name": "P", "offset": 1.5, "type": "U1", "value": "0"})"),
       "offset: must be a whole number"},
      {"offset as text",
       WithParameter(R"({"name": "P", "offset": "4", "type": "U1", "value": "0"})"),
       "offset: must be a whole number"},
      {"unknown type", WithParameter(R"({"name": "P", "offset": 0, "type": "U3", "value": "0"})"),
       "\"U3\" is not a known data type"},
      {"missing value", WithParameter(R"({"name": "P", "offset": 0, "type": "U1"})"),
       "parameters[0].value: is missing"},
      {"misspelt key",
       WithParameter(R"({"name": "P", "ofset": 0, "offset": 0, "type": "U1", "value": "0"})"),
       "parameters[0].ofset: is not a known key"},
      {"duplicate parameter",
       WithParameter(R"({"name": "P", "offset": 0, "type": "U1", "value": "0"},
                        {"name": "P", "offset": 1, "type": "U1", "value": "0"})"),
       "parameters[1].name: \"P\" appears twice in the subclass"},
      {"name too long for the buffers",
       WithParameter(R"({"name": ")" + std::string(128, 'x') +
                     R"(", "offset": 0, "type": "U1", "value": "0"})"),
       "is longer than 127 bytes"},
      {"NUL inside a name",
       WithParameter(R"({"name": "A\u0000B", "offset": 0, "type": "U1", "value": "0"})"),
       "contains a NUL character"},
      {"nested too deep", std::string(5000, '[') + std::string(5000, ']'),
       "nests more than 32 levels"},
      {"nested too deep after a quote in a comment",
       "// \"\n" + std::string(40, '[') + std::string(40, ']'), "nests more than 32 levels"},
      {"larger than 4 MiB", std::string(4 * 1024 * 1024 + 1, ' '), "larger than 4194304 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.Write("bad.gdf.json", c.text);
    Handshake();
    EXPECT_NE(LoadCfgFile(path.c_str()), 0);
    EXPECT_NE(std::string(LastLoadError()).find(c.reason), std::string::npos) << LastLoadError();
    EXPECT_EQ(GetNumClasses(), 0);
  }
}

TEST_F(ReaderTest, MissingFileIsRefused) {
  Handshake();
  const std::string path = dir.Dir() + "absent.gdf.json";
  EXPECT_NE(LoadCfgFile(path.c_str()), 0);
  EXPECT_EQ(std::string(LastLoadError()), path + " does not exist");
  EXPECT_NE(LoadCfgFile(dir.Dir().c_str()), 0);  // a directory is no description
  EXPECT_NE(LoadCfgFile(""), 0);
  EXPECT_NE(LoadCfgFile(nullptr), 0);
}

TEST_F(ReaderTest, FailedLoadLeavesNothingOfTheEarlierDescription) {
  Handshake();
  ASSERT_EQ(LoadCfgText(kGood, std::string(kGood).size()), 0);
  ASSERT_EQ(GetNumClasses(), 2);
  const std::string broken = std::string(kGood).substr(0, std::string(kGood).size() - 3);
  EXPECT_NE(LoadCfgText(broken.data(), broken.size()), 0);
  EXPECT_EQ(GetNumClasses(), 0);
}

}  // namespace
}  // namespace gaugecal::dfdesc
