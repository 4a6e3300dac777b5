// Serves a simulated chain over TCP in the remote bit-bang protocol, so that an independent JTAG
// tool can scan and drive it: '0'-'7' drive TCK, TMS and TDI; 'R' answers TDO as '0' or '1';
// 'r'-'u' set TRST and SRST; 'B'/'b' blink; 'Q' ends the connection; other bytes are ignored.
// One client at a time; others wait in the listen queue. A client that goes away leaves the
// chain as its last byte left it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "jtag/SimulatedChain.h"
#include "jtag/Socket.h"

namespace morvel::host::jtag {

class RemoteBitbangServer {
 public:
  // Listens on the address (the loopback address unless told otherwise); port 0 picks a free
  // port. Raises JtagError when it cannot listen.
  RemoteBitbangServer(SimulatedChain& chain, uint16_t port,
                      const std::string& address = "127.0.0.1");
  RemoteBitbangServer(const RemoteBitbangServer&) = delete;
  RemoteBitbangServer& operator=(const RemoteBitbangServer&) = delete;
  ~RemoteBitbangServer();

  const HostPort& Endpoint() const { return FEndpoint; }

  // Serves clients one after the other until Stop(); then returns.
  void Serve();
  // Callable from any thread and from a signal handler.
  void Stop();

  // Runs fn(chain) while no client bytes are being worked on.
  template <class F>
  decltype(auto) WithChain(F&& fn) {
    std::lock_guard<std::mutex> lock(FMutex);
    return fn(FChain);
  }

  // Told of clients coming and going, one line each.
  std::function<void(std::string_view)> OnEvent;
  bool Led() const { return FLed; }

 private:
  enum class Outcome { Continue, ClientGone, Stopped };

  Outcome ServeClient(int fd);
  Outcome SendAll(int fd, const std::string& data);
  bool StopRequested();
  // Works on a block of client bytes; false when the client sent 'Q'.
  bool Process(const uint8_t* bytes, size_t count, std::string& answers);
  void Event(const std::string& text);

  SimulatedChain& FChain;
  std::mutex FMutex;
  FileDescriptor FListen;
  FileDescriptor FStopRead;
  FileDescriptor FStopWrite;
  HostPort FEndpoint;
  std::atomic<bool> FLed{false};
};

}  // namespace morvel::host::jtag
