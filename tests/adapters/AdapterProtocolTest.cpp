// The bytes themselves, against the published facts rather than against our own other side:
// the CP2112 reports (IDs, big-endian fields, the shifted address), the SMBus packet error
// code, and the --adapter names.

#include <gtest/gtest.h>

#include "adapters/AdapterChoice.h"
#include "adapters/cp2112/Reports.h"
#include "adapters/smbus/Frames.h"

namespace gaugecal::test {
namespace {

using namespace adapters;
using Bytes = std::vector<uint8_t>;

Bytes Head(const Bytes& report, size_t n) {
  return Bytes(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(n));
}

TEST(Cp2112Reports, RequestsAreLaidOutAsTheBridgeExpects) {
  cp2112::SmbusConfig config;
  config.clockHz = 100000;
  config.writeTimeoutMs = 100;
  config.readTimeoutMs = 300;
  config.retryTime = 3;
  const struct {
    Bytes report;
    Bytes head;
    size_t size;
  } cases[] = {
      {cp2112::ConfigReport(config),
       {0x06, 0x00, 0x01, 0x86, 0xA0, 0x02, 0x00, 0x00, 0x64, 0x01, 0x2C, 0x01, 0x00, 0x03},
       14},
      {cp2112::EncodeWrite({0x17, {0x00, 0x54, 0x00}}),
       {0x14, 0x2E, 0x03, 0x00, 0x54, 0x00, 0x00},
       64},
      {cp2112::EncodeWriteRead({0x17, 257, {0x23}}),
       {0x11, 0x2E, 0x01, 0x01, 0x01, 0x23, 0x00},
       64},
      {cp2112::ForceSend(0x0102), {0x12, 0x01, 0x02, 0x00}, 64},
      {cp2112::StatusRequest(), {0x15, 0x01, 0x00}, 64},
      {cp2112::CancelTransfer(), {0x17, 0x01, 0x00}, 64},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.report.size(), c.size);
    EXPECT_EQ(Head(c.report, c.head.size()), c.head);
  }
}

TEST(Cp2112Reports, ResponsesAndRequestsParseBackOrAreRefused) {
  const auto status = cp2112::ParseStatus(Bytes{0x16, 0x03, 0x02, 0x00, 0x07, 0x01, 0x01});
  ASSERT_TRUE(status);
  EXPECT_EQ(status->status0, cp2112::kError);
  EXPECT_EQ(status->status1, cp2112::kArbitrationLost);
  EXPECT_EQ(status->retries, 7);
  EXPECT_EQ(status->bytesRead, 257);
  const auto read = cp2112::ParseReadResponse(Bytes{0x13, 0x02, 0x03, 0xAA, 0xBB, 0xCC, 0xDD});
  ASSERT_TRUE(read);
  EXPECT_EQ(read->data, (Bytes{0xAA, 0xBB, 0xCC}));
  const auto write = cp2112::ParseWrite(cp2112::EncodeWrite({0x0B, {1, 2, 3, 4}}));
  ASSERT_TRUE(write);
  EXPECT_EQ(write->address, 0x0B);
  EXPECT_EQ(write->bytes, (Bytes{1, 2, 3, 4}));

  Bytes tooLong(64, 0);
  tooLong[0] = 0x14;
  tooLong[2] = 62;
  EXPECT_FALSE(cp2112::ParseWrite(tooLong));
  EXPECT_FALSE(cp2112::ParseStatus(Bytes{0x13, 0x02}));            // another report
  EXPECT_FALSE(cp2112::ParseStatus(Bytes{0x16, 0x02, 0x05}));      // cut short
  EXPECT_FALSE(cp2112::ParseReadResponse(Bytes{0x13, 0x02, 62}));  // more than a report holds
  EXPECT_FALSE(cp2112::ParseWriteRead(Bytes{0x11, 0x2E, 0x00, 0x02, 17}));
}

TEST(SmbusFrames, PecIsCrc8OverTheWholeTransferWithTheAddressBytes) {
  const Bytes check = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(smbus::Crc8(check), 0xF4);  // the CRC-8 check value of polynomial 0x07
  // Write word 0x0054 to command 0x00 of 0x17: the address byte 0x2E leads.
  const Bytes word = smbus::WordWrite(0x17, 0x00, 0x0054, true);
  EXPECT_EQ(Head(word, 3), (Bytes{0x00, 0x54, 0x00}));
  EXPECT_EQ(word[3], smbus::Crc8(Bytes{0x2E, 0x00, 0x54, 0x00}));
  const Bytes block = smbus::BlockWrite(0x17, 0x2F, Bytes{9, 8}, true);
  EXPECT_EQ(block, (Bytes{0x2F, 2, 9, 8, smbus::Crc8(Bytes{0x2E, 0x2F, 2, 9, 8})}));
  // A read: address (write), command, address (read), then the answer.
  EXPECT_EQ(smbus::ReadPec(0x17, 0x23, Bytes{2, 0x10, 0x00}),
            smbus::Crc8(Bytes{0x2E, 0x23, 0x2F, 2, 0x10, 0x00}));
}

TEST(SmbusFrames, AnswersParseOnlyWhenWholeAndTheirPecMatches) {
  const uint8_t pec = smbus::ReadPec(0x17, 0x23, Bytes{2, 0x10, 0x00});
  const uint8_t wordPec = smbus::ReadPec(0x17, 0x0D, Bytes{0x3E, 0x00});
  const struct {
    Bytes read;
    bool block, pec;
    BusError error;
    Bytes data;
  } cases[] = {
      {{2, 0x10, 0x00, 0xFF}, true, false, BusError::None, {0x10, 0x00}},
      {{2, 0x10, 0x00, pec, 0xFF}, true, true, BusError::None, {0x10, 0x00}},
      {{2, 0x10, 0x00, static_cast<uint8_t>(pec ^ 1)}, true, true, BusError::PecMismatch, {}},
      {{3, 0x10, 0x00}, true, false, BusError::ShortAnswer, {}},
      {{2, 0x10, 0x00}, true, true, BusError::ShortAnswer, {}},
      {{}, true, false, BusError::ShortAnswer, {}},
      {{0x3E, 0x00, wordPec}, false, true, BusError::None, {0x3E, 0x00}},
      {{0x3E, 0x01, wordPec}, false, true, BusError::PecMismatch, {}},
      {{0x3E}, false, false, BusError::ShortAnswer, {}},
  };
  for (const auto& c : cases) {
    Bytes data;
    uint16_t word = 0;
    const BusError e = c.block ? smbus::ParseBlock(0x17, 0x23, c.read, c.pec, data)
                               : smbus::ParseWord(0x17, 0x0D, c.read, c.pec, word);
    EXPECT_EQ(e, c.error);
    const Bytes got =
        c.block ? data : Bytes{static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8)};
    EXPECT_EQ(e == BusError::None ? got : Bytes{}, c.data);
  }
}

