#pragma once
// One calibration on record: who ran what on which gauge, when, against which references and
// with which outcome. A record is stored as "interrupted" before the first data flash write
// of its run and completed when the run ends (docs/records.md).

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace gaugecal::records {

inline constexpr const char* kPass = "pass";
inline constexpr const char* kFail = "fail";
inline constexpr const char* kRefused = "refused";
inline constexpr const char* kInterrupted = "interrupted";

// IdDevice, IdFirmware, IdBuild, IdExtra.
using Identification = std::array<std::string, 4>;

struct Record {
  std::string id;       // a random UUID
  std::string started;  // ISO 8601 UTC, milliseconds: "2026-12-07T15:20:01.123Z"
  std::string ended;    // empty while the run goes on
  std::string station;
  std::string operatorName;
  std::string toolVersion;
  std::string adapter;
  std::string family;
  Identification identification;
  std::optional<int> serial;    // standard command 0x1C; empty when the gauge did not answer
  std::string manufactureDate;  // 0x1B as "YYYY-MM-DD"; empty when not read
  std::string action;
  std::string outcome = kInterrupted;
  // [{"name", "text", "value", "unit", "source": "typed"|"measured", "instrument"}]
  nlohmann::ordered_json references = nlohmann::ordered_json::array();
  nlohmann::ordered_json before = nlohmann::ordered_json::object();  // row name: number
  nlohmann::ordered_json after = nlohmann::ordered_json::object();
  nlohmann::ordered_json check = nlohmann::ordered_json::array();
  // The same quantities read before the calibration, against the same references.
  nlohmann::ordered_json asFound = nlohmann::ordered_json::array();
  std::vector<std::string> messages;
  std::vector<std::string> warnings;
  std::string backup;  // the backup of the calibration area saved before the first write
};

// Every field, as `gaugecal records --json` prints it.
nlohmann::ordered_json ToJson(const Record& record);

// What the columns do not hold (references, before, after, check, asFound, messages,
// warnings), and
// back; a damaged text leaves those fields empty.
std::string BodyText(const Record& record);
void ReadBody(const std::string& text, Record& record);

struct RecordFilter {
  std::optional<int> serial;
  std::string since;    // "YYYY-MM-DD" (or a longer ISO 8601 time): started at or after it
  std::string outcome;  // empty: any
  std::string id;       // empty: any
};

// "YYYY-MM-DD", alone or followed by a time ("T15:20", ...): what a filter's since takes.
bool IsIsoDate(const std::string& text);

// A version 4 UUID from the system's random source.
std::string NewRecordId();
// The system's UTC time now, as records keep it.
std::string UtcNow();

}  // namespace gaugecal::records
