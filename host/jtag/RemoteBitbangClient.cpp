// The remote bit-bang client: batching, answer bookkeeping and the socket's failure modes.
#include "jtag/RemoteBitbangClient.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace morvel::host::jtag {

namespace {

std::string Seconds(std::chrono::milliseconds t) {
  const long long ms = t.count();
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// Connects without blocking longer than the time-out; answers the errno of the failure or 0.
int ConnectWithin(int fd, const addrinfo& a, std::chrono::milliseconds timeout) {
  if (::connect(fd, a.ai_addr, a.ai_addrlen) == 0) return 0;
  if (errno != EINPROGRESS) return errno;
  pollfd p{fd, POLLOUT, 0};
  const int ready = ::poll(&p, 1, static_cast<int>(timeout.count()));
  if (ready == 0) return ETIMEDOUT;
  if (ready < 0) return errno;
  int error = 0;
  socklen_t length = sizeof error;
  getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
  return error;
}

}  // namespace

RemoteBitbangClient::RemoteBitbangClient(const HostPort& server, std::chrono::milliseconds timeout)
    : FServer(server), FTimeout(timeout) {
  const std::string where = FServer.ToString();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(FServer.Port);
  if (const int rc = getaddrinfo(FServer.Host.c_str(), port.c_str(), &hints, &found); rc != 0)
    throw JtagError("cannot reach remote bit-bang server " + where + ": " + gai_strerror(rc));
  int error = ECONNREFUSED;
  for (addrinfo* a = found; a != nullptr && !FSocket; a = a->ai_next) {
    FileDescriptor fd(
        ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol));
    if (!fd) {
      error = errno;
      continue;
    }
    error = ConnectWithin(fd.Get(), *a, FTimeout);
    if (error == 0) FSocket = std::move(fd);
  }
  freeaddrinfo(found);
  if (!FSocket)
    throw JtagError(
        "cannot connect to remote bit-bang server " + where + ": " +
        (error == ETIMEDOUT ? "no answer within " + Seconds(FTimeout) : ErrnoText(error)));
  const int one = 1;
  setsockopt(FSocket.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  FOut.reserve(kSendBlock);
}

RemoteBitbangClient::~RemoteBitbangClient() {
  if (!FSocket || !FFailure.empty()) return;
  try {
    Put('Q');
    Send();
  } catch (const JtagError&) {
    // Leaving anyway; the server sees the connection close.
  }
}

void RemoteBitbangClient::CheckUsable() const {
  if (!FFailure.empty())
    throw JtagError("remote bit-bang connection to " + FServer.ToString() +
                    " is unusable after an earlier failure: " + FFailure);
}

void RemoteBitbangClient::Fail(const std::string& what) {
  FFailure = what;
  FSocket.Reset();
  throw JtagError("remote bit-bang server " + FServer.ToString() + ": " + what);
}

void RemoteBitbangClient::Send() {
  CheckUsable();
  size_t done = 0;
  while (done < FOut.size()) {
    const ssize_t n = ::send(FSocket.Get(), FOut.data() + done, FOut.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
      Fail(errno == EPIPE || errno == ECONNRESET ? "closed the connection"
                                                 : "sending failed: " + ErrnoText(errno));
    pollfd p{FSocket.Get(), POLLOUT, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(FTimeout.count()));
    if (ready == 0) Fail("took nothing for " + Seconds(FTimeout));
    if (ready < 0 && errno != EINTR) Fail("poll failed: " + ErrnoText(errno));
  }
  FOut.clear();
}

void RemoteBitbangClient::Receive(size_t left) {
  Send();
  char buffer[4096];
  while (FDue.size() > left) {
    pollfd p{FSocket.Get(), POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(FTimeout.count()));
    if (ready == 0)
      Fail("no answer within " + Seconds(FTimeout) + " (" + std::to_string(FDue.size()) +
           " TDO answers due; a server busy with another client answers none)");
    if (ready < 0) {
      if (errno == EINTR) continue;
      Fail("poll failed: " + ErrnoText(errno));
    }
    // Never more than is due, so that stray bytes are not taken for later answers.
    const size_t want = std::min(sizeof buffer, FDue.size());
    const ssize_t n = ::recv(FSocket.Get(), buffer, want, 0);
    if (n == 0)
      Fail("closed the connection with " + std::to_string(FDue.size()) + " TDO answers due");
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      Fail(errno == ECONNRESET ? "closed the connection" : "receiving failed: " + ErrnoText(errno));
    }
    for (ssize_t i = 0; i < n; ++i) {
      const char c = buffer[i];
      if (c != '0' && c != '1') {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned char>(c));
        Fail(std::string("answered byte ") + code + " where a TDO level '0' or '1' was due");
      }
      const Answer kind = FDue.front();
      FDue.pop_front();
      if (kind == Answer::Pins)
        FTdoSample = c == '1';
      else if (kind == Answer::Capture && FCaptureTo != nullptr)
        FCaptureTo->push_back(c == '1' ? 1 : 0);
    }
  }
}

void RemoteBitbangClient::Expect(Answer kind) {
  if (FDue.size() >= kMaxDue) Receive(kMaxDue / 2);
  Put('R');
  FDue.push_back(kind);
}

void RemoteBitbangClient::ReadPins() {
  CheckUsable();
  Expect(Answer::Pins);
}

bool RemoteBitbangClient::GetTDO() {
  Receive(0);
  return FTdoSample;
}

void RemoteBitbangClient::Flush() {
  // An answer comes only after the server has worked through every byte before it.
  CheckUsable();
  Expect(Answer::Sync);
  Receive(0);
}

void RemoteBitbangClient::SetResetLines(bool trst, bool srst) {
  Put(static_cast<char>('r' + (trst ? 2 : 0) + (srst ? 1 : 0)));
  if (trst) {
    FState = TapState::Reset;
    FOnes = 0;
  }
}

void RemoteBitbangClient::RunCycles(std::span<const uint8_t> cycles, std::vector<uint8_t>* tdo) {
  CheckUsable();
  // Answers still due from ReadPins calls are told apart by their kind in FDue.
  FCaptureTo = tdo;
  try {
    for (const uint8_t c : cycles) {
      const char levels = static_cast<char>('0' + (c & (kCycleTms | kCycleTdi)));
      Put(levels);
      if ((c & kCycleCapture) != 0 && tdo != nullptr) Expect(Answer::Capture);
      Put(static_cast<char>(levels + 4));
      FollowEdge((c & kCycleTms) != 0);
    }
    Put(static_cast<char>('0' + (cycles.back() & (kCycleTms | kCycleTdi))));
    FDrivenTck = false;
    if (tdo != nullptr) Receive(0);
  } catch (...) {
    FCaptureTo = nullptr;
    throw;
  }
  FCaptureTo = nullptr;
}

}  // namespace morvel::host::jtag
