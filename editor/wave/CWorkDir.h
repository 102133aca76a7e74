#pragma once
// The private working directory of one document. The working files keep their
// fixed names ("Wave.tmp", "Wave.sel", "Wave.fx", "Wave.clp") inside it, so
// two documents never share them, in one process or across processes.
//
// The directory lives under the user's temporary location and is removed with
// the object. A directory left behind by a process that no longer runs is
// removed when the next one is created.

#include <filesystem>

class CWorkDir {
public:
    CWorkDir();   // creates the directory; Path() is empty if that failed
    ~CWorkDir();  // removes the directory and everything in it
    CWorkDir(const CWorkDir&) = delete;
    CWorkDir& operator=(const CWorkDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The path of a working file inside the directory; empty when the
    // directory could not be created, so that nothing falls back to the
    // shared current directory.
    std::filesystem::path File(const char* name) const
    {
        return m_path.empty() ? std::filesystem::path() : m_path / name;
    }

    // Removes directories of earlier processes that are gone. Called by the
    // constructor once per process; public for tests.
    static void RemoveStaleDirectories();

private:
    std::filesystem::path m_path;
    int m_lockFd = -1;  // held while the directory is in use
};
