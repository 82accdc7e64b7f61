#include "session/EmulatedBench.h"

#include "sim/SimulatedGauge.h"

namespace gaugecal::session {

namespace {

constexpr int kThermometers = 3;         // internal, ext1, ext2
constexpr double kSourceVoltage = 20.0;  // above any pack: the channel runs in constant current
constexpr double kSourceSettleSeconds = 0.5;

ReadingSource Read(const std::string& instrument, const std::string& group,
                   instruments::Quantity quantity) {
  ReadingSource r;
  r.instrument = instrument;
  r.channelGroup = group;
  r.quantity = quantity;
  return r;
}

instruments::InstrumentSpec Entry(const std::string& name, const std::string& driver,
                                  const instruments::ScpiServer& server, const std::string& model) {
  instruments::InstrumentSpec setup;
  setup.name = name;
  setup.driver = driver;
  setup.connection = server.Connection();
  setup.model = model;
  return setup;
}

}  // namespace

std::unique_ptr<EmulatedBench> EmulatedBench::Start(sim::SimulatedGauge& gauge,
                                                    std::string& error) {
  using instruments::Quantity;
  std::unique_ptr<EmulatedBench> bench(new EmulatedBench(gauge));
  const sim::Scenario& s = gauge.Settings();
  bench->supply_ = instruments::EmulatedSupply::Start(error);
  if (!bench->supply_)
    return nullptr;
  StationProfile& p = bench->profile_;
  p.file = "the emulated bench";
  p.instruments.push_back(Entry("supply", "scpi-pps", bench->supply_->Server(), "DP832"));
  for (int n = 1; n <= s.cells && n <= 4; ++n) {
    auto tap = instruments::EmulatedDmm::Start(error);
    if (!tap)
      return nullptr;
    const std::string name = "dmm" + std::to_string(n);
    p.instruments.push_back(Entry(name, "scpi-dmm", tap->Server(), "34465A"));
    p.cells[n] = {{Read(name, "", Quantity::Voltage)}};
    bench->taps_.push_back(std::move(tap));
  }
  p.battery = p.cells.rbegin()->second;
  bench->pack_ = instruments::EmulatedDmm::Start(error);
  if (!bench->pack_)
    return nullptr;
  p.instruments.push_back(Entry("dmm-pack", "scpi-dmm", bench->pack_->Server(), "34465A"));
  p.pack = ReferenceSource{{Read("dmm-pack", "", Quantity::Voltage)}};
  p.current = ReferenceSource{{Read("dmm-pack", "", Quantity::Current)}};
  // The internal sensor is calibrated on the families whose calibration area is in rows.
  const bool internal = s.family == DfType::RN44K18 || s.family == DfType::CEDV_PLUS;
  for (int i = internal ? 0 : 1; i < kThermometers; ++i) {
    auto thermometer = instruments::EmulatedDmm::Start(error);
    if (!thermometer)
      return nullptr;
    const std::string name = "thermo-" + SensorKeys()[static_cast<size_t>(i)];
    p.instruments.push_back(Entry(name, "scpi-dmm", thermometer->Server(), "34465A"));
    p.temperatures[i] = {{Read(name, "", Quantity::Temperature)}};
    bench->thermometers_.push_back(std::move(thermometer));
  }
  p.source =
      CurrentSource{"supply", "3", kSourceCurrentMa, kSourceVoltage * 1000.0, kSourceSettleSeconds};
  // The cell channels start as the pack's cells, on; the current channel off.
  for (int n = 1; n <= 2; ++n) {
    instruments::SupplyChannel cell;
    cell.voltageSet = s.cellMv[static_cast<size_t>(n - 1)] / 1000.0;
    cell.currentSet = 1.0;
    cell.on = true;
    bench->supply_->SetChannel(n, cell);
  }
  instruments::SupplyChannel current;
  current.voltageSet = kSourceVoltage;
  current.constantCurrent = true;
  bench->supply_->SetChannel(3, current);
  bench->Sync();
  return bench;
}

std::vector<instruments::ScpiServer*> EmulatedBench::Servers() {
  std::vector<instruments::ScpiServer*> servers = {&supply_->Server()};
  for (auto& tap : taps_)
    servers.push_back(&tap->Server());
  servers.push_back(&pack_->Server());
  for (auto& thermometer : thermometers_)
    servers.push_back(&thermometer->Server());
  return servers;
}

void EmulatedBench::Sync() {
  sim::Scenario& s = gauge_.Settings();
  for (int n = 1; n <= 2; ++n) {
    const instruments::SupplyChannel cell = supply_->Channel(n);
    s.cellMv[static_cast<size_t>(n - 1)] = cell.on ? cell.voltageSet * 1000.0 : 0.0;
  }
  const instruments::SupplyChannel current = supply_->Channel(3);
  s.currentMa = current.on ? current.currentSet * 1000.0 : 0.0;
  double stackMv = 0.0;
  for (size_t i = 0; i < taps_.size(); ++i) {
    stackMv += s.cellMv[i];
    taps_[i]->SetTruth({stackMv / 1000.0, 0.0, s.temperatureC[0]});
  }
  const double packV = s.packMv.value_or(stackMv) / 1000.0;
  pack_->SetTruth({packV, s.currentMa / 1000.0, s.temperatureC[0]});
  supply_->SetTerminalVolts(3, packV);
  const size_t first = kThermometers - thermometers_.size();  // 1 without the internal one
  for (size_t i = 0; i < thermometers_.size(); ++i)
    thermometers_[i]->SetTruth({0.0, 0.0, s.temperatureC[first + i]});
}

}  // namespace gaugecal::session
