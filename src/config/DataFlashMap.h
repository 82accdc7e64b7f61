#pragma once
// The data flash map: which description file belongs to the connected gauge (through
// Morvane.ini and its target file), opening the description reader with its key handshake,
// and finding a parameter's subclass number and offset by class, subclass and parameter name.

#include <cstdint>
#include <string>

namespace gaugecal {

// Where a data flash parameter lives. Where a family addresses data flash linearly, its
// address is subclassNumber + offset.
struct DfLocation {
  int32_t subclassNumber = 0;
  int32_t offset = 0;
};

// FindDfParameter's result when the parameter is not in the loaded description.
constexpr int32_t kDfParameterNotFound = 999;

// The target file that Morvane.ini's section "Targets" names for the identification in the
// module state (the build-specific key first, then the firmware-specific one); empty when none.
std::string TargetFileName();

// The description file name in the target file's section "DataFlash", key "Defaults"
// (relative to the application directory); empty when none.
std::string DescriptionFileName(const std::string& targetFile);

// Key handshake with the reader; must run before every LoadCfgFile.
void InitCfgReader();

// 0 when a description file name was found (DataFlashFilePath is then its full path, or "NG"
// when the file would not open); 1 after a message when no name was found.
int32_t FindDataFlashFile();

// Searches the loaded description (the caller loads and unloads it). Returns the class index
// of the first match in index order, or kDfParameterNotFound after a message (none when quiet).
int32_t FindDfParameter(const std::string& className, const std::string& subclassName,
                        const std::string& parameterName, int32_t& subclassNumber, int32_t& offset,
                        std::string& value, std::string& defaultValue, std::string& dataType,
                        bool quiet);

}  // namespace gaugecal
