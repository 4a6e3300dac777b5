// Checks BSDL files with UrJTAG's BSDL reader (the reader behind 'bsdl test' in its jtag
// shell), in the same test mode: syntax, semantics and the IDCODE. Prints one line per file
// and exits 1 when any file fails.
extern "C" {
#include <urjtag/bsdl.h>
#include <urjtag/bsdl_mode.h>
#include <urjtag/chain.h>
#include <urjtag/log.h>
#include <urjtag/urjtag.h>
}

#include <cstdio>

// The reader keeps a few allocations for the life of the process; they are not this
// project's leaks.
extern "C" const char* __asan_default_options() {  // NOLINT(bugprone-reserved-identifier)
  return "detect_leaks=0";
}

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE.bsd...\n", argv[0]);
    return 2;
  }
  urj_log_state.level = URJ_LOG_LEVEL_NORMAL;
  urj_chain_t* chain = urj_tap_chain_alloc();
  if (chain == nullptr) return 2;
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    const int result = urj_bsdl_read_file(chain, argv[i], URJ_BSDL_MODE_TEST, nullptr);
    std::printf("%s: %s\n", argv[i], result >= 0 ? "ok" : "FAILED");
    if (result < 0) ++failures;
  }
  urj_tap_chain_free(chain);
  std::fflush(stdout);
  return failures == 0 ? 0 : 1;
}
