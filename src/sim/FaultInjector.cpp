#include "sim/FaultInjector.h"

namespace gaugecal::sim {

FaultInjector::FaultInjector(const std::vector<Fault>& faults) {
  for (const Fault& f : faults)
    armed_.push_back({f});
}

bool FaultInjector::Matches(const Fault& f, const std::string& member, int command) {
  return (f.member.empty() || f.member == member) && (!f.command || *f.command == command);
}

bool FaultInjector::Strikes(Armed& a) {
  ++a.seen;
  const Fault& f = a.fault;
  return f.occurrence == 0 || (a.seen >= f.occurrence && a.seen < f.occurrence + f.count);
}

TransferEffect FaultInjector::OnTransfer(const std::string& member, int command, bool blockRead) {
  TransferEffect effect;
  for (Armed& a : armed_) {
    const Fault& f = a.fault;
    switch (f.kind) {
      case FaultKind::NoAnswer:
        if (Matches(f, member, command) && Strikes(a))
          effect.noAnswer = true;
        break;
      case FaultKind::Nack:
        if (Matches(f, member, command) && Strikes(a))
          effect.nack = true;
        break;
      case FaultKind::ErrorStatus:
        if (Matches(f, member, command) && Strikes(a))
          effect.errorStatus = true;
        break;
      case FaultKind::ShortBlock:
      case FaultKind::LongBlock:
        if (blockRead && Matches(f, member, command) && Strikes(a))
          effect.blockDelta += f.kind == FaultKind::LongBlock ? f.bytes : -f.bytes;
        break;
      default:
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
