#include "sim/SimulatedGauge.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "platform/Platform.h"
#include "sim/BusTiming.h"

namespace gaugecal::sim {

SimulatedGauge::SimulatedGauge(Scenario scenario, Platform& platform)
    : scenario_(std::move(scenario)),
      platform_(platform),
      flash_(scenario_.family, scenario_.cells, scenario_.rowLayout),
      faults_(scenario_.faults),
      startMs_(platform.ClockMs()),
      counterStopMs_(faults_.CounterStopMs()),
      security_(scenario_.security),
      calMode_(scenario_.calibrationMode && RowFamily()),
      batteryMode_(scenario_.batteryMode),
      remainingMah_(scenario_.remainingMah),
      random_(scenario_.seed ^ 0x5EC0DE5EC0DEULL) {
  std::vector<uint8_t>& image = flash_.Bytes();
  std::copy_n(scenario_.dataFlash.begin(), std::min(scenario_.dataFlash.size(), image.size()),
              image.begin());
  for (const auto& [name, value] : scenario_.parameters) {
    if (const Param* p = flash_.Layout().Find(name))
      flash_.Set(*p, value);
  }
}

void SimulatedGauge::IntegrateCharge() {
  const uint64_t now = Tick();
  if (now > chargeTick_)
    remainingMah_ += PassedChargeMah(scenario_, flash_, chargeTick_, now);
  chargeTick_ = now;
}

void SimulatedGauge::PassBits(int bits) {
  busMs_ += bus::Ms(bits);
  platform_.PassTime(bus::Ms(bits));
}

int32_t SimulatedGauge::Fail(int32_t error, int bits) {
  PassBits(bits);
  if (!busTransfer_)
    errors_.push_back(error);
  return error;
}

int32_t SimulatedGauge::Finish(const TransferEffect& effect) {
  if (!effect.errorStatus)
    return 0;
  errors_.push_back(kHostErrorNack);
  return kHostErrorNack;
}

bool SimulatedGauge::Begin(const char* member, int command, int16_t address, bool blockRead,
                           TransferEffect& effect, int32_t& status) {
  ++transfers_;
  IntegrateCharge();
  effect = faults_.OnTransfer(member, command, blockRead, busTransfer_);
  if (effect.noAnswer || address != scenario_.address) {
    status = Fail(kHostErrorNoAnswer, bus::NoAnswerBits());
    return false;
  }
  if (effect.nack) {
    status = Fail(kHostErrorNack, bus::RefusedBits());
    return false;
  }
  return true;
}

int32_t SimulatedGauge::ReadWord(const char* member, int command, int16_t address, uint16_t& word) {
  TransferEffect effect;
  int32_t status = 0;
  if (!Begin(member, command, address, false, effect, status))
    return status;
  if (!WordAnswer(command, word))
    return Fail(kHostErrorNack, bus::RefusedBits());
  PassBits(bus::ReadWordBits());
  return Finish(effect);
}

int32_t SimulatedGauge::WriteWord(const char* member, int command, uint16_t word, int16_t address) {
  TransferEffect effect;
  int32_t status = 0;
  if (!Begin(member, command, address, false, effect, status))
    return status;
  if (!WordWrite(command, word))
    return Fail(kHostErrorNack, bus::RefusedBits());
  PassBits(bus::WriteWordBits());
  return Finish(effect);
}

int32_t SimulatedGauge::ReadBlock(const char* member, int command, int16_t address,
                                  std::vector<uint8_t>& data) {
  TransferEffect effect;
  int32_t status = 0;
  if (!Begin(member, command, address, true, effect, status))
    return status;
  if (!BlockAnswer(command, data))
    return Fail(kHostErrorNack, bus::RefusedBits());
  const int length = std::max(0, static_cast<int>(data.size()) + effect.blockDelta);
  data.resize(static_cast<size_t>(length));  // a long block carries zero bytes
  PassBits(bus::ReadBlockBits(length));
  return Finish(effect);
}

int32_t SimulatedGauge::ReadSMBusWord(int16_t command, uint8_t& msb, uint8_t& lsb,
                                      int16_t address) {
  uint16_t word = 0;
  const int32_t status = ReadWord("ReadSMBusWord", command, address, word);
  if (status == 0) {
    msb = static_cast<uint8_t>(word >> 8);
    lsb = static_cast<uint8_t>(word & 0xFF);
  }
  return status;
}

int32_t SimulatedGauge::ReadSMBusWord_(int16_t command, int16_t& word, int16_t address) {
  uint16_t value = 0;
  const int32_t status = ReadWord("ReadSMBusWord_", command, address, value);
  if (status == 0)
    word = static_cast<int16_t>(value);
  return status;
}

int32_t SimulatedGauge::WriteSMBusWord(int16_t command, int16_t msb, uint8_t lsb, int16_t address) {
  return WriteWord("WriteSMBusWord", command, static_cast<uint16_t>((msb & 0xFF) << 8 | lsb),
                   address);
}

int32_t SimulatedGauge::WriteSMBusWord_(int16_t command, int16_t word, int16_t address) {
  return WriteWord("WriteSMBusWord_", command, static_cast<uint16_t>(word), address);
}

int32_t SimulatedGauge::ReadSMBusBlock_(int16_t command, std::span<uint8_t> buffer, int16_t& length,
                                        int16_t address) {
  std::vector<uint8_t> data;
  const int32_t status = ReadBlock("ReadSMBusBlock_", command, address, data);
  std::copy_n(data.begin(), std::min(data.size(), buffer.size()), buffer.begin());
  length = static_cast<int16_t>(data.size());
  return status;
}

int32_t SimulatedGauge::ReadSMBusBlock(int16_t command, std::string& text, int16_t address) {
  std::vector<uint8_t> data;
  const int32_t status = ReadBlock("ReadSMBusBlock", command, address, data);
  if (status == 0)
    text.assign(data.begin(), data.end());
  return status;
}

int32_t SimulatedGauge::WriteSMBusBlock(int16_t command, std::span<const uint8_t> buffer,
                                        int16_t length, int16_t address) {
  TransferEffect effect;
  int32_t status = 0;
  if (!Begin("WriteSMBusBlock", command, address, false, effect, status))
    return status;
  const size_t n = std::min(buffer.size(), static_cast<size_t>(std::max<int16_t>(length, 0)));
  if (!BlockWrite(command, buffer.first(n)))
    return Fail(kHostErrorNack, bus::RefusedBits());
  PassBits(bus::WriteBlockBits(static_cast<int>(n)));
  return Finish(effect);
}

namespace {

// Marks the transfers made inside its scope as coming over an emulated bus.
class BusScope {
 public:
  explicit BusScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusScope() { flag_ = false; }
  BusScope(const BusScope&) = delete;
  BusScope& operator=(const BusScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

int32_t SimulatedGauge::BusReadWord(int command, int16_t address, uint16_t& word) {
  const BusScope scope(busTransfer_);
  return ReadWord("ReadSMBusWord", command, address, word);
}

int32_t SimulatedGauge::BusWriteWord(int command, uint16_t word, int16_t address) {
  const BusScope scope(busTransfer_);
  return WriteWord("WriteSMBusWord", command, word, address);
}

int32_t SimulatedGauge::BusReadBlock(int command, int16_t address, std::vector<uint8_t>& data) {
  const BusScope scope(busTransfer_);
  return ReadBlock("ReadSMBusBlock", command, address, data);
}

int32_t SimulatedGauge::BusWriteBlock(int command, std::span<const uint8_t> data, int16_t address) {
  const BusScope scope(busTransfer_);
  return WriteSMBusBlock(static_cast<int16_t>(command), data, static_cast<int16_t>(data.size()),
                         address);
}

bool SimulatedGauge::AnswersWord(int command) const {
  uint16_t word = 0;
  return WordAnswer(command, word);
}

bool SimulatedGauge::AnswersBlock(int command) const {
  std::vector<uint8_t> data;
  return BlockAnswer(command, data);
}

int32_t SimulatedGauge::CheckForError() {
  if (errors_.empty())
    return 0;
  const int32_t error = errors_.front();
  errors_.pop_front();
  return error;
}

int32_t SimulatedGauge::Delay(int16_t milliseconds) {
  platform_.PassTime(milliseconds);
  return 0;
}

uint64_t SimulatedGauge::Tick() const {
  double elapsed = platform_.ClockMs() - startMs_;
  if (counterStopMs_)
    elapsed = std::min(elapsed, *counterStopMs_);
  return static_cast<uint64_t>(std::max(0.0, std::floor(elapsed / kConversionPeriodMs)));
}

uint8_t SimulatedGauge::RollingCounter() const {
  return static_cast<uint8_t>(Tick() & 0xFF);
}

RawSample SimulatedGauge::RawNow(bool offsetOutput) const {
  return Convert(scenario_, Tick(), offsetOutput);
}

Reported SimulatedGauge::ReportedNow() const {
  return Report(RawNow(false), flash_);
}

namespace {

std::string ImageKeysIgnored(const std::string& file, const std::vector<std::string>& keys) {
  std::string names;
  for (const std::string& key : keys)
    names += (names.empty() ? "\"" : ", \"") + key + "\"";
  return "the data flash file " + file + " exists: the gauge starts from it, and the scenario's " +
         names + " " + (keys.size() == 1 ? "is" : "are") + " not applied to its data flash";
}

}  // namespace

bool SimulatedGauge::LoadPersistFile(const std::string& path, std::string& error) {
  GaugeFlash::Fields fields;
  if (!flash_.LoadFile(path, error, &fields))
    return false;
  for (const auto& [name, value] : fields) {
    const std::optional<SecurityMode> mode = ParseSecurityMode(value);
    if (name != "security" || !mode) {
      error = "data flash file " + path + ": \"" + name + ": " + value +
              "\" is not a line the gauge keeps (security: Sealed, Unsealed or FullAccess)";
      return false;
    }
    security_ = *mode;
  }
  return true;
}

std::unique_ptr<SimulatedGauge> OpenGauge(Scenario scenario, Platform& platform, std::string& error,
                                          bool* inUse, bool lockFile) {
  const FlashLayout& layout = LayoutOf(scenario.family, scenario.rowLayout);
  for (const auto& [name, value] : scenario.parameters) {
    if (!layout.Find(name)) {
      error = std::string("the ") + DfTypeName(scenario.family) +
              " gauge has no data flash parameter \"" + name + "\"";
      return nullptr;
    }
  }
  const std::string file = scenario.dataFlashFile;
  const std::vector<std::string> imageKeys = scenario.imageKeys;
  auto gauge = std::make_unique<SimulatedGauge>(std::move(scenario), platform);
  if (!file.empty()) {
    std::error_code ec;
    const bool existed = std::filesystem::exists(file, ec);
    // One tool at a time on a gauge that keeps its data flash: the lock comes before the file
    // is read or created, and lives as long as the gauge.
    std::unique_ptr<AdvisoryLock> lock;
    const int locked = lockFile ? AdvisoryLock::Acquire(file, true, lock) : 0;
    if (locked < 0) {
      error = locked == -EWOULDBLOCK
                  ? "the simulated gauge of data flash file " + file + kStationInUse
                  : "data flash file " + file + ": cannot be locked: " + std::strerror(-locked);
      if (inUse != nullptr)
        *inUse = locked == -EWOULDBLOCK;
      return nullptr;
    }
    if (existed && !gauge->LoadPersistFile(file, error))
      return nullptr;
    gauge->SetPersistFile(file);
    gauge->HoldLock(std::move(lock));
    if (existed && !imageKeys.empty())
      platform.Warning(ImageKeysIgnored(file, imageKeys));
    if (!existed) {
      gauge->Persist();
      if (!gauge->PersistError().empty()) {
        error = gauge->PersistError();
        return nullptr;
      }
    }
  }
  return gauge;
}

}  // namespace gaugecal::sim
