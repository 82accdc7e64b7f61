#pragma once
// In-memory form of a data-flash description: classes hold subclasses (the gauge's own
// subclass number and a name), subclasses hold parameters at byte offsets. Names and texts are
// at most kMaxText bytes, so every one of them fits the reader's 128-character text buffers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gaugecal::dfdesc {

constexpr size_t kMaxText = 127;

struct DfParameter {
  std::string name;
  int32_t offset = 0;  // byte offset within the subclass
  std::string type;    // data type name as written in the file ("U2", "f4", "S20", ...)
  std::string value;
  std::string defaultValue;
  std::string minimum;
  std::string maximum;
  std::string units;
  std::string description;
};

struct DfSubclass {
  std::string name;
  int32_t number = 0;  // the gauge's identifier of the subclass
  std::vector<DfParameter> parameters;
};

struct DfClass {
  std::string name;
  std::vector<DfSubclass> subclasses;
};

struct DfDescription {
  std::string target;  // free text: which gauge and firmware the file describes
  std::vector<DfClass> classes;
};

}  // namespace gaugecal::dfdesc
