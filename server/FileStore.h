#pragma once
// The ringtone files. An upload is written to a temporary file that only this
// instance uses, synced, and renamed to its final name just before the
// database commit; names come from random tokens, never from a request.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

namespace sendd {

class Sha256;

// A file being received. Removed on destruction unless it was placed.
class IncomingFile
{
public:
    IncomingFile(std::filesystem::path tempPath, int fd);
    ~IncomingFile();
    IncomingFile(const IncomingFile&) = delete;
    IncomingFile& operator=(const IncomingFile&) = delete;

    bool Append(const char* data, std::size_t size);
    // Flushes the data to the disk; false on any write or sync failure.
    bool Finish();
    std::uint64_t Size() const { return m_size; }
    std::string Sha256Hex() const { return m_digest; }
    const std::filesystem::path& TempPath() const { return m_temp; }

    // Renames the file to `finalPath` and syncs the folder (throws on failure).
    void PlaceAt(const std::filesystem::path& finalPath);

private:
    std::filesystem::path m_temp;
    int m_fd;
    std::uint64_t m_size = 0;
    bool m_ok = true;
    bool m_placed = false;
    std::unique_ptr<Sha256> m_hash;
    std::string m_digest;
};

class FileStore
{
public:
    // Files live in root/files/<instance>/, temporary ones in root/tmp/<instance>/.
    FileStore(std::filesystem::path root, std::string instance);

    std::unique_ptr<IncomingFile> Receive();
    // The relative stored path for a new ringtone.
    std::string StoredPathFor(const std::string& token, const std::string& extension) const;
    std::filesystem::path Absolute(const std::string& storedPath) const;

    // Deletes temporary files and this instance's files that no stored ringtone
    // names (left by a crash between rename and commit). Returns how many went.
    int Sweep(const std::set<std::string>& storedPaths);

private:
    std::filesystem::path m_filesRoot;
    std::filesystem::path m_ownFiles;
    std::filesystem::path m_temp;
    std::string m_instance;
};

} // namespace sendd
