#pragma once
// Settle times the gauge needs after its commands. A gauge asked too early answers stale
// data, so these are part of the bus protocol, not tuning knobs.

#include <cstdint>

namespace gaugecal::settle {

constexpr int32_t kAfterMacCommandMs = 3;            // after every subcommand write
constexpr int32_t kBeforeManufacturingStatusMs = 5;  // 0x0057, before its block read
constexpr int32_t kAfterOperationStatusMs = 10;      // after 0x0054
constexpr int32_t kAfterCalModeOrExitMs = 50;        // calibration-mode or exit command
constexpr int32_t kAfterLeavingMs = 10;              // each subcommand that leaves the mode
constexpr int32_t kBeforeSubclassRetryMs = 100;      // second data flash subclass request
constexpr int32_t kAfterRawOutputMs = 200;           // raw-output subcommand, before the block
constexpr float kDataFlashReadWaitS = 0.02F;         // after a block or row read (wait)
constexpr float kDataFlashWriteWaitS = 0.132F;       // after a 64-byte block write (wait)
constexpr float kGroupCommandRetryWaitS = 0.05F;     // display-group command, second attempt

// Raw-output requests: the gauge must have left calibration output and taken the neutral
// subcommand before it starts a new stream.
constexpr int32_t kAfterNeutralBeforeRawMs = 100;    // first request of normal raw output
constexpr int32_t kAfterRawRequestMs = 3;            // normal raw output, before the first reads
constexpr int32_t kRawResendStepMs = 20;             // exit and neutral of a resend round
constexpr int32_t kAfterNeutralBeforeOffsetMs = 20;  // offset raw output, after the neutral
constexpr int32_t kOffsetResendExitMs = 10;          // exit of an offset resend round

// 64-byte data flash pages.
constexpr int32_t kBeforePageReadRetryMs = 100;  // a page that came back short
constexpr int32_t kAfterExitBeforePageWriteMs = 150;

// Calibration subclass.
constexpr int32_t kBeforeSubclassSelectMs = 20;       // after draining host errors
constexpr int32_t kAfterSubclassSelectMs = 5;         // before reading or writing the subclass
constexpr int32_t kAfterSubclassLengthSelectMs = 10;  // before learning the subclass length
constexpr int32_t kAfterSubclassWriteMs = 132;

// 32-byte rows through manufacturer access.
constexpr int32_t kBeforeRowReadMs = 50;  // after draining host errors
constexpr int32_t kAfterRowRequestForReadMs = 20;
constexpr int32_t kAfterFirstRowReadMs = 100;
constexpr int32_t kAfterExitBeforeRowWriteMs = 100;
constexpr int32_t kAfterRowRequestMs = 3;  // row request before a row write or read-back
constexpr int32_t kAfterRowWriteMs = 200;
constexpr int32_t kAroundAbsoluteReadMs = 50;  // exit command and the discarded read

// Raw calibration acquisition.
constexpr int16_t kBeforeFirstRawBlockHostMs = 250;  // host-side delay, then the same wait
constexpr int32_t kBeforeFirstRawBlockWaitMs = 250;
constexpr int32_t kBetweenRawBlocksMs = 100;      // wait after every block read
constexpr int32_t kAfterWrongLengthExitMs = 100;  // exit, then the output request again
constexpr int32_t kFreshBlockPollMs = 50;         // live display's raw block poll

}  // namespace gaugecal::settle
