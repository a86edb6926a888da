// The targets an engine of this process is working on. A manager holds its
// target from its start until its data file is closed and its state saved; a
// new job on the same target first waits for that, so that it finds the files
// the earlier one left instead of racing it for them.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

// As long as the window waits for a manager when it closes.
constexpr uint32_t kEarlierJobWaitMs = 5000;

void HoldJobTarget(const std::string& fileName);
void ReleaseJobTarget(const std::string& fileName);

// Waits, calling `pump` (the window's message handling) every few milliseconds,
// until no manager holds `fileName` or `timeoutMs` have passed. True when free.
bool WaitForEarlierJob(const std::string& fileName, uint32_t timeoutMs, const std::function<void()>& pump);
