// The installer window's three handlers of a synchronous transfer's progress.
// FetchToFile binds them to its HTTP client when asked to report progress; the
// window registers itself when it is shown. They run on the calling thread.
#pragma once
#include <cstdint>

class HttpProgressHandlers {
 public:
  virtual ~HttpProgressHandlers() = default;
  virtual void HttpWorkBegin(int32_t workCountMax) = 0;  // 0 when no length is announced
  virtual void HttpWork(int32_t workCount) = 0;          // bytes so far in this transfer
  virtual void HttpWorkEnd() = 0;
};

// The one window's handlers, or null when there is no window (tools, tests).
void SetHttpProgressHandlers(HttpProgressHandlers* handlers);
HttpProgressHandlers* GetHttpProgressHandlers();
