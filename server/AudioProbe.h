#pragma once
// Whether a received file is audio of the type its name claims, as FFmpeg's
// probe sees it.

#include <cstdint>
#include <string>

namespace sendd {

struct ProbeResult
{
    bool accepted = false;
    std::string reason;        // why not, in one line
    std::int64_t durationMs = 0;
};

ProbeResult ProbeAudio(const std::string& path, const std::string& extension);

} // namespace sendd
