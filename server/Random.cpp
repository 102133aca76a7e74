#include "Random.h"

#include <sys/random.h>

#include <cerrno>
#include <system_error>

namespace sendd {

std::string ToHex(const unsigned char* bytes, std::size_t size)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        hex.push_back(kDigits[bytes[i] >> 4]);
        hex.push_back(kDigits[bytes[i] & 0xF]);
    }
    return hex;
}

std::string RandomToken()
{
    unsigned char bytes[16];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw std::system_error(errno, std::generic_category(), "getrandom");
        got += static_cast<std::size_t>(n);
    }
    return ToHex(bytes, sizeof bytes);
}

} // namespace sendd
