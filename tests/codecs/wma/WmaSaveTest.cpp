// Saving WMA through CSoundFile::WriteWma, checked with ffprobe and ffmpeg.

#include "WmaTestSupport.h"

#include "codecs/CSoundFile.h"
#include "codecs/wma/CWmaWriter.h"
#include "codecs/wma/WmaCodecFormats.h"
#include "codecs/wma/WmaProfile.h"
#include "codecs/wma/WmaSampleTime.h"
#include "wave/CRMWave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

using namespace wmatest;

namespace {

struct SaveCase {
    int rate;
    int channels;
    int bitRate;      // BitRate set before the save
    int fileBitRate;  // what the file must say
    int frameLength;
};

class WmaSave : public ::testing::TestWithParam<SaveCase> {};

std::size_t FilesIn(const std::filesystem::path& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

}  // namespace

TEST_P(WmaSave, FileDecodesWithTheDocumentsFormatLengthAndSignal)
{
    const SaveCase c = GetParam();
    ScratchDir dir;
    const int frames = c.rate * 2 + 321;
    const std::vector<int16_t> source = MakeChirp(frames, c.channels, c.rate);
    CRMWave wave;
    FillDocument(wave, source, c.channels, c.rate);
    CSoundFile sound;
    sound.m_pWave = &wave;
    sound.m_nBitRate = c.bitRate;

    ProgressRecorder events;
    EXPECT_EQ(sound.SaveFileAs(dir.File("tone.wav"), FormatWma), 1);
    const std::string wma = dir.File("tone.wma");
    EXPECT_EQ(sound.m_strFileName, wma);
    ASSERT_TRUE(std::filesystem::exists(wma));
    EXPECT_EQ(FilesIn(dir.Path()), 1u);  // no temporary file left beside it

    EXPECT_EQ(Probe(wma, "format_name", false), "asf");
    EXPECT_EQ(Probe(wma, "codec_name"), "wmav2");
    EXPECT_EQ(Probe(wma, "codec_tag"), "0x0161");
    EXPECT_EQ(Probe(wma, "sample_rate"), std::to_string(c.rate));
    EXPECT_EQ(Probe(wma, "channels"), std::to_string(c.channels));
    EXPECT_EQ(Probe(wma, "bit_rate"), std::to_string(c.fileBitRate));
    const double seconds = std::atof(Probe(wma, "duration", false).c_str());
    EXPECT_NEAR(seconds, static_cast<double>(frames) / c.rate, 0.1);

    const std::vector<int16_t> decoded = DecodeWithFfmpeg(wma, dir);
    const long decodedFrames = static_cast<long>(decoded.size()) / c.channels;
    EXPECT_GE(decodedFrames, frames);
    EXPECT_LT(decodedFrames - frames, c.frameLength);
    int lag = -1;
    EXPECT_GT(BestCorrelation(source, decoded, c.channels, 2 * c.frameLength, &lag), 0.99);
    EXPECT_EQ(lag, 0);  // the first samples are kept

    ASSERT_GE(events.progress.size(), 4u);
    EXPECT_EQ(events.progress.front(), 0.0f);
    EXPECT_EQ(events.progress[events.progress.size() - 2], 100.0f);
    EXPECT_EQ(events.progress.back(), 0.0f);
    EXPECT_GE(events.pumps, static_cast<long>(events.progress.size()));
}

INSTANTIATE_TEST_SUITE_P(RatesChannelsAndBitRates, WmaSave,
                         ::testing::Values(SaveCase{44100, 2, 64000, 64000, 2048},
                                           SaveCase{48000, 2, 192000, 192000, 2048},
                                           SaveCase{22050, 1, 32000, 32000, 1024},
                                           SaveCase{16000, 2, 24000, 24000, 512},
                                           SaveCase{8000, 1, 0, 128000, 512}),
                         [](const ::testing::TestParamInfo<SaveCase>& info) {
                             return std::to_string(info.param.rate) + "Hz_" + std::to_string(info.param.channels) +
                                    "ch_" + std::to_string(info.param.bitRate / 1000) + "k";
                         });

TEST(WmaSaveRules, WhatWeWriteLoadsBack)
{
    ScratchDir dir;
    const std::vector<int16_t> source = MakeChirp(44100 * 3, 2, 44100);
    CRMWave wave;
    FillDocument(wave, source, 2, 44100);
    CSoundFile sound;
    sound.m_pWave = &wave;
    sound.m_nBitRate = 128000;
    ASSERT_EQ(sound.SaveFileAs(dir.File("round.wma"), FormatWma), 1);

    CRMWave loaded;
    loaded.CreateNew(1, 8000, 8);
    CSoundFile reader;
    reader.m_pWave = &loaded;
    ASSERT_EQ(reader.LoadFile(dir.File("round.wma"), FormatWma), 1);
    EXPECT_EQ(loaded.m_nChannels, 2);
    EXPECT_EQ(loaded.m_nSamplesPerSec, 44100);
    EXPECT_EQ(loaded.m_nBitsPerSample, 16);
    EXPECT_EQ(reader.m_nBitRate, 128000);
    EXPECT_GE(loaded.m_nLength, 44100 * 3);
    EXPECT_LT(loaded.m_nLength, 44100 * 3 + 2048);
    int lag = -1;
    EXPECT_GT(BestCorrelation(source, DocumentSamples(loaded), 2, 4096, &lag), 0.99);
    EXPECT_EQ(lag, 0);
}

TEST(WmaSaveRules, ABitRateWithoutAFormatFailsAndKeepsTheExistingFile)
{
    ScratchDir dir;
    CRMWave wave;
    FillDocument(wave, MakeChirp(44100, 2, 44100), 2, 44100);
    CSoundFile sound;
    sound.m_pWave = &wave;
    const std::string target = dir.File("kept.wma");
    const std::vector<uint8_t> old = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};
    WriteFile(target, old);

