// The UI thread's message queue.
#pragma once

namespace platform {

// Dispatches the calling thread's waiting messages. A quit message is posted
// again and ends the pumping at once: the result is then true.
bool PumpWaitingMessages();

}  // namespace platform
