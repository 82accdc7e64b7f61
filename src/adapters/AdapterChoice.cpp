#include "adapters/AdapterChoice.h"

#include <charconv>
#include <vector>

#include "sim/Scenario.h"

namespace gaugecal::adapters {

const char* const kKnownAdapters =
    "sim:FAMILY, i2c-sim:FAMILY, cp2112-sim:FAMILY, i2c:/dev/i2c-N or cp2112[:SERIAL], FAMILY "
    "being CEDV, QSPAN, RN44K18 or CEDV_PLUS";

namespace {

struct Scheme {
  const char* prefix;
  AdapterKind kind;
  bool targetRequired;
};

constexpr Scheme kSchemes[] = {
    {"sim", AdapterKind::Sim, true},
    {"i2c", AdapterKind::I2c, true},
    {"cp2112", AdapterKind::Cp2112, false},
    {"i2c-sim", AdapterKind::I2cSim, true},
    {"cp2112-sim", AdapterKind::Cp2112Sim, true},
};

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at = text.find(separator); at != std::string::npos;
       at = text.find(separator, start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

bool Number(const std::string& text, int64_t low, int64_t high, int64_t& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && value >= low && value <= high;
}

bool Option(const std::string& option, AdapterChoice& choice, std::string& error) {
  const bool bridge = choice.kind == AdapterKind::Cp2112 || choice.kind == AdapterKind::Cp2112Sim;
  const size_t eq = option.find('=');
  const std::string key = option.substr(0, eq);
  const std::string value = eq == std::string::npos ? "" : option.substr(eq + 1);
  int64_t n = 0;
  if (option == "pec") {
    choice.pec = true;
  } else if (key == "timeout" && Number(value, 1, 60000, n)) {
    choice.timeoutMs = static_cast<int>(n);
  } else if (key == "retries" && Number(value, 0, 1000, n)) {
    choice.retries = static_cast<int>(n);
  } else if (key == "clock" && bridge && Number(value, 10000, 400000, n)) {
    choice.clockHz = static_cast<uint32_t>(n);
  } else {
    error = "unknown or out-of-range adapter option \"" + option +
            "\" (known: pec, timeout=1..60000 ms, retries=0..1000" +
            (bridge ? ", clock=10000..400000 Hz)" : ")");
    return false;
  }
  return true;
}

}  // namespace

std::optional<AdapterChoice> ParseAdapterChoice(const std::string& text, std::string& error) {
  const std::vector<std::string> parts = Split(text, ',');
  const std::string& head = parts.front();
  const size_t colon = head.find(':');
  const std::string prefix = head.substr(0, colon);
  const Scheme* scheme = nullptr;
  for (const Scheme& s : kSchemes) {
    if (prefix == s.prefix)
      scheme = &s;
  }
  AdapterChoice choice;
  if (scheme) {
    choice.kind = scheme->kind;
    choice.target = colon == std::string::npos ? "" : head.substr(colon + 1);
  }
  const bool simulated = choice.kind == AdapterKind::Sim || choice.kind == AdapterKind::I2cSim ||
                         choice.kind == AdapterKind::Cp2112Sim;
  const bool badTarget =
      !scheme || (scheme->targetRequired && choice.target.empty()) ||
      (simulated && !sim::ParseFamily(choice.target)) ||
      (choice.kind == AdapterKind::Sim && parts.size() > 1) ||
      (choice.kind == AdapterKind::Cp2112 && colon != std::string::npos && choice.target.empty());
  if (badTarget) {
    error = "unknown adapter \"" + text + "\" (known: " + kKnownAdapters + ")";
    return std::nullopt;
  }
  for (size_t i = 1; i < parts.size(); ++i) {
    if (!Option(parts[i], choice, error)) {
      error = "adapter \"" + text + "\": " + error;
      return std::nullopt;
    }
  }
  return choice;
}

}  // namespace gaugecal::adapters
