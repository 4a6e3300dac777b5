// The remote bit-bang server: one poll loop over the listening socket or the client, and a stop
// pipe that a signal handler may write to.
#include "jtag/RemoteBitbangServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace morvel::host::jtag {

namespace {

constexpr size_t kBlockBytes = size_t{64} * 1024;

std::string PeerName(const sockaddr_storage& peer) {
  char host[NI_MAXHOST] = "?";
  char port[NI_MAXSERV] = "?";
  getnameinfo(reinterpret_cast<const sockaddr*>(&peer), sizeof peer, host, sizeof host, port,
              sizeof port, NI_NUMERICHOST | NI_NUMERICSERV);
  return HostPort{host, static_cast<uint16_t>(std::atoi(port))}.ToString();
}

}  // namespace

RemoteBitbangServer::RemoteBitbangServer(SimulatedChain& chain, uint16_t port,
                                         const std::string& address)
    : FChain(chain) {
  const std::string where = HostPort{address, port}.ToString();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string portText = std::to_string(port);
  if (const int rc = getaddrinfo(address.c_str(), portText.c_str(), &hints, &found); rc != 0)
    throw JtagError("cannot listen on " + where + ": " + gai_strerror(rc));
  int error = 0;
  for (addrinfo* a = found; a != nullptr && !FListen; a = a->ai_next) {
    FileDescriptor fd(::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
    const int one = 1;
    if (fd && setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) == 0 &&
        ::bind(fd.Get(), a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd.Get(), 4) == 0)
      FListen = std::move(fd);
    else
      error = errno;
  }
  freeaddrinfo(found);
  if (!FListen) throw JtagError("cannot listen on " + where + ": " + ErrnoText(error));

  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  getsockname(FListen.Get(), reinterpret_cast<sockaddr*>(&bound), &length);
  const uint16_t boundPort = bound.ss_family == AF_INET6
                                 ? ntohs(reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port)
                                 : ntohs(reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
  FEndpoint = HostPort{address, boundPort};

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
    throw JtagError("cannot create the server's stop pipe: " + ErrnoText(errno));
  FStopRead.Reset(pipeFds[0]);
  FStopWrite.Reset(pipeFds[1]);
}

RemoteBitbangServer::~RemoteBitbangServer() = default;

void RemoteBitbangServer::Stop() {
  const char byte = 'S';
  // Only write(2) here: this runs in signal handlers. A full pipe already holds a stop request.
  [[maybe_unused]] const ssize_t n = ::write(FStopWrite.Get(), &byte, 1);
}

bool RemoteBitbangServer::StopRequested() {
  pollfd p{FStopRead.Get(), POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

void RemoteBitbangServer::Event(const std::string& text) {
  if (OnEvent) OnEvent(text);
}

void RemoteBitbangServer::Serve() {
  while (true) {
    pollfd fds[2] = {{FListen.Get(), POLLIN, 0}, {FStopRead.Get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      throw JtagError("remote bit-bang server: poll failed: " + ErrnoText(errno));
    }
    if (fds[1].revents != 0) return;
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    FileDescriptor client(::accept4(FListen.Get(), reinterpret_cast<sockaddr*>(&peer), &length,
                                    SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!client) continue;  // the client gave up before we took it, or a signal came
    const int one = 1;
    setsockopt(client.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const std::string name = PeerName(peer);
    Event("client " + name + " connected");
    const Outcome outcome = ServeClient(client.Get());
    Event("client " + name + " disconnected");
    if (outcome == Outcome::Stopped) return;
  }
}

RemoteBitbangServer::Outcome RemoteBitbangServer::ServeClient(int fd) {
  std::vector<uint8_t> block(kBlockBytes);
  std::string answers;
  while (true) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {FStopRead.Get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return Outcome::ClientGone;
    }
    if (fds[1].revents != 0) return Outcome::Stopped;
    const ssize_t n = ::recv(fd, block.data(), block.size(), 0);
    if (n == 0) return Outcome::ClientGone;
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      return Outcome::ClientGone;
    }
    answers.clear();
    bool more = true;
    {
      std::lock_guard<std::mutex> lock(FMutex);
      more = Process(block.data(), static_cast<size_t>(n), answers);
    }
    const Outcome sent = SendAll(fd, answers);
    if (sent != Outcome::Continue) return sent;
    if (!more) return Outcome::ClientGone;
  }
}

RemoteBitbangServer::Outcome RemoteBitbangServer::SendAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
      return Outcome::ClientGone;
    // A client that stops reading must not keep the server from stopping.
    pollfd fds[2] = {{fd, POLLOUT, 0}, {FStopRead.Get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0 && errno != EINTR) return Outcome::ClientGone;
    if (fds[1].revents != 0) return Outcome::Stopped;
  }
  return Outcome::Continue;
}

bool RemoteBitbangServer::Process(const uint8_t* bytes, size_t count, std::string& answers) {
  for (size_t i = 0; i < count; ++i) {
    const uint8_t c = bytes[i];
    if (c >= '0' && c <= '7') {
      const unsigned v = c - '0';
      FChain.SetTCK((v & 4) != 0);
      FChain.SetTMS((v & 2) != 0);
      FChain.SetTDI((v & 1) != 0);
      FChain.WritePins();
    } else if (c == 'R') {
      answers.push_back(FChain.Tdo() ? '1' : '0');
    } else if (c >= 'r' && c <= 'u') {
      const unsigned v = c - 'r';
      FChain.SetResetLines((v & 2) != 0, (v & 1) != 0);
    } else if (c == 'B' || c == 'b') {
      FLed = c == 'B';
    } else if (c == 'Q') {
      return false;
    }
  }
  return true;
}

}  // namespace morvel::host::jtag
