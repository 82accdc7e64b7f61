#pragma once
// The bus side of a calibration session, shared by the panel, the command-line tool and the
// benchmark: entering calibration mode (fresh calibration image, calibration mode, averaged raw
// values, raw output) and leaving it (exit sequence, stored constants read back). The panel
// adds its controls, grids and timer through the hooks.

#include <cstdint>
#include <functional>

#include "calibration/DeviceMeasurements.h"

namespace gaugecal {

// Raw output kinds a session can ask for.
inline constexpr int16_t kNormalRawOutput = 0;
inline constexpr int16_t kOffsetRawOutput = 1;  // coulomb counter offset calibration

struct SessionHooks {
  // First thing of an entry: the panel disables its controls and stops its scan timer.
  std::function<void()> beforeEntry;
  // The local calibration buffer and the calibration table hold what the gauge stores.
  std::function<void()> calibrationAreaRead;
  // The gauge's live readings were refreshed (RN44K18 and CEDV_PLUS).
  std::function<void(const DeviceMeasurements&)> measurementsRead;
  // Last thing of an exit: the panel enables its controls and restarts its scan.
  std::function<void()> afterExit;
};

// Returns 0 when the gauge streams raw values and the averages are in the "Raw Cal Values"
// rows; 1 after the failing step's message. The caller leaves with ExitCalibrationMode in
// either case. liveTs3: a CEDV_PLUS TS3 offset will be computed, so the live temperatures are
// read at entry as RN44K18 reads them.
int32_t EnterCalibrationMode(int16_t mode = kNormalRawOutput, const SessionHooks& hooks = {},
                             bool liveTs3 = false);

// Always 0.
int32_t ExitCalibrationMode(const SessionHooks& hooks = {});

// The refresh of the calibration area that start-up, entry and exit share: 10 ms, the image
// read consistently into the buffer and decoded into the calibration table, the hook, 20 ms.
// 0, or the status of ReadCalBufferConsistently (without the hook and the second wait).
int32_t ReadCalibrationArea(const SessionHooks& hooks);

// Reads the calibration area into the local calibration buffer twice and succeeds only when
// both reads agree. The row and subclass readers select what they read with a transfer whose
// failure they do not see; the gauge then answers another row or subclass, and writing such an
// image back would corrupt it. 0; 1 when a read failed (after the reader's own message, where
// it has one); kCalImagesDisagree when both reads succeeded with different images.
inline constexpr int32_t kCalImagesDisagree = 2;
int32_t ReadCalBufferConsistently();

}  // namespace gaugecal
