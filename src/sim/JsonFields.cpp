#include "sim/JsonFields.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <limits>

#include "platform/Printable.h"

namespace gaugecal::sim {

namespace {

// "0x1F", "31" or "-3968"; false for anything else.
bool ParseIntegerText(const std::string& text, int64_t& value) {
  if (text.empty())
    return false;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
  if (end == text.c_str() || *end != '\0' || errno == ERANGE)
    return false;
  value = v;
  return true;
}

}  // namespace

namespace {

// The shortest text that reads back as the same number, never in exponent form (1e9 is
// "1000000000", 0.2 is "0.2").
std::string Exact(double value) {
  char text[400];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr;
  return std::string(text, end);
}

}  // namespace

std::string RangeText(double lo, double hi) {
  return "from " + Exact(lo) + " to " + Exact(hi);
}

std::string RangeText(int64_t lo, int64_t hi) {
  return "from " + std::to_string(lo) + " to " + std::to_string(hi);
}

JsonFields::JsonFields(const nlohmann::json& object, std::string source, std::string path,
                       std::string& error)
    : object_(object), source_(std::move(source)), path_(std::move(path)), error_(error) {
  if (!object_.is_object())
    Fail("", "must be a JSON object");
}

std::string JsonFields::PathOf(const std::string& key) const {
  if (path_.empty())
    return key;
  return key.empty() ? path_ : path_ + "." + key;
}

bool JsonFields::Fail(const std::string& key, const std::string& problem) {
  if (error_.empty()) {
    // Keys come from the file: control characters in them must not break the line.
    const std::string where = Printable(PathOf(key));
    error_ = source_ + ": " + (where.empty() ? "" : "\"" + where + "\": ") + problem;
  }
  return false;
}

bool JsonFields::OnlyKeys(std::initializer_list<const char*> known) {
  if (!Ok())
    return false;
  for (const auto& item : object_.items()) {
    const bool found =
        std::any_of(known.begin(), known.end(), [&item](const char* k) { return item.key() == k; });
    if (!found)
      return Fail(item.key(), "unknown key");
  }
  return true;
}

bool JsonFields::Number(const char* key, double& out, double lo, double hi) {
  if (!Ok())
    return false;
  if (!object_.contains(key))
    return true;
  const nlohmann::json& v = object_.at(key);
  if (!v.is_number() || !(v.get<double>() >= lo && v.get<double>() <= hi))
    return Fail(key, "must be a number " + RangeText(lo, hi));
  out = v.get<double>();
  return true;
}

bool JsonFields::Integer(const char* key, int64_t& out, int64_t lo, int64_t hi) {
  if (!Ok())
    return false;
  if (!object_.contains(key))
    return true;
  const nlohmann::json& v = object_.at(key);
  int64_t value = 0;
  bool ok = false;
  if (v.is_number_unsigned()) {
    // Beyond the signed range it would wrap (18446744073709551615 to -1): out of range.
    ok = v.get<uint64_t>() <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    value = ok ? v.get<int64_t>() : 0;
  } else if (v.is_number_integer()) {
    value = v.get<int64_t>();
    ok = true;
  } else if (v.is_string()) {
    ok = ParseIntegerText(v.get<std::string>(), value);
  }
  if (!ok || value < lo || value > hi) {
    return Fail(
        key, "must be an integer " + RangeText(lo, hi) + " (a number or a text such as \"0x1F\")");
  }
  out = value;
  return true;
}

bool JsonFields::Bool(const char* key, bool& out) {
  if (!Ok())
    return false;
  if (!object_.contains(key))
    return true;
  if (!object_.at(key).is_boolean())
    return Fail(key, "must be true or false");
  out = object_.at(key).get<bool>();
  return true;
}

bool JsonFields::Text(const char* key, std::string& out) {
  if (!Ok())
    return false;
  if (!object_.contains(key))
    return true;
  if (!object_.at(key).is_string())
    return Fail(key, "must be a text");
  out = object_.at(key).get<std::string>();
  return true;
}

bool JsonFields::Numbers(const char* key, std::span<double> out, double lo, double hi) {
  if (!Ok())
    return false;
  if (!object_.contains(key))
    return true;
  const nlohmann::json& v = object_.at(key);
  const bool shape = v.is_array() && v.size() == out.size();
  const bool values =
      shape && std::all_of(v.begin(), v.end(), [lo, hi](const auto& e) {
        return e.is_number() && e.template get<double>() >= lo && e.template get<double>() <= hi;
      });
  if (!values) {
    return Fail(
        key, "must be an array of " + std::to_string(out.size()) + " numbers " + RangeText(lo, hi));
  }
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = v[i].get<double>();
  return true;
}

}  // namespace gaugecal::sim
