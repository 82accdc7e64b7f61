#include "config/DataFlashMap.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>

#include "config/AppDirectory.h"
#include "config/IniText.h"
#include "device/ModuleState.h"
#include "dfdesc/DfReader.h"
#include "dfdesc/HandshakeKey.h"
#include "platform/Platform.h"

namespace gaugecal {

namespace {

// The reader's text buffer: NUL-filled before each call, the text is what precedes the NUL.
struct TextBuffer {
  std::array<char, dfdesc::kTextBufferSize> chars{};
  char* Fresh() {
    chars.fill('\0');
    return chars.data();
  }
  std::string Text() const {
    return std::string(chars.data(), strnlen(chars.data(), chars.size()));
  }
};

// Index of the named parameter in subclass (cls, sub), or -1.
int32_t FindParameterIn(int32_t cls, int32_t sub, const std::string& parameterName) {
  TextBuffer name;
  const int32_t count = dfdesc::GetNumData(cls, sub);
  for (int32_t i = 0; i < count; ++i) {
    dfdesc::GetName(cls, sub, i, name.Fresh());
    if (name.Text() == parameterName)
      return i;
  }
  return -1;
}

}  // namespace

void InitCfgReader() {
  Platform* platform = Module().platform;
  double fraction = 0.0;
  if (platform) {
    platform->Randomize();
    fraction = std::clamp(platform->Rnd(), 0.0, 1.0);
  }
  // A whole number in 1 .. 2147483632, as the handshake has always drawn it.
  const double drawn = std::min(std::trunc(fraction * 2147483632.0 + 1.0), 2147483632.0);
  const auto r = static_cast<int32_t>(drawn);
  const int32_t v = dfdesc::SetMagic1(r);
  dfdesc::SetMagic2(v ^ r ^ dfdesc::kHandshakeKey);
  dfdesc::ShowErrorMsgs(0);
}

std::string TargetFileName() {
  const ModuleState& m = Module();
  const ProfileFile morvane = ReadIniFile(MorvaneIniPath());
  const std::string target =
      ReadIniText("Targets", m.IdDevice + "_" + m.IdFirmware + "_" + m.IdBuild, morvane);
  return target.empty() ? ReadIniText("Targets", m.IdDevice + "_" + m.IdFirmware, morvane) : target;
}

std::string DescriptionFileName(const std::string& targetFile) {
  return ReadIniText("DataFlash", "Defaults", ReadIniFile(Module().appDirectory + targetFile));
}

int32_t FindDataFlashFile() {
  ModuleState& m = Module();
  const std::string target = TargetFileName();
  if (target.empty()) {
    ShowMessage(
        "Data Flash Configuration not found. Please obtain a version of Morvane that supports "
        "this device and Firmware version.");
    return 1;
  }
  // A name found now replaces the path; without one the path of an earlier start-up (already
  // a full path, or "NG") stays as it is.
  const std::string name = DescriptionFileName(target);
  if (!name.empty())
    m.DataFlashFilePath = m.appDirectory + name;
  if (m.DataFlashFilePath.empty()) {
    ShowCriticalMessage(
        "Data Flash Configuration not found. Please obtain a version of Morvane that supports "
        "this device.");
    return 1;
  }
  InitCfgReader();
  if (dfdesc::LoadCfgFile(m.DataFlashFilePath.c_str()) != 0) {
    const std::string path = m.DataFlashFilePath;
    const std::string reason = dfdesc::LastLoadError();
    m.DataFlashFilePath = "NG";
    ShowMessage(
        "Unrecognized device or cannot find the .encr file for the connected device. This file "
        "is needed to configure the dataflash.");
    // A problem with the file itself names the file; one inside it names the place there.
    ShowWarning("data flash description" +
                (reason.starts_with(path) ? ": " + reason : " " + path + ": " + reason));
  }
  dfdesc::UnloadCfgFile();
  return 0;
}

int32_t FindDfParameter(const std::string& className, const std::string& subclassName,
                        const std::string& parameterName, int32_t& subclassNumber, int32_t& offset,
                        std::string& value, std::string& defaultValue, std::string& dataType,
                        bool quiet) {
  TextBuffer text;
  const int32_t classes = dfdesc::GetNumClasses();
  for (int32_t cls = 0; cls < classes; ++cls) {
    dfdesc::GetClass(cls, text.Fresh());
    if (text.Text() != className)
      continue;
    const int32_t subclasses = dfdesc::GetNumSubClasses(cls);
    for (int32_t sub = 0; sub < subclasses; ++sub) {
      dfdesc::GetNextSubClass(cls, sub, &subclassNumber, text.Fresh());
      if (text.Text() != subclassName)
        continue;
      const int32_t index = FindParameterIn(cls, sub, parameterName);
      if (index < 0)
        continue;
      offset = dfdesc::GetOffset(cls, sub, index);
      dfdesc::GetValue(cls, sub, index, text.Fresh());
      value = text.Text();
      dfdesc::GetDefValue(cls, sub, index, text.Fresh());
      defaultValue = text.Text();
      dfdesc::GetDataType(cls, sub, index, text.Fresh());
      dataType = UpperAscii(text.Text());
      return cls;
    }
  }
  if (!quiet) {
    ShowMessage("Error: Could not find subclass and offset for " + className + "." + subclassName +
                "." + parameterName);
  }
  return kDfParameterNotFound;
}

}  // namespace gaugecal
