#pragma once
// The bus trace: one JSON object per line for every host-link call, operating-system sleep,
// wait and message box, in the order they happen. Tests and tools read these lines back, so
// the field names and their meaning are a contract:
//   seq, t_ms, op, then where they apply cmd, addr, word, msb, lsb, data, len, status,
//   ms (Sleep, Wait), text, icon, title (MsgBox), instrument, channelGroup, quantity, value,
//   unit, samples (Measure: one bench instrument's reading), instrument, channelGroup,
//   setting, value (Source: a change of the current source).

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>

namespace gaugecal {

struct TraceEntry {
  std::string op;
  std::optional<int32_t> cmd = std::nullopt;
  std::optional<int32_t> addr = std::nullopt;
  std::optional<int32_t> word = std::nullopt;
  std::optional<int32_t> msb = std::nullopt;
  std::optional<int32_t> lsb = std::nullopt;
  std::optional<std::string> data = std::nullopt;  // upper-case hex, no separators
  std::optional<int32_t> len = std::nullopt;
  std::optional<int32_t> status = std::nullopt;
  std::optional<double> ms = std::nullopt;
  std::optional<std::string> text = std::nullopt;
  std::optional<std::string> icon = std::nullopt;
  std::optional<std::string> title = std::nullopt;
  std::optional<std::string> instrument = std::nullopt;
  std::optional<std::string> channelGroup = std::nullopt;
  std::optional<std::string> quantity = std::nullopt;
  std::optional<std::string> setting = std::nullopt;
  std::optional<double> value = std::nullopt;
  std::optional<std::string> unit = std::nullopt;
  std::optional<int32_t> samples = std::nullopt;
};

class TraceLog {
 public:
  // clockMs gives the platform clock; timestamps count from the first call of this constructor.
  TraceLog(std::ostream& out, std::function<double()> clockMs);

  void Record(const TraceEntry& entry);
  int64_t Count() const { return seq_; }

  static std::string Hex(std::span<const uint8_t> bytes);

 private:
  std::ostream& out_;
  std::function<double()> clockMs_;
  double startMs_;
  int64_t seq_ = 0;
};

}  // namespace gaugecal
