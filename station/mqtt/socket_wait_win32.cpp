// The MQTT thread's wait on Windows: select() on the broker's socket and on
// a datagram socket bound to loopback and connected to itself, to which
// Wake sends one byte. (Winsock is started by libmosquitto's init, which
// the client runs before Open.)
#include <winsock2.h>

#include "station/mqtt/socket_wait.h"

namespace station {

struct SocketWait::Impl {
  SOCKET self = INVALID_SOCKET;
};

SocketWait::SocketWait() : impl_(std::make_unique<Impl>()) {}

SocketWait::~SocketWait() {
  if (impl_->self != INVALID_SOCKET) closesocket(impl_->self);
}

bool SocketWait::Open(std::string& error) {
  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  u_long nonBlocking = 1;
  if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      connect(s, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
    error = "cannot make the MQTT thread's wake-up (Winsock error " +
            std::to_string(WSAGetLastError()) + ")";
    if (s != INVALID_SOCKET) closesocket(s);
    return false;
  }
  impl_->self = s;
  return true;
}

void SocketWait::Wake() {
  const char byte = 1;
  send(impl_->self, &byte, 1, 0);  // a full buffer holds wake-ups enough
}

SocketWait::Ready SocketWait::Wait(int socket, bool wantWrite, int timeoutMs) {
  fd_set readable, writable;
  FD_ZERO(&readable);
  FD_ZERO(&writable);
  FD_SET(impl_->self, &readable);
  const SOCKET broker = socket >= 0 ? static_cast<SOCKET>(socket) : INVALID_SOCKET;
  if (broker != INVALID_SOCKET) {
    FD_SET(broker, &readable);
    if (wantWrite) FD_SET(broker, &writable);
  }
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  Ready ready;
  if (select(0, &readable, &writable, nullptr, &timeout) <= 0) return ready;
  if (FD_ISSET(impl_->self, &readable)) {
    char drain[64];
    while (recv(impl_->self, drain, sizeof drain, 0) > 0) {
    }
  }
  ready.read = broker != INVALID_SOCKET && FD_ISSET(broker, &readable);
  ready.write = broker != INVALID_SOCKET && FD_ISSET(broker, &writable);
  return ready;
}

}  // namespace station
