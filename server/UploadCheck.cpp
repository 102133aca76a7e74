#include "UploadCheck.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string_view>

namespace sendd {
namespace {

struct Format
{
    const char* extension;
    const char* contentType;
};

constexpr std::array<Format, 7> kFormats{{
    {"mp3", "audio/mpeg"},
    {"ogg", "audio/ogg"},
    {"wav", "audio/wav"},
    {"wma", "audio/x-ms-wma"},
    {"raw", "application/octet-stream"},
    {"m4a", "audio/mp4"},
    {"m4r", "audio/mp4"},
}};

constexpr const char* kHeaderNames[] = {"CreditCode", "MobileNo", "MobileModel", "CountryName",
                                        "Email",      "FileName", "FileLength"};

bool CanBeEmpty(std::string_view name)
{
    return name == "MobileModel" || name == "CountryName" || name == "Email";
}

bool IsDigits(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

} // namespace

std::optional<std::string> RingtoneExtension(const std::string& fileName)
{
    for (unsigned char c : fileName)
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7F)
            return std::nullopt;
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return std::nullopt;
    std::string extension = fileName.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const Format& f : kFormats)
        if (extension == f.extension)
            return extension;
    return std::nullopt;
}

std::string ContentTypeFor(const std::string& extension)
{
    for (const Format& f : kFormats)
        if (extension == f.extension)
            return f.contentType;
    return "application/octet-stream";
}

std::variant<UploadHeaders, std::string> CheckUploadHeaders(const HeaderLookup& header)
{
    std::optional<std::string> values[std::size(kHeaderNames)];
    for (std::size_t i = 0; i < std::size(kHeaderNames); ++i) {
        values[i] = header(kHeaderNames[i]);
        // The program sends an empty model, country or e-mail as an empty
        // header, which the HTTP parser does not keep: absent means empty there.
        if (!values[i] && CanBeEmpty(kHeaderNames[i]))
            values[i] = std::string();
        if (!values[i])
            return std::string("header ") + kHeaderNames[i] + " is missing";
    }
    UploadHeaders h{*values[0], *values[1], *values[2], *values[3], *values[4], *values[5], {}, 0};
    if (!IsDigits(h.mobileNo))
        return std::string("MobileNo must be digits only");
    const std::string& length = *values[6];
    const auto [end, ec] = std::from_chars(length.data(), length.data() + length.size(), h.fileLength);
    if (!IsDigits(length) || ec != std::errc() || end != length.data() + length.size())
        return std::string("FileLength must be a decimal number");
    const auto extension = RingtoneExtension(h.fileName);
    if (!extension)
        return std::string("FileName must be a plain name ending in .mp3, .ogg, .wav, .wma, .raw, .m4a or .m4r");
    h.extension = *extension;
    return h;
}

} // namespace sendd
