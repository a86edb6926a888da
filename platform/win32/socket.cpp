#include "platform/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

namespace platform {
namespace {
// Winsock is started once per process and stays up until it ends.
void EnsureWinsock() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

// select() until the socket is ready; 0 waits without limit. 1 ready, 0 time-out, -1 error.
int WaitReady(SOCKET s, bool forWrite, uint32_t timeoutMs) {
  fd_set set, errs;
  FD_ZERO(&set);
  FD_ZERO(&errs);
  FD_SET(s, &set);
  FD_SET(s, &errs);
  timeval tv{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
  int r = ::select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &errs, timeoutMs == 0 ? nullptr : &tv);
  if (r < 0) return -1;
  if (r == 0) return 0;
  return FD_ISSET(s, &set) ? 1 : -1;
}

bool ResolveV4(const std::string& host, uint16_t port, sockaddr_in* out) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0 || !res) return false;
  std::memcpy(out, res->ai_addr, sizeof *out);
  ::freeaddrinfo(res);
  out->sin_port = htons(port);
  return true;
}

void NoDelay(SOCKET s) {
  BOOL one = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}
}  // namespace

Socket::~Socket() { Close(); }

Socket::Socket(Socket&& other) noexcept : handle_(other.handle_.exchange(kInvalid)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_.exchange(kInvalid);
  }
  return *this;
}

bool Socket::Connect(const std::string& host, uint16_t port, uint32_t timeoutMs) {
  Close();
  EnsureWinsock();
  sockaddr_in addr{};
  if (!ResolveV4(host, port, &addr)) return false;
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  u_long nonBlocking = 1;
  ::ioctlsocket(s, FIONBIO, &nonBlocking);
  int r = ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  if (r != 0 && ::WSAGetLastError() == WSAEWOULDBLOCK && WaitReady(s, true, timeoutMs) == 1) r = 0;
  if (r != 0) {
    ::closesocket(s);
    return false;
  }
  nonBlocking = 0;
  ::ioctlsocket(s, FIONBIO, &nonBlocking);
  NoDelay(s);
  handle_ = s;
  return true;
}

int Socket::Recv(void* buf, size_t n, uint32_t timeoutMs) {
  SOCKET s = handle_;
  if (s == INVALID_SOCKET) return kRecvError;
  int w = WaitReady(s, false, timeoutMs);
  if (w == 0) return kRecvTimeout;
  if (w < 0) return kRecvError;
  int len = n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
  int got = ::recv(s, static_cast<char*>(buf), len, 0);
  return got < 0 ? kRecvError : got;
}

bool Socket::SendAll(const void* buf, size_t n) {
  SOCKET s = handle_;
  const char* p = static_cast<const char*>(buf);
  while (s != INVALID_SOCKET && n > 0) {
    int len = n > 0x100000 ? 0x100000 : static_cast<int>(n);
    int sent = ::send(s, p, len, 0);
    if (sent <= 0) return false;
    p += sent;
    n -= static_cast<size_t>(sent);
  }
  return s != INVALID_SOCKET;
}

void Socket::Shutdown() {
  SOCKET s = handle_;
  if (s != INVALID_SOCKET) ::shutdown(s, SD_BOTH);
}

void Socket::Close() {
  SOCKET s = handle_.exchange(kInvalid);
  if (s != INVALID_SOCKET) ::closesocket(s);
}

Listener::~Listener() { Close(); }

bool Listener::Listen(uint16_t port) {
  Close();
  EnsureWinsock();
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(port);
  int len = sizeof addr;
  if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(s, 64) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::closesocket(s);
    return false;
  }
  port_ = ntohs(addr.sin_port);
  sock_.handle_ = s;
  return true;
}

bool Listener::Accept(Socket* out, uint32_t timeoutMs) {
  SOCKET s = sock_.handle_;
  if (s == INVALID_SOCKET || WaitReady(s, false, timeoutMs) != 1) return false;
  SOCKET c = ::accept(s, nullptr, nullptr);
  if (c == INVALID_SOCKET) return false;
  NoDelay(c);
  out->Close();
  out->handle_ = c;
  return true;
}

void Listener::Close() { sock_.Close(); }

}  // namespace platform
