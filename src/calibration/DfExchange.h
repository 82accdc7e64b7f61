#pragma once
// The whole described data flash as a JSON file of parameter -> value (with the gauge's family
// and identification and a SHA-256 of the values), and such a file written back through the
// verified parameter write: what `gaugecal df export` and `df import` run, for any front end.

#include <cstdint>
#include <string>
#include <vector>

#include "config/DfParameterList.h"

namespace gaugecal {

// Reads every parameter and writes the file. An existing file is refused before the gauge is
// read unless overwrite. 0, or 1 after a message.
int32_t ExportDfParameters(const std::vector<DfParameterInfo>& parameters, const std::string& path,
                           bool overwrite);

// Writes a file's values back: refused, with a message and nothing written, when it cannot be
// read, its values do not match its SHA-256, it is of another family, it names a parameter the
// description does not have or holds a value out of its range, or (unless force) its
// identification differs from the connected gauge's. Only the parameters whose value differs
// from the gauge's are written. changed: how many; backups: the files saved before.
int32_t ImportDfParameters(const std::vector<DfParameterInfo>& parameters, const std::string& path,
                           bool force, int& changed, std::vector<std::string>& backups);

}  // namespace gaugecal
