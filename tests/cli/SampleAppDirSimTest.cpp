// The sample descriptions against the simulated gauges they describe: every parameter the
// gauge keeps is in the description at the same data flash address, the calibration values
// are the gauge's starting values, and the configuration word configures the pack's cells.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <map>
#include <string>

#include "dfdesc/DfReader.h"
#include "dfdesc/HandshakeKey.h"
#include "sim/FlashLayout.h"
#include "sim/Scenario.h"

namespace gaugecal {
namespace {

struct Described {
  std::string className;
  int32_t subclass = 0;
  int32_t offset = 0;
  std::string value;
};

// Every parameter of the description by name (the sample files use each name once).
std::map<std::string, Described> LoadDescription(const std::string& file) {
  dfdesc::ResetReader();
  const int32_t r = 1234;
  dfdesc::SetMagic2(dfdesc::SetMagic1(r) ^ r ^ dfdesc::kHandshakeKey);
  const std::string path = std::string(GAUGECAL_SAMPLE_APPDIR) + "/dataflash/" + file;
  std::map<std::string, Described> all;
  EXPECT_EQ(dfdesc::LoadCfgFile(path.c_str()), 0) << dfdesc::LastLoadError();
  std::array<char, dfdesc::kTextBufferSize> text{};
  for (int32_t c = 0; c < dfdesc::GetNumClasses(); ++c) {
    dfdesc::GetClass(c, text.data());
    const std::string className = text.data();
    for (int32_t s = 0; s < dfdesc::GetNumSubClasses(c); ++s) {
      int32_t number = 0;
      dfdesc::GetNextSubClass(c, s, &number, text.data());
      for (int32_t i = 0; i < dfdesc::GetNumData(c, s); ++i) {
        text.fill('\0');
        dfdesc::GetName(c, s, i, text.data());
        Described& d = all[text.data()];
        text.fill('\0');
        dfdesc::GetValue(c, s, i, text.data());
        d = {className, number, dfdesc::GetOffset(c, s, i), text.data()};
      }
    }
  }
  dfdesc::ResetReader();
  return all;
}

// Where a described parameter sits in the simulator's linear image.
int LinearAddress(const sim::FlashLayout& layout, const Described& d) {
  for (const sim::Subclass& s : layout.subclasses) {
    if (s.id == d.subclass)
      return s.offset + d.offset;
  }
  return d.subclass + d.offset;  // pages and rows: the subclass number is the base address
}

struct Family {
  DfType type;
  const char* file;
};

void PrintTo(const Family& f, std::ostream* os) {
  *os << DfTypeName(f.type);
}

class SampleAppDirSimTest : public ::testing::TestWithParam<Family> {};

TEST_P(SampleAppDirSimTest, DescriptionMatchesTheSimulatedGauge) {
  const Family& f = GetParam();
  const sim::FlashLayout& layout = sim::LayoutOf(f.type);
  const auto described = LoadDescription(f.file);
  EXPECT_EQ(described.size(), layout.params.size());
  for (const sim::Param& p : layout.params) {
    SCOPED_TRACE(p.name);
    const auto it = described.find(p.name);
    ASSERT_NE(it, described.end());
    EXPECT_EQ(LinearAddress(layout, it->second), p.offset);
    if (it->second.className == "Calibration") {
      EXPECT_DOUBLE_EQ(std::strtod(it->second.value.c_str(), nullptr), p.defaultValue);
    }
  }
  // The configuration word's cell bits give the cells the simulated pack has.
  const sim::Param* word = layout.roles.configuration;
  ASSERT_NE(word, nullptr);
  const auto value =
      static_cast<uint16_t>(std::strtoul(described.at(word->name).value.c_str(), nullptr, 16));
  const int byteInWord = sim::CellBitsOffset(f.type) - word->offset;  // 0: high byte
  const int cellBits = (byteInWord == 0 ? value >> 8 : value) & 3;
  EXPECT_EQ(cellBits + 1, sim::DefaultScenario(f.type).cells);
}

INSTANTIATE_TEST_SUITE_P(Families, SampleAppDirSimTest,
                         ::testing::Values(Family{DfType::CEDV, "cedv_250.gdf.json"},
                                           Family{DfType::QSPAN, "qspan_450.gdf.json"},
                                           Family{DfType::RN44K18, "rn44k18_a05.gdf.json"},
                                           Family{DfType::CEDV_PLUS, "cedv_plus_360.gdf.json"}),
                         [](const auto& p) { return std::string(DfTypeName(p.param.type)); });

}  // namespace
}  // namespace gaugecal
