#pragma once
// What the device, calibration and simulator tests stand on: the module state of a freshly
// loaded tool on a virtual clock with one family's configuration defaults and display tables,
// a simulated gauge behind the tracing host link, and the bus trace read back as one line of
// compact steps:
//   MAC:0054  subcommand to the access register   WW_:77=0068, WW:77=00,40  other word writes
//   RW:2F, RW_:74  word reads   RB:23  block read   WB:2F/32  block write of 32 bytes
//   CFE  host error drain   S:10 sleep   W:20 wait   D:250 host delay   MSG  message box

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/CalConfig.h"
#include "config/DisplayTables.h"
#include "device/ModuleState.h"
#include "device/TracingHostLink.h"
#include "platform/TraceLog.h"
#include "platform/VirtualPlatform.h"
#include "sim/SimulatedGauge.h"

namespace gaugecal::test {

constexpr int16_t kGaugeAddress = 0x17;

// A fresh directory for one test's files, removed afterwards.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("gaugecal-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string Dir() const { return path_.string() + "/"; }  // with the trailing separator
  std::string Path(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::filesystem::create_directories((path_ / name).parent_path());
    std::ofstream(path_ / name, std::ios::binary) << text;
    return Path(name);
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

inline std::string Step(const nlohmann::json& e) {
  const std::string op = e.value("op", "");
  const auto hex = [&e](const char* key, int width) {
    char text[8];
    std::snprintf(text, sizeof text, "%0*X", width, e.value(key, 0) & (width == 2 ? 0xFF : 0xFFFF));
    return std::string(text);
  };
  const std::string ms = std::to_string(static_cast<int>(e.value("ms", 0.0) + 0.5));
  if (op == "WriteSMBusWord_")
    return e.value("cmd", -1) == 0 ? "MAC:" + hex("word", 4)
                                   : "WW_:" + hex("cmd", 2) + "=" + hex("word", 4);
  if (op == "WriteSMBusWord")
    return "WW:" + hex("cmd", 2) + "=" + hex("msb", 2) + "," + hex("lsb", 2);
  if (op == "ReadSMBusWord" || op == "ReadSMBusWord_")
    return (op == "ReadSMBusWord" ? "RW:" : "RW_:") + hex("cmd", 2);
  if (op == "ReadSMBusBlock_")
    return "RB:" + hex("cmd", 2);
  if (op == "WriteSMBusBlock")
    return "WB:" + hex("cmd", 2) + "/" + std::to_string(e.value("len", 0));
  if (op == "Sleep" || op == "Wait" || op == "Delay")
    return op.substr(0, 1) + ":" + ms;
  return op == "CheckForError" ? "CFE" : op == "MsgBox" ? "MSG" : op;
}

// Occurrences of one step in a line of steps.
inline int Count(const std::string& steps, const std::string& step) {
  int n = 0;
  const std::string line = " " + steps + " ";
  for (size_t at = line.find(" " + step + " "); at != std::string::npos;
       at = line.find(" " + step + " ", at + 1))
    ++n;
  return n;
}

// A fault in the notation of the steps: kind (nack, short, long, corrupt, noanswer, stops,
// error, wrongdigest, msbfirst), then what it strikes and how: "RB:78" (a member and command;
// "MAC" is the access register, "*:2F" any member), "#2" from the second match on (#0: all),
// "x3" three in a row, "-18" or "+3" bytes less or more, "@5 ^40" the byte and bits a corrupt
// write changes (or the digest byte a wrong digest changes), "t900" when the rolling counter
// stops. Several faults are separated by ";".
inline std::vector<sim::Fault> Faults(const std::string& text) {
  using K = sim::FaultKind;
  // clang-format off
  static const std::map<std::string, K> kinds = {
      {"nack", K::Nack}, {"short", K::ShortBlock}, {"long", K::LongBlock},
      {"corrupt", K::CorruptWrite}, {"noanswer", K::NoAnswer}, {"stops", K::CounterStops},
      {"error", K::ErrorStatus}, {"wrongdigest", K::WrongDigest}, {"msbfirst", K::MsbFirstDigest}};
  // clang-format on
  static const std::map<std::string, std::string> members = {
      {"RW", "ReadSMBusWord"},    {"RW_", "ReadSMBusWord_"},  {"WW", "WriteSMBusWord"},
      {"WW_", "WriteSMBusWord_"}, {"MAC", "WriteSMBusWord_"}, {"RB", "ReadSMBusBlock_"},
      {"WB", "WriteSMBusBlock"},  {"RT", "ReadSMBusBlock"},   {"*", ""}};
  std::vector<sim::Fault> faults;
  std::istringstream all(text);
  for (std::string one; std::getline(all, one, ';');) {
    std::istringstream in(one);
    std::string token;
    in >> token;
    sim::Fault& f = faults.emplace_back(sim::Fault{.kind = kinds.at(token)});
    static const std::map<char, int sim::Fault::*> numbers = {{'#', &sim::Fault::occurrence},
                                                              {'x', &sim::Fault::count},
                                                              {'-', &sim::Fault::bytes},
                                                              {'+', &sim::Fault::bytes},
                                                              {'@', &sim::Fault::offset}};
    while (in >> token) {
      const auto colon = token.find(':');
      if (numbers.count(token[0])) {
        f.*numbers.at(token[0]) = std::stoi(token.substr(1));
      } else if (token[0] == '^') {
        f.xorMask = static_cast<uint8_t>(std::stoi(token.substr(1), nullptr, 16));
      } else if (token[0] == 't') {
        f.afterMs = std::stod(token.substr(1));
      } else {
        f.member = members.at(token.substr(0, colon));
        if (colon != std::string::npos || token == "MAC")
          f.command = token == "MAC" ? 0 : std::stoi(token.substr(colon + 1), nullptr, 16);
      }
    }
  }
  return faults;
}

// A family's built-in gauge with faults; a quiet one has no noise, so runs with other waits
// still measure the same counts.
inline sim::Scenario With(DfType family, const std::string& faults = "") {
  sim::Scenario s = sim::DefaultScenario(family);
  s.faults = Faults(faults);
  return s;
}
inline sim::Scenario Quiet(DfType family, const std::string& faults = "") {
  sim::Scenario s = With(family, faults);
  s.noiseCounts = 0.0;
  return s;
}

class Bench {
 public:
  explicit Bench(sim::Scenario scenario) {
    ResetModule();
    platform.SetTrace(&log_);
    ModuleState& m = Module();
    m.platform = &platform;
    m.SmbAddress = kGaugeAddress;
    m.calConfig = CalConfig::Defaults(scenario.family);
    m.calConfig.SystemConfigAddress = 64;  // "System Configuration", subclass 64 offset 0
    InitDisplayTables();
    std::string error;
    gauge_ = sim::OpenGauge(std::move(scenario), platform, error);
    if (!gauge_)
      throw std::runtime_error("the test scenario does not open: " + error);
    link_ = std::make_unique<TracingHostLink>(*gauge_, log_);
    m.hostLink = link_.get();
  }
  explicit Bench(DfType family, const std::string& faults = "") : Bench(With(family, faults)) {}
  ~Bench() { ResetModule(); }
  Bench(const Bench&) = delete;
  Bench& operator=(const Bench&) = delete;

  sim::SimulatedGauge& Gauge() { return *gauge_; }
  HostLink& Link() { return *link_; }
  std::string TraceText() const { return out_.str(); }
  std::vector<nlohmann::json> Trace() const {
    std::vector<nlohmann::json> lines;
    std::istringstream in(out_.str());
    for (std::string line; std::getline(in, line);)
      lines.push_back(nlohmann::json::parse(line));
    return lines;
  }
  // The steps since the last ClearTrace, blank-separated; only the bus transfers if asked.
  std::string Steps(bool transfersOnly = false) const {
    std::string steps;
    for (const auto& e : Trace()) {
      const std::string s = Step(e);
      if (!transfersOnly || (s[1] != ':' && s != "MSG") || s[0] == 'D')
        steps += (steps.empty() ? "" : " ") + s;
    }
    return steps;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& m : platform.Messages())
      texts.push_back(m.text);
    return texts;
  }
  // The messages in one line, separated by "|".
  std::string MessageLine() const {
    std::string line;
    for (const auto& m : platform.Messages())
      line += (line.empty() ? "" : "|") + m.text;
    return line;
  }
  void ClearTrace() {
    out_.str("");
    platform.ClearMessages();
  }
  // The calibration area as the gauge holds it: CEDV page 0, QSPAN subclass 104, the two rows
  // of RN44K18 and CEDV_PLUS.
  std::vector<uint8_t> CalArea() const {
    const sim::GaugeFlash& flash = gauge_->Flash();
    std::vector<uint8_t> area;
    if (flash.Layout().family == DfType::QSPAN) {
      auto sub = flash.SubclassBytes(104);
      area.assign(sub.begin(), sub.end());
    } else {
      area.assign(flash.Bytes().begin(), flash.Bytes().begin() + 64);
    }
    return area;
  }

  VirtualPlatform platform;

 private:
  std::ostringstream out_;
  TraceLog log_{out_, [this] { return platform.ClockMs(); }};
  std::unique_ptr<sim::SimulatedGauge> gauge_;
  std::unique_ptr<TracingHostLink> link_;
};

}  // namespace gaugecal::test
