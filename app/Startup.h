// The entry routine: either restart elevated and end, or show the window.
#pragma once
#include <functional>

// `hasArgument`: the command line holds at least one argument (the elevated
// copy is started with "UAC"). `showWindow` runs the window until it closes,
// unless another copy shows its window already: that one is brought to the front.
// The result is the process's exit code: 0 on every path.
int StartInstaller(bool hasArgument, const std::function<void()>& showWindow);
