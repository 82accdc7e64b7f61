#pragma once
// The instruments of a bench, reached through libsigrok's drivers. The bench owns the one
// libsigrok context its instruments share; it lives as long as the last of them.

#include <memory>
#include <string>
#include <vector>

#include "instruments/Instrument.h"

namespace gaugecal::instruments {

// A configuration value given to the driver when the instrument opens, as libsigrok's own
// key words write it ("offset" = "3.3" on channel group "A0").
struct Setting {
  std::string channelGroup;  // "" for the whole instrument
  std::string key;
  std::string value;
};

struct InstrumentSpec {
  std::string name;        // what messages and the trace call it
  std::string driver;      // libsigrok driver: "scpi-dmm", "scpi-pps", "demo", ...
  std::string connection;  // libsigrok connection: "tcp-raw/HOST/PORT", "/dev/ttyUSB0", ...
  std::string serialcomm;  // serial parameters ("9600/8n1"); "" for the driver's own
  std::string model;       // the model it must answer as; "" for any
  std::vector<Setting> settings;
};

class SigrokBench {
 public:
  SigrokBench();
  ~SigrokBench();
  SigrokBench(const SigrokBench&) = delete;
  SigrokBench& operator=(const SigrokBench&) = delete;

  // Opens and identifies an instrument; nullptr with a text naming it when it has no driver,
  // does not answer, answers as another model or refuses a setting.
  std::unique_ptr<Instrument> Open(const InstrumentSpec& setup, std::string& error);

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace gaugecal::instruments
