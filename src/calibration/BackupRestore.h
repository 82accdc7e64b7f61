#pragma once
// A backup of the calibration area on request, and a backup written back to the gauge: what
// `gaugecal backup` and `gaugecal restore` run, for any front end.

#include <cstdint>
#include <string>

namespace gaugecal {

// Reads the calibration area (twice, both reads agreeing) and saves it to outPath, or to a new
// file in the backup folder when outPath is empty. An outPath that exists is refused before the
// gauge is read unless overwrite. 0 and the file in savedPath; 1 after a message.
int32_t BackUpCalibrationArea(const std::string& outPath, std::string& savedPath,
                              bool overwrite = false);

// Writes a backup file's calibration area back through the verified write, after a backup of
// what the gauge holds now; a failed write is rolled back. Refused, with a message and nothing
// written, when the file cannot be read, its image does not match its SHA-256, it holds
// absolute rows, its family or its size or address differs from the gauge's calibration area,
// or (unless force) its identification differs from the connected gauge's. 0 when the image
// is verified in the gauge.
int32_t RestoreCalibrationArea(const std::string& path, bool force);

}  // namespace gaugecal
