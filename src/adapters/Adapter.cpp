#include "adapters/Adapter.h"

namespace gaugecal::adapters {

void Adapter::Warn(const std::string& text) {
  if (sink_ && warned_.insert(text).second)
    sink_(text);
}

}  // namespace gaugecal::adapters
