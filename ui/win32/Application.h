// Shows the installer window and runs the message loop until it closes.
#pragma once

namespace ui::win32 {

void RunApplication();

}  // namespace ui::win32
