#include "config/CommandText.h"

#include "config/IniText.h"
#include "device/Codecs.h"

namespace gaugecal {

CommandTextCheck CheckCommandText(const std::string& text, int16_t low, int16_t high) {
  const std::string upper = UpperAscii(text);
  const bool hasComma = upper.find(',') != std::string::npos;
  const bool namesBoth =
      upper.find("MAC") != std::string::npos && upper.find("SBS") != std::string::npos;
  if (!hasComma && !namesBoth)
    return CommandTextCheck::BadFormat;
  const std::vector<std::string> fields = SplitCommas(upper);
  if (fields.size() < 2)
    return CommandTextCheck::NoNumber;
  const auto number = ParseDecimal(fields[1]);
  if (!number)
    return CommandTextCheck::NotNumeric;
  const auto command = RoundToInt16(*number);
  if (!command)
    return CommandTextCheck::TooLarge;
  return (*command < low || *command > high) ? CommandTextCheck::OutOfRange : CommandTextCheck::Ok;
}

}  // namespace gaugecal
