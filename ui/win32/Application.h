// Shows the installer window and runs the message loop until it closes.
#pragma once
#include <functional>
#include <memory>

#include "ui/FSpeedInstall.h"

namespace ui::win32 {

// `makeFlow` builds the install flow, which binds its handlers to the window;
// it lives as long as the window.
using FlowFactory = std::function<std::shared_ptr<void>(TfrmSpeedInstall&)>;

void RunApplication(const FlowFactory& makeFlow);

}  // namespace ui::win32
