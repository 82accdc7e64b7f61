#include "support/ScriptedHostLink.h"

#include <algorithm>

namespace gaugecal::test {

namespace {
std::string Key(const std::string& member, int16_t command) {
  return member + ":" + std::to_string(command);
}
}  // namespace

void ScriptedHostLink::Queue(const std::string& member, int16_t command, ScriptedAnswer answer) {
  answers_[Key(member, command)].push_back(std::move(answer));
}

void ScriptedHostLink::QueueWord(const std::string& member, int16_t command, int16_t word,
                                 int32_t status) {
  const auto u = static_cast<uint16_t>(word);
  Queue(member, command, {status, {static_cast<uint8_t>(u & 0xFF), static_cast<uint8_t>(u >> 8)}});
}

ScriptedAnswer ScriptedHostLink::Next(const std::string& member, int16_t command) {
  calls.push_back(Key(member, command));
  auto it = answers_.find(Key(member, command));
  if (it == answers_.end() || it->second.empty())
    return {};
  ScriptedAnswer a = it->second.front();
  if (it->second.size() > 1)
    it->second.pop_front();
  return a;
}

int32_t ScriptedHostLink::ReadSMBusWord(int16_t command, uint8_t& msb, uint8_t& lsb, int16_t) {
  const auto a = Next("ReadSMBusWord", command);
  lsb = a.bytes.size() > 0 ? a.bytes[0] : 0;
  msb = a.bytes.size() > 1 ? a.bytes[1] : 0;
  return a.status;
}

int32_t ScriptedHostLink::ReadSMBusWord_(int16_t command, int16_t& word, int16_t) {
  const auto a = Next("ReadSMBusWord_", command);
  const int lo = a.bytes.size() > 0 ? a.bytes[0] : 0;
  const int hi = a.bytes.size() > 1 ? a.bytes[1] : 0;
  word = static_cast<int16_t>(static_cast<uint16_t>(hi << 8 | lo));
  return a.status;
}

int32_t ScriptedHostLink::WriteSMBusWord(int16_t command, int16_t, uint8_t, int16_t) {
  return Next("WriteSMBusWord", command).status;
}

int32_t ScriptedHostLink::WriteSMBusWord_(int16_t command, int16_t, int16_t) {
  return Next("WriteSMBusWord_", command).status;
}

int32_t ScriptedHostLink::ReadSMBusBlock_(int16_t command, std::span<uint8_t> buffer,
                                          int16_t& length, int16_t) {
  const auto a = Next("ReadSMBusBlock_", command);
  std::copy_n(a.bytes.begin(), std::min(a.bytes.size(), buffer.size()), buffer.begin());
  length = static_cast<int16_t>(a.bytes.size());
  return a.status;
}

int32_t ScriptedHostLink::ReadSMBusBlock(int16_t command, std::string& text, int16_t) {
  const auto a = Next("ReadSMBusBlock", command);
  text.assign(a.bytes.begin(), a.bytes.end());
  return a.status;
}

int32_t ScriptedHostLink::WriteSMBusBlock(int16_t command, std::span<const uint8_t> buffer,
                                          int16_t length, int16_t) {
  const size_t n = std::min(buffer.size(), static_cast<size_t>(std::max<int16_t>(length, 0)));
  writtenBlocks.emplace_back(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
  return Next("WriteSMBusBlock", command).status;
}

int32_t ScriptedHostLink::CheckForError() {
  calls.push_back("CheckForError");
  if (pendingErrors.empty())
    return 0;
  const int32_t e = pendingErrors.front();
  pendingErrors.pop_front();
  return e;
}

int32_t ScriptedHostLink::Delay(int16_t) {
  calls.push_back("Delay");
  return 0;
}

}  // namespace gaugecal::test
