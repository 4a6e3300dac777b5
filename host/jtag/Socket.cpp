// Socket helpers: descriptor ownership and address texts.
#include "jtag/Socket.h"

#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace morvel::host::jtag {

void FileDescriptor::Reset(int fd) {
  if (FFd >= 0) ::close(FFd);
  FFd = fd;
}

std::string HostPort::ToString() const {
  const bool v6 = Host.find(':') != std::string::npos;
  return (v6 ? "[" + Host + "]" : Host) + ":" + std::to_string(Port);
}

uint16_t ParsePort(std::string_view text) {
  unsigned long value = 0;
  bool ok = !text.empty() && text.size() <= 5;
  for (const char c : text) {
    ok = ok && c >= '0' && c <= '9';
    if (ok) value = value * 10 + static_cast<unsigned long>(c - '0');
  }
  if (!ok || value > 65535)
    throw std::invalid_argument("'" + std::string(text) + "' is not a port number (0 to 65535)");
  return static_cast<uint16_t>(value);
}

HostPort ParseHostPort(std::string_view text) {
  const auto bad = [&](const char* why) {
    return std::invalid_argument("'" + std::string(text) + "' is not HOST:PORT (" + why + ")");
  };
  const size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) throw bad("no port");
  std::string_view host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  else if (host.find(':') != std::string_view::npos)
    throw bad("write an IPv6 address in brackets");
  if (host.empty()) throw bad("no host");
  HostPort result{std::string(host), 0};
  try {
    result.Port = ParsePort(text.substr(colon + 1));
  } catch (const std::invalid_argument&) {
    throw bad("the port is a number from 1 to 65535");
  }
  if (result.Port == 0) throw bad("the port is a number from 1 to 65535");
  return result;
}

std::string ErrnoText(int error) {
  return std::strerror(error);
}

}  // namespace morvel::host::jtag
