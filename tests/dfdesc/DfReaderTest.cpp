// The data-flash description reader: the getters over a loaded description, the key
// handshake, and every malformed description refused with the place and the reason.

#include "dfdesc/DfReader.h"

#include <gtest/gtest.h>

#include <array>

#include "dfdesc/HandshakeKey.h"
#include "support/Bench.h"

namespace gaugecal::dfdesc {
namespace {

// Two classes; "Cell Scale 0" with a number value.
const std::string kGood = R"({"format": "gaugecal-dfdesc", "version": 1, "target": "test gauge",
  // comments are allowed; brackets and quotes in them count for nothing
  // [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[ "
  /* {{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{ " */
  "classes": [
    {"name": "Calibration", "subclasses": [{"name": "Data", "number": 104, "parameters": [
      {"name": "Cell Scale 0", "offset": 0, "type": "i2", "value": 20451, "default": "20451",
       "min": -32768, "max": 32767, "units": "-", "description": "cell 1 scale"},
      {"name": "CC Gain", "offset": 65535, "type": "F4", "value": "0.9419"}]}]},
    {"name": "Configuration", "subclasses": [{"name": "Registers", "number": 64, "parameters": [
      {"name": "System Configuration", "offset": 0, "type": "H2", "value": "0x0003"}]}]}]})";

void Handshake() {
  const int32_t r = 123456789;
  SetMagic2(SetMagic1(r) ^ r ^ kHandshakeKey);
}

std::string Text(int32_t (*getter)(int32_t, int32_t, int32_t, char*), int32_t c, int32_t s,
                 int32_t i) {
  std::array<char, kTextBufferSize> buffer{};
  getter(c, s, i, buffer.data());
  return buffer.data();
}

struct ReaderTest : ::testing::Test {
  void SetUp() override { ResetReader(); }
  void TearDown() override { ResetReader(); }
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
  EXPECT_EQ(GetNumSubClasses(0) * 10 + GetNumData(0, 0), 12);
  int32_t number = -1;
  buffer.fill('\0');
  EXPECT_EQ(GetNextSubClass(1, 0, &number, buffer.data()), 0);
  EXPECT_STREQ(buffer.data(), "Registers");
  EXPECT_EQ(number, 64);
  EXPECT_EQ(Text(GetName, 0, 0, 1), "CC Gain");
  EXPECT_EQ(GetOffset(0, 0, 1), 65535);
  EXPECT_EQ(Text(GetValue, 0, 0, 0), "20451");      // a JSON number keeps its digits
  EXPECT_EQ(Text(GetDefValue, 0, 0, 1), "0.9419");  // no default: the value
  EXPECT_EQ(Text(GetDataType, 0, 0, 0), "i2");      // as written; the caller upper-cases
  EXPECT_EQ(Text(GetDefValue, 0, 0, 0) + Text(GetMinValue, 0, 0, 0) + Text(GetMaxValue, 0, 0, 0) +
                Text(GetUnits, 0, 0, 0) + Text(GetHelp, 0, 0, 0),
            "20451-3276832767-cell 1 scale");
  // Indices out of range give empty answers.
  for (const auto& [c, s, i] :
       {std::array{-1, 0, 0}, std::array{2, 0, 0}, std::array{0, 1, 0}, std::array{0, -1, 0},
        std::array{0, 0, 2}, std::array{0, 0, -1}, std::array{1 << 30, 0, 0}}) {
    buffer.fill('\0');
    EXPECT_EQ(GetName(c, s, i, buffer.data()), 1) << c << s << i;
    EXPECT_STREQ(buffer.data(), "");
    EXPECT_EQ(GetOffset(c, s, i), -1);
    EXPECT_EQ(GetNextSubClass(c, s, &number, buffer.data()), (c == 0 && s == 0) ? 0 : 1);
  }
  EXPECT_EQ(GetNumSubClasses(5) + GetNumData(0, 9) + GetClass(2, buffer.data()), 1);
  UnloadCfgFile();
  EXPECT_EQ(GetNumClasses(), 0);
}

