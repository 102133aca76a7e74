#pragma once
// What every fault-injection test checks after a failed operation: which
// files a folder holds, so that no temporary file stays behind.

#include "wave/CRMWave.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

inline std::set<std::string> FileNames(const std::filesystem::path& dir)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

// The files a document's working directory may hold when no operation runs:
// its lock, "Wave.tmp", and "Wave.sel" while an undo record exists.
inline std::set<std::string> ExpectedWorkFiles(const CRMWave& wave)
{
    std::set<std::string> names{"lock", "Wave.tmp"};
    if (!wave.GetUndo().IsEmpty())
        names.insert("Wave.sel");
    return names;
}

inline std::set<std::string> WorkFiles(const CRMWave& wave)
{
    return FileNames(wave.GetPath().parent_path());
}
