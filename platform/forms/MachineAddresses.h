#pragma once
// This machine's own IPv4 addresses, as the socket controls' users need them: the address a
// first run gives appliances to fetch from, and whether a configured address is one of ours.

#include <string>

namespace forms {

// The first IPv4 address of an interface that is up and outside 127.0.0.0/8; "127.0.0.1"
// when there is none.
std::string OwnAddress();

// True when `host` names this machine: an IPv4 address a socket here can be bound to (any of
// 127.0.0.0/8 among them), "localhost", this machine's name, or a name that resolves to one
// of those addresses.
bool IsOwnAddress(const std::string& host);

// True when `host` is a loopback address, which only this machine reaches: 127.0.0.0/8 (as
// written, "127." first), "localhost" or "::1", without regard to case or surrounding blanks.
bool IsLoopbackAddress(const std::string& host);

}  // namespace forms
