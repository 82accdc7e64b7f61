#include "sim/FaultInjector.h"

namespace gaugecal::sim {

FaultInjector::FaultInjector(const std::vector<Fault>& faults) {
  for (const Fault& f : faults)
    armed_.push_back({f});
}

namespace {

// The kind of transfer a member makes: the members that differ only in how they hand over
// the data share it (ReadSMBusWord and ReadSMBusWord_, ReadSMBusBlock_ and ReadSMBusBlock).
std::string TransferKind(const std::string& member) {
  return !member.empty() && member.back() == '_' ? member.substr(0, member.size() - 1) : member;
}

}  // namespace

bool FaultInjector::Matches(const Fault& f, const std::string& member, int command, bool onBus) {
  const bool memberMatches = f.member.empty() || f.member == member ||
                             (onBus && TransferKind(f.member) == TransferKind(member));
  return memberMatches && (!f.command || *f.command == command);
}

bool FaultInjector::Strikes(Armed& a) {
  ++a.seen;
  const Fault& f = a.fault;
  return f.occurrence == 0 || (a.seen >= f.occurrence && a.seen < f.occurrence + f.count);
}

TransferEffect FaultInjector::OnTransfer(const std::string& member, int command, bool blockRead,
                                         bool onBus) {
  TransferEffect effect;
  for (Armed& a : armed_) {
    const Fault& f = a.fault;
    switch (f.kind) {
      case FaultKind::NoAnswer:
        if (Matches(f, member, command, onBus) && Strikes(a))
          effect.noAnswer = true;
        break;
      case FaultKind::Nack:
        if (Matches(f, member, command, onBus) && Strikes(a))
          effect.nack = true;
        break;
      case FaultKind::ErrorStatus:
        if (Matches(f, member, command, onBus) && Strikes(a))
          effect.errorStatus = true;
        break;
      case FaultKind::ShortBlock:
      case FaultKind::LongBlock:
        if (blockRead && Matches(f, member, command, onBus) && Strikes(a))
          effect.blockDelta += f.kind == FaultKind::LongBlock ? f.bytes : -f.bytes;
        break;
      default:
        break;
    }
  }
  return effect;
}

BridgeEffect FaultInjector::OnBridgeTransfer(const std::string& member, int command, bool read) {
  BridgeEffect effect;
  for (Armed& a : armed_) {
    const Fault& f = a.fault;
    const bool bridgeKind = IsAdapterFault(f.kind) && (f.kind != FaultKind::ReadIncomplete || read);
    if (!bridgeKind || !Matches(f, member, command, true) || !Strikes(a))
      continue;
    switch (f.kind) {
      case FaultKind::BusyForever:
        effect.busyForever = true;
        break;
      case FaultKind::ArbitrationLost:
        effect.arbitrationLost = true;
        break;
      case FaultKind::PecMismatch:
        effect.pecMismatch = true;
        break;
      case FaultKind::Unplugged:
        effect.unplugged = true;
        break;
      default:
        effect.readKeeps = f.bytes;
        break;
    }
  }
  return effect;
}

std::vector<Corruption> FaultInjector::OnFlashWrite(int command) {
  std::vector<Corruption> out;
  for (Armed& a : armed_) {
    const bool commandMatches = !a.fault.command || *a.fault.command == command;
    if (a.fault.kind == FaultKind::CorruptWrite && commandMatches && Strikes(a))
      out.push_back({a.fault.offset, a.fault.xorMask});
  }
  return out;
}

FaultInjector::DigestEffect FaultInjector::OnDigest() {
  DigestEffect effect;
  for (Armed& a : armed_) {
    if (a.fault.kind == FaultKind::WrongDigest && Strikes(a))
      effect.invert.push_back(a.fault.offset);
    if (a.fault.kind == FaultKind::MsbFirstDigest && Strikes(a))
      effect.msbFirst = true;
  }
  return effect;
}

std::optional<double> FaultInjector::CounterStopMs() const {
  std::optional<double> at;
  for (const Armed& a : armed_) {
    if (a.fault.kind == FaultKind::CounterStops && (!at || a.fault.afterMs < *at))
      at = a.fault.afterMs;
  }
  return at;
}

}  // namespace gaugecal::sim
