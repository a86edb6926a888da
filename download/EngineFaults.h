// Faults a test arms to see the engine fail the way a starved system makes it
// fail: a segment thread that cannot be started, an error inside the manager's
// poll, a segment's write to the data file, a flush of it. Unarmed, every point passes.
#pragma once

enum class EngineFault { kSegmentStart, kPoll, kWrite, kFlush };

// The next `count` passes by the point fail.
void ArmEngineFault(EngineFault point, int count);
// True when the point is to fail now; each true uses up one armed count.
bool EngineFaultDue(EngineFault point);
