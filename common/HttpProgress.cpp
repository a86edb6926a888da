#include "common/HttpProgress.h"

#include <atomic>

namespace {
std::atomic<HttpProgressHandlers*> g_handlers{nullptr};
}

void SetHttpProgressHandlers(HttpProgressHandlers* handlers) { g_handlers.store(handlers); }
HttpProgressHandlers* GetHttpProgressHandlers() { return g_handlers.load(); }
