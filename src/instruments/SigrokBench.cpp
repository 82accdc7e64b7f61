#include "instruments/SigrokBench.h"

#include <csignal>
#include <libsigrokcxx/libsigrokcxx.hpp>
#include <map>
#include <set>
#include <tuple>

#include "instruments/SigrokInstrument.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace gaugecal::instruments {

namespace {

// libsigrok 0.5.2's SCPI drivers leak a few bytes of a formatted text on every scan. In the
// sanitizer build the leak checker looks away from what the scan allocates, and only from that.
struct ScanAllocations {
#if defined(__SANITIZE_ADDRESS__)
  __lsan::ScopedDisabler ignored;
#endif
};

std::string Where(const InstrumentSpec& setup) {
  return "instrument " + setup.name + " (" + setup.driver +
         (setup.connection.empty() ? "" : " at " + setup.connection) + ")";
}

// Applies the profile's settings; false with a text naming the setting.
bool ApplySettings(sigrok::HardwareDevice& device, const InstrumentSpec& setup,
                   std::string& error) {
  for (const Setting& s : setup.settings) {
    const std::string what = Where(setup) + " setting " + s.key + " = " + s.value +
                             (s.channelGroup.empty() ? "" : " on " + s.channelGroup);
    try {
      const sigrok::ConfigKey* key = sigrok::ConfigKey::get_by_identifier(s.key);
      const Glib::VariantBase value = key->parse_string(s.value);
      if (s.channelGroup.empty()) {
        device.config_set(key, value);
      } else {
        const auto groups = device.channel_groups();
        const auto group = groups.find(s.channelGroup);
        if (group == groups.end()) {
          error = what + ": it has no channel group " + s.channelGroup;
          return false;
        }
        group->second->config_set(key, value);
      }
    } catch (const std::exception& e) {
      error = what + ": " + e.what();
      return false;
    }
  }
  return true;
}

}  // namespace

SigrokBench::SigrokBench() : shared_(std::make_shared<Shared>()) {
  // The drivers write to sockets without asking to be spared the signal: an instrument whose
  // connection went away must be a failed command naming it, not the end of the process.
  std::signal(SIGPIPE, SIG_IGN);
  try {
    shared_->context = sigrok::Context::create();
    // The drivers' own diagnoses go into the message of the failure they explain, not onto
    // the terminal.
    std::weak_ptr<Shared> weak = shared_;
    shared_->context->set_log_level(sigrok::LogLevel::WARN);
    shared_->context->set_log_callback([weak](const sigrok::LogLevel*, std::string message) {
      if (const auto shared = weak.lock())
        shared->lastDiagnosis = std::move(message);
    });
  } catch (const std::exception& e) {
    shared_->startError = std::string("libsigrok does not start: ") + e.what();
    shared_->context.reset();
  }
}

SigrokBench::~SigrokBench() {
  if (shared_->context) {
    try {
      // Closing the devices as the context goes logs about sockets already closed: nothing
      // for the terminal.
      shared_->context->set_log_level(sigrok::LogLevel::NONE);
      shared_->context->set_log_callback_default();
    } catch (const std::exception&) {
      // Nothing is left to tell.
    }
  }
}

std::unique_ptr<Instrument> SigrokBench::Open(const InstrumentSpec& setup, std::string& error) {
  if (!shared_->context) {
    error = Where(setup) + ": " + shared_->startError;
    return nullptr;
  }
  shared_->lastDiagnosis.clear();
  try {
    const auto drivers = shared_->context->drivers();
    const auto driver = drivers.find(setup.driver);
    if (driver == drivers.end()) {
      error = Where(setup) + ": libsigrok has no driver " + setup.driver;
      return nullptr;
    }
    std::map<const sigrok::ConfigKey*, Glib::VariantBase> options;
    if (!setup.connection.empty())
      options[sigrok::ConfigKey::CONN] = Glib::Variant<Glib::ustring>::create(setup.connection);
    if (!setup.serialcomm.empty())
      options[sigrok::ConfigKey::SERIALCOMM] =
          Glib::Variant<Glib::ustring>::create(setup.serialcomm);
    const auto found = [&] {
      [[maybe_unused]] const ScanAllocations library;
      return driver->second->scan(options);
    }();
    if (found.empty()) {
      error = Where(setup) + " does not answer" +
              (shared_->lastDiagnosis.empty() ? "" : ": " + shared_->lastDiagnosis);
      return nullptr;
    }
    const std::shared_ptr<sigrok::HardwareDevice> device = found.front();
    device->open();
    auto instrument = std::make_unique<SigrokInstrument>(shared_, device, setup.name);
    if (!setup.model.empty() && device->model() != setup.model) {
      error =
          Where(setup) + " answers as " + instrument->Identity() + ", not as model " + setup.model;
      return nullptr;
    }
    if (!ApplySettings(*device, setup, error))
      return nullptr;
    return instrument;
  } catch (const std::exception& e) {
    error = Where(setup) + ": " + e.what() +
            (shared_->lastDiagnosis.empty() ? "" : " (" + shared_->lastDiagnosis + ")");
    return nullptr;
  }
}

}  // namespace gaugecal::instruments
