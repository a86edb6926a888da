#include "platform/console.h"

#include <unistd.h>

#include <csignal>

namespace platform {
namespace {
volatile std::sig_atomic_t g_interrupted = 0;
extern "C" void OnInterrupt(int) { g_interrupted = 1; }
}  // namespace

void CatchInterrupt() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
}

bool InterruptRequested() { return g_interrupted != 0; }

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace platform
