// Feeds arbitrary bytes to the table decoders: the calibration table of every family (with and
// without the data flash map) from the local calibration buffer, and every live and raw row
// from a manufacturer block of any length. The first two bytes pick the family and the map;
// the third moves the positions of the map's rows, as location keys in config.ini can.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "config/DisplayTables.h"
#include "device/ModuleState.h"
#include "device/TableDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3)
    return 0;
  // The tables as start-up builds them, built once and copied into every run.
  static const gaugecal::ModuleState initial = [] {
    gaugecal::InitDisplayTables();
    return gaugecal::Module();
  }();
  gaugecal::ModuleState& m = gaugecal::Module();
  m = initial;
  m.calConfig.DFType = static_cast<gaugecal::DfType>(data[0] % 4);
  m.calConfig.UseDataflashMap = (data[1] & 1) != 0;
  if ((data[1] & 2) != 0) {
    for (gaugecal::DisplayItem& item : m.CalTable[gaugecal::kCalGroupRn44k18].items) {
      if (!item.key.empty())
        item.position = std::to_string(static_cast<int>(data[2]) * 2 - 40);
    }
  }
  const std::span<const uint8_t> bytes(data + 3, size - 3);
  std::copy_n(bytes.begin(), std::min(bytes.size(), m.calBuffer.size()), m.calBuffer.begin());
  gaugecal::TransferCalBufferToTable();
  for (int16_t group = 0; group < static_cast<int16_t>(m.LiveTable.size()); ++group) {
    for (int16_t row = 0; row < 16; ++row) {
      if (group == gaugecal::kLiveRawCal)
        gaugecal::DecodeMODRowToLocal(group, row, bytes);
      else
        gaugecal::DecodeMODRow(group, row, bytes);
    }
  }
  return 0;
}
