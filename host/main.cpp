// morvel-host: the simulated host application. It loads the Stratix V plug-in from its
// installation folder and talks to the drivers only through Invoke, as the real host does.
#include <cstdio>
#include <exception>

#include "cli/Cli.h"

int main(int argc, char** argv) {
  // Line by line, so that what goes to standard output and what goes to standard error (dialogs,
  // progress) stay in order when both go to one file or pipe.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  try {
    return morvel::host::RunCommandLine(argc, argv);
  } catch (const morvel::host::UsageError& e) {
    std::fprintf(stderr, "morvel-host: %s\n", e.what());
    return morvel::host::kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "morvel-host: %s\n", e.what());
    return morvel::host::kExitFailure;
  }
}
