#include "instruments/SigrokInstrument.h"

#include <cstring>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace gaugecal::instruments {

namespace {

const sigrok::Quantity* MqOf(Quantity quantity) {
  switch (quantity) {
    case Quantity::Current:
      return sigrok::Quantity::CURRENT;
    case Quantity::Temperature:
      return sigrok::Quantity::TEMPERATURE;
    case Quantity::Voltage:
      break;
  }
  return sigrok::Quantity::VOLTAGE;
}

const sigrok::Unit* UnitOfMq(Quantity quantity) {
  switch (quantity) {
    case Quantity::Current:
      return sigrok::Unit::AMPERE;
    case Quantity::Temperature:
      return sigrok::Unit::CELSIUS;
    case Quantity::Voltage:
      break;
  }
  return sigrok::Unit::VOLT;
}

// A meter that can measure several quantities is switched to the one asked for (DC for
// voltage and current). A device without the setting measures what it measures; the packets
// then tell whether that is the quantity asked for.
void SelectQuantity(sigrok::Configurable& target, Quantity quantity) {
  const sigrok::ConfigKey* key = sigrok::ConfigKey::MEASURED_QUANTITY;
  try {
    if (!target.config_check(key, sigrok::Capability::SET))
      return;
    const uint64_t flags =
        quantity == Quantity::Temperature ? 0 : static_cast<uint64_t>(SR_MQFLAG_DC);
    const auto value = Glib::Variant<std::tuple<uint32_t, uint64_t>>::create(
        std::make_tuple(static_cast<uint32_t>(MqOf(quantity)->id()), flags));
    target.config_set(key, value);
  } catch (const std::exception&) {
    // The packets' quantity decides below.
  }
}

// The values of one analog packet, in double precision where the driver gives it.
std::vector<double> Values(sigrok::Analog& analog) {
  std::vector<double> values(analog.num_samples());
  if (analog.is_float() && analog.unitsize() == sizeof(double)) {
    std::memcpy(values.data(), analog.data_pointer(), values.size() * sizeof(double));
    return values;
  }
  std::vector<float> floats(analog.num_samples());
  analog.get_data_as_float(floats.data());
  for (size_t i = 0; i < floats.size(); ++i)
    values[i] = floats[i];
  return values;
}

}  // namespace

SigrokInstrument::SigrokInstrument(std::shared_ptr<SigrokBench::Shared> shared,
                                   std::shared_ptr<sigrok::HardwareDevice> device, std::string name)
    : shared_(std::move(shared)), device_(std::move(device)), name_(std::move(name)) {}

SigrokInstrument::~SigrokInstrument() {
  try {
    device_->close();
  } catch (const std::exception&) {
    // Closing an instrument that went away leaves nothing to do.
  }
}

std::string SigrokInstrument::Identity() const {
  std::string identity = device_->vendor();
  for (const std::string& part : {device_->model(), device_->version()}) {
    if (!part.empty())
      identity += (identity.empty() ? "" : " ") + part;
  }
  return identity;
}

std::string SigrokInstrument::Diagnosis() const {
  return shared_->lastDiagnosis.empty() ? "" : " (" + shared_->lastDiagnosis + ")";
}

sigrok::Configurable* SigrokInstrument::Target(const std::string& channelGroup,
                                               std::string& error) {
  if (channelGroup.empty())
    return device_.get();
  const auto groups = device_->channel_groups();
  const auto group = groups.find(channelGroup);
  if (group != groups.end())
    return group->second.get();
  std::string names;
  for (const auto& [groupName, g] : groups)
    names += (names.empty() ? "" : ", ") + groupName;
  error = "instrument " + name_ + " has no channel group " + channelGroup +
          (names.empty() ? "" : " (it has " + names + ")");
  return nullptr;
}

