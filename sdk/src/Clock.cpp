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
  // A millisecond's sleep: the waits are tens of milliseconds and up, so this costs no
  // precision and leaves the processor to others.
  void Yield() override { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
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