TEST_F(ReaderTest, ALoadNeedsTheWholeHandshakeFirst) {
  const std::string path = dir.Write("good.gdf.json", kGood);
  for (void (*prepare)() :
       std::vector<void (*)()>{[] {}, [] { SetMagic1(5); }, [] { SetMagic2(SetMagic1(5) ^ 5); },
                               [] {
                                 SetMagic1(5);
                                 SetMagic2(5 ^ kHandshakeKey);
                               },
                               [] {  // the completion of an older handshake
                                 const int32_t v = SetMagic1(5);
                                 SetMagic1(6);
                                 SetMagic2(v ^ 5 ^ kHandshakeKey);
                               }}) {
    ResetReader();
    prepare();
    EXPECT_NE(LoadCfgFile(path.c_str()), 0);
    EXPECT_STREQ(LastLoadError(), "the key handshake was not completed");
    EXPECT_EQ(GetNumClasses(), 0);
  }
  EXPECT_NE(SetMagic1(42), SetMagic1(42)) << "the answer changes from one handshake to the next";
}

std::string WithParameter(const std::string& parameter) {
  return R"({"format": "gaugecal-dfdesc", "version": 1, "classes": [{"name": "C",
    "subclasses": [{"name": "S", "number": 1, "parameters": [)" +
         parameter + "]}]}]}";
}

TEST_F(ReaderTest, MalformedDescriptionsAreRefusedWithThePlaceAndTheReason) {
  const std::string head = R"({"format": "gaugecal-dfdesc", "version": 1, "classes": )";
  const std::string p = "classes[0].subclasses[0].parameters[";
  const std::string whole = "must be a whole number from 0 to 65535";
  const std::pair<std::string, std::string> cases[] = {
      {"this is not json", "not valid JSON"},
      {kGood.substr(0, 200), "not valid JSON"},
      {"[]", "top level: must be an object"},
      {R"({"format": "other", "version": 1, "classes": []})",
       "format: must be \"gaugecal-dfdesc\""},
      {R"({"format": 5, "version": 1, "classes": []})", "format: must be a string"},
      {R"({"format": "gaugecal-dfdesc", "version": 2, "classes": []})", "version: must be 1"},
      {R"({"format": "gaugecal-dfdesc", "classes": []})", "version: is missing"},
      {R"({"format": "gaugecal-dfdesc", "version": 1})", "classes: is missing"},
      {head + "{}}", "classes: must be an array"},
      {head + R"([{"subclasses": []}]})", "classes[0].name: is missing"},
      {head + R"([{"name": "", "subclasses": []}]})", "classes[0].name: is empty"},
      {head + R"([{"name": "C", "subclasses": [{"name": "S", "parameters": []}]}]})",
       "classes[0].subclasses[0].number: is missing"},
      {WithParameter(R"({"name": 5, "offset": 0, "type": "U1", "value": "0"})"),
       p + "0].name: must be a string"},
      {WithParameter(R"({"name": "P", "offset": -1, "type": "U1", "value": "0"})"),
       p + "0].offset: " + whole},
      {WithParameter(R"({"name": "P", "offset": 65536, "type": "U1", "value": "0"})"),
       p + "0].offset: " + whole},
      {WithParameter(R"({"name": "P", "offset": 1.5, "type": "U1", "value": "0"})"),
       p + "0].offset: " + whole},
      {WithParameter(R"({"name": "P", "offset": "4", "type": "U1", "value": "0"})"),
       p + "0].offset: " + whole},
      {WithParameter(R"({"name": "P", "offset": 0, "type": "U1"})"), p + "0].value: is missing"},
      {WithParameter(R"({"name": "P", "offset": 0, "value": "0"})"), p + "0].type: is missing"},
      {WithParameter(R"({"name": "P", "offset": 0, "type": "U1", "value": [1]})"),
       p + "0].value: must be a string or a number"},
      {WithParameter(R"({"name": "P", "offset": 0, "type": "S255", "value": "0", "units": 1})"),
       p + "0].units: must be a string"},
      {WithParameter(R"({"name": "P", "offset": 0, "type": "S16", "value": "0", "units": 1})"),
       p + "0].units: must be a string"},
      {WithParameter(R"({"name": "P", "offset": 0, "type": "U1", "value": "0", "description": 1})"),
       p + "0].description: must be a string"},
      {WithParameter(R"({"name": "P", "offset": 0, "type": "S256", "value": "0"})"),
       p + "0].type: \"S256\" is not a known data type"},
      {WithParameter(R"({"name": "P", "offset": 0, "type": "S0", "value": "0"})"),
       p + "0].type: \"S0\" is not a known data type"},
      {WithParameter(R"({"name": "P", "ofset": 0, "offset": 0, "type": "U1", "value": "0"})"),
       p + "0].ofset: is not a known key"},
      {WithParameter(R"({"name": "P", "offset": 0, "type": "U1", "value": "0"},
                        {"name": "P", "offset": 1, "type": "U1", "value": "0"})"),
       p + "1].name: \"P\" appears twice in the subclass"},
      {WithParameter(R"({"name": ")" + std::string(128, 'x') +
                     R"(", "offset": 0, "type": "U1", "value": "0"})"),
       p + "0].name: is longer than 127 bytes"},
      {WithParameter(R"({"name": "A\u0000B", "offset": 0, "type": "U1", "value": "0"})"),
       p + "0].name: contains a NUL character"},
      {std::string(33, '[') + std::string(33, ']'), "the file nests more than 32 levels deep"},
      {"// \"\n" + std::string(40, '[') + std::string(40, ']'),
       "the file nests more than 32 levels"},
      {"[\"" + std::string(40, '[') + "\"]", "top level: must be an object"},  // inside a string
      {"/" + std::string(40, '['), "the file nests more than 32 levels"},  // a slash, no comment

  };
  for (const auto& [text, reason] : cases) {
    Handshake();
    EXPECT_NE(LoadCfgFile(dir.Write("bad.gdf.json", text).c_str()), 0);
    const std::string error = LastLoadError();
    EXPECT_EQ(error.substr(0, reason.size()), reason) << text.substr(0, 120);
    EXPECT_EQ(GetNumClasses(), 0);
  }
  ShowErrorMsgs(1);
  EXPECT_TRUE(Reader().showErrors);
  ShowErrorMsgs(0);
  EXPECT_FALSE(Reader().showErrors);
}

