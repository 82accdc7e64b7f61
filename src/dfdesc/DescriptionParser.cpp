#include "dfdesc/DescriptionParser.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <set>

namespace gaugecal::dfdesc {

namespace {

using nlohmann::json;

constexpr int64_t kMaxNumber = 65535;  // largest subclass number and offset
constexpr int kMaxDepth = 32;          // a valid description nests 8 levels deep

// A check failed: the place in the file and what is wrong there. Caught in ParseDescription.
struct Invalid {
  std::string where;
  std::string what;
};

// Nesting depth of the JSON text, counted outside strings and comments, so that a hostile file
// of thousands of brackets is refused before a tree is built for it.
bool NestsTooDeep(const std::string& text) {
  int depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (c == '"') {
      for (++i; i < text.size() && text[i] != '"'; ++i)
        i += text[i] == '\\' ? 1 : 0;  // an escaped character never ends the string
    } else if (c == '/' && next == '/') {
      i = std::min(text.find('\n', i), text.size());
    } else if (c == '/' && next == '*') {
      const size_t end = text.find("*/", i + 2);
      i = end == std::string::npos ? text.size() : end + 1;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxDepth)
        return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

std::string Field(const std::string& where, const std::string& key) {
  return where.empty() ? key : where + "." + key;
}

std::string Item(const std::string& where, size_t index) {
  return where + "[" + std::to_string(index) + "]";
}

void RequireObject(const json& j, const std::string& where,
                   std::initializer_list<const char*> allowed) {
  if (!j.is_object())
    throw Invalid{where.empty() ? "top level" : where, "must be an object"};
  for (const auto& [key, value] : j.items()) {
    bool known = false;
    for (const char* a : allowed)
      known = known || key == a;
    if (!known)
      throw Invalid{Field(where, key), "is not a known key"};
  }
}

void CheckText(const std::string& text, const std::string& where) {
  if (text.size() > kMaxText)
    throw Invalid{where, "is longer than " + std::to_string(kMaxText) + " bytes"};
  if (text.find('\0') != std::string::npos)
    throw Invalid{where, "contains a NUL character"};
}

// A text key: a JSON string, or for value-like keys also a number (kept as JSON writes it).
std::string Text(const json& object, const char* key, const std::string& where, bool required,
                 bool numberAllowed) {
  const std::string place = Field(where, key);
  const auto it = object.find(key);
  if (it == object.end()) {
    if (required)
      throw Invalid{place, "is missing"};
    return {};
  }
  std::string text;
  if (it->is_string())
    text = it->get<std::string>();
  else if (numberAllowed && it->is_number())
    text = it->dump();
  else
    throw Invalid{place, numberAllowed ? "must be a string or a number" : "must be a string"};
  CheckText(text, place);
  return text;
}

std::string Name(const json& object, const std::string& where) {
  std::string name = Text(object, "name", where, true, false);
  if (name.empty())
    throw Invalid{Field(where, "name"), "is empty"};
  return name;
}

int32_t Number(const json& object, const char* key, const std::string& where) {
  const std::string place = Field(where, key);
  const auto it = object.find(key);
  if (it == object.end())
    throw Invalid{place, "is missing"};
  const std::string range = "must be a whole number from 0 to " + std::to_string(kMaxNumber);
  if (it->is_number_unsigned()) {
    const uint64_t v = it->get<uint64_t>();
    if (v > static_cast<uint64_t>(kMaxNumber))
      throw Invalid{place, range};
    return static_cast<int32_t>(v);
  }
  throw Invalid{place, range};  // negative, fractional or not a number
}

const json& Array(const json& object, const char* key, const std::string& where) {
  const auto it = object.find(key);
  if (it == object.end())
    throw Invalid{Field(where, key), "is missing"};
  if (!it->is_array())
    throw Invalid{Field(where, key), "must be an array"};
  return *it;
}

// Data type names: unsigned, signed and hexadecimal integers of 1, 2 or 4 bytes, the gauge's
// four-byte float, a temperature word, and S1..S255 for a text of that many bytes.
bool KnownType(const std::string& type) {
  std::string t;
  for (const char c : type)
    t.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  static const std::set<std::string> fixed = {"U1", "U2", "U4", "I1", "I2", "I4",
                                              "H1", "H2", "H4", "F4", "T2"};
  if (fixed.count(t))
    return true;
  if (t.size() < 2 || t.size() > 4 || t[0] != 'S' || t[1] == '0')
    return false;
  int length = 0;
  for (size_t i = 1; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9')
      return false;
    length = length * 10 + (t[i] - '0');
  }
  return length <= 255;
}

DfParameter ParseParameter(const json& j, const std::string& where) {
  RequireObject(
      j, where,
      {"name", "offset", "type", "value", "default", "min", "max", "units", "description"});
  DfParameter p;
  p.name = Name(j, where);
  p.offset = Number(j, "offset", where);
  p.type = Text(j, "type", where, true, false);
  if (!KnownType(p.type))
    throw Invalid{Field(where, "type"), "\"" + p.type + "\" is not a known data type"};
  p.value = Text(j, "value", where, true, true);
  p.defaultValue = j.contains("default") ? Text(j, "default", where, true, true) : p.value;
  p.minimum = Text(j, "min", where, false, true);
  p.maximum = Text(j, "max", where, false, true);
  p.units = Text(j, "units", where, false, false);
  p.description = Text(j, "description", where, false, false);
  return p;
}

DfSubclass ParseSubclass(const json& j, const std::string& where) {
  RequireObject(j, where, {"name", "number", "parameters"});
  DfSubclass s;
  s.name = Name(j, where);
  s.number = Number(j, "number", where);
  const json& parameters = Array(j, "parameters", where);
  std::set<std::string> names;
  for (size_t i = 0; i < parameters.size(); ++i) {
    const std::string place = Item(Field(where, "parameters"), i);
    DfParameter p = ParseParameter(parameters[i], place);
    if (!names.insert(p.name).second)
      throw Invalid{Field(place, "name"), "\"" + p.name + "\" appears twice in the subclass"};
    s.parameters.push_back(std::move(p));
  }
  return s;
}

DfClass ParseClass(const json& j, const std::string& where) {
  RequireObject(j, where, {"name", "subclasses"});
  DfClass c;
  c.name = Name(j, where);
  const json& subclasses = Array(j, "subclasses", where);
  for (size_t i = 0; i < subclasses.size(); ++i)
    c.subclasses.push_back(ParseSubclass(subclasses[i], Item(Field(where, "subclasses"), i)));
  return c;
}

DfDescription ParseTop(const json& j) {
  RequireObject(j, "", {"format", "version", "target", "classes"});
  if (Text(j, "format", "", true, false) != "gaugecal-dfdesc")
    throw Invalid{"format", "must be \"gaugecal-dfdesc\""};
  const auto version = j.find("version");
  if (version == j.end())
    throw Invalid{"version", "is missing"};
  if (!version->is_number_unsigned() || version->get<uint64_t>() != 1)
    throw Invalid{"version", "must be 1"};
  DfDescription d;
  d.target = Text(j, "target", "", false, false);
  const json& classes = Array(j, "classes", "");
  for (size_t i = 0; i < classes.size(); ++i)
    d.classes.push_back(ParseClass(classes[i], Item("classes", i)));
  return d;
}

}  // namespace

bool ParseDescription(const std::string& text, DfDescription& out, std::string& error) {
  if (text.size() > kMaxFileBytes) {
    error = "the file is larger than " + std::to_string(kMaxFileBytes) + " bytes";
    return false;
  }
  if (NestsTooDeep(text)) {
    error = "the file nests more than " + std::to_string(kMaxDepth) + " levels deep";
    return false;
  }
  try {
    const json j = json::parse(text, nullptr, true, true);
    DfDescription parsed = ParseTop(j);
    out = std::move(parsed);
    return true;
  } catch (const Invalid& e) {
    error = e.where + ": " + e.what;
  } catch (const json::parse_error& e) {
    error = std::string("not valid JSON: ") + e.what();
  } catch (const std::exception& e) {
    error = std::string("cannot be read: ") + e.what();
  }
  return false;
}

}  // namespace gaugecal::dfdesc
