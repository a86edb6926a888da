#include "platform/console.h"

#include <windows.h>

#include <atomic>

namespace platform {
namespace {
std::atomic<bool> g_interrupted{false};

BOOL WINAPI OnConsoleEvent(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  g_interrupted = true;
  return TRUE;
}
}  // namespace

void CatchInterrupt() { ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool InterruptRequested() { return g_interrupted; }

int InterruptExitCode() { return g_interrupted ? 130 : 0; }

bool StderrIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

}  // namespace platform
