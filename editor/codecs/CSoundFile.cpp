#include "codecs/CSoundFile.h"

void CSoundFile::ResetSettings()
{
    m_strFileName.clear();
    m_nState = 0;
    m_wWavFormat = 1;
    m_nBitRate = 128000;
    m_bCopyright = 0;
    m_bOriginal = 0;
    m_bPrivate = 0;
}

int32_t CSoundFile::LoadFile(const std::string& path, int32_t format)
{
    m_nState = 1;
    m_nFormat = format;
    m_wWavFormat = 0;
    m_strFileName = path;

    int32_t result = 0;
    if (m_pWave) {
        switch (format) {
        case FormatMp3: result = ReadMp3(); break;
        case FormatOgg: result = ReadOgg(); break;
        case FormatRaw: result = ReadRaw(); break;
        case FormatWav: result = ReadWav(); break;
        case FormatWma: result = ReadWma(); break;
        case FormatM4a:
        case FormatM4r: result = ReadM4a(); break;
        default: break;
        }
    }
    m_nState = 0;
    return result;
}

int32_t CSoundFile::SaveFile()
{
    m_nState = 2;
    int32_t result = 0;
    if (m_pWave) {
        switch (m_nFormat) {
        case FormatMp3: result = WriteMp3(); break;
        case FormatOgg: result = WriteOgg(); break;
        case FormatRaw: result = WriteRaw(); break;
        case FormatWav: result = WriteWav(); break;
        case FormatWma: result = WriteWma(); break;
        case FormatM4a: result = WriteM4a(); break;
        case FormatM4r: result = WriteM4r(); break;
        default: break;
        }
    }
    m_nState = 0;
    return result;
}

int32_t CSoundFile::SaveFileAs(const std::string& path, int32_t format)
{
    m_strFileName = path;
    m_nFormat = format;
    SaveFile();
    // The host learns of a failed save through FileName and the file itself;
    // SaveAs has always answered 1.
    return 1;
}

std::string CSoundFile::ReplaceExtension(const std::string& extension) const
{
    std::string name = m_strFileName;
    // The last dot of the whole path decides, even inside a folder name; a
    // dot in the first character is never taken.
    for (std::size_t i = name.size(); i > 1; --i) {
        if (name[i - 1] == '.') {
            name.resize(i - 1);
            break;
        }
    }
    return name + "." + extension;
}
