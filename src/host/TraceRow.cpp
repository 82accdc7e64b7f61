#include "host/TraceRow.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

namespace gaugecal::host {

namespace {

using nlohmann::json;

enum class Unit { None, Millivolts, Milliamps, TenthKelvin, Percent };

struct Command {
  const char* name;
  Unit unit;
};

// The commands the panels use, by number.
const std::map<int, Command>& Commands() {
  static const std::map<int, Command> commands = [] {
    std::map<int, Command> c = {
        {0x00, {"ManufacturerAccess", Unit::None}},
        {0x08, {"Temperature", Unit::TenthKelvin}},
        {0x09, {"Voltage", Unit::Millivolts}},
        {0x0A, {"Current", Unit::Milliamps}},
        {0x0D, {"RelativeStateOfCharge", Unit::Percent}},
        {0x1B, {"ManufactureDate", Unit::None}},
        {0x1C, {"SerialNumber", Unit::None}},
        {0x23, {"ManufacturerData", Unit::None}},
        {0x2F, {"Authentication", Unit::None}},
        {0x77, {"DataFlashSubclass", Unit::None}},
        {0x78, {"DataFlashSubclassBlock", Unit::None}},
    };
    static const char* const kCells[] = {"CellVoltage8", "CellVoltage7", "CellVoltage6",
                                         "CellVoltage5", "CellVoltage4", "CellVoltage3",
                                         "CellVoltage2", "CellVoltage1"};
    for (int i = 0; i < 8; ++i)
      c[0x38 + i] = {kCells[i], Unit::Millivolts};
    return c;
  }();
  return commands;
}

const char* KindOf(const std::string& op) {
  static const std::map<std::string, const char*> kinds = {
      {"ReadSMBusWord", "Read word"},
      {"ReadSMBusWord_", "Read word"},
      {"WriteSMBusWord", "Write word"},
      {"WriteSMBusWord_", "Write word"},
      {"ReadSMBusBlock", "Read block"},
      {"ReadSMBusBlock_", "Read block"},
      {"WriteSMBusBlock", "Write block"},
      {"Sleep", "Sleep"},
      {"Wait", "Wait"},
      {"Delay", "Host delay"},
      {"MsgBox", "Message"},
      {"CheckForError", "Error check"},
  };
  const auto it = kinds.find(op);
  return it == kinds.end() ? nullptr : it->second;
}

std::string Format(const char* format, auto... values) {
  char text[64];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

std::string Number(double value) {
  std::string text = Format("%.3f", value);
  while (text.back() == '0')
    text.pop_back();
  if (text.back() == '.')
    text.pop_back();
  return text;
}

std::string ValueOf(Unit unit, int word) {
  const auto s16 = static_cast<int16_t>(static_cast<uint16_t>(word));
  switch (unit) {
    case Unit::Millivolts:
      return std::to_string(s16) + " mV";
    case Unit::Milliamps:
      return std::to_string(s16) + " mA";
    case Unit::TenthKelvin:
      return Format("%.1f degC (%d x 0.1 K)", (word - 2732) / 10.0, word);
    case Unit::Percent:
      return std::to_string(word) + " %";
    case Unit::None:
      break;
  }
  return {};
}

}  // namespace

TraceRow DecodeTraceLine(const std::string& line) {
  TraceRow row;
  const json e = json::parse(line, nullptr, false);
  if (!e.is_object() || !e.contains("op") || !e["op"].is_string()) {
    row.data = line;
    return row;
  }
  const std::string op = e["op"].get<std::string>();
  const char* kind = KindOf(op);
  row.kind = kind ? kind : op;
  if (e.contains("t_ms") && e["t_ms"].is_number())
    row.timeMs = Format("%.3f", e["t_ms"].get<double>());
  if (e.contains("addr") && e["addr"].is_number_integer())
    row.address = Format("0x%02X", e["addr"].get<int>());
  int word = -1;
  if (e.contains("word") && e["word"].is_number_integer())
    word = e["word"].get<int>();
  else if (e.contains("msb") && e.contains("lsb"))
    word = (e["msb"].get<int>() << 8) | e["lsb"].get<int>();
  if (e.contains("cmd") && e["cmd"].is_number_integer()) {
    const int cmd = e["cmd"].get<int>();
    row.command = Format("0x%02X", cmd);
    const auto known = Commands().find(cmd);
    if (known != Commands().end()) {
      row.command += std::string(" ") + known->second.name;
      if (word >= 0)
        row.value = ValueOf(known->second.unit, word);
    } else if (cmd >= 0x58 && cmd < 0x60) {
      row.command += " DataFlashPage" + std::to_string(cmd - 0x58);
    }
    if (cmd == 0x00 && word >= 0 && op.rfind("Write", 0) == 0)
      row.command += Format(" 0x%04X", word);  // the subcommand
  }
  if (word >= 0)
    row.data = Format("0x%04X", word);
  else if (e.contains("data") && e["data"].is_string())
    row.data = e["data"].get<std::string>();
  else if (e.contains("text") && e["text"].is_string())
    row.data = e["text"].get<std::string>();
  if (e.contains("ms") && e["ms"].is_number())
    row.value = Number(e["ms"].get<double>()) + " ms";
  if (e.contains("len") && e["len"].is_number_integer())
    row.value = std::to_string(e["len"].get<int>()) + " bytes";
  if (e.contains("status") && e["status"].is_number_integer()) {
    const int status = e["status"].get<int>();
    row.status = status == 0 ? "OK" : "failed (" + std::to_string(status) + ")";
  }
  return row;
}

}  // namespace gaugecal::host