TEST(AdapterChoice, NamesParseIntoDriverDeviceAndOptionsOrSayWhatIsWrong) {
  const struct {
    const char* text;
    AdapterKind kind;
    const char* target;
    bool pec;
    int timeout, retries;
    uint32_t clock;
  } good[] = {
      {"sim:CEDV", AdapterKind::Sim, "CEDV", false, 0, 0, 0},
      {"i2c:/dev/i2c-3,pec,timeout=250,retries=2", AdapterKind::I2c, "/dev/i2c-3", true, 250, 2, 0},
      {"cp2112", AdapterKind::Cp2112, "", false, 0, 0, 0},
      {"cp2112:00A1B2,pec,clock=400000", AdapterKind::Cp2112, "00A1B2", true, 0, 0, 400000},
      {"i2c-sim:QSPAN", AdapterKind::I2cSim, "QSPAN", false, 0, 0, 0},
      {"cp2112-sim:CEDV_PLUS,pec", AdapterKind::Cp2112Sim, "CEDV_PLUS", true, 0, 0, 0},
  };
  for (const auto& g : good) {
    SCOPED_TRACE(g.text);
    std::string error;
    const auto choice = ParseAdapterChoice(g.text, error);
    ASSERT_TRUE(choice) << error;
    EXPECT_EQ(choice->kind, g.kind);
    EXPECT_EQ(choice->target, g.target);
    EXPECT_EQ(choice->pec, g.pec);
    EXPECT_EQ(choice->timeoutMs.value_or(0), g.timeout);
    EXPECT_EQ(choice->retries.value_or(0), g.retries);
    EXPECT_EQ(choice->clockHz.value_or(0), g.clock);
  }
  const std::string known = std::string(" (known: ") + kKnownAdapters + ")";
  const struct {
    const char* text;
    std::string error;
  } bad[] = {
      {"usb:1", "unknown adapter \"usb:1\"" + known},
      {"i2c", "unknown adapter \"i2c\"" + known},
      {"cp2112:", "unknown adapter \"cp2112:\"" + known},
      {"sim:LION", "unknown adapter \"sim:LION\"" + known},
      {"sim:CEDV,pec", "unknown adapter \"sim:CEDV,pec\"" + known},
      {"i2c:/dev/i2c-1,clock=400000",
       "adapter \"i2c:/dev/i2c-1,clock=400000\": unknown or out-of-range adapter option "
       "\"clock=400000\" (known: pec, timeout=1..60000 ms, retries=0..1000)"},
      {"cp2112,timeout=0",
       "adapter \"cp2112,timeout=0\": unknown or out-of-range adapter option \"timeout=0\" (known: "
       "pec, timeout=1..60000 ms, retries=0..1000, clock=10000..400000 Hz)"},
  };
  for (const auto& b : bad) {
    std::string error;
    EXPECT_FALSE(ParseAdapterChoice(b.text, error)) << b.text;
    EXPECT_EQ(error, b.error);
  }
}

}  // namespace
}  // namespace gaugecal::test
