#pragma once
// Data flash parameters by name, for any front end: values decoded from the blocks the gauge
// holds, and changes checked against the description's type and range before anything is
// sent, then written block by block through the family's own access with a backup of every
// block touched before the first write, read-back verification, and the blocks already
// written put back when a later one fails.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "config/DfParameterList.h"

namespace gaugecal {

// Bytes of a data type ("U2", "F4", "S20", ...); 0 for a type the editor does not know.
int DfTypeSize(const std::string& type);

// The value text of a parameter's bytes (big-endian): decimal for U, I and T types,
// "0x" and the digits for H types, F4 as the gauge's float, S types up to the first NUL.
std::string DecodeDfValue(const DfParameterInfo& parameter, std::span<const uint8_t> bytes);

// The bytes of a value text, or empty and the problem (naming the range when out of it).
std::vector<uint8_t> EncodeDfValue(const DfParameterInfo& parameter, const std::string& value,
                                   std::string& problem);

// The values of the parameters as the gauge holds them, each block read once; 1 after a
// message when a block cannot be read.
int32_t ReadDfValues(std::span<const DfParameterInfo* const> parameters,
                     std::vector<std::string>& values);

struct DfChange {
  const DfParameterInfo* parameter = nullptr;
  std::string value;
};

// Checks every change (nothing is sent when one fails), refuses a sealed gauge, then reads,
// backs up and writes the blocks the changes touch, verified. A parameter of the class
// "Calibration" is a calibration constant and is only written with force. 0 when every block
// is verified in the gauge; 1 after a message otherwise. backups: the files saved.
int32_t WriteDfValues(const std::vector<DfChange>& changes, bool force,
                      std::vector<std::string>& backups);

}  // namespace gaugecal
