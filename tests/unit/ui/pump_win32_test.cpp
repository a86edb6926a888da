// The real message pump under Wine: a quit waiting in the queue.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include "common/KpLib.h"

namespace {
int g_ticks = 0;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

void Drain() {
  MSG m;
  while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
  }
}
}  // namespace

TEST(PumpMessages, AQuitWaitingIsPostedAgainAndEndsThePumping) {
  Drain();
  // A message posted before the quit is taken; a due timer comes behind the
  // quit in the queue's order and must not run.
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 1, &Tick);
  ::Sleep(50);
  ::PostThreadMessageA(::GetCurrentThreadId(), WM_APP, 0, 0);
  ::PostQuitMessage(7);
  g_ticks = 0;
  EXPECT_TRUE(PumpMessages());
  EXPECT_EQ(g_ticks, 0);
  // What waits now is the quit, posted again with its code: the message ahead
  // of it is gone.
  MSG m;
  ASSERT_TRUE(::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 7u);
  ::KillTimer(nullptr, timer);
  Drain();
  EXPECT_FALSE(PumpMessages());  // nothing waiting
}
#endif
