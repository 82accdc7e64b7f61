#pragma once
// Typed, range-checked reads of the keys of one JSON object, for scenario files. A missing key
// leaves the target as it is; a present key of the wrong type or out of range sets one message
// naming the file and the key path, and every later read returns false.

#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <span>
#include <string>

namespace gaugecal::sim {

class JsonFields {
 public:
  // source: the file; path: the key path of this object ("" at the top, "converter", ...).
  JsonFields(const nlohmann::json& object, std::string source, std::string path,
             std::string& error);

  bool Ok() const { return error_.empty(); }
  // Fails on a key that is not in the list (a misspelt key must not be ignored silently).
  bool OnlyKeys(std::initializer_list<const char*> known);

  bool Number(const char* key, double& out, double lo, double hi);
  // A JSON integer, or a text "0x.." / decimal, within lo..hi.
  bool Integer(const char* key, int64_t& out, int64_t lo, int64_t hi);
  // The same into a narrower integer field (lo..hi must fit it).
  template <typename T>
  bool IntegerInto(const char* key, T& out, int64_t lo, int64_t hi) {
    int64_t v = static_cast<int64_t>(out);
    if (!Integer(key, v, lo, hi))
      return false;
    out = static_cast<T>(v);
    return true;
  }
  bool Bool(const char* key, bool& out);
  bool Text(const char* key, std::string& out);
  // An array of exactly out.size() numbers, each within lo..hi.
  bool Numbers(const char* key, std::span<double> out, double lo, double hi);

  bool Has(const char* key) const { return object_.contains(key); }
  const nlohmann::json& At(const char* key) const { return object_.at(key); }
  // The key path of a member, for nested readers and messages.
  std::string PathOf(const std::string& key) const;
  // Sets the message "<source>: "<path.key>": <problem>" and returns false.
  bool Fail(const std::string& key, const std::string& problem);

 private:
  const nlohmann::json& object_;
  std::string source_;
  std::string path_;
  std::string& error_;
};

// "from LO to HI" with both limits exactly as they are.
std::string RangeText(double lo, double hi);
std::string RangeText(int64_t lo, int64_t hi);

}  // namespace gaugecal::sim
