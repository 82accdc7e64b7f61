#pragma once
// An instrument behind one libsigrok hardware device. Internal to the instruments folder:
// nothing outside it sees libsigrok's headers.

#include <libsigrokcxx/libsigrokcxx.hpp>
#include <memory>
#include <string>

#include "instruments/Instrument.h"
#include "instruments/SigrokBench.h"

namespace gaugecal::instruments {

struct SigrokBench::Shared {
  std::shared_ptr<sigrok::Context> context;
  std::string startError;
  std::string lastDiagnosis;  // the drivers' last warning or error
};

class SigrokInstrument : public Instrument {
 public:
  SigrokInstrument(std::shared_ptr<SigrokBench::Shared> shared,
                   std::shared_ptr<sigrok::HardwareDevice> device, std::string name);
  ~SigrokInstrument() override;

  const std::string& Name() const override { return name_; }
  std::string Identity() const override;
  std::string Model() const override { return device_->model(); }
  bool Measure(const std::string& channelGroup, Quantity quantity, int samples, Reading& reading,
               std::string& error) override;
  bool SetVoltage(const std::string& channelGroup, double volts, std::string& error) override;
  bool SetCurrent(const std::string& channelGroup, double amperes, std::string& error) override;
  bool SetOutput(const std::string& channelGroup, bool on, std::string& error) override;

 private:
  // The device or one of its channel groups; nullptr with a text when there is no such group.
  sigrok::Configurable* Target(const std::string& channelGroup, std::string& error);
  bool Set(const std::string& channelGroup, const sigrok::ConfigKey* key,
           const Glib::VariantBase& value, const std::string& what, std::string& error);
  std::string Diagnosis() const;

  std::shared_ptr<SigrokBench::Shared> shared_;
  std::shared_ptr<sigrok::HardwareDevice> device_;
  std::string name_;
};

}  // namespace gaugecal::instruments
