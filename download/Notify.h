// The download engine's one way of reporting a failure: WM_DOWNLOAD_FAILED sent
// to the installer window by a blocking send. The engine thread that sends waits
// until the window's thread has handled the notice. The notice names its job
// (TDownloadJob::Id, the message's first parameter): a job the window has
// already replaced may still be sending.
#pragma once
#include <cstdint>
#include <memory>

constexpr uint32_t WM_DOWNLOAD_FAILED = 0x0400 + 0x0456;  // 2134

// What NotifyWindow stands for: on Windows a SendMessage to the window's handle;
// in the headless host a call that blocks until the UI thread's pump ran it.
class NotifyTarget {
 public:
  virtual ~NotifyTarget() = default;
  virtual void SendDownloadFailed(uint32_t jobId) = 0;
};

// Stored by the window when it is shown. Shared ownership: a segment thread that
// is sending keeps the target alive even if the window lets go of it meanwhile.
void SetNotifyWindow(std::shared_ptr<NotifyTarget> target);
std::shared_ptr<NotifyTarget> GetNotifyWindow();

// Sends WM_DOWNLOAD_FAILED for job `jobId` to NotifyWindow; nothing happens
// when none is set.
void SendDownloadFailed(uint32_t jobId);
