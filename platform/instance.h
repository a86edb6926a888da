// One copy of a program at a time: a named mutex that the copy showing the
// window holds, and the way a later copy hands the user over to that window.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class InstanceMutex {
 public:
  InstanceMutex() = default;
  ~InstanceMutex();
  InstanceMutex(const InstanceMutex&) = delete;
  InstanceMutex& operator=(const InstanceMutex&) = delete;

  // True when this copy now holds `name`; false when another copy holds it
  // (one whose mutex this copy may not even open counts as holding it). A
  // mutex the system cannot give at all does not stop the program: true.
  bool Acquire(const std::string& name);

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  std::string name_;  // the name held in this process
#endif
};

// Brings the top-level window of class `windowClass` to the front, restored
// when it or its owner is minimised; waits up to `waitMs` for it to appear
// (the first copy takes the mutex before it makes its window). False when
// there is none.
bool BringWindowToFront(const std::u16string& windowClass, uint32_t waitMs);

namespace testing {
// The classes BringWindowToFront was asked for since the last call.
std::vector<std::u16string> TakeFrontRequests();
}  // namespace testing

}  // namespace platform
