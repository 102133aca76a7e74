// Without FFmpeg's libraries, WMA and AAC files fail as unreadable or
// unwritable ones do, and nothing calls into the missing libraries. This
// executable's own dlopen refuses those libraries to the codecs linked in.

#include "CodecFixture.h"
#include "codecs/FfmpegLibraries.h"

#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <functional>

extern "C" void* dlopen(const char* file, int mode) noexcept
{
    using Dlopen = void* (*)(const char*, int);
    static const auto real = reinterpret_cast<Dlopen>(dlsym(RTLD_NEXT, "dlopen"));
    if (file && (std::strstr(file, "libav") || std::strstr(file, "libswresample")))
        return nullptr;
    return real(file, mode);
}

using namespace codectest;

using FfmpegMissingTest = CodecTest;

TEST_F(FfmpegMissingTest, WmaAndAacFailWithoutTheLibraries)
{
    const std::string wav = m_dir.File("tone.wav");
    WritePcm16Wav(wav, MakeSignal(22050, 2, 22050), 2, 22050);
    for (const char* made : {"tone.m4a", "tone.wma"})
        ASSERT_EQ(Shell("ffmpeg -v error -y -i " + Q(wav) + " " + Q(m_dir.File(made))), 0);
    ASSERT_EQ(Load(wav, FormatWav), 1);

    // Save, unlike SaveAs, reports the writer's result.
    const auto save = [&](const std::string& path, int32_t format) {
        m_sound.m_strFileName = path;
        m_sound.m_nFormat = format;
        return m_sound.SaveFile();
    };
    struct Step {
        const char* name;
        std::function<int32_t()> run;
        int32_t result;
    };
    // The WMA reader reports 1 with an empty document, as for any file it cannot read.
    const Step steps[] = {
        {"save M4A", [&] { return save(m_dir.File("out.m4a"), FormatM4a); }, 0},
        {"save WMA", [&] { return save(m_dir.File("out.wma"), FormatWma); }, 0},
        {"load M4A", [&] { return Load(m_dir.File("tone.m4a"), FormatM4a); }, 0},
        {"load WMA", [&] { return Load(m_dir.File("tone.wma"), FormatWma); }, 1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        EXPECT_EQ(step.run(), step.result);
    }
    EXPECT_FALSE(FfmpegAvailable());
    EXPECT_EQ(m_wave.GetDataLength(), 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("out.m4a")));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("out.wma")));
}
