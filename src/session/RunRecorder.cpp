#include "session/RunRecorder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "config/CalConfig.h"
#include "device/Codecs.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/Identification.h"
#include "device/ManufactureDate.h"
#include "device/ModuleState.h"
#include "device/TableDecoders.h"
#include "panel/NBCal.h"
#include "session/StationProfile.h"

namespace gaugecal::session {

namespace {

constexpr int16_t kManufactureDate = 0x1B;
constexpr int16_t kSerialNumber = 0x1C;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// A word the gauge answers, as the unsigned number it stands for.
std::optional<uint16_t> ReadWord(int16_t command) {
  HostLink* link = Module().hostLink;
  int16_t word = 0;
  if (link == nullptr || link->ReadSMBusWord_(command, word, Module().SmbAddress) != 0)
    return std::nullopt;
  return static_cast<uint16_t>(word);
}

records::Identification ModuleIdentification() {
  const ModuleState& m = Module();
  return {m.IdDevice, m.IdFirmware, m.IdBuild, m.IdExtra};
}

// The calibration table of the panel's data flash grid, at the precision the gauge stores it.
nlohmann::ordered_json CalibrationTable(const panel::NBCal* panel) {
  nlohmann::ordered_json rows = nlohmann::ordered_json::object();
  if (panel == nullptr || !panel->Controls().DFGrid.Visible())
    return rows;
  for (const CalValue& v : CalTableValues())
    rows[v.name] = v.value;
  return rows;
}

struct Box {
  std::string name;
  const panel::Control* control;
  const char* unit;
};

// The reference boxes of the action, under the names the station's measurement lines use.
std::vector<Box> ReferenceBoxes(const panel::NBCal& panel, const std::string& action) {
  const panel::NBCalControls& c = panel.Controls();
  std::vector<Box> boxes;
  if (action == "voltage-temperature") {
    std::string name = "Cell 1";
    for (size_t i = 0; i < c.txtVoltage.size(); ++i) {
      if (i > 0)
        name += " + " + std::to_string(i + 1);
      boxes.push_back({name, &c.txtVoltage[i], "mV"});
    }
    boxes.push_back({"Battery", &c.txtBatVoltageActual, "mV"});
    for (size_t i = 0; i < c.txtActualTemp.size(); ++i) {
      if (c.chkTemp[i].Checked())
        boxes.push_back({"Temperature " + SensorKeys()[i], &c.txtActualTemp[i], "degC"});
    }
  } else if (action == "pack-voltage") {
    boxes.push_back({"Pack", &c.txtPackActualVoltage, "mV"});
  } else if (action == "current") {
    boxes.push_back({"Current", &c.txtActualCurrent, "mA"});
  }
  return boxes;
}

}  // namespace

std::string StationName() {
  const std::string station = Env("GAUGECAL_STATION");
  if (!station.empty())
    return station;
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0)
    return "";
  return host;
}

std::string OperatorName(const std::string& option) {
  if (!option.empty())
    return option;
  const std::string env = Env("GAUGECAL_OPERATOR");
  if (!env.empty())
    return env;
  const passwd* user = getpwuid(geteuid());
  return user != nullptr && user->pw_name != nullptr ? user->pw_name : Env("USER");
}

nlohmann::ordered_json CheckJson(const std::vector<panel::CheckedQuantity>& check) {
  nlohmann::ordered_json array = nlohmann::ordered_json::array();
  for (const panel::CheckedQuantity& q : check) {
    array.push_back({{"quantity", q.quantity},
                     {"reference", q.reference},
                     {"reading", q.reading},
                     {"error", q.error},
                     {"target", q.target},
                     {"within", q.within},
                     {"unit", q.unit},
                     {"errorUnit", q.errorUnit}});
  }
  return array;
}

std::string CalibrationOutcome(bool done, bool within, bool wrote) {
  if (done && within)
    return records::kPass;
  return done || wrote ? records::kFail : records::kRefused;
}

RunRecorder::RunRecorder(std::unique_ptr<records::RecordStore> store, RecorderSetup setup)
    : owned_(std::move(store)), store_(owned_.get()), setup_(std::move(setup)) {}

RunRecorder::RunRecorder(records::RecordStore* store, RecorderSetup setup)
    : store_(store), setup_(std::move(setup)) {}

RunRecorder::~RunRecorder() {
  if (begun_)
    Module().onBackupSaved = nullptr;
}

