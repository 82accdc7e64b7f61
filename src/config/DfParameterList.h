#pragma once
// Every parameter of the connected gauge's data flash description, read through the
// description reader (class, subclass and its number, name, offset, type, unit, range, value
// and help texts), and the lookup of a parameter by name or by class/subclass/name.

#include <cstdint>
#include <string>
#include <vector>

namespace gaugecal {

struct DfParameterInfo {
  std::string className;
  std::string subclassName;
  std::string name;
  int32_t subclassNumber = 0;
  int32_t offset = 0;
  std::string type;  // upper-cased
  std::string value;
  std::string defaultValue;
  std::string minimum;  // empty: the type's own range
  std::string maximum;
  std::string units;
  std::string description;

  // "Class/Subclass/Name".
  std::string Path() const { return className + "/" + subclassName + "/" + name; }
};

// Loads the description at DataFlashFilePath (after the reader's key handshake), copies every
// parameter in file order and unloads it again. 1 after a message when it does not load.
int32_t LoadDfParameterList(std::vector<DfParameterInfo>& parameters);

// The parameters a name given by a user means: those of that name, or the one at
// "Class/Subclass/Name". Case counts. Empty when none is.
std::vector<const DfParameterInfo*> MatchDfParameters(
    const std::vector<DfParameterInfo>& parameters, const std::string& name);

}  // namespace gaugecal