bool SigrokInstrument::Measure(const std::string& channelGroup, Quantity quantity, int samples,
                               Reading& reading, std::string& error) {
  const std::string what = "instrument " + name_ + " cannot measure " + NameOf(quantity) +
                           (channelGroup.empty() ? "" : " on " + channelGroup);
  shared_->lastDiagnosis.clear();
  try {
    sigrok::Configurable* target = Target(channelGroup, error);
    if (target == nullptr)
      return false;
    SelectQuantity(*target, quantity);
    std::set<std::string> channels;
    if (channelGroup.empty()) {
      for (const auto& channel : device_->channels())
        channels.insert(channel->name());
    } else {
      for (const auto& channel : device_->channel_groups().at(channelGroup)->channels())
        channels.insert(channel->name());
    }
    try {
      device_->config_set(sigrok::ConfigKey::LIMIT_SAMPLES,
                          Glib::Variant<uint64_t>::create(static_cast<uint64_t>(samples)));
    } catch (const std::exception&) {
      // A driver without a sample limit is stopped below once enough readings came.
    }
    const auto session = shared_->context->create_session();
    session->add_device(device_);
    std::vector<double> values;
    std::string other;
    session->add_datafeed_callback(
        [&](std::shared_ptr<sigrok::Device>, std::shared_ptr<sigrok::Packet> packet) {
          if (packet->type() != sigrok::PacketType::ANALOG ||
              values.size() >= static_cast<size_t>(samples))
            return;
          const auto analog = std::dynamic_pointer_cast<sigrok::Analog>(packet->payload());
          if (!analog || analog->channels().empty() ||
              channels.count(analog->channels().front()->name()) == 0)
            return;
          if (analog->mq() != MqOf(quantity) || analog->unit() != UnitOfMq(quantity)) {
            other = analog->mq()->name() + " in " + analog->unit()->name();
            return;
          }
          for (double v : Values(*analog)) {
            if (values.size() < static_cast<size_t>(samples))
              values.push_back(v);
          }
          if (values.size() >= static_cast<size_t>(samples))
            session->stop();
        });
    session->start();
    session->run();
    session->remove_devices();
    if (values.size() < static_cast<size_t>(samples)) {
      error =
          what + ": " +
          (values.empty() && !other.empty() ? "it measures " + other
                                            : "it gave " + std::to_string(values.size()) + " of " +
                                                  std::to_string(samples) + " readings") +
          Diagnosis();
      return false;
    }
    double sum = 0.0;
    for (double v : values)
      sum += v;
    reading.value = sum / static_cast<double>(values.size());
    reading.quantity = quantity;
    reading.samples = static_cast<int>(values.size());
    return true;
  } catch (const std::exception& e) {
    error = what + ": " + e.what() + Diagnosis();
    return false;
  }
}

bool SigrokInstrument::Set(const std::string& channelGroup, const sigrok::ConfigKey* key,
                           const Glib::VariantBase& value, const std::string& what,
                           std::string& error) {
  shared_->lastDiagnosis.clear();
  try {
    sigrok::Configurable* target = Target(channelGroup, error);
    if (target == nullptr)
      return false;
    target->config_set(key, value);
    return true;
  } catch (const std::exception& e) {
    error = "instrument " + name_ + " cannot " + what +
            (channelGroup.empty() ? "" : " on " + channelGroup) + ": " + e.what() + Diagnosis();
    return false;
  }
}

bool SigrokInstrument::SetVoltage(const std::string& channelGroup, double volts,
                                  std::string& error) {
  return Set(channelGroup, sigrok::ConfigKey::VOLTAGE_TARGET, Glib::Variant<double>::create(volts),
             "set the voltage", error);
}

bool SigrokInstrument::SetCurrent(const std::string& channelGroup, double amperes,
                                  std::string& error) {
  return Set(channelGroup, sigrok::ConfigKey::CURRENT_LIMIT, Glib::Variant<double>::create(amperes),
             "set the current", error);
}

bool SigrokInstrument::SetOutput(const std::string& channelGroup, bool on, std::string& error) {
  return Set(channelGroup, sigrok::ConfigKey::ENABLED, Glib::Variant<bool>::create(on),
             on ? "switch the output on" : "switch the output off", error);
}

}  // namespace gaugecal::instruments
