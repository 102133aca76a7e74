#pragma once
// The editor's file-format manager: remembers the file name, the format code
// and the encoder settings, and moves audio between files and the document.
// The host always names the format; it is never guessed.

#include <cstdint>
#include <string>

class CRMWave;

enum SoundFormat : int32_t {
    FormatMp3 = 1,
    FormatOgg = 2,
    FormatRaw = 3,
    FormatWav = 4,
    FormatWma = 5,
    FormatM4a = 6,   // AAC-LC in MP4
    FormatM4r = 7,   // the same in an MP4 with the iPhone ringtone brand
};

class CSoundFile {
public:
    CSoundFile() = default;

    void ResetSettings();
    // 1 on success, 0 on failure.
    int32_t LoadFile(const std::string& path, int32_t format);
    // Writes the document in m_nFormat to m_strFileName (extension forced).
    int32_t SaveFile();
    int32_t SaveFileAs(const std::string& path, int32_t format);
    // m_strFileName with its extension replaced by `extension` (no dot).
    std::string ReplaceExtension(const std::string& extension) const;

    // Readers (loading side).
    int32_t ReadMp3();
    int32_t ReadOgg();
    int32_t ReadRaw();
    int32_t ReadWav();
    int32_t ReadWma();
    // Any AAC or ALAC track of an MP4/M4A/M4R file (codes 6 and 7).
    int32_t ReadM4a();

    // Writers (saving side).
    int32_t WriteMp3();
    int32_t WriteOgg();
    int32_t WriteRaw();
    int32_t WriteWav();
    int32_t WriteWma();
    int32_t WriteM4a();
    int32_t WriteM4r();

    CRMWave* m_pWave = nullptr;     // set by the control, never owned
    int32_t m_nFormat = 0;
    std::string m_strFileName;
    int32_t m_nState = 0;           // 0 idle, 1 loading, 2 saving
    int32_t m_nBitRate = 128000;
    int32_t m_bCopyright = 0;
    int32_t m_bOriginal = 0;
    int32_t m_bPrivate = 0;
    uint16_t m_wWavFormat = 1;
    // Ogg saves add the comment ANDROID_LOOP=true besides the empty one.
    int32_t m_bOggLoop = 0;

private:
    // AAC-LC at m_nBitRate (0: 128000) into the named MP4-family muxer.
    int32_t WriteAac(const char* extension, const char* muxer);
};
