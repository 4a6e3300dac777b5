// Acting on a device of the board, shared by the board commands and the tour.
#pragma once

#include <string>

#include "core/HostObjects.h"

namespace morvel::host {

class CommandContext;

struct BoardDevice {
  int32_t Index;
  ComPtr<THostDevice> Device;
  std::string Name;
};

// The device --index names on the board; a usage error beyond the chain or for a position no
// driver serves.
BoardDevice SelectDevice(CommandContext& ctx);
int32_t ShowState(const BoardDevice& d);
uint32_t ShowUserCode(const BoardDevice& d);
// A progress bar on standard error, drawn from the host's progress commands while it lives.
class TerminalProgress {
 public:
  explicit TerminalProgress(HostState& state);
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;
  ~TerminalProgress();

 private:
  void Command(const StatusCommand& c);
  void Draw();

  HostState& FState;
  std::string FCaption;
  int FPercent = 0;
  const bool FTerminal;
};

// Programs the device with a progress bar and prints bits, time and rate; raises for a
// missing, unreadable or empty file before the device is touched.
int32_t ProgramBoardDevice(const BoardDevice& d, const std::string& file);

}  // namespace morvel::host
