// Two bytes at an absolute data flash address of the row-addressed gauges, read or written
// through the one or two 32-byte rows that hold them.

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "device/Backup.h"
#include "device/DataFlash.h"
#include "device/DataFlashRows.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"
#include "device/ReadBack.h"
#include "device/SettleTimes.h"

namespace gaugecal {

namespace {

// The rows that hold address and address + 1, side by side.
struct RowImage {
  int firstRow = 0;
  int rows = 0;
  int offset = 0;  // of address within the first row
  std::array<uint8_t, 2 * kRowLength> bytes{};

  std::span<uint8_t, kRowLength> Row(int i) {
    return std::span<uint8_t, kRowLength>(bytes.data() + i * kRowLength, kRowLength);
  }
};

bool PlaceRows(int16_t address, RowImage& image) {
  if (address < 0)
    return false;  // no row holds it; callers report their own failure
  image.firstRow = address / kRowLength;
  image.offset = address % kRowLength;
  image.rows = (address + 1) / kRowLength - image.firstRow + 1;
  return true;
}

// Leaves calibration mode and reads the rows into the image.
bool LoadRows(RowImage& image, const char* readFailed) {
  ModuleState& m = Module();
  LeaveCalibrationForRows();
  int16_t length = 0;
  for (int i = 0; i < image.rows; ++i) {
    const int32_t requested = RequestRow(image.firstRow + i);
    SleepMs(settle::kAfterRowRequestMs);
    if (requested != 0) {
      ShowMessage("Communication Error when Requesting Absolute Dataflash Read.");
      return false;
    }
    if (ReadRowBlock(image.Row(i), length, m.SmbAddress) != 0 || length != kRowLength) {
      ShowMessage(readFailed);
      return false;
    }
  }
  return true;
}

// Writes the rows of the image and reads them back; 0 when the gauge gives them back. The
// failing step's message and 1 otherwise; rowsWritten counts the rows the gauge accepted.
int32_t StoreRows(RowImage& image, int& rowsWritten) {
  ModuleState& m = Module();
  for (int i = 0; i < image.rows; ++i) {
    if (RequestRow(image.firstRow + i) != 0) {
      ShowMessage("Communication error when requesting absolute page to write.");
      return 1;
    }
    const int32_t written = WriteRowBlock(image.Row(i));
    SleepMs(settle::kAfterRowWriteMs);
    if (written != 0) {
      ShowMessage("Communication Error returned when writing absoute address to Dataflash.");
      return 1;
    }
    ++rowsWritten;
  }

  // A write is only a success once the gauge gives the new rows back.
  std::array<std::array<uint8_t, kRowLength>, 2> back{};
  for (int i = 0; i < image.rows; ++i) {
    back[i] = PrimedReadBack<kRowLength>(image.Row(i));
    RequestRow(image.firstRow + i);
    int16_t length = 0;
    ReadRowBlock(back[i], length, m.SmbAddress);
  }
  for (int i = 0; i < image.rows; ++i) {
    if (!SameBytes(back[i], image.Row(i))) {
      ShowMessage("Verification of absolute Dataflash write and readback failed.");
      return 1;
    }
  }
  return 0;
}

}  // namespace

int32_t ReadAbsoluteDF(int16_t address, uint8_t& first, uint8_t& second) {
  RowImage image;
  if (!PlaceRows(address, image) ||
      !LoadRows(image, "Communication Error returned reading absolute address."))
    return 1;
  first = image.bytes[image.offset];
  second = image.bytes[image.offset + 1];
  return 0;
}

int32_t WriteAbsoluteDF(int16_t address, uint8_t first, uint8_t second) {
  ModuleState& m = Module();
  RowImage image;
  if (!PlaceRows(address, image) ||
      !LoadRows(image,
                "Communication Error returned when reading block to write absolute address."))
    return 1;
  // The rows as the gauge holds them are saved before any of them changes.
  std::string error;
  const auto rows = std::span<const uint8_t>(image.bytes).first(image.rows * kRowLength);
  const std::string backupFile =
      SaveBackup(MakeBackup(BackupKind::AbsoluteRows, image.firstRow * kRowLength, rows), error);
  if (backupFile.empty()) {
    ShowMessage("Could not save a backup of the Dataflash rows about to be written: " + error +
                ". Nothing was written to the gauge.");
    return 1;
  }
  RowImage old = image;
  image.bytes[image.offset] = first;
  image.bytes[image.offset + 1] = second;
  int rowsWritten = 0;
  const int32_t result = StoreRows(image, rowsWritten);
  // Once a row was stored, a failure leaves the gauge changed: the rows as they were go back
  // once, quietly; the write's own message stays the technician's.
  if (result != 0 && rowsWritten > 0) {
    ++m.quietMessages;
    int ignored = 0;
    const bool restored = StoreRows(old, ignored) == 0;
    --m.quietMessages;
    if (!restored)
      ShowMessage(
          "The failed write changed Dataflash rows and writing them back failed. The "
          "backup file " +
          backupFile + " holds them.");
  }
  return result;
}

}  // namespace gaugecal
