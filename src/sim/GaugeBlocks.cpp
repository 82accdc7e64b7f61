// The simulated gauge's block commands: the identification handshake, the shared block 0x2F
// (identification, data flash rows, challenges and digests), the manufacturer data block and
// the 64-byte pages and subclasses of data flash.

#include <algorithm>

#include "sim/SimulatedGauge.h"

namespace gaugecal::sim {

namespace {

constexpr int kIdentifyPrepareA = 0x22;
constexpr int kIdentifyPrepareB = 0x20;
constexpr int kManufacturerData = 0x23;
constexpr int kSharedBlock = 0x2F;
constexpr int kPageBase = 0x58;       // CEDV
constexpr int kSubclassBlock = 0x78;  // QSPAN
constexpr size_t kChallengeLength = 20;

}  // namespace

bool SimulatedGauge::BlockAnswer(int command, std::vector<uint8_t>& data) const {
  if (command == kManufacturerData) {
    data = MacAnswer();
    return true;
  }
  if (command == kSharedBlock) {
    switch (block2F_) {
      case Block2F::LastDigest:
        data.assign(lastDigest_.begin(), lastDigest_.end());
        return true;
      case Block2F::Identification:
        data = scenario_.identification;
        return true;
      case Block2F::Challenge: {
        const Digest wire = Reversed(challenge_);
        data.assign(wire.begin(), wire.end());
        return true;
      }
      case Block2F::Row: {
        const auto row = flash_.Row(row2F_);
        data.assign(row.begin(), row.end());
        return !row.empty();
      }
    }
  }
  if (scenario_.family == DfType::CEDV && command >= kPageBase &&
      command < kPageBase + kPageCount) {
    const auto page = flash_.Page(command - kPageBase);
    data.assign(page.begin(), page.end());
    return true;
  }
  if (scenario_.family == DfType::QSPAN && command == kSubclassBlock && subclass_) {
    const auto bytes = flash_.SubclassBytes(*subclass_);
    data.assign(bytes.begin(), bytes.end());
    return true;
  }
  return StandardBlockAnswer(command, data);
}

bool SimulatedGauge::BlockWrite(int command, std::span<const uint8_t> data) {
  if (command == kIdentifyPrepareA) {
    // The third block of 0x22, 0x20, 0x22 makes 0x2F answer the identification.
    if (idStage_ == 2) {
      block2F_ = Block2F::Identification;
      idStage_ = 0;
    } else {
      idStage_ = 1;
    }
    return true;
  }
  if (command == kIdentifyPrepareB) {
    idStage_ = idStage_ == 1 ? 2 : 0;
    return true;
  }
  if (command == kSharedBlock)
    return Write2F(data);
  if (scenario_.family == DfType::CEDV && command >= kPageBase &&
      command < kPageBase + kPageCount) {
    const auto page = flash_.Page(command - kPageBase);
    return data.size() <= page.size() && StoreFlash(command, page, data);
  }
  if (scenario_.family == DfType::QSPAN && command == kSubclassBlock && subclass_) {
    const auto bytes = flash_.SubclassBytes(*subclass_);
    return data.size() <= bytes.size() && StoreFlash(command, bytes, data);
  }
  return false;
}

bool SimulatedGauge::TakesBlockWrite(int command) const {
  const bool page =
      scenario_.family == DfType::CEDV && command >= kPageBase && command < kPageBase + kPageCount;
  const bool subclass = scenario_.family == DfType::QSPAN && command == kSubclassBlock;
  return command == kIdentifyPrepareA || command == kIdentifyPrepareB || command == kSharedBlock ||
         page || subclass;
}

bool SimulatedGauge::Write2F(std::span<const uint8_t> data) {
  if (data.size() == kChallengeLength) {
    Digest wire{};
    std::copy(data.begin(), data.end(), wire.begin());
    if (block2F_ == Block2F::Challenge) {
      // The answer to an unseal or full access challenge.
      if (Reversed(KeyedDigest(scenario_.key, challenge_)) == wire) {
        security_ = challengeGrants_;
        Persist();
      }
    } else {
      // An authentication challenge: the digest is read back from 0x2F.
      const FaultInjector::DigestEffect effect = faults_.OnDigest();
      const Digest digest = KeyedDigest(scenario_.key, Reversed(wire));
      lastDigest_ = effect.msbFirst ? digest : Reversed(digest);
      for (int offset : effect.invert) {
        if (offset >= 0 && static_cast<size_t>(offset) < lastDigest_.size())
          lastDigest_[static_cast<size_t>(offset)] ^= 0xFF;
      }
    }
    block2F_ = Block2F::LastDigest;
    return true;
  }
  if (block2F_ == Block2F::Row && data.size() == static_cast<size_t>(kRowSize)) {
    const auto row = flash_.Row(row2F_);
    return !row.empty() && StoreFlash(kSharedBlock, row, data);
  }
  return false;
}

bool SimulatedGauge::StoreFlash(int command, std::span<uint8_t> target,
                                std::span<const uint8_t> data) {
  if (security_ == SecurityMode::Sealed)
    return false;
  std::copy(data.begin(), data.end(), target.begin());
  for (const Corruption& c : faults_.OnFlashWrite(command)) {
    if (c.offset >= 0 && static_cast<size_t>(c.offset) < data.size())
      target[static_cast<size_t>(c.offset)] ^= c.xorMask;
  }
  Persist();
  return true;
}

void SimulatedGauge::Persist() {
  if (persistFile_.empty())
    return;
  persistError_.clear();
  flash_.SaveFile(persistFile_, persistError_, {{"security", SecurityModeName(security_)}});
}

}  // namespace gaugecal::sim
