#pragma once
// A simulated battery pack and its gauge behind the HostLink interface: standard commands,
// manufacturer access, data flash in the family's addressing scheme, raw calibration output,
// identification, security and the host error queue. Every transfer takes its 100 kHz bus
// time on the platform clock. docs/sim.md describes what it answers and why.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/HostLink.h"
#include "platform/AdvisoryLock.h"
#include "sim/FaultInjector.h"
#include "sim/GaugeFlash.h"
#include "sim/KeyedDigest.h"
#include "sim/PackModel.h"
#include "sim/Scenario.h"

namespace gaugecal {
class Platform;
}

namespace gaugecal::sim {

// Host error codes of failed transfers; CheckForError reports one per failed transfer.
constexpr int32_t kHostErrorNoAnswer = 0x11;  // nobody acknowledged the address
constexpr int32_t kHostErrorNack = 0x12;      // the gauge refused the command or its data

constexpr int kRawBlockLength = 26;

class SimulatedGauge : public HostLink {
 public:
  // Builds the data flash from the scenario's image and parameters (unknown parameter names
  // are ignored here; OpenGauge refuses them). The persistence file is OpenGauge's.
  SimulatedGauge(Scenario scenario, Platform& platform);

  int32_t ReadSMBusWord(int16_t command, uint8_t& msb, uint8_t& lsb, int16_t address) override;
  int32_t ReadSMBusWord_(int16_t command, int16_t& word, int16_t address) override;
  int32_t WriteSMBusWord(int16_t command, int16_t msb, uint8_t lsb, int16_t address) override;
  int32_t WriteSMBusWord_(int16_t command, int16_t word, int16_t address) override;
  int32_t ReadSMBusBlock_(int16_t command, std::span<uint8_t> buffer, int16_t& length,
                          int16_t address) override;
  int32_t ReadSMBusBlock(int16_t command, std::string& text, int16_t address) override;
  int32_t WriteSMBusBlock(int16_t command, std::span<const uint8_t> buffer, int16_t length,
                          int16_t address) override;
  int32_t CheckForError() override;
  int32_t Delay(int16_t milliseconds) override;

  // Transfers as an emulated bus adapter carries them: no member name, only the kind of
  // transfer (faults match by kind, see FaultInjector), and no host error queued: the adapter
  // reports its own. Status 0, kHostErrorNoAnswer or kHostErrorNack; the same bus time.
  int32_t BusReadWord(int command, int16_t address, uint16_t& word);
  int32_t BusWriteWord(int command, uint16_t word, int16_t address);
  int32_t BusReadBlock(int command, int16_t address, std::vector<uint8_t>& data);
  int32_t BusWriteBlock(int command, std::span<const uint8_t> data, int16_t address);
  // What a bus cannot say but the gauge knows: which commands it reads as a word, which as a
  // block now, and which it takes as block writes.
  bool AnswersWord(int command) const;
  bool AnswersBlock(int command) const;
  bool TakesBlockWrite(int command) const;

  // For tests and tools. Settings() may be changed while the gauge runs (true voltages,
  // current, temperatures, noise); the next conversion uses the new values.
  Scenario& Settings() { return scenario_; }
  GaugeFlash& Flash() { return flash_; }
  const GaugeFlash& Flash() const { return flash_; }
  SecurityMode Security() const { return security_; }
  void SetSecurity(SecurityMode mode) { security_ = mode; }
  bool CalibrationMode() const { return calMode_; }
  uint8_t RollingCounter() const;
  RawSample RawNow(bool offsetOutput) const;
  // The integrated charge in the pack, mAh, up to the last transfer (0x0F reports it rounded).
  double RemainingMah() const { return remainingMah_; }
  Reported ReportedNow() const;
  int64_t Transfers() const { return transfers_; }
  double BusMs() const { return busMs_; }  // bus time of every transfer so far
  size_t PendingErrors() const { return errors_.size(); }
  // Where the data flash and the security mode are kept between runs; empty: nowhere. Failed
  // saves are remembered.
  void SetPersistFile(std::string path) { persistFile_ = std::move(path); }
  const std::string& PersistFile() const { return persistFile_; }
  // Reads the persistence file (the data flash, and the security mode when the file has one).
  bool LoadPersistFile(const std::string& path, std::string& error);
  // Saves the data flash and the security mode to the persistence file, when there is one.
  void Persist();
  const std::string& PersistError() const { return persistError_; }
  // The lock on the data flash file, released with the gauge.
  void HoldLock(std::unique_ptr<AdvisoryLock> lock) { lock_ = std::move(lock); }

