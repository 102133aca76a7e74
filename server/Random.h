#pragma once
// Unguessable names: 128 bits from the kernel's random source, as hex.

#include <cstddef>
#include <string>

namespace sendd {

std::string RandomToken();
std::string ToHex(const unsigned char* bytes, std::size_t size);

} // namespace sendd
