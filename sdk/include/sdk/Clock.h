// The tick count and the waits of the plug-in, behind one interface so that tests can run
// programming waits without real delays.
#pragma once

#include <cstdint>

namespace morvel {

class TClock {
 public:
  virtual ~TClock() = default;
  // Milliseconds since an arbitrary start.
  virtual uint64_t TickCount() = 0;
  // Gives the processor away for a moment while waiting.
  virtual void Yield() = 0;
};

TClock& Clock();
// Installs a clock for tests (null: the system clock again).
void SetClockForTesting(TClock* clock);

// A busy wait on the tick count that yields between reads.
void WaitMilliseconds(uint64_t ms);

}  // namespace morvel
