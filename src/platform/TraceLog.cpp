#include "platform/TraceLog.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace gaugecal {

TraceLog::TraceLog(std::ostream& out, std::function<double()> clockMs)
    : out_(out), clockMs_(std::move(clockMs)), startMs_(clockMs_()) {}

std::string TraceLog::Hex(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
  }
  return text;
}

namespace {

// Whole microseconds keep the lines short and stable across runs, and hide the float noise of
// single-precision waits (0.02 s is 20.000000298 ms).
double ToMicroseconds(double ms) {
  return std::round(ms * 1000.0) / 1000.0;
}

}  // namespace

void TraceLog::Record(const TraceEntry& e) {
  nlohmann::ordered_json line;
  line["seq"] = ++seq_;
  line["t_ms"] = ToMicroseconds(clockMs_() - startMs_);
  line["op"] = e.op;
  auto put = [&line](const char* name, const auto& field) {
    if (field)
      line[name] = *field;
  };
  put("cmd", e.cmd);
  put("addr", e.addr);
  put("word", e.word);
  put("msb", e.msb);
  put("lsb", e.lsb);
  put("data", e.data);
  put("len", e.len);
  put("status", e.status);
  if (e.ms)
    line["ms"] = ToMicroseconds(*e.ms);
  put("text", e.text);
  put("icon", e.icon);
  put("title", e.title);
  put("instrument", e.instrument);
  put("channelGroup", e.channelGroup);
  put("quantity", e.quantity);
  put("setting", e.setting);
  put("value", e.value);
  put("unit", e.unit);
  put("samples", e.samples);
  out_ << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  out_.flush();
}

}  // namespace gaugecal
