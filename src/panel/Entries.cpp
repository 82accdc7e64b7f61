#include "panel/Entries.h"

#include "device/Codecs.h"
#include "panel/Control.h"

namespace gaugecal::panel {

double EntryDouble(const Control& box, const std::string& what) {
  const auto value = ParseDecimal(box.Text());
  if (!value) {
    throw InvalidEntry(" \"" + box.Text() + "\" for " + what +
                       " is not a number: type digits only, with an optional sign and decimal "
                       "point, and no thousands separator.");
  }
  return *value;
}

int16_t EntryInt16(const Control& box, const std::string& what) {
  const auto value = RoundToInt16(EntryDouble(box, what));
  if (!value) {
    throw InvalidEntry(" \"" + box.Text() + "\" for " + what +
                       " is outside the range of -32768 to 32767.");
  }
  return *value;
}

std::string InvalidEntryMessage(const InvalidEntry& e) {
  return std::string("Invalid value entered! Error description:") + e.what();
}

}  // namespace gaugecal::panel
