// The emulated DMM and supply through libsigrok's real scpi-dmm and scpi-pps drivers, and
// through sigrok-cli, a client nobody here wrote: the emulation answers what real drivers send.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "instruments/SigrokBench.h"
#include "instruments/emulation/EmulatedDmm.h"
#include "instruments/emulation/EmulatedSupply.h"

namespace gaugecal::instruments {
namespace {

InstrumentSpec Entry(const std::string& name, const std::string& driver, ScpiServer& server,
                     const std::string& model) {
  InstrumentSpec setup;
  setup.name = name;
  setup.driver = driver;
  setup.connection = server.Connection();
  setup.model = model;
  return setup;
}

// What a command prints on its standard output (standard error left out).
std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr)
    return out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    out += buffer;
  ::pclose(pipe);
  return out;
}

TEST(EmulatedInstruments, DmmReadsItsProbePointThroughTheScpiDmmDriver) {
  std::string error;
  const auto dmm = EmulatedDmm::Start(error);
  ASSERT_NE(dmm, nullptr) << error;
  dmm->SetTruth({11.7032, -1.5, 24.8});
  SigrokBench bench;
  const auto meter = bench.Open(Entry("dmm", "scpi-dmm", dmm->Server(), "34465A"), error);
  ASSERT_NE(meter, nullptr) << error;
  EXPECT_EQ(meter->Identity(), "Keysight Technologies 34465A A.02.17-02.40-02.17-00.52-04-01");
  struct Row {
    Quantity quantity;
    double expected;
  };
  // The meter switches function for each quantity, and back.
  for (const Row& row : {Row{Quantity::Voltage, 11.7032 * (1 + kDmmGainError) + kDmmVoltOffset},
                         Row{Quantity::Current, -1.5 * (1 + kDmmGainError) + kDmmAmpereOffset},
                         Row{Quantity::Temperature, 24.8 + kDmmCelsiusOffset},
                         Row{Quantity::Voltage, 11.7032 * (1 + kDmmGainError) + kDmmVoltOffset}}) {
    SCOPED_TRACE(NameOf(row.quantity));
    Reading reading;
    ASSERT_TRUE(meter->Measure("", row.quantity, 3, reading, error)) << error;
    EXPECT_NEAR(reading.value, row.expected, 2e-6);  // the driver hands floats on
    EXPECT_EQ(reading.samples, 3);
  }
  const auto received = dmm->Server().Received();
  for (const char* command : {"*IDN?", "CONF:CURR:DC", "CONF:TEMP", "CONF:VOLT:DC", "READ?"})
    EXPECT_NE(std::find(received.begin(), received.end(), command), received.end()) << command;
}

TEST(EmulatedInstruments, SupplyChannelsAreSetAndReadThroughTheScpiPpsDriver) {
  std::string error;
  const auto supply = EmulatedSupply::Start(error);
  ASSERT_NE(supply, nullptr) << error;
  SigrokBench bench;
  const auto source = bench.Open(Entry("supply", "scpi-pps", supply->Server(), "DP832"), error);
  ASSERT_NE(source, nullptr) << error;
  ASSERT_TRUE(source->SetVoltage("2", 3.8971, error)) << error;
  ASSERT_TRUE(source->SetCurrent("2", 0.25, error)) << error;
  ASSERT_TRUE(source->SetOutput("2", true, error)) << error;
  // Settings have no answer: a reading after them is what says they arrived.
  Reading reading;
  ASSERT_TRUE(source->Measure("2", Quantity::Voltage, 2, reading, error)) << error;
  EXPECT_NEAR(reading.value, 3.8971, 1e-4);
  const SupplyChannel two = supply->Channel(2);
  EXPECT_NEAR(two.voltageSet, 3.8971, 1e-6);
  EXPECT_NEAR(two.currentSet, 0.25, 1e-6);
  EXPECT_TRUE(two.on);
  EXPECT_FALSE(supply->Channel(1).on) << "only the channel asked for";
  ASSERT_TRUE(source->SetOutput("2", false, error)) << error;
  ASSERT_TRUE(source->Measure("2", Quantity::Voltage, 1, reading, error)) << error;
  EXPECT_EQ(reading.value, 0.0);
  EXPECT_FALSE(supply->Channel(2).on);
}

TEST(EmulatedInstruments, SigrokCliReadsTheDmmAndSetsTheSupply) {
  std::string error;
  const auto dmm = EmulatedDmm::Start(error);
  const auto supply = EmulatedSupply::Start(error);
  ASSERT_TRUE(dmm && supply) << error;
  dmm->SetTruth({3.9021, 0.0, 25.0});
  const std::string read = RunCommand(std::string(GAUGECAL_SIGROK_CLI) + " -d scpi-dmm:conn=" +
                                      dmm->Server().Connection() + " --samples 2");
  EXPECT_EQ(read, "P1: 3.902159 V DC\nP1: 3.902159 V DC\n");
  RunCommand(std::string(GAUGECAL_SIGROK_CLI) +
             " -d scpi-pps:conn=" + supply->Server().Connection() +
             " --channel-group 3 --config voltage_target=12.5:current_limit=1.25:enabled=on --set");
  // sigrok-cli hands the supply back to its front panel last: once that arrived, so did the
  // settings before it.
  for (int i = 0; i < 5000 && (supply->Server().Received().empty() ||
                               supply->Server().Received().back() != "SYST:LOCAL");
       ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const SupplyChannel three = supply->Channel(3);
  EXPECT_NEAR(three.voltageSet, 12.5, 1e-6);
  EXPECT_NEAR(three.currentSet, 1.25, 1e-6);
  EXPECT_TRUE(three.on);
}

}  // namespace
}  // namespace gaugecal::instruments
