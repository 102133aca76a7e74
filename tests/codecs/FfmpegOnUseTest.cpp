// FFmpeg's libraries join the process only when a WMA or AAC file is first
// read or written. This executable links neither them nor any other test, so
// nothing has touched those formats before it runs.

#include "CodecFixture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <dlfcn.h>
#include <functional>

using namespace codectest;

namespace {

// The FFmpeg libraries in this process, by the sonames of the headers' versions.
std::vector<std::string> LoadedFfmpegLibraries()
{
    const std::string sonames[] = {"libavutil.so." + std::to_string(LIBAVUTIL_VERSION_MAJOR),
                                   "libswresample.so." + std::to_string(LIBSWRESAMPLE_VERSION_MAJOR),
                                   "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR),
                                   "libavformat.so." + std::to_string(LIBAVFORMAT_VERSION_MAJOR)};
    std::vector<std::string> loaded;
    for (const std::string& soname : sonames) {
        if (void* handle = dlopen(soname.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
            dlclose(handle);
            loaded.push_back(soname);
        }
    }
    return loaded;
}

}  // namespace

using FfmpegOnUseTest = CodecTest;

TEST_F(FfmpegOnUseTest, LibrariesAreLoadedByTheFirstAacFileOnly)
{
    const std::string wav = m_dir.File("tone.wav");
    const std::string m4a = m_dir.File("tone.m4a");
    WritePcm16Wav(wav, MakeSignal(22050, 2, 22050), 2, 22050);
    ASSERT_EQ(Shell("ffmpeg -v error -y -i " + Q(wav) + " -c:a aac " + Q(m4a)), 0);

    struct Step {
        const char* name;
        std::function<int32_t()> run;
        std::size_t librariesAfter;
    };
    const Step steps[] = {
        {"load a WAV", [&] { return Load(wav, FormatWav); }, 0},
        {"save it as Ogg", [&] { return m_sound.SaveFileAs(m_dir.File("tone.ogg"), FormatOgg); }, 0},
        {"load an M4A", [&] { return Load(m4a, FormatM4a); }, 4},
    };
    EXPECT_EQ(LoadedFfmpegLibraries(), std::vector<std::string>{});
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_EQ(step.run(), 1);
        EXPECT_GT(m_wave.GetDataLength(), 0);
        EXPECT_EQ(LoadedFfmpegLibraries().size(), step.librariesAfter);
    }
}
