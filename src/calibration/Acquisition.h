#pragma once
// Live measurements from command strings, cell stack voltages, averaged raw calibration
// values, and the family dispatch of the local calibration buffer's read and write.

#include <cstdint>
#include <span>
#include <string>

namespace gaugecal {

inline constexpr const char* kErrRd = "Err_Rd";

// Command "SBS,n" or "MAC,n"; format "U2", "I2" or "I1". Returns 1 when the string or format is
// not understood; a failed bus read returns 0 with result "Err_Rd".
int32_t readmeasurementfromdevice(const std::string& command, const std::string& format,
                                  std::string& result);

// Cumulative stack voltages in millivolts (decimal texts) or "Err_Rd".
void ReadStackVoltages(std::string& c1, std::string& c2, std::string& c3, std::string& c4);
void ReadAltStackVoltages(std::string& c1, std::string& c2, std::string& c3, std::string& c4);

// NumSamples must be 1 or more: with none there is nothing to average (and the average would
// divide by zero or a negative count). 0 when it is; otherwise 1 after its message, without
// any transfer.
int32_t CheckNumSamples();

// Averages NumSamples fresh raw calibration blocks into the "Raw Cal Values" rows; checks
// NumSamples first.
int32_t AcquireRawCalValues(bool offset);

// Leaves a fresh normal raw block in buffer, for the live display.
void FetchFreshRawBlock(std::span<uint8_t> buffer);

int32_t ReadCalBuffer();
int32_t WriteCalBuffer();

}  // namespace gaugecal
