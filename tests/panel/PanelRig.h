#pragma once
// The calibration panel on a simulated gauge, started the way a host starts it: an application
// directory (the sample one, a copy with an extra config.ini section, or an empty one), the
// traced host link and a virtual clock.

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "panel/NBCal.h"
#include "support/Bench.h"

namespace gaugecal::test {

enum class AppDir { Sample, Empty };

class PanelRig : public Bench {
 public:
  // extraConfig: a config.ini section appended to a copy of the sample application directory
  // (read last, it decides every number and flag key).
  explicit PanelRig(sim::Scenario scenario, const std::string& extraConfig = "",
                    AppDir appDir = AppDir::Sample)
      : Bench(std::move(scenario)) {
    std::string dir = GAUGECAL_SAMPLE_APPDIR "/";
    if (!extraConfig.empty() || appDir == AppDir::Empty) {
      temp_ = std::make_unique<TempDir>();
      dir = temp_->Dir();
    }
    if (!extraConfig.empty()) {
      std::filesystem::copy(GAUGECAL_SAMPLE_APPDIR, dir, std::filesystem::copy_options::recursive);
      std::ofstream(dir + "config.ini", std::ios::app) << "\n" << extraConfig << "\n";
    }
    Module().appDirectory = dir;
  }
  explicit PanelRig(DfType family) : PanelRig(Quiet(family)) {}

  panel::StartupOutcome Start() {
    panel.Startup(Link());
    return panel.Outcome();
  }
  panel::NBCalControls& C() { return panel.Controls(); }

  // Types or ticks like a technician: "txtVoltage(2)" gets a text, a check box "1" or "0".
  void Enter(const std::vector<std::pair<std::string, std::string>>& entries) {
    for (const auto& [key, value] : entries) {
      const size_t open = key.find('(');
      const int index = open == std::string::npos ? -1 : std::stoi(key.substr(open + 1));
      panel::Control* c = panel.Find(key.substr(0, open), index);
      ASSERT_NE(c, nullptr) << key;
      if (c->Kind() == panel::ControlKind::CheckBox)
        c->SetChecked(value == "1");
      else
        c->SetText(value);
    }
  }

  panel::NBCal panel;

 private:
  std::unique_ptr<TempDir> temp_;
};

}  // namespace gaugecal::test
