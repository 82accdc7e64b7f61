// New temperature offset in tenths of a kelvin: the present offset corrected by the difference
// between the reference and the gauge's reading. It must fit the signed offset byte.

#include "calibration/Calibrations.h"
#include "device/Codecs.h"

namespace gaugecal {

int32_t ComputeTempOffset(double actual, double measured, double current, uint8_t& offset) {
  const auto v = RoundToInt16((actual - measured) * 10.0 + current);
  if (!v || *v > 127 || *v < -128)
    return 1;
  offset = static_cast<uint8_t>(static_cast<int8_t>(*v));
  return 0;
}

}  // namespace gaugecal
