#include "config/DfParameterList.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "config/DataFlashMap.h"
#include "device/ModuleState.h"
#include "dfdesc/DfReader.h"

namespace gaugecal {

namespace {

using Text = std::array<char, dfdesc::kTextBufferSize>;

template <typename Getter>
std::string Get(Getter getter, int32_t cls, int32_t sub, int32_t index) {
  Text text{};
  getter(cls, sub, index, text.data());
  return text.data();
}

}  // namespace

int32_t LoadDfParameterList(std::vector<DfParameterInfo>& parameters) {
  parameters.clear();
  InitCfgReader();
  if (dfdesc::LoadCfgFile(Module().DataFlashFilePath.c_str()) != 0) {
    ShowMessage("Can not open Dataflash configuration file. Please reinstall Morvane.");
    return 1;
  }
  for (int32_t cls = 0; cls < dfdesc::GetNumClasses(); ++cls) {
    Text className{};
    dfdesc::GetClass(cls, className.data());
    for (int32_t sub = 0; sub < dfdesc::GetNumSubClasses(cls); ++sub) {
      Text subclassName{};
      int32_t number = 0;
      dfdesc::GetNextSubClass(cls, sub, &number, subclassName.data());
      for (int32_t i = 0; i < dfdesc::GetNumData(cls, sub); ++i) {
        DfParameterInfo p;
        p.className = className.data();
        p.subclassName = subclassName.data();
        p.subclassNumber = number;
        p.name = Get(dfdesc::GetName, cls, sub, i);
        p.offset = dfdesc::GetOffset(cls, sub, i);
        p.type = Get(dfdesc::GetDataType, cls, sub, i);
        std::transform(p.type.begin(), p.type.end(), p.type.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        p.value = Get(dfdesc::GetValue, cls, sub, i);
        p.defaultValue = Get(dfdesc::GetDefValue, cls, sub, i);
        p.minimum = Get(dfdesc::GetMinValue, cls, sub, i);
        p.maximum = Get(dfdesc::GetMaxValue, cls, sub, i);
        p.units = Get(dfdesc::GetUnits, cls, sub, i);
        p.description = Get(dfdesc::GetHelp, cls, sub, i);
        parameters.push_back(std::move(p));
      }
    }
  }
  dfdesc::UnloadCfgFile();
  return 0;
}

std::vector<const DfParameterInfo*> MatchDfParameters(
    const std::vector<DfParameterInfo>& parameters, const std::string& name) {
  std::vector<const DfParameterInfo*> found;
  const bool path = std::count(name.begin(), name.end(), '/') == 2;
  for (const DfParameterInfo& p : parameters) {
    if ((path ? p.Path() : p.name) == name)
      found.push_back(&p);
  }
  return found;
}

}  // namespace gaugecal
