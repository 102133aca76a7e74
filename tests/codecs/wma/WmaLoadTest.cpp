// Loading real WMA files through CSoundFile::ReadWma: files made at test time
// by ffmpeg's wmav2 encoder, compared with the signal they were made from.

#include "WmaTestSupport.h"

#include "codecs/CSoundFile.h"
#include "codecs/wma/CWmaReader.h"
#include "wave/CRMWave.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace wmatest;

namespace {

struct LoadCase {
    int rate;
    int channels;
    int bitRate;
    int frameLength;  // the codec's frame at this rate
};

class WmaLoad : public ::testing::TestWithParam<LoadCase> {};

int32_t LoadWma(CRMWave& wave, CSoundFile& sound, const std::string& path)
{
    wave.CreateNew(2, 44100, 16);
    sound.m_pWave = &wave;
    sound.ResetSettings();
    return sound.LoadFile(path, FormatWma);
}

}  // namespace

TEST_P(WmaLoad, LengthFormatAndSignalMatchTheSource)
{
    const LoadCase c = GetParam();
    ScratchDir dir;
    const int frames = c.rate * 3 + 123;
    const std::vector<int16_t> source = MakeChirp(frames, c.channels, c.rate);
    const std::string wma = dir.File("tone.wma");
    ASSERT_TRUE(EncodeWma(source, c.channels, c.rate, c.bitRate, wma, dir));

    CRMWave wave;
    CSoundFile sound;
    ProgressRecorder events;
    ASSERT_EQ(LoadWma(wave, sound, wma), 1);

    EXPECT_EQ(wave.m_nChannels, c.channels);
    EXPECT_EQ(wave.m_nSamplesPerSec, c.rate);
    EXPECT_EQ(wave.m_nBitsPerSample, 16);
    EXPECT_EQ(sound.m_nBitRate, c.bitRate);
    EXPECT_EQ(sound.m_wWavFormat, 1);
    EXPECT_LE(std::abs(wave.m_nLength - frames), c.frameLength) << "loaded " << wave.m_nLength << " of " << frames;

    const std::vector<int16_t> loaded = DocumentSamples(wave);
    ASSERT_EQ(loaded.size(), static_cast<std::size_t>(wave.m_nLength) * c.channels);
    int lag = 0;
    const double r = BestCorrelation(source, loaded, c.channels, 2 * c.frameLength, &lag);
    EXPECT_GT(r, 0.99) << "lag " << lag;
    // ffmpeg's wmav2 encoder and decoder together lose the first codec frame.
    EXPECT_EQ(lag, -c.frameLength);

    // The same samples as ffmpeg's own decoder gives.
    const std::vector<int16_t> reference = DecodeWithFfmpeg(wma, dir);
    ASSERT_FALSE(reference.empty());
    EXPECT_EQ(loaded, reference);

    ASSERT_GE(events.progress.size(), 3u);
    EXPECT_EQ(events.progress.front(), 0.0f);
    EXPECT_EQ(events.progress[events.progress.size() - 2], 100.0f);
    EXPECT_EQ(events.progress.back(), 0.0f);
    EXPECT_GT(events.pumps, 3);
}

INSTANTIATE_TEST_SUITE_P(RatesAndChannels, WmaLoad,
                         ::testing::Values(LoadCase{44100, 2, 128000, 2048}, LoadCase{44100, 1, 64000, 2048},
                                           LoadCase{48000, 2, 96000, 2048}, LoadCase{22050, 1, 32000, 1024},
                                           LoadCase{16000, 1, 24000, 512}, LoadCase{8000, 2, 32000, 512}),
                         [](const ::testing::TestParamInfo<LoadCase>& info) {
                             return std::to_string(info.param.rate) + "Hz_" + std::to_string(info.param.channels) +
                                    "ch_" + std::to_string(info.param.bitRate / 1000) + "k";
                         });

TEST(WmaLoadOtherFiles, AnyAudioFileFfmpegOpensMoreThanTwoChannelsMixedToStereo)
{
    ScratchDir dir;
    const int rate = 32000;
    const std::vector<int16_t> source = MakeChirp(rate * 2, 6, rate);
    WriteRawFile(dir.File("six.s16"), source);
    const std::string flac = dir.File("six.flac");
    ASSERT_EQ(Shell("ffmpeg -nostdin -v error -y -f s16le -ar 32000 -ac 6 -i " + Q(dir.File("six.s16")) +
                    " -c:a flac " + Q(flac)),
              0);

    CRMWave wave;
    CSoundFile sound;
    ASSERT_EQ(LoadWma(wave, sound, flac), 1);
    EXPECT_EQ(wave.m_nChannels, 2);
    EXPECT_EQ(wave.m_nSamplesPerSec, rate);
    // FLAC is lossless and has no codec delay: every frame arrives.
    EXPECT_EQ(wave.m_nLength, rate * 2);

    // The same stereo mix as ffmpeg's own downmix.
    const std::string mix = dir.File("mix.s16");
    ASSERT_EQ(Shell("ffmpeg -nostdin -v error -y -i " + Q(flac) + " -ac 2 -f s16le " + Q(mix)), 0);
    const std::vector<int16_t> reference = ReadRawFile(mix);
    const std::vector<int16_t> loaded = DocumentSamples(wave);
    ASSERT_EQ(loaded.size(), reference.size());
    int lag = -1;
    EXPECT_GT(BestCorrelation(reference, loaded, 2, 64, &lag), 0.999);
    EXPECT_EQ(lag, 0);
}
