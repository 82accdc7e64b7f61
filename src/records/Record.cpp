#include "records/Record.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>

namespace gaugecal::records {

nlohmann::ordered_json ToJson(const Record& r) {
  nlohmann::ordered_json j;
  j["id"] = r.id;
  j["started"] = r.started;
  j["ended"] = r.ended;
  j["station"] = r.station;
  j["operator"] = r.operatorName;
  j["toolVersion"] = r.toolVersion;
  j["adapter"] = r.adapter;
  j["family"] = r.family;
  j["identification"] = {{"IdDevice", r.identification[0]},
                         {"IdFirmware", r.identification[1]},
                         {"IdBuild", r.identification[2]},
                         {"IdExtra", r.identification[3]}};
  j["serial"] = r.serial ? nlohmann::ordered_json(*r.serial) : nlohmann::ordered_json();
  j["manufactureDate"] = r.manufactureDate;
  j["action"] = r.action;
  j["outcome"] = r.outcome;
  j["references"] = r.references;
  j["before"] = r.before;
  j["after"] = r.after;
  j["check"] = r.check;
  j["asFound"] = r.asFound;
  j["messages"] = r.messages;
  j["warnings"] = r.warnings;
  j["backup"] = r.backup;
  return j;
}

std::string BodyText(const Record& r) {
  const nlohmann::ordered_json body = {{"references", r.references}, {"before", r.before},
                                       {"after", r.after},           {"check", r.check},
                                       {"asFound", r.asFound},       {"messages", r.messages},
                                       {"warnings", r.warnings}};
  return body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void ReadBody(const std::string& text, Record& r) {
  const nlohmann::ordered_json body = nlohmann::ordered_json::parse(text, nullptr, false);
  if (!body.is_object())
    return;
  const auto take = [&body](const char* key, nlohmann::ordered_json& into) {
    if (body.contains(key) && body[key].type() == into.type())
      into = body[key];
  };
  take("references", r.references);
  take("before", r.before);
  take("after", r.after);
  take("check", r.check);
  take("asFound", r.asFound);
  const auto lines = [&body](const char* key, std::vector<std::string>& into) {
    if (!body.contains(key) || !body[key].is_array())
      return;
    for (const auto& line : body[key]) {
      if (line.is_string())
        into.push_back(line.get<std::string>());
    }
  };
  lines("messages", r.messages);
  lines("warnings", r.warnings);
}

bool IsIsoDate(const std::string& text) {
  if (text.size() < 10 || (text.size() > 10 && text[10] != 'T'))
    return false;
  for (size_t i = 0; i < 10; ++i) {
    const bool dash = i == 4 || i == 7;
    if (dash ? text[i] != '-' : !std::isdigit(static_cast<unsigned char>(text[i])))
      return false;
  }
  return true;
}

std::string NewRecordId() {
  std::random_device source;
  std::array<unsigned char, 16> b{};
  for (size_t i = 0; i < b.size(); i += 4) {
    const unsigned int word = source();
    for (size_t k = 0; k < 4; ++k)
      b[i + k] = static_cast<unsigned char>(word >> (8 * k));
  }
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);  // version 4
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // RFC 4122 variant
  char text[37];
  std::snprintf(text, sizeof text,
                "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0], b[1],
                b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  return text;
}

std::string UtcNow() {
  const auto now = std::chrono::system_clock::now();
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(ms % 1000));
  return text;
}

}  // namespace gaugecal::records
