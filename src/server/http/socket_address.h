#pragma once

#include <string>
#include <sys/socket.h>

namespace ct::server {

// The address of an IPv4 or IPv6 socket as text, and its port ("" and 0 for any other family).
std::string address_text(const sockaddr_storage& addr, int& port);

} // namespace ct::server
