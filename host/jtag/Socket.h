// Small POSIX socket helpers shared by the remote bit-bang server and client.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace morvel::host::jtag {

// An owned file descriptor, closed on destruction.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : FFd(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept : FFd(std::exchange(other.FFd, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.FFd, -1));
    return *this;
  }
  ~FileDescriptor() { Reset(); }

  int Get() const { return FFd; }
  explicit operator bool() const { return FFd >= 0; }
  void Reset(int fd = -1);

 private:
  int FFd = -1;
};

struct HostPort {
  std::string Host;
  uint16_t Port = 0;
  std::string ToString() const;
};

// "HOST:PORT", "[IPv6]:PORT"; raises std::invalid_argument with a readable message otherwise.
HostPort ParseHostPort(std::string_view text);
// A port number 0 to 65535; raises std::invalid_argument otherwise.
uint16_t ParsePort(std::string_view text);

std::string ErrnoText(int error);

}  // namespace morvel::host::jtag
