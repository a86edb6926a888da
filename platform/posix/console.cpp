#include "platform/console.h"

#include <unistd.h>

#include <csignal>

namespace platform {
namespace {
volatile std::sig_atomic_t g_signal = 0;
extern "C" void OnInterrupt(int sig) { g_signal = sig; }
}  // namespace

void CatchInterrupt() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sa.sa_flags = SA_RESETHAND;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
}

bool InterruptRequested() { return g_signal != 0; }

int InterruptExitCode() { return g_signal != 0 ? 128 + g_signal : 0; }

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace platform
