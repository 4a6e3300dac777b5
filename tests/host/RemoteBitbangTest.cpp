// The remote bit-bang server and client in one process: the client cable behaves like the local
// chain, the server speaks the protocol byte for byte, and every way a connection can go wrong
// gives a clear error.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <random>
#include <thread>

#include "ChainTestSupport.h"
#include "jtag/RemoteBitbangClient.h"
#include "jtag/RemoteBitbangServer.h"
#include "jtag/SimulatedChain.h"

namespace morvel::host::jtag {
namespace {

using namespace std::chrono_literals;
using test::EA7;
using test::SMD5;

std::vector<DeviceSpec> ThreeDevices() {
  return {EA7(), DeviceSpec::Generic(8), SMD5()};
}

// A simulated chain served on a free loopback port by a thread of its own.
class ServedChain {
 public:
  explicit ServedChain(const std::vector<DeviceSpec>& specs)
      : FChain(specs), FServer(FChain, 0), FThread([this] { FServer.Serve(); }) {}
  ~ServedChain() {
    FServer.Stop();
    FThread.join();
  }
  RemoteBitbangServer& Server() { return FServer; }
  const HostPort& Endpoint() const { return FServer.Endpoint(); }

 private:
  SimulatedChain FChain;
  RemoteBitbangServer FServer;
  std::thread FThread;
};

// A server that accepts one client and does what the test says with the connection.
class FakeServer {
 public:
  explicit FakeServer(std::function<void(int)> behaviour) {
    FListen.Reset(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (::bind(FListen.Get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(FListen.Get(), 1) != 0 ||
        ::getsockname(FListen.Get(), reinterpret_cast<sockaddr*>(&a), &length) != 0)
      throw std::runtime_error("the fake server cannot listen");
    FEndpoint = HostPort{"127.0.0.1", ntohs(a.sin_port)};
    FThread = std::thread([this, behaviour = std::move(behaviour)] {
      const FileDescriptor client(::accept(FListen.Get(), nullptr, nullptr));
      if (client) behaviour(client.Get());
    });
  }
  ~FakeServer() { FThread.join(); }
  const HostPort& Endpoint() const { return FEndpoint; }

 private:
  FileDescriptor FListen;
  HostPort FEndpoint;
  std::thread FThread;
};

// Answers every 'R' with the byte given, until the client goes.
std::function<void(int)> AnswerAlways(char answer) {
  return [answer](int fd) {
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
      const std::string answers(static_cast<size_t>(std::count(buffer, buffer + n, 'R')), answer);
      if (!answers.empty()) ::send(fd, answers.data(), answers.size(), MSG_NOSIGNAL);
    }
  };
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const JtagError& e) {
    return e.what();
  }
  return "no error";
}

// The same work on any cable; every answer in one list.
std::vector<uint64_t> Exercise(JtagCable& c) {
  std::vector<uint64_t> seen;
  c.GotoState(TapState::Reset);
  seen.push_back(test::ReadRegister(c, 6, 0));
  seen.push_back(test::ReadRegister(c, 6, 2));
  seen.push_back(test::ReadRegister(c, 7, 2));
  seen.push_back(test::SampleStatus(c, SMD5(), 2));
  c.SetInstruction(2, 2);
  seen.push_back(test::SampleStatus(c, SMD5(), 2));
  c.SetInstruction(6, 0);
  c.MoveState(TapState::Idle, TapState::DrShift);
  seen.push_back(c.ShiftDataCapture(0xABCDEF01, 32, 0));
  c.ClockTMS(false);
  seen.push_back(static_cast<uint64_t>(c.State()));
  c.ReadPins();
  seen.push_back(c.GetTDO());
  c.SetTCK(true);
  c.WritePins();
  c.ReadPins();
  seen.push_back(c.GetTDO());
  c.SetTCK(false);
  c.WritePins();
  seen.push_back(std::stoull(c.ShiftDataText("101", 1), nullptr, 2));
  seen.push_back(static_cast<uint64_t>(c.State()));
  return seen;
}

TEST(RemoteBitbang, ClientCableBehavesLikeTheLocalChain) {
  SimulatedChain local(ThreeDevices());
  ServedChain served(ThreeDevices());
  RemoteBitbangClient client(served.Endpoint());
  EXPECT_EQ(client.State(), TapState::Undefined);
  const ChainLayout found = DiscoverChain(client, nullptr);
  ASSERT_EQ(found.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(found[i].IdCode, local.Layout()[i].IdCode) << i;
    EXPECT_EQ(found[i].IrLength, local.Layout()[i].IrLength) << i;
  }
  client.SetLayout(found);
  EXPECT_EQ(Exercise(client), Exercise(local));
}

TEST(RemoteBitbang, ProgrammingThroughTheConnection) {
  ServedChain served(ThreeDevices());
  RemoteBitbangClient client(served.Endpoint());
  client.SetLayout(SimulatedChain(ThreeDevices()).Layout());
  std::vector<uint8_t> payload(20000);
  std::mt19937 random(3);
  for (uint8_t& b : payload) b = static_cast<uint8_t>(random());
  test::Program(client, BuildRawBitFile(0x600DC0DE, payload), 2);
  EXPECT_EQ(test::ReadRegister(client, 7, 2), 0x600DC0DEu);
  EXPECT_TRUE(test::SampleStatus(client, SMD5(), 2));
  client.Flush();
  served.Server().WithChain([](SimulatedChain& chain) {
    EXPECT_EQ(chain.Device(2).State(), SimulatedDevice::Configuration::Configured);
    EXPECT_TRUE(chain.Device(2).Stream().PayloadIntact());
  });
}

// Reset, into DRSHIFT, then 32 bits read as a client of the protocol reads them: TCK low,
// sample, TCK high. Garbage and blink bytes in between change nothing.
constexpr const char kReadIdcode[] =
    "Bbr"
    "26262626262"
    "6"
    "04"
    "26"
    "04"
    "04"
    "0R40R40R40R40R40R40R40R4"
    "0R40R40R40R40R40R40R40R4"
    "0R4xO0R40R40R40R40R40R40R4"
    "0R40R40R40R40R40R40R40R4";

std::string Talk(const HostPort& server, bool bytewise) {
  FileDescriptor fd(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(server.Port);
  if (::connect(fd.Get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return "no connection";
  const std::string request = std::string(kReadIdcode) + "Q";
  if (bytewise)
    for (const char c : request) ::send(fd.Get(), &c, 1, MSG_NOSIGNAL);
  else
    ::send(fd.Get(), request.data(), request.size(), MSG_NOSIGNAL);
  std::string answers;
  char buffer[256];
  for (ssize_t n; (n = ::recv(fd.Get(), buffer, sizeof buffer, 0)) > 0;) answers.append(buffer, n);
  return answers;  // the server closed the connection after 'Q'
}

TEST(RemoteBitbang, ServerAnswersEveryReadInOrderWhateverTheBlocks) {
  ServedChain served(ThreeDevices());
  std::string expected;
  for (int i = 0; i < 32; ++i) expected += ((0x029070DDu >> i) & 1) != 0 ? '1' : '0';
  EXPECT_EQ(Talk(served.Endpoint(), false), expected);
  EXPECT_EQ(Talk(served.Endpoint(), true), expected);
  EXPECT_TRUE(served.Server().WithChain(
      [](SimulatedChain& chain) { return chain.State() == TapState::DrShift; }));
  EXPECT_FALSE(served.Server().Led());
}

TEST(RemoteBitbang, ClientThatLeavesMidwayLeavesAWorkingChain) {
  ServedChain served(ThreeDevices());
  {
    RemoteBitbangClient first(served.Endpoint());
    first.SetLayout(SimulatedChain(ThreeDevices()).Layout());
    first.GotoState(TapState::Reset);
    first.SetInstruction(7, 0);
    first.MoveState(TapState::Idle, TapState::DrShift);
    for (int i = 0; i < 5; ++i) first.ClockTMS(false);
    first.SetTCK(true);
    first.WritePins();  // gone with TCK high in the middle of a shift
  }
  RemoteBitbangClient second(served.Endpoint());
  second.SetLayout(DiscoverChain(second, nullptr));
  EXPECT_EQ(test::ReadRegister(second, 6, 2), 0x029070DDu);
  EXPECT_EQ(test::ReadRegister(second, 7, 0), 0xFFFFFFFFu);
}

TEST(RemoteBitbang, ConnectionFailuresAreClearErrors) {
  uint16_t closedPort = 0;
  {
    // A port that was free a moment ago and has nobody listening now.
    SimulatedChain chain(ThreeDevices());
    const RemoteBitbangServer probe(chain, 0);
    closedPort = probe.Endpoint().Port;
  }
  const HostPort closed{"127.0.0.1", closedPort};
  const std::string refused = ErrorOf([&] { RemoteBitbangClient c(closed); });
  EXPECT_NE(refused.find("cannot connect to remote bit-bang server 127.0.0.1:" +
                         std::to_string(closedPort) + ": Connection refused"),
            std::string::npos)
      << refused;

  {
    FakeServer hangUp([](int fd) {
      char buffer[16];
      ::recv(fd, buffer, sizeof buffer, 0);
    });
    RemoteBitbangClient c(hangUp.Endpoint());
    c.ReadPins();
    EXPECT_NE(ErrorOf([&] { c.GetTDO(); }).find("closed the connection"), std::string::npos);
    EXPECT_NE(ErrorOf([&] { c.ClockTMS(true); }).find("unusable after an earlier failure"),
              std::string::npos);
  }
  {
    FakeServer garbage(AnswerAlways('x'));
    RemoteBitbangClient c(garbage.Endpoint());
    c.ReadPins();
    EXPECT_NE(ErrorOf([&] { c.GetTDO(); }).find("answered byte 0x78 where a TDO level"),
              std::string::npos);
  }
  {
    std::atomic<bool> done{false};
    FakeServer silent([&](int) {
      while (!done) std::this_thread::sleep_for(10ms);
    });
    RemoteBitbangClient c(silent.Endpoint(), 200ms);
    c.ReadPins();
    EXPECT_NE(ErrorOf([&] { c.GetTDO(); }).find("no answer within 200 ms"), std::string::npos);
    done = true;
  }
}

TEST(RemoteBitbang, ChainsThatCannotBeMadeOutAreErrors) {
  {
    FakeServer stuckLow(AnswerAlways('0'));
    RemoteBitbangClient c(stuckLow.Endpoint());
    EXPECT_NE(ErrorOf([&] { DiscoverChain(c, nullptr); }).find("the chain has no end"),
              std::string::npos);
  }
  {
    FakeServer stuckHigh(AnswerAlways('1'));
    RemoteBitbangClient c(stuckHigh.Endpoint());
    EXPECT_NE(ErrorOf([&] { DiscoverChain(c, nullptr); }).find("no device answers"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace morvel::host::jtag
