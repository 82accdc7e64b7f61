#pragma once
// Nothing lost in the calibration area: the image read from the gauge is kept, saved to a
// backup file before the first write that would change it, and written back once when a write
// fails after the gauge may have stored part of it. The outcome of such a rollback is one
// message after the calibration's own (ShowWriteOutcomeNotice).

#include <cstdint>
#include <span>

namespace gaugecal {

// After a read of the calibration area into the local calibration buffer: status 0 keeps the
// first length bytes as the image the gauge holds; any other status forgets the image.
void NoteCalAreaRead(int32_t status, int16_t length);
// Both reads succeeded but disagreed: no image is known.
void ForgetCalAreaRead();
// After a verified write: the gauge holds the buffer now.
void NoteCalAreaWritten();

// Saves the image read last to a backup file, once per image. 0 when it is saved; 1 after a
// message when it cannot be (nothing must be written then).
int32_t BackUpCalArea();

// After a failed write: when the gauge no longer holds the image read last, writes it back
// once through the family's verified writer, quietly, and keeps the outcome for
// ShowWriteOutcomeNotice.
void RollBackCalArea();

// Shows the rollback's outcome, if there is one, and forgets it.
void ShowWriteOutcomeNotice();

// The family's verified write of the local calibration buffer, without backup or rollback.
int32_t WriteCalAreaOnce();

}  // namespace gaugecal