bool RunRecorder::LookUp(std::string& warning, std::string& error) {
  warning.clear();
  if (!Active())
    return true;
  int32_t status = 0;
  ReadDeviceIdentification(Module().SmbAddress, status);
  serial_.reset();
  manufactureDate_.clear();
  if (const std::optional<uint16_t> serial = ReadWord(kSerialNumber))
    serial_ = *serial;
  if (const std::optional<uint16_t> date = ReadWord(kManufactureDate))
    manufactureDate_ = FormatManufactureDate(*date);
  // A gauge that did not answer leaves the host's errors queued: the panel finds none of ours.
  ClearHostErrors();
  if (status != 0)
    return true;
  std::optional<records::Record> earlier;
  if (!store_->FindInterrupted(serial_, ModuleIdentification(), earlier, error))
    return false;
  // Without a backup nothing was written before the run stopped: every write saves one first.
  if (earlier && !earlier->backup.empty()) {
    warning = "the calibration of this gauge started at " + earlier->started +
              " was interrupted; its data flash may be half-written; restore it with: gaugecal "
              "restore " +
              earlier->backup;
  }
  return true;
}

void RunRecorder::Measured(const std::string& name, const MeasuredReference& measured) {
  measured_[name] = measured;
}

bool RunRecorder::Begin(const std::string& action, panel::NBCal* panel,
                        std::optional<CalibrationAction> calibration, std::string& error) {
  if (!Active())
    return true;
  const ModuleState& m = Module();
  records::Record r;
  r.id = records::NewRecordId();
  r.started = records::UtcNow();
  r.station = setup_.station;
  r.operatorName = setup_.operatorName;
  r.toolVersion = setup_.toolVersion;
  r.adapter = setup_.adapter;
  r.family = DfTypeName(m.calConfig.DFType);
  r.identification = ModuleIdentification();
  r.serial = serial_;
  r.manufactureDate = manufactureDate_;
  r.action = action;
  if (panel != nullptr) {
    for (const Box& box : ReferenceBoxes(*panel, action)) {
      const std::string& text = box.control->Text();
      if (text.empty())
        continue;
      const std::optional<double> value = ParseDecimal(text);
      nlohmann::ordered_json ref = {{"name", box.name},
                                    {"text", text},
                                    {"value", value ? nlohmann::ordered_json(*value) : nullptr},
                                    {"unit", box.unit},
                                    {"source", "typed"}};
      const auto measured = measured_.find(box.name);
      if (measured != measured_.end() && measured->second.text == text) {
        ref["source"] = "measured";
        ref["instrument"] = measured->second.from;
      }
      r.references.push_back(std::move(ref));
    }
    r.before = CalibrationTable(panel);
    if (calibration)
      r.asFound = CheckJson(panel::CheckCalibration(*panel, *calibration));
  }
  measured_.clear();
  if (!store_->Begin(r, error))
    return false;
  record_ = std::move(r);
  begun_ = true;
  backupsAtBegin_ = m.backupsSaved.size();
  Module().onBackupSaved = [this](const SavedBackup& saved) {
    BackupSaved(saved.path, saved.calibrationArea);
  };
  return true;
}

void RunRecorder::BackupSaved(const std::string& path, bool calibrationArea) {
  // Absolute rows are written back by the write that changed them; restore takes areas only.
  if (!calibrationArea || !record_.backup.empty())
    return;
  record_.backup = path;
  std::string error;
  if (!store_->Complete(record_, error))
    ShowWarning(error + "; the record of this run does not name its backup");
}

bool RunRecorder::Wrote() const {
  return Module().backupsSaved.size() > backupsAtBegin_;
}

bool RunRecorder::Complete(const std::string& outcome, const panel::NBCal* panel,
                           const nlohmann::ordered_json& check,
                           const std::vector<std::string>& messages,
                           const std::vector<std::string>& warnings, std::string& error) {
  if (!Active() || !begun_)
    return true;
  begun_ = false;
  Module().onBackupSaved = nullptr;
  record_.ended = records::UtcNow();
  record_.outcome = outcome;
  record_.after = CalibrationTable(panel);
  record_.check = check.is_array() ? check : nlohmann::ordered_json::array();
  record_.messages = messages;
  record_.warnings = warnings;
  return store_->Complete(record_, error);
}

}  // namespace gaugecal::session
