#pragma once
// Settle times the gauge needs after its commands. A gauge asked too early answers stale
// data, so these are part of the bus protocol, not tuning knobs.

#include <cstdint>

namespace gaugecal::settle {

constexpr int32_t kAfterMacCommandMs = 3;            // after every subcommand write
constexpr int32_t kBeforeManufacturingStatusMs = 5;  // 0x0057, before its block read
constexpr int32_t kAfterOperationStatusMs = 10;      // after 0x0054
constexpr int32_t kAfterCalModeOrExitMs = 50;        // calibration-mode or exit command
constexpr int32_t kBeforeSubclassRetryMs = 100;      // second data flash subclass request
constexpr int32_t kAfterRawOutputMs = 200;           // raw-output subcommand, before the block
constexpr float kDataFlashReadWaitS = 0.02F;         // after a block or row read (wait)
constexpr float kDataFlashWriteWaitS = 0.132F;       // after a 64-byte block write (wait)
constexpr float kGroupCommandRetryWaitS = 0.05F;     // display-group command, second attempt

}  // namespace gaugecal::settle