    sound.m_nBitRate = 50000;  // between the ladder's 48 and 64 kbit/s
    sound.m_strFileName = target;
    sound.m_nFormat = FormatWma;
    EXPECT_EQ(sound.SaveFile(), 0);
    EXPECT_EQ(sound.SaveFileAs(target, FormatWma), 1);  // SaveAs always answers 1
    EXPECT_EQ(ReadFile(target), old);
    EXPECT_EQ(FilesIn(dir.Path()), 1u);

    // A folder that does not exist: nothing is written anywhere.
    sound.m_nBitRate = 64000;
    sound.m_strFileName = dir.File("no/such/folder/x.wma");
    EXPECT_EQ(sound.SaveFile(), 0);
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
}

TEST(WmaSaveRules, AnEmptyDocumentGivesAValidFileWithoutSamples)
{
    ScratchDir dir;
    CRMWave wave;
    wave.CreateNew(2, 44100, 16);
    CSoundFile sound;
    sound.m_pWave = &wave;
    sound.m_nBitRate = 64000;
    ProgressRecorder events;
    sound.m_strFileName = dir.File("empty.wma");
    sound.m_nFormat = FormatWma;
    EXPECT_EQ(sound.SaveFile(), 1);
    const std::string wma = dir.File("empty.wma");
    ASSERT_TRUE(std::filesystem::exists(wma));
    EXPECT_EQ(Probe(wma, "codec_name"), "wmav2");
    EXPECT_EQ(Probe(wma, "sample_rate"), "44100");
    EXPECT_EQ(Probe(wma, "channels"), "2");
    EXPECT_TRUE(DecodeWithFfmpeg(wma, dir).empty());
    EXPECT_EQ(events.progress.front(), 0.0f);
    EXPECT_EQ(events.progress.back(), 0.0f);

    CRMWave loaded;
    loaded.CreateNew(2, 44100, 16);
    CSoundFile reader;
    reader.m_pWave = &loaded;
    EXPECT_EQ(reader.LoadFile(wma, FormatWma), 1);
    EXPECT_EQ(loaded.m_nLength, 0);
}

