#pragma once

#include <string>
#include <vector>

// This machine's IPv4 addresses, the ones a phone on the same network can reach first and the
// loopback last: what a person types into the tracker's target field.
std::vector<std::string> machineIPv4Addresses();
