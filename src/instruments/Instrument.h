#pragma once
// A bench instrument as calibration sees it: it says who it is, reads one quantity as the
// mean of a number of samples, and, when it is a source, sets a voltage or a current and
// switches its output. Nothing here throws; a failure is false with a text naming the
// instrument.

#include <optional>
#include <string>

namespace gaugecal::instruments {

// What the references are made of. Values are in SI units: volts, amperes, degrees Celsius.
enum class Quantity { Voltage, Current, Temperature };

// "voltage", "current", "temperature"; nullopt for any other word.
std::optional<Quantity> QuantityNamed(const std::string& name);
std::string NameOf(Quantity quantity);
std::string UnitOf(Quantity quantity);  // "V", "A", "degC"

struct Reading {
  double value = 0.0;  // the mean, in UnitOf(quantity)
  Quantity quantity = Quantity::Voltage;
  int samples = 0;  // how many readings the mean is of
};

class Instrument {
 public:
  virtual ~Instrument() = default;

  // The name the station profile gives it.
  virtual const std::string& Name() const = 0;
  // The identification the instrument answered: vendor, model and version.
  virtual std::string Identity() const = 0;
  virtual std::string Model() const = 0;

  // The mean of samples readings of quantity on a channel group ("" for the whole
  // instrument).
  virtual bool Measure(const std::string& channelGroup, Quantity quantity, int samples,
                       Reading& reading, std::string& error) = 0;

  // A source's set points, on a channel group ("" for the whole instrument).
  virtual bool SetVoltage(const std::string& channelGroup, double volts, std::string& error) = 0;
  virtual bool SetCurrent(const std::string& channelGroup, double amperes, std::string& error) = 0;
  virtual bool SetOutput(const std::string& channelGroup, bool on, std::string& error) = 0;
};

}  // namespace gaugecal::instruments
