// Feeds arbitrary bytes to the description loader and, when they load, reads every getter of
// every class, subclass and parameter (and one index past each end) into fresh buffers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dfdesc/DfReader.h"
#include "dfdesc/HandshakeKey.h"

namespace {

using gaugecal::dfdesc::kTextBufferSize;
namespace df = gaugecal::dfdesc;

void CheckText(int32_t (*getter)(int32_t, int32_t, int32_t, char*), int32_t c, int32_t s,
               int32_t i) {
  std::array<char, kTextBufferSize> buffer{};
  getter(c, s, i, buffer.data());
  if (buffer.back() != '\0' || std::strlen(buffer.data()) >= kTextBufferSize)
    __builtin_trap();  // the reader must leave the last character NUL
}

void WalkParameters(int32_t c, int32_t s) {
  const int32_t count = df::GetNumData(c, s);
  for (int32_t i = 0; i <= count; ++i) {
    for (auto getter : {df::GetName, df::GetValue, df::GetDefValue, df::GetDataType,
                        df::GetMinValue, df::GetMaxValue, df::GetUnits, df::GetHelp})
      CheckText(getter, c, s, i);
    if ((df::GetOffset(c, s, i) < 0) != (i == count))
      __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int32_t r = static_cast<int32_t>(size) + 1;
  df::SetMagic2(df::SetMagic1(r) ^ r ^ df::kHandshakeKey);
  if (df::LoadCfgText(reinterpret_cast<const char*>(data), size) != 0) {
    if (df::GetNumClasses() != 0 || df::LastLoadError()[0] == '\0')
      __builtin_trap();  // a failed load keeps nothing and says why
    return 0;
  }
  const int32_t classes = df::GetNumClasses();
  for (int32_t c = 0; c <= classes; ++c) {
    std::array<char, kTextBufferSize> name{};
    df::GetClass(c, name.data());
    const int32_t subclasses = df::GetNumSubClasses(c);
    for (int32_t s = 0; s <= subclasses; ++s) {
      int32_t number = 0;
      df::GetNextSubClass(c, s, &number, name.data());
      WalkParameters(c, s);
    }
  }
  df::UnloadCfgFile();
  return 0;
}
