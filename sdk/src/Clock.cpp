// The system clock and the waits over it.
#include "sdk/Clock.h"

#include <chrono>
#include <thread>

namespace morvel {

namespace {

class TSystemClock : public TClock {
 public:
  uint64_t TickCount() override {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  }
  void Yield() override { std::this_thread::yield(); }
};

TClock* gOverride = nullptr;

}  // namespace

TClock& Clock() {
  static TSystemClock system;
  return gOverride != nullptr ? *gOverride : system;
}

void SetClockForTesting(TClock* clock) {
  gOverride = clock;
}

void WaitMilliseconds(uint64_t ms) {
  TClock& clock = Clock();
  const uint64_t start = clock.TickCount();
  while (clock.TickCount() - start < ms) clock.Yield();
}

}  // namespace morvel
