#pragma once
// What the gauge reports in normal operation, read the way the calibration page shows it next
// to each reference: cumulative cell stack voltages, battery and pack voltage, the five
// temperatures and the current. A reading that failed is "Err_Rd"; a quantity the configuration
// does not support stays empty.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace gaugecal {

struct DeviceMeasurements {
  std::array<std::string, 4> stack;         // mV: cell 1, cells 1+2, cells 1+2+3, cells 1+2+3+4
  std::string battery;                      // mV
  std::string pack;                         // mV
  std::array<std::string, 5> temperatures;  // degrees Celsius: internal, TS1 to TS4
  std::string current;                      // mA
};

// RN44K18: from the live display table, which RefreshMODGroups has just filled.
DeviceMeasurements MeasurementsFromLiveTable();

// Every family: reads the gauge (RN44K18 refreshes the live table first; its failure leaves
// every value "Err_Rd").
DeviceMeasurements ReadDeviceMeasurements();

// CEDV_PLUS: a fresh raw calibration block, whose battery and pack voltage the gauge reports
// nowhere else. The block needs calibration mode; the gauge is taken out of it again.
void ReadRawVoltageBlock(std::span<uint8_t> block);

// RN44K18 and CEDV_PLUS: the internal sensor through the standard temperature command, which
// reports it only while the mapping bits (3, 4, 6) of the system configuration's second byte
// are clear: clears them, reads, and restores them. "Err_Rd" after a failure (with its message).
std::string ReadMappedInternalTemperature();

}  // namespace gaugecal
