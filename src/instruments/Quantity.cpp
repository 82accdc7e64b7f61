#include <array>
#include <utility>

#include "instruments/Instrument.h"

namespace gaugecal::instruments {

namespace {

struct QuantityName {
  Quantity quantity;
  const char* name;
  const char* unit;
};

constexpr std::array<QuantityName, 3> kNames = {{
    {Quantity::Voltage, "voltage", "V"},
    {Quantity::Current, "current", "A"},
    {Quantity::Temperature, "temperature", "degC"},
}};

const QuantityName& Entry(Quantity quantity) {
  for (const QuantityName& entry : kNames) {
    if (entry.quantity == quantity)
      return entry;
  }
  return kNames[0];
}

}  // namespace

std::optional<Quantity> QuantityNamed(const std::string& name) {
  for (const QuantityName& entry : kNames) {
    if (name == entry.name)
      return entry.quantity;
  }
  return std::nullopt;
}

std::string NameOf(Quantity quantity) {
  return Entry(quantity).name;
}

std::string UnitOf(Quantity quantity) {
  return Entry(quantity).unit;
}

}  // namespace gaugecal::instruments
