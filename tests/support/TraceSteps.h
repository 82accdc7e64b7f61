#pragma once
// Compact one-word steps from bus trace entries, so a test can compare a sequence at a glance:
//   MAC:0054     subcommand 0x0054 written to the manufacturer access register (0x00)
//   WW_:77=0068  word write of another command        WW:77=00,40  word written as msb, lsb
//   RW:2F RW_:74 word reads                           RB:23 ReadSMBusBlock_   WB:2F/32 block write
//   CFE          CheckForError                        S:10 sleep  W:20 wait  D:250 host delay
//   MSG          message box

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace gaugecal::test {

inline std::string TraceStep(const nlohmann::json& e) {
  const std::string op = e.value("op", "");
  char text[64];
  const auto hex2 = [&e](const char* key) { return e.value(key, 0) & 0xFF; };
  const auto word = [&e] { return e.value("word", 0) & 0xFFFF; };
  const auto ms = [&e] { return static_cast<int>(e.value("ms", 0.0) + 0.5); };
  if (op == "WriteSMBusWord_" && e.value("cmd", -1) == 0)
    std::snprintf(text, sizeof text, "MAC:%04X", word());
  else if (op == "WriteSMBusWord_")
    std::snprintf(text, sizeof text, "WW_:%02X=%04X", hex2("cmd"), word());
  else if (op == "WriteSMBusWord")
    std::snprintf(text, sizeof text, "WW:%02X=%02X,%02X", hex2("cmd"), hex2("msb"), hex2("lsb"));
  else if (op == "ReadSMBusWord")
    std::snprintf(text, sizeof text, "RW:%02X", hex2("cmd"));
  else if (op == "ReadSMBusWord_")
    std::snprintf(text, sizeof text, "RW_:%02X", hex2("cmd"));
  else if (op == "ReadSMBusBlock_")
    std::snprintf(text, sizeof text, "RB:%02X", hex2("cmd"));
  else if (op == "WriteSMBusBlock")
    std::snprintf(text, sizeof text, "WB:%02X/%d", hex2("cmd"), e.value("len", 0));
  else if (op == "CheckForError")
    std::snprintf(text, sizeof text, "CFE");
  else if (op == "Sleep")
    std::snprintf(text, sizeof text, "S:%d", ms());
  else if (op == "Wait")
    std::snprintf(text, sizeof text, "W:%d", ms());
  else if (op == "Delay")
    std::snprintf(text, sizeof text, "D:%d", ms());
  else if (op == "MsgBox")
    std::snprintf(text, sizeof text, "MSG");
  else
    std::snprintf(text, sizeof text, "%s", op.c_str());
  return text;
}

inline std::vector<std::string> TraceSteps(const std::vector<nlohmann::json>& trace) {
  std::vector<std::string> steps;
  steps.reserve(trace.size());
  for (const auto& e : trace)
    steps.push_back(TraceStep(e));
  return steps;
}

inline long CountSteps(const std::vector<std::string>& steps, const std::string& step) {
  long n = 0;
  for (const auto& s : steps)
    n += s == step ? 1 : 0;
  return n;
}

}  // namespace gaugecal::test
