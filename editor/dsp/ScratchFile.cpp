#include "ScratchFile.h"

#include "wave/CRMWave.h"

#include <system_error>

ScratchFile::ScratchFile(const CRMWave& wave) : m_path(wave.WorkFilePath("Wave.fx"))
{
    // An empty working directory would put the file in the current directory,
    // where another document could share it.
    if (!m_path.parent_path().empty())
        m_bCreated = m_file.Open(m_path, CWorkFile::Mode::CreateReadWrite);
}

ScratchFile::~ScratchFile()
{
    Remove();
}

void ScratchFile::Remove()
{
    m_file.Close();
    if (m_bCreated) {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
        m_bCreated = false;
    }
}

std::size_t ScratchFile::ReadAt(int64_t offset, void* buffer, std::size_t count)
{
    if (!m_file.Seek(offset))
        return 0;
    return m_file.Read(buffer, count);
}

bool ScratchFile::WriteAt(int64_t offset, const void* buffer, std::size_t count)
{
    return m_file.Seek(offset) && m_file.Write(buffer, count);
}
