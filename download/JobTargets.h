// The targets an engine of this process is working on. A manager holds its
// target from its start until its data file is closed and its state saved; a
// new job on the same target waits for the holds taken before its own, so
// that it finds the files the earlier one left instead of racing it for them.
// Names are compared as Windows compares them: without case, "/" as "\".
#pragma once
#include <cstdint>
#include <functional>
#include <string>

// As long as the window waits for a manager when it closes.
constexpr uint32_t kEarlierJobWaitMs = 5000;

// A hold in the order of taking; the ticket releases it.
uint64_t HoldJobTarget(const std::string& fileName);
void ReleaseJobTarget(const std::string& fileName, uint64_t ticket);

// Waits until every hold on `fileName` taken before `ticket` is released: true
// then; false as soon as `giveUp` (asked every few milliseconds) says so.
bool WaitJobTurn(const std::string& fileName, uint64_t ticket, const std::function<bool()>& giveUp);

// Waits, calling `pump` (the window's message handling) every few milliseconds,
// until no manager holds `fileName` or `timeoutMs` have passed. True when free.
bool WaitForEarlierJob(const std::string& fileName, uint32_t timeoutMs, const std::function<void()>& pump);
