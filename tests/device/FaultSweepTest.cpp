// Fault sweep over the data flash write paths: for every transfer a write path makes, a fresh
// simulated gauge refuses exactly that transfer (NACK). Whatever happens, the tool must not
// report success unless the gauge holds the verified new image, and a failure must show the
// messages of its step and return 1. The table records what the gauge holds after each
// injection point; docs/device-access.md lists the points that leave a half-written area.

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "device/DataFlash.h"
#include "device/ModuleState.h"
#include "support/SimBench.h"

namespace gaugecal {
namespace {

using test::SimBench;
using Bytes = std::vector<uint8_t>;

struct WritePath {
  std::string name;
  DfType family;
  int areaStart;   // in the gauge's linear image
  int unitLength;  // a page, the subclass or a row: what one transfer writes
  int units;
  std::function<void(Bytes& image)> edit;  // the new image from the old one
  std::function<int32_t()> write;
};

struct Injection {
  std::string member;
  int command;
  int occurrence;
  std::string step;
};

struct Outcome {
  int32_t status = 0;
  std::string holds;
  std::vector<std::string> messages;
};

Bytes GaugeArea(SimBench& bench, const WritePath& p) {
  const auto& bytes = bench.Gauge().Flash().Bytes();
  const auto begin = bytes.begin() + p.areaStart;
  return {begin, begin + p.unitLength * p.units};
}

// "new", "old", or which units are new and which old.
std::string Holds(const Bytes& now, const Bytes& oldImage, const Bytes& newImage,
                  const WritePath& p) {
  if (now == newImage)
    return "new";
  if (now == oldImage)
    return "old";
  std::string mix = "mix:";
  for (int u = 0; u < p.units; ++u) {
    const auto at = static_cast<std::ptrdiff_t>(u * p.unitLength);
    const auto end = at + p.unitLength;
    const bool isNew = std::equal(now.begin() + at, now.begin() + end, newImage.begin() + at);
    const bool isOld = std::equal(now.begin() + at, now.begin() + end, oldImage.begin() + at);
    mix += isNew ? " new" : isOld ? " old" : " other";
  }
  return mix;
}

// The local calibration buffer set to the new image without any bus traffic, so the fault
// counters see only the write path's own transfers.
void Prepare(SimBench& bench, const WritePath& p, Bytes& oldImage, Bytes& newImage) {
  oldImage = GaugeArea(bench, p);
  newImage = oldImage;
  p.edit(newImage);
  std::copy(newImage.begin(), newImage.end(), Module().calBuffer.begin());
}

std::vector<Injection> Transfers(const WritePath& p) {
  SimBench bench(p.family);
  Bytes oldImage, newImage;
  Prepare(bench, p, oldImage, newImage);
  EXPECT_EQ(p.write(), 0) << p.name;
  EXPECT_EQ(GaugeArea(bench, p), newImage) << p.name;
  std::vector<Injection> out;
  std::map<std::pair<std::string, int>, int> seen;
  for (const auto& e : bench.Trace()) {
    const std::string op = e["op"];
    if (!e.contains("cmd") || op == "Delay")
      continue;
    const int cmd = e["cmd"];
    out.push_back({op, cmd, ++seen[{op, cmd}], test::TraceStep(e)});
  }
  return out;
}

Outcome Inject(const WritePath& p, const Injection& at) {
  sim::Scenario s = sim::DefaultScenario(p.family);
  s.faults.push_back({.kind = sim::FaultKind::Nack,
                      .member = at.member,
                      .command = at.command,
                      .occurrence = at.occurrence});
  SimBench bench(s);
  Bytes oldImage, newImage;
  Prepare(bench, p, oldImage, newImage);
  Outcome o;
  o.status = p.write();
  o.holds = Holds(GaugeArea(bench, p), oldImage, newImage, p);
  o.messages = bench.Messages();
  return o;
}

std::vector<WritePath> Paths() {
  const auto editEveryUnit = [](int unit) {
    return [unit](Bytes& image) {
      for (size_t at = 1; at < image.size(); at += static_cast<size_t>(unit))
        image[at] ^= 0x5A;
    };
  };
  std::vector<WritePath> paths = {
      {"CEDV page", DfType::CEDV, 0, 64, 1, editEveryUnit(64), WriteCEDVCalBlocks},
      {"QSPAN subclass", DfType::QSPAN, 0, 32, 1, editEveryUnit(32), WriteCalSubclass},
      {"RN44K18 rows", DfType::RN44K18, 0, 32, 2, editEveryUnit(32), WriteCalRows},
      {"CEDV_PLUS rows", DfType::CEDV_PLUS, 0, 32, 2, editEveryUnit(32), WriteCalRows},
  };
  // Two bytes across a row boundary: the system configuration's neighbour and its first byte.
  paths.push_back({"RN44K18 absolute 63", DfType::RN44K18, 32, 32, 2,
                   [](Bytes& image) {
                     image[31] ^= 0xFF;
                     image[32] ^= 0x04;
                   },
                   [] {
                     const auto& b = Module().calBuffer;
                     return WriteAbsoluteDF(63, b[31], b[32]);
                   }});
  return paths;
}

// What each injection point leaves: the step refused, the status, what the gauge holds and
// the messages the technician sees.
struct Expected {
  std::string step;
  int32_t status;
  std::string holds;
  std::vector<std::string> messages;
};

const std::string kCedvWrite =
    "Not able to Write First CEDV Calibration block to DataFlash. Please check communications. "
    "Calibration values not written to Dataflash.";
const std::string kCedvVerify =
    "Read verification of first block written to Dataflash did not match. Please check "
    "communications. Calibration values incorrectly written to Dataflash.";
const std::string kSubclassLength =
    "Number of read from calibration subclass is fewer than expected.  Please check "
    "communication with device.";
const std::string kSubclassWrite =
    "Communication error writing local calibration buffer to Dataflash.";
const std::string kSubclassRead =
    "Communication or length incorrect copying calibration dataflash to local buffer.";
const std::string kSubclassVerify =
    "Verification of calibration Dataflash written and compared with readback failed.  Please "
    "check communications and perform calibration again.";
const std::string kFirstRowVerify = "First Calibration Row written failed verification.";
const std::string kSecondRowRequest =
    "Communication Error when Requesting Second Calibration Dataflash Row.";
const std::string kSecondRowWrite = "Not able to Write Second Calibration row to DataFlash.";
const std::string kSecondRowRead = "Communications error reading second DF row for verification.";
const std::string kSecondRowVerify = "Second Calibration Row written failed verification.";
const std::string kAbsRequest = "Communication Error when Requesting Absolute Dataflash Read.";
const std::string kAbsRead =
    "Communication Error returned when reading block to write absolute address.";
const std::string kAbsPage = "Communication error when requesting absolute page to write.";
const std::string kAbsWrite =
    "Communication Error returned when writing absoute address to Dataflash.";
const std::string kAbsVerify = "Verification of absolute Dataflash write and readback failed.";

const std::vector<Expected> kRowsSweep = {
    {"MAC:F080", 0, "new", {}},
    {"MAC:0100", 1, "mix: old new", {kFirstRowVerify}},
    {"WB:2F/32", 1, "mix: old new", {kFirstRowVerify}},
    {"MAC:0100", 0, "new", {}},  // the gauge still answers the row it wrote last
    {"RB:2F", 1, "new", {kFirstRowVerify}},
    {"MAC:0101", 1, "mix: new old", {kSecondRowRequest}},
    {"WB:2F/32", 1, "mix: new old", {kSecondRowWrite}},
    {"MAC:0101", 0, "new", {}},
    {"RB:2F", 1, "new", {kSecondRowRead, kSecondRowVerify}},
};

const std::map<std::string, std::vector<Expected>> kSweep = {
    {"CEDV page",
     {
         {"MAC:F080", 0, "new", {}},
         {"WB:58/64", 1, "old", {kCedvWrite}},
         {"RB:58", 1, "new", {kCedvVerify}},
     }},
    {"QSPAN subclass",
     {
         {"WW_:77=0068", 1, "old", {kSubclassLength}},  // nothing selected yet at power-up
         {"RB:78", 1, "old", {kSubclassLength}},
         {"WW_:77=0068", 0, "new", {}},  // subclass 104 stays selected
         {"WB:78/32", 1, "old", {kSubclassWrite}},
         {"WW_:77=0068", 0, "new", {}},
         {"RB:78", 1, "new", {kSubclassRead, kSubclassVerify}},
     }},
    {"RN44K18 rows", kRowsSweep},
    {"CEDV_PLUS rows", kRowsSweep},
    {"RN44K18 absolute 63",
     {
         {"MAC:F080", 0, "new", {}},
         {"RB:2F", 0, "new", {}},  // the discarded read
         {"MAC:0101", 1, "old", {kAbsRequest}},
         {"RB:2F", 1, "old", {kAbsRead}},
         {"MAC:0102", 1, "old", {kAbsRequest}},
         {"RB:2F", 1, "old", {kAbsRead}},
         {"MAC:0101", 1, "old", {kAbsPage}},
         {"WB:2F/32", 1, "old", {kAbsWrite}},
         // Once a row was stored, a failure writes the old rows back.
         {"MAC:0102", 1, "old", {kAbsPage}},
         {"WB:2F/32", 1, "old", {kAbsWrite}},
         {"MAC:0101", 1, "old", {kAbsVerify}},  // row 2, still selected, read as row 1
         {"RB:2F", 1, "old", {kAbsVerify}},
         {"MAC:0102", 1, "old", {kAbsVerify}},
         {"RB:2F", 1, "old", {kAbsVerify}},
     }},
};

TEST(FaultSweep, NoWriteReportsSuccessUnlessTheGaugeHoldsTheNewImage) {
  for (const WritePath& p : Paths()) {
    SCOPED_TRACE(p.name);
    const auto transfers = Transfers(p);
    const std::vector<Expected>& expected = kSweep.at(p.name);
    ASSERT_EQ(transfers.size(), expected.size());
    for (size_t i = 0; i < transfers.size(); ++i) {
      const Injection& at = transfers[i];
      SCOPED_TRACE(std::to_string(i + 1) + " " + at.step);
      const Outcome o = Inject(p, at);
      // The rule: success only with the new image in the gauge; every failure reported.
      if (o.status == 0) {
        EXPECT_EQ(o.holds, "new");
        EXPECT_TRUE(o.messages.empty());
      } else {
        EXPECT_EQ(o.status, 1);
        EXPECT_FALSE(o.messages.empty());
      }
      // The record of this injection point.
      EXPECT_EQ(at.step, expected[i].step);
      EXPECT_EQ(o.status, expected[i].status);
      EXPECT_EQ(o.holds, expected[i].holds);
      EXPECT_EQ(o.messages, expected[i].messages);
    }
  }
}

}  // namespace
}  // namespace gaugecal
