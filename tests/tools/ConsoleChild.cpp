// A console program that misbehaves on request, for the console runner's tests and benchmark.
// Each argument is one command, run in order:
//   out:T / err:T   T and CR LF on standard output / error
//   hex:H           the bytes of the hex text H on standard output
//   lines:N:L       N lines of L characters with CR LF, as fast as possible
//   bytes:N         N characters without a line end
//   chatty          lines as fast as possible, for ever
//   every:MS:N      N lines "tick K", one every MS milliseconds
//   args            every following argument on a line of its own
//   env:NAME        the value of NAME, or <unset>
//   pwd / stdin     the current folder / the number of bytes standard input holds
//   fork-sleep      starts a process that prints "child PID" and sleeps for ever
//   term:C          on SIGTERM print "terminated" and exit with C
//   ignore-term     ignore SIGTERM
//   sleep:MS / forever / signal:N / exit:C
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

int gTermCode = 0;

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) std::_Exit(120);
    done += static_cast<size_t>(n);
  }
}

void Line(int fd, const std::string& text) {
  WriteAll(fd, text + "\r\n");
}

void OnTerm(int) {
  static const char kText[] = "terminated\r\n";
  (void)!::write(1, kText, sizeof kText - 1);
  std::_Exit(gTermCode);
}

void SleepMs(long ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

[[noreturn]] void Forever() {
  for (;;) ::pause();
}

std::string Block(long count, long length) {
  std::string line(static_cast<size_t>(length), ' ');
  for (long i = 0; i < length; ++i) line[static_cast<size_t>(i)] = static_cast<char>('a' + i % 26);
  line += "\r\n";
  std::string block;
  for (long i = 0; i < count; ++i) block += line;
  return block;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string command = argv[i];
    const size_t colon = command.find(':');
    const std::string name = command.substr(0, colon);
    const std::string arg = colon == std::string::npos ? "" : command.substr(colon + 1);
    if (name == "out") {
      Line(1, arg);
    } else if (name == "err") {
      Line(2, arg);
    } else if (name == "hex") {
      std::string bytes;
      for (size_t k = 0; k + 1 < arg.size(); k += 2)
        bytes.push_back(static_cast<char>(std::stoi(arg.substr(k, 2), nullptr, 16)));
      WriteAll(1, bytes);
    } else if (name == "lines") {
      const long count = std::atol(arg.c_str());
      const long length = std::atol(arg.substr(arg.find(':') + 1).c_str());
      // Written in large blocks, so that the reader, not the writer, sets the pace.
      const long perBlock = 1000;
      const std::string block = Block(perBlock, length);
      long left = count;
      for (; left >= perBlock; left -= perBlock) WriteAll(1, block);
      WriteAll(1, Block(left, length));
    } else if (name == "bytes") {
      WriteAll(1, std::string(static_cast<size_t>(std::atol(arg.c_str())), 'y'));
    } else if (name == "chatty") {
      const std::string block = Block(100, 80);
      for (;;) WriteAll(1, block);
    } else if (name == "every") {
      const long ms = std::atol(arg.c_str());
      const long count = std::atol(arg.substr(arg.find(':') + 1).c_str());
      for (long k = 1; k <= count; ++k) {
        SleepMs(ms);
        Line(1, "tick " + std::to_string(k));
      }
    } else if (name == "args") {
      for (++i; i < argc; ++i) Line(1, argv[i]);
    } else if (name == "env") {
      const char* value = std::getenv(arg.c_str());
      Line(1, value != nullptr ? value : "<unset>");
    } else if (name == "pwd") {
      char folder[4096];
      Line(1, ::getcwd(folder, sizeof folder) != nullptr ? folder : "?");
    } else if (name == "stdin") {
      char buffer[256];
      long total = 0;
      ssize_t n = 0;
      while ((n = ::read(0, buffer, sizeof buffer)) > 0) total += n;
      Line(1, std::to_string(total));
    } else if (name == "fork-sleep") {
      const pid_t pid = ::fork();
      if (pid == 0) {
        Line(1, "child " + std::to_string(::getpid()));
        Forever();
      }
      // The line comes from the child; wait for it so that the order is fixed.
      SleepMs(50);
    } else if (name == "term") {
      gTermCode = std::atoi(arg.c_str());
      ::signal(SIGTERM, OnTerm);
    } else if (name == "ignore-term") {
      ::signal(SIGTERM, SIG_IGN);
    } else if (name == "sleep") {
      SleepMs(std::atol(arg.c_str()));
    } else if (name == "forever") {
      Forever();
    } else if (name == "signal") {
      // The default action, even where a sanitizer has installed its handler.
      const int sig = std::atoi(arg.c_str());
      ::signal(sig, SIG_DFL);
      ::raise(sig);
    } else if (name == "exit") {
      return std::atoi(arg.c_str());
    } else {
      std::fprintf(stderr, "console-child: unknown command %s\n", command.c_str());
      return 125;
    }
  }
  return 0;
}