 private:
  // What a block read of 0x2F answers now.
  enum class Block2F { LastDigest, Identification, Row, Challenge };

  // Transfer framing: counts the transfer, applies faults and the address; false when the
  // transfer already failed (status set).
  bool Begin(const char* member, int command, int16_t address, bool blockRead,
             TransferEffect& effect, int32_t& status);
  int32_t Fail(int32_t error, int bits);
  // The status of a transfer that went through: 0, or a host error when errorStatus strikes.
  int32_t Finish(const TransferEffect& effect);
  int32_t ReadWord(const char* member, int command, int16_t address, uint16_t& word);
  int32_t WriteWord(const char* member, int command, uint16_t word, int16_t address);
  int32_t ReadBlock(const char* member, int command, int16_t address, std::vector<uint8_t>& data);
  void PassBits(int bits);
  // Adds the charge of the conversions since the last transfer, with the pack as it is now.
  void IntegrateCharge();

  // Standard commands and manufacturer access (GaugeRegisters.cpp).
  bool WordAnswer(int command, uint16_t& word) const;
  bool WordWrite(int command, uint16_t word);
  void Subcommand(uint16_t subcommand);
  std::vector<uint8_t> MacAnswer() const;
  std::vector<uint8_t> RawBlock(bool offsetOutput) const;
  bool RowFamily() const;
  // The rest of the standard commands, from the pack model and data flash (GaugeStandard.cpp).
  bool StandardWordAnswer(int command, uint16_t& word) const;
  bool StandardWordWrite(int command, uint16_t word);
  bool StandardBlockAnswer(int command, std::vector<uint8_t>& data) const;
  double FlashValue(const char* name) const;
  // A capacity or rate in mAh or mA as the capacity mode bit wants it (10 mWh, 10 mW).
  int CapacityUnits(double mah) const;
  bool RawOutputAllowed() const;
  uint64_t Tick() const;

  // Block commands: identification, 0x2F, data flash schemes (GaugeBlocks.cpp).
  bool BlockAnswer(int command, std::vector<uint8_t>& data) const;
  bool BlockWrite(int command, std::span<const uint8_t> data);
  bool Write2F(std::span<const uint8_t> data);
  bool StoreFlash(int command, std::span<uint8_t> target, std::span<const uint8_t> data);

  Scenario scenario_;
  Platform& platform_;
  GaugeFlash flash_;
  FaultInjector faults_;
  double startMs_;
  std::optional<double> counterStopMs_;
  std::deque<int32_t> errors_;
  int64_t transfers_ = 0;
  bool busTransfer_ = false;  // the transfer in progress came over an emulated bus
  double busMs_ = 0.0;

  SecurityMode security_;
  bool calMode_;
  uint16_t lastSubcommand_ = 0x0000;
  uint16_t batteryMode_;
  int16_t atRate_ = 0;
  double remainingMah_;
  uint64_t chargeTick_ = 0;  // the last conversion integrated

  Block2F block2F_ = Block2F::LastDigest;
  int row2F_ = 0;
  int idStage_ = 0;  // zero blocks seen so far of 0x22, 0x20, 0x22
  Digest challenge_{};
  SecurityMode challengeGrants_ = SecurityMode::Unsealed;  // what the right answer opens
  Digest lastDigest_{};  // as sent on the bus, least significant byte first
  uint64_t random_;
  std::optional<int> subclass_;  // QSPAN subclass selected through 0x77

  std::string persistFile_;
  std::string persistError_;
  std::unique_ptr<AdvisoryLock> lock_;
};

// Opens the gauge of a scenario: refuses unknown parameter names, then reads the scenario's
// data flash file when it exists or creates it with the initial image. nullptr and a message
// that names the problem when that fails. The data flash file is locked while the gauge is
// open (unless lockFile is false: an emulated adapter in front of the gauge locks it as its
// device); when another process has it, inUse (when given) is set.
std::unique_ptr<SimulatedGauge> OpenGauge(Scenario scenario, Platform& platform, std::string& error,
                                          bool* inUse = nullptr, bool lockFile = true);

}  // namespace gaugecal::sim
