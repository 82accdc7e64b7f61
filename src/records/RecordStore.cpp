#include "records/RecordStore.h"

#include <cstdlib>

#include "records/Stores.h"

namespace gaugecal::records {

namespace {

// An environment variable that holds an absolute path, as the XDG rules want it.
std::string AbsoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? value : "";
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

std::string DataFolder() {
  std::string data = AbsoluteEnv("XDG_DATA_HOME");
  if (data.empty()) {
    const std::string home = AbsoluteEnv("HOME");
    if (home.empty())
      return "";
    data = home + "/.local/share";
  }
  return data + "/gaugecal";
}

std::string RecordsTarget(const std::string& option) {
  if (!option.empty())
    return option;
  const char* env = std::getenv("GAUGECAL_RECORDS");
  if (env != nullptr && env[0] != '\0')
    return env;
  const std::string data = DataFolder();
  return data.empty() ? "" : data + "/records.sqlite";
}

std::unique_ptr<RecordStore> OpenRecordStore(const std::string& target, std::string& error) {
  error.clear();
  if (target == "none")
    return nullptr;
  if (target.empty()) {
    error =
        "no record store: neither XDG_DATA_HOME nor HOME is an absolute path (--records "
        "FILE|URL|none)";
    return nullptr;
  }
  if (StartsWith(target, "postgresql://") || StartsWith(target, "postgres://"))
    return OpenPostgresStore(target, error);
  return OpenSqliteStore(target, error);
}

}  // namespace gaugecal::records