TEST(WmaSaveRules, EightBitDocumentsAreWidened)
{
    ScratchDir dir;
    const int rate = 22050;
    const std::vector<int16_t> chirp = MakeChirp(rate * 2, 1, rate);
    CRMWave wave;
    wave.CreateNew(1, rate, 8);
    std::vector<uint8_t> bytes(chirp.size());
    for (std::size_t i = 0; i < chirp.size(); ++i)
        bytes[i] = static_cast<uint8_t>(chirp[i] / 256 + 128);
    wave.WriteData(bytes.data(), bytes.size());
    wave.UpdateLength();
    ASSERT_EQ(wave.m_nLength, rate * 2);

    CSoundFile sound;
    sound.m_pWave = &wave;
    sound.m_nBitRate = 64000;
    ASSERT_EQ(sound.SaveFileAs(dir.File("narrow.wma"), FormatWma), 1);
    const std::string wma = dir.File("narrow.wma");
    EXPECT_EQ(Probe(wma, "sample_rate"), "22050");
    EXPECT_EQ(Probe(wma, "channels"), "1");
    const std::vector<int16_t> decoded = DecodeWithFfmpeg(wma, dir);
    EXPECT_GE(decoded.size(), chirp.size());
    EXPECT_LT(decoded.size(), chirp.size() + 1024);
    int lag = -1;
    EXPECT_GT(BestCorrelation(chirp, decoded, 1, 2048, &lag), 0.99);
    EXPECT_EQ(lag, 0);
}

TEST(WmaSaveRules, SampleTimesInHundredNanosecondUnits)
{
    CRMWave wave;
    wave.CreateNew(2, 44100, 16);
    EXPECT_EQ(WmaSampleTime(wave, 0), 0u);
    EXPECT_EQ(WmaSampleTime(wave, 65536), 3715192u);  // 16384 frames
    EXPECT_EQ(WmaSampleTime(wave, 131072), 7430385u);
    wave.CreateNew(1, 8000, 8);
    EXPECT_EQ(WmaSampleTime(wave, 65536), 81920000u);
}

TEST(WmaWriter, AnAbandonedSaveLeavesTheTargetAlone)
{
    ScratchDir dir;
    const std::string target = dir.File("target.wma");
    const std::vector<uint8_t> old = {1, 2, 3, 4, 5};
    WriteFile(target, old);

    const WmaStreamRequest request{64000, kWmaV2FormatTag, 44100, 2};
    std::unique_ptr<CWmaProfile> profile;
    ASSERT_EQ(CreateWmaProfile(&request, &profile), kOk);
    {
        CWmaWriter writer;
        ASSERT_EQ(writer.SetProfile(*profile), kOk);
        ASSERT_EQ(writer.SetOutputFilename(target), kOk);
        ASSERT_EQ(writer.BeginWriting(), kOk);
        EXPECT_EQ(FilesIn(dir.Path()), 2u);  // the target and the temporary file
        std::unique_ptr<CWmaSample> sample;
        ASSERT_EQ(writer.AllocateSample(65536, sample), kOk);
        ASSERT_EQ(sample->SetLength(65536), kOk);
        EXPECT_EQ(writer.WriteSample(0, 0, 0, *sample), kOk);
        EXPECT_EQ(writer.WriteSample(1, 10, 0, *sample), kErrInvalidArg);
        EXPECT_EQ(sample->SetLength(65537), kErrInvalidArg);
    }
    EXPECT_EQ(ReadFile(target), old);
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
}

TEST(WmaWriter, RefusesCallsOutOfOrderAndForeignProfiles)
{
    CWmaWriter writer;
    EXPECT_EQ(writer.BeginWriting(), kErrInvalidState);
    EXPECT_EQ(writer.EndWriting(), kErrInvalidState);
    CWmaProfile empty(CWmaProfileManager::kProfileVersion7);
    EXPECT_EQ(writer.SetProfile(empty), kErrInvalidArg);

    // A profile whose format the encoder does not produce is refused when
    // writing begins: the block align must be the encoder's.
    const CWmaProfileManager manager({{WmaV2MediaType({44100, 2, 8000, 400})}});
    CWmaProfile odd(CWmaProfileManager::kProfileVersion7);
    ASSERT_EQ(CreateAudioStream(kWmaV2FormatTag, 64000, 44100, 2, false, odd, manager), kOk);
    ScratchDir dir;
    ASSERT_EQ(writer.SetProfile(odd), kOk);
    ASSERT_EQ(writer.SetOutputFilename(dir.File("odd.wma")), kOk);
    EXPECT_EQ(writer.BeginWriting(), kErrNoCodecFormat);
    EXPECT_EQ(FilesIn(dir.Path()), 0u);
}
