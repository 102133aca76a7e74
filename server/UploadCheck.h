#pragma once
// The checks an upload's headers must pass before anything is stored.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>

namespace sendd {

struct UploadHeaders
{
    std::string creditCode;
    std::string mobileNo;
    std::string mobileModel;
    std::string countryName;
    std::string email;
    std::string fileName;
    std::string extension; // lower case, without the dot
    std::uint64_t fileLength = 0;
};

// A header's value, or nothing when the request lacks it.
using HeaderLookup = std::function<std::optional<std::string>(const char* name)>;

// The headers, or a one-line reason for refusing the request.
std::variant<UploadHeaders, std::string> CheckUploadHeaders(const HeaderLookup& header);

// The extension of an accepted ringtone name, lower case; nothing when the
// name holds a path separator or control character or has another extension.
std::optional<std::string> RingtoneExtension(const std::string& fileName);

// The Content-Type a stored ringtone is served with.
std::string ContentTypeFor(const std::string& extension);

} // namespace sendd
