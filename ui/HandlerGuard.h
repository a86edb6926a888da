// The guard every handler of the window runs in, the show handler included.
#pragma once
#include <functional>

namespace ui {

// Runs `handler`. An error escaping it, of whatever kind, is shown in a message
// box owned by `owner` with the error's text; the rest of the handler is
// skipped and the program goes on.
void RunGuarded(void* owner, const std::function<void()>& handler);

}  // namespace ui
