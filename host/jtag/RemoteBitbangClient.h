// A cable to a chain that a remote bit-bang server exposes: the same pin-level and high-level
// operations as the simulated chain, sent as protocol bytes. Writes are batched and go out when
// a TDO answer is needed, at Flush, or when the batch is full; the TAP state is followed from
// the edges sent (UNDEFINED until a reset). The chain's devices are not known from the wire:
// give them with SetLayout (from a chain description) or from DiscoverChain.
//
// Failures raise JtagError naming the server: a refused or unreachable connection, a connection
// closed while answers were due, an answer other than '0' or '1', no answer within the
// time-out. After one, the cable refuses further work.
#pragma once

#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "jtag/JtagCable.h"
#include "jtag/Socket.h"

namespace morvel::host::jtag {

class RemoteBitbangClient final : public JtagCable {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{5000};

  RemoteBitbangClient(const HostPort& server, std::chrono::milliseconds timeout = kDefaultTimeout);
  // Tells the server it is leaving ('Q'), unless the connection already failed.
  ~RemoteBitbangClient() override;

  void SetLayout(ChainLayout layout) { FLayout = std::move(layout); }
  const HostPort& Server() const { return FServer; }

  void WritePins() override {
    if (FTck && !FDrivenTck) FollowEdge(FTms);
    FDrivenTck = FTck;
    Put(static_cast<char>('0' + (FTck ? 4 : 0) + (FTms ? 2 : 0) + (FTdi ? 1 : 0)));
  }
  void ReadPins() override;
  bool GetTDO() override;
  void Flush() override;
  void SetResetLines(bool trst, bool srst) override;
  void Blink(bool on) { Put(on ? 'B' : 'b'); }

 protected:
  void RunCycles(std::span<const uint8_t> cycles, std::vector<uint8_t>* tdo) override;

 private:
  enum class Answer : uint8_t { Pins, Capture, Sync };

  void Put(char byte) {
    FOut.push_back(byte);
    if (FOut.size() >= kSendBlock) Send();
  }
  void Expect(Answer kind);
  void FollowEdge(bool tms) {
    FOnes = tms ? (FOnes < 5 ? FOnes + 1 : 5) : 0;
    FState = FOnes == 5 ? TapState::Reset : NextTapState(FState, tms);
  }
  void Send();
  // Sends what is batched and reads answers until no more than `left` are due.
  void Receive(size_t left);
  [[noreturn]] void Fail(const std::string& what);
  void CheckUsable() const;

  static constexpr size_t kSendBlock = size_t{64} * 1024;
  // Answers that may be due at once: far less than a socket buffer, so that neither side
  // blocks writing while the other blocks writing too.
  static constexpr size_t kMaxDue = 4096;

  HostPort FServer;
  std::chrono::milliseconds FTimeout;
  FileDescriptor FSocket;
  std::string FFailure;
  std::string FOut;
  std::deque<Answer> FDue;
  std::vector<uint8_t>* FCaptureTo = nullptr;
  bool FDrivenTck = false;
  bool FTdoSample = true;
  unsigned FOnes = 0;
};

}  // namespace morvel::host::jtag
