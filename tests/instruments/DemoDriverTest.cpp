// The instrument layer against libsigrok's own demo driver: a channel set to a DC value
// (amplitude 0, an offset) must read back as that value, averaged over the samples asked for,
// and every failure must name the instrument and say what went wrong.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "instruments/SigrokBench.h"

namespace gaugecal::instruments {
namespace {

InstrumentSpec DemoAt(const std::string& group, const std::string& offset) {
  InstrumentSpec setup;
  setup.name = "demo1";
  setup.driver = "demo";
  setup.settings = {
      {group, "pattern", "square"}, {group, "amplitude", "0"}, {group, "offset", offset}};
  return setup;
}

TEST(DemoDriver, DcChannelReadsItsOffsetAsTheMeanOfTheSamplesAsked) {
  struct Row {
    std::string group;
    std::string offset;
    int samples;
    double expected;
  };
  for (const Row& row :
       {Row{"A0", "3.3", 1, 3.3}, Row{"A0", "-1.25", 7, -1.25}, Row{"A2", "0.0042", 10, 0.0042}}) {
    SCOPED_TRACE(row.group + " " + row.offset);
    SigrokBench bench;
    std::string error;
    const std::unique_ptr<Instrument> demo = bench.Open(DemoAt(row.group, row.offset), error);
    ASSERT_NE(demo, nullptr) << error;
    EXPECT_EQ(demo->Name(), "demo1");
    EXPECT_NE(demo->Identity().find("Demo device"), std::string::npos) << demo->Identity();
    Reading reading;
    ASSERT_TRUE(demo->Measure(row.group, Quantity::Voltage, row.samples, reading, error)) << error;
    EXPECT_NEAR(reading.value, row.expected, 1e-6);
    EXPECT_EQ(reading.samples, row.samples);
    EXPECT_EQ(UnitOf(reading.quantity), "V");
  }
}

TEST(DemoDriver, FailuresNameTheInstrumentAndTheProblem) {
  struct Row {
    std::string what;
    InstrumentSpec setup;
    std::string expected;  // when opened: the failing measurement's text
  };
  InstrumentSpec unknown = DemoAt("A0", "1");
  unknown.driver = "no-such-driver";
  InstrumentSpec wrongModel = DemoAt("A0", "1");
  wrongModel.model = "34465A";
  InstrumentSpec badSetting = DemoAt("A0", "1");
  badSetting.settings.push_back({"A9", "offset", "1"});
  InstrumentSpec badKey = DemoAt("A0", "1");
  badKey.settings.push_back({"A0", "no_such_key", "1"});
  for (const Row& row : {
           Row{"unknown driver", unknown,
               "instrument demo1 (no-such-driver): libsigrok has no driver no-such-driver"},
           Row{"wrong model", wrongModel,
               "instrument demo1 (demo) answers as Demo device, not as model 34465A"},
           Row{"no such channel group", badSetting,
               "instrument demo1 (demo) setting offset = 1 on A9: it has no channel group A9"},
           Row{"no such key", badKey, "instrument demo1 (demo) setting no_such_key = 1 on A0: "},
       }) {
    SCOPED_TRACE(row.what);
    SigrokBench bench;
    std::string error;
    EXPECT_EQ(bench.Open(row.setup, error), nullptr);
    EXPECT_EQ(error.substr(0, row.expected.size()), row.expected);
  }
}

TEST(DemoDriver, WhatTheDeviceCannotDoIsAnErrorNamingIt) {
  SigrokBench bench;
  std::string error;
  const std::unique_ptr<Instrument> demo = bench.Open(DemoAt("A0", "1"), error);
  ASSERT_NE(demo, nullptr) << error;
  Reading reading;
  EXPECT_FALSE(demo->Measure("A7", Quantity::Voltage, 1, reading, error));
  EXPECT_EQ(error.substr(0, 42), "instrument demo1 has no channel group A7 (");
  // The quantity asked for is selected on the channel: the demo then reports its offset in
  // amperes, where a reading taken as it stood would be volts.
  ASSERT_TRUE(demo->Measure("A0", Quantity::Current, 3, reading, error)) << error;
  EXPECT_NEAR(reading.value, 1.0, 1e-6);
  EXPECT_EQ(UnitOf(reading.quantity), "A");
  EXPECT_FALSE(demo->SetVoltage("A0", 3.6, error));
  EXPECT_EQ(error,
            "instrument demo1 cannot set the voltage on A0: invalid argument (hwdriver: Option "
            "'voltage_target' not available for this device instance and channel group.)");
  EXPECT_FALSE(demo->SetOutput("", false, error));
  EXPECT_EQ(error,
            "instrument demo1 cannot switch the output off: invalid argument (hwdriver: Option "
            "'enabled' not available for this device instance.)");
}

}  // namespace
}  // namespace gaugecal::instruments
