// The plausibility guard's limits just inside and just outside, for both signs of current and
// for voltages above and below the reading; the warning names the quantity, both values and
// the limit.

#include <gtest/gtest.h>

#include "panel/Plausibility.h"

namespace gaugecal::test {
namespace {

using panel::ReferenceKind;
using panel::ReferenceReading;

TEST(Plausibility, LimitsHoldJustInsideAndRefuseJustOutside) {
  const auto current = [](const char* reference, const char* reading) {
    return panel::Plausible({"Current", ReferenceKind::Current, reference, reading});
  };
  const auto voltage = [](const char* reference, const char* reading) {
    return panel::Plausible({"Pack Voltage", ReferenceKind::Voltage, reference, reading});
  };
  struct Case {
    bool plausible;
    bool isCurrent;
    const char* reference;
    const char* reading;
  };
  for (const Case& c : std::vector<Case>{
           // Current: 20 % of |reference|, same sign.
           {true, true, "-2000", "-1600"},
           {false, true, "-2000", "-1599.9"},
           {true, true, "-2000", "-2400"},
           {false, true, "-2000", "-2400.1"},
           {true, true, "1500", "1200"},
           {false, true, "1500", "1199"},
           {true, true, "1500", "1800"},
           {false, true, "1500", "1801"},
           {false, true, "2000", "-2000"},    // wrong sign
           {false, true, "-2", "-2000"},      // amperes typed for milliamperes
           {false, true, "-2000", "0"},       // no load
           {false, true, "-0.01", "0"},       // no sign to agree with
           {false, true, "-2000", "Err_Rd"},  // nothing to compare with
           // Voltages: 10 % of the reading.
           {true, false, "8800", "8000"},
           {false, false, "8801", "8000"},
           {true, false, "7200", "8000"},
           {false, false, "7199", "8000"},
           {false, false, "3902", "7800"},  // one cell typed for the stack of two
       }) {
    EXPECT_EQ(c.isCurrent ? current(c.reference, c.reading) : voltage(c.reference, c.reading),
              c.plausible)
        << c.reference << " against " << c.reading;
  }
  const std::vector<ReferenceReading> pairs = {
      {"Cell 1", ReferenceKind::Voltage, "3900", "3902"},
      {"Cell 1 + 2", ReferenceKind::Voltage, "3902", "7801"}};
  const std::vector<ReferenceReading> implausible = panel::Implausible(pairs);
  ASSERT_EQ(implausible.size(), 1U);
  EXPECT_EQ(panel::ImplausibleText(implausible[0]),
            "Cell 1 + 2: the reference of 3902 mV does not fit the gauge's reading of 7801 mV "
            "(expected: within 10 % of the reading)");
  EXPECT_EQ(panel::ImplausibleText({"Current", ReferenceKind::Current, "2000", "-2026"}),
            "Current: the reference of 2000 mA does not fit the gauge's reading of -2026 mA "
            "(expected: the same sign and within 20 % of the reference)");
}

}  // namespace
}  // namespace gaugecal::test
