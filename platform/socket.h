// TCP connections over IPv4: the HTTP client's connections and the local
// download server's listener. One thread uses a Socket at a time, except that
// Shutdown may be called from another thread to wake a blocked Recv.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

constexpr int kRecvError = -1;
constexpr int kRecvTimeout = -2;

class Socket {
 public:
  Socket() = default;
  ~Socket();
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;

  // Resolves `host` and connects, giving up after timeoutMs. False on failure.
  bool Connect(const std::string& host, uint16_t port, uint32_t timeoutMs);
  bool IsOpen() const { return handle_ != kInvalid; }
  // Up to n bytes: the count (> 0), 0 when the peer closed, kRecvError, or
  // kRecvTimeout when nothing arrived for timeoutMs (0 waits without limit).
  int Recv(void* buf, size_t n, uint32_t timeoutMs);
  // All n bytes, or false.
  bool SendAll(const void* buf, size_t n);
  // Ends both directions; a Recv blocked in another thread returns.
  void Shutdown();
  void Close();

 private:
  friend class Listener;
#ifdef _WIN32
  using Handle = uintptr_t;
  static constexpr Handle kInvalid = ~static_cast<uintptr_t>(0);
#else
  using Handle = int;
  static constexpr Handle kInvalid = -1;
#endif
  std::atomic<Handle> handle_{kInvalid};
};

// A listening socket on 127.0.0.1.
class Listener {
 public:
  Listener() = default;
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // Port 0 picks a free port; Port() tells which.
  bool Listen(uint16_t port);
  uint16_t Port() const { return port_; }
  // Waits at most timeoutMs for a connection; false on time-out or error.
  bool Accept(Socket* out, uint32_t timeoutMs);
  void Close();

 private:
  Socket sock_;
  uint16_t port_ = 0;
};

}  // namespace platform
