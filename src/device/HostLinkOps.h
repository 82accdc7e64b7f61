#pragma once
// The plug-in's thin layer over the host link: draining the host's error queue, the
// manufacturer access write, the communication check and the two kinds of waiting.

#include <cstdint>

namespace gaugecal {

// Calls CheckForError until it returns 0 (at least once).
void ClearHostErrors();

// Writes a manufacturer access subcommand to the configured register, then sleeps 3 ms.
int32_t WriteMACCommand(int16_t subcommand);

// 0 when the gauge answers relative state of charge with 100 or less; otherwise non-zero.
int32_t CheckCommunication();

// Waits while the host keeps processing events; ends early at a midnight wrap of the timer.
void WaitSeconds(float seconds);
void WaitMs(int32_t milliseconds);

// Operating-system sleep through the platform.
void SleepMs(int32_t milliseconds);

// Lets the host handle what is pending (clicks, due timer ticks) without waiting.
void LetPendingEventsRun();

}  // namespace gaugecal