TEST_F(ReaderTest, AMissingFileIsRefusedAndAFailedLoadLeavesNothing) {
  Handshake();
  const std::string path = dir.Dir() + "absent.gdf.json";
  EXPECT_NE(LoadCfgFile(path.c_str()), 0);
  EXPECT_EQ(std::string(LastLoadError()), path + " does not exist");
  EXPECT_NE(LoadCfgFile(dir.Dir().c_str()), 0) << "a directory is no description";
  EXPECT_NE(LoadCfgFile(nullptr) + LoadCfgFile(""), 0);
  EXPECT_STREQ(LastLoadError(), "no file name given");
  Handshake();
  ASSERT_EQ(LoadCfgText(kGood.data(), kGood.size()), 0);
  ASSERT_EQ(GetNumClasses(), 2);
  EXPECT_NE(LoadCfgText(kGood.data(), kGood.size() - 3), 0);
  EXPECT_EQ(GetNumClasses(), 0);
  const std::string big(4 * 1024 * 1024 + 1, ' ');
  EXPECT_NE(LoadCfgText(big.data(), big.size()), 0);
  EXPECT_EQ(std::string(LastLoadError()), "the description is larger than 4194304 bytes");
  EXPECT_NE(LoadCfgFile(dir.Write("big.gdf.json", big).c_str()), 0);
  EXPECT_EQ(std::string(LastLoadError()),
            dir.Path("big.gdf.json") + " is larger than 4194304 bytes");
}

}  // namespace
}  // namespace gaugecal::dfdesc
