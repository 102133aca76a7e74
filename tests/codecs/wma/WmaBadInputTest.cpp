// Files that are not what they claim, or not there: every load returns 1 and
// leaves the document empty (or, for a file cut short, with what decoded).
// Also files with video and audio, and the real runtime on a pipe that never
// delivers.

#include "WmaTestSupport.h"

#include "codecs/CSoundFile.h"
#include "codecs/wma/CWmaReader.h"
#include "wave/CRMWave.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace wmatest;
using namespace std::chrono_literals;

namespace {

struct Loaded {
    int32_t result = -1;
    int32_t length = -1;
    std::vector<int16_t> samples;
    int channels = 0;
    int rate = 0;
};

Loaded Load(const std::string& path)
{
    CRMWave wave;
    CSoundFile sound;
    wave.CreateNew(2, 44100, 16);
    sound.m_pWave = &wave;
    sound.ResetSettings();
    Loaded loaded;
    loaded.result = sound.LoadFile(path, FormatWma);
    loaded.length = wave.m_nLength;
    loaded.samples = DocumentSamples(wave);
    loaded.channels = wave.m_nChannels;
    loaded.rate = wave.m_nSamplesPerSec;
    return loaded;
}

}  // namespace

TEST(WmaBadInput, MissingZeroByteAndRandomFilesLoadEmpty)
{
    ScratchDir dir;
    EXPECT_EQ(Load(dir.File("missing.wma")).length, 0);
    EXPECT_EQ(Load(dir.File("missing.wma")).result, 1);

    WriteFile(dir.File("empty.wma"), {});
    const Loaded empty = Load(dir.File("empty.wma"));
    EXPECT_EQ(empty.result, 1);
    EXPECT_EQ(empty.length, 0);

    std::mt19937 random(20261207);
    for (int i = 0; i < 3; ++i) {
        std::vector<uint8_t> noise(150000 + 77 * i);
        for (auto& b : noise)
            b = static_cast<uint8_t>(random());
        const std::string path = dir.File("noise" + std::to_string(i) + ".wma");
        WriteFile(path, noise);
        const Loaded loaded = Load(path);
        EXPECT_EQ(loaded.result, 1);
        EXPECT_EQ(loaded.length, 0) << path;
    }

    // A folder is not a file either.
    const Loaded folder = Load(dir.Path().string());
    EXPECT_EQ(folder.result, 1);
    EXPECT_EQ(folder.length, 0);
}

TEST(WmaBadInput, TruncatedFiles)
{
    ScratchDir dir;
    const std::vector<int16_t> source = MakeChirp(44100 * 4, 2, 44100);
    const std::string wma = dir.File("full.wma");
    ASSERT_TRUE(EncodeWma(source, 2, 44100, 128000, wma, dir));
    const std::vector<uint8_t> bytes = ReadFile(wma);
    const Loaded full = Load(wma);
    ASSERT_GT(full.length, 44100 * 3);

    // Cut inside the header: nothing to decode.
    WriteFile(dir.File("header.wma"), {bytes.begin(), bytes.begin() + 300});
    const Loaded header = Load(dir.File("header.wma"));
    EXPECT_EQ(header.result, 1);
    EXPECT_EQ(header.length, 0);

    // Cut in the middle of the data: what decoded stays, and it is the start
    // of the whole file's samples.
    WriteFile(dir.File("half.wma"), {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2)});
    const Loaded half = Load(dir.File("half.wma"));
    EXPECT_EQ(half.result, 1);
    EXPECT_GT(half.length, 44100 * 3 / 2);
    EXPECT_LT(half.length, full.length);
    ASSERT_LE(half.samples.size(), full.samples.size());
    EXPECT_TRUE(std::equal(half.samples.begin(), half.samples.end() - 4096, full.samples.begin()));
}

TEST(WmaBadInput, AFileWithVideoAndAudioLoadsItsAudio)
{
    ScratchDir dir;
    const std::vector<int16_t> source = MakeChirp(22050 * 2, 1, 22050);
    WriteRawFile(dir.File("audio.s16"), source);
    const std::string asf = dir.File("movie.asf");
    ASSERT_EQ(Shell("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=160x120:rate=10:duration=2 "
                    "-f s16le -ar 22050 -ac 1 -i " + Q(dir.File("audio.s16")) +
                    " -map 0:v -map 1:a -c:v wmv2 -c:a wmav2 -b:a 32k " + Q(asf)),
              0);
    ASSERT_EQ(Probe(asf, "codec_type", true), "audio");
    ASSERT_NE(Capture("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 " + Q(asf)).find("video"),
              std::string::npos);

    const Loaded loaded = Load(asf);
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(loaded.channels, 1);
    EXPECT_EQ(loaded.rate, 22050);
    EXPECT_LE(std::abs(loaded.length - 22050 * 2), 1024);
    EXPECT_GT(BestCorrelation(source, loaded.samples, 1, 2048), 0.99);

    // Video alone: no audio output, an empty document.
    const std::string video = dir.File("video.asf");
    ASSERT_EQ(Shell("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=160x120:rate=10:duration=1 -c:v wmv2 " +
                    Q(video)),
              0);
    int32_t status = -1;
    const WaveFormat* format = nullptr;
    { CWmaReader reader(video, status, &format); }
    EXPECT_EQ(status, 2);
    const Loaded silent = Load(video);
    EXPECT_EQ(silent.result, 1);
    EXPECT_EQ(silent.length, 0);
}

TEST(WmaBadInput, RealReadersBufferSizes)
{
    ScratchDir dir;
    struct Case {
        int rate, channels;
        uint32_t ring, transfer, read;
    };
    for (const Case c : {Case{44100, 2, 441000, 176400, 76400}, Case{16000, 1, 80000, 32000, 32000}}) {
        const std::string wma = dir.File("sizes.wma");
        ASSERT_TRUE(EncodeWma(MakeChirp(c.rate, c.channels, c.rate), c.channels, c.rate, 64000, wma, dir));
        int32_t status = -1;
        const WaveFormat* format = nullptr;
        CWmaReader reader(wma, status, &format);
        ASSERT_EQ(status, 0);
        EXPECT_EQ(reader.Capacity(), c.ring);
        EXPECT_EQ(WmaTransferBufferSize(*format), c.transfer);
        EXPECT_EQ(WmaReadSize(*format), c.read);
        EXPECT_EQ(reader.BitRate(), 64000);
        EXPECT_NEAR(static_cast<double>(reader.Duration()), 1000.0, 60.0);
    }
}

TEST(WmaBadInput, APipeThatNeverDeliversEndsTheOpenWaitWithStatusOne)
{
    ScratchDir dir;
    const std::string fifo = dir.File("silent.wma");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Hold a writer open that never writes, so reads would block.
    const int writer = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);

    const auto before = std::chrono::steady_clock::now();
    {
        int32_t status = -1;
        const WaveFormat* format = nullptr;
        CWmaReader reader(fifo, status, &format, nullptr, 300ms);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(format, nullptr);
    }
    // The runtime's thread stopped with the reader, although the pipe is still silent.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    ::close(writer);
}
