#include "FileStore.h"

#include "Random.h"

#include <openssl/evp.h>

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace sendd {

class Sha256
{
public:
    Sha256() : m_ctx(EVP_MD_CTX_new())
    {
        if (!m_ctx || EVP_DigestInit_ex(m_ctx, EVP_sha256(), nullptr) != 1)
            throw std::runtime_error("SHA-256 unavailable");
    }
    ~Sha256() { EVP_MD_CTX_free(m_ctx); }
    void Update(const char* data, std::size_t size) { EVP_DigestUpdate(m_ctx, data, size); }
    std::string HexDigest()
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(m_ctx, digest, &length);
        return ToHex(digest, length);
    }

private:
    EVP_MD_CTX* m_ctx;
};

namespace {

void SyncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), "open " + folder.string());
    const int rc = ::fsync(fd);
    ::close(fd);
    if (rc != 0)
        throw std::system_error(errno, std::generic_category(), "fsync " + folder.string());
}

} // namespace

IncomingFile::IncomingFile(fs::path tempPath, int fd)
    : m_temp(std::move(tempPath)), m_fd(fd), m_hash(std::make_unique<Sha256>())
{
}

IncomingFile::~IncomingFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_placed)
        ::unlink(m_temp.c_str());
}

bool IncomingFile::Append(const char* data, std::size_t size)
{
    m_hash->Update(data, size);
    m_size += size;
    while (m_ok && size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_ok = false;
            break;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return m_ok;
}

bool IncomingFile::Finish()
{
    m_digest = m_hash->HexDigest();
    m_ok = m_ok && ::fsync(m_fd) == 0;
    m_ok = (::close(m_fd) == 0) && m_ok;
    m_fd = -1;
    return m_ok;
}

void IncomingFile::PlaceAt(const fs::path& finalPath)
{
    if (::rename(m_temp.c_str(), finalPath.c_str()) != 0)
        throw std::system_error(errno, std::generic_category(), "rename to " + finalPath.string());
    m_placed = true;
    SyncFolder(finalPath.parent_path());
}

FileStore::FileStore(fs::path root, std::string instance)
    : m_filesRoot(root / "files"), m_ownFiles(m_filesRoot / instance), m_temp(root / "tmp" / instance),
      m_instance(std::move(instance))
{
    fs::create_directories(m_ownFiles);
    fs::create_directories(m_temp);
}

std::unique_ptr<IncomingFile> FileStore::Receive()
{
    const fs::path path = m_temp / (RandomToken() + ".part");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0640);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), "create " + path.string());
    return std::make_unique<IncomingFile>(path, fd);
}

std::string FileStore::StoredPathFor(const std::string& token, const std::string& extension) const
{
    return m_instance + "/" + token + "." + extension;
}

fs::path FileStore::Absolute(const std::string& storedPath) const
{
    return m_filesRoot / storedPath;
}

int FileStore::Sweep(const std::set<std::string>& storedPaths)
{
    int removed = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(m_temp, ec))
        removed += fs::remove(entry.path(), ec) ? 1 : 0;
    for (const auto& entry : fs::directory_iterator(m_ownFiles, ec)) {
        const std::string stored = m_instance + "/" + entry.path().filename().string();
        if (!storedPaths.contains(stored))
            removed += fs::remove(entry.path(), ec) ? 1 : 0;
    }
    return removed;
}

} // namespace sendd
