// The codec-format table and the profile search.

#include "codecs/wma/WmaCodecFormats.h"
#include "codecs/wma/WmaProfile.h"
#include "wave/WaveFormat.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <map>
#include <set>

namespace {

WaveFormat FormatOf(const WmaMediaType& type)
{
    return WaveFormat::FromBytes(type.format.data());
}

WmaMediaType Offer(uint32_t rate, uint16_t channels, uint32_t avg, uint16_t align, uint16_t tag = kWmaV2FormatTag)
{
    WmaMediaType type = WmaV2MediaType({rate, channels, avg, align});
    type.format[0] = static_cast<uint8_t>(tag);
    type.format[1] = static_cast<uint8_t>(tag >> 8);
    return type;
}

// The format block of the stream that a search put into `profile`.
WaveFormat ChosenFormat(const CWmaProfile& profile)
{
    WmaMediaType type;
    EXPECT_EQ(profile.StreamCount(), 1u);
    EXPECT_EQ(profile.Stream(0).GetMediaType(type), kOk);
    return FormatOf(type);
}

}  // namespace

TEST(WmaCodecFormats, EveryEntryIsWhatTheEncoderProduces)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    ASSERT_NE(codec, nullptr);
    av_log_set_level(AV_LOG_QUIET);
    for (const WmaCodecFormat& entry : WmaV2CodecFormats()) {
        AVCodecContext* context = avcodec_alloc_context3(codec);
        ASSERT_NE(context, nullptr);
        context->sample_rate = static_cast<int>(entry.samplesPerSec);
        av_channel_layout_default(&context->ch_layout, entry.channels);
        context->sample_fmt = AV_SAMPLE_FMT_FLTP;
        context->bit_rate = static_cast<int64_t>(entry.avgBytesPerSec) * 8;
        ASSERT_EQ(avcodec_open2(context, codec, nullptr), 0) << entry.samplesPerSec << " " << entry.avgBytesPerSec;
        EXPECT_EQ(context->block_align, entry.blockAlign) << entry.samplesPerSec << " Hz " << entry.channels << " ch "
                                                          << entry.avgBytesPerSec * 8 << " bit/s";
        EXPECT_EQ(context->bit_rate / 8, static_cast<int64_t>(entry.avgBytesPerSec));
        const std::vector<uint8_t> extra(context->extradata, context->extradata + context->extradata_size);
        EXPECT_EQ(extra, WmaV2ExtraData());
        avcodec_free_context(&context);
    }
}

TEST(WmaCodecFormats, RatesChannelsAndLadder)
{
    std::map<std::pair<uint32_t, uint16_t>, std::vector<uint32_t>> ladders;
    for (const WmaCodecFormat& entry : WmaV2CodecFormats())
        ladders[{entry.samplesPerSec, entry.channels}].push_back(entry.avgBytesPerSec * 8);

    for (uint32_t rate : {8000u, 11025u, 16000u, 22050u, 32000u, 44100u, 48000u}) {
        for (uint16_t channels : {1, 2}) {
            const auto& ladder = ladders[{rate, channels}];
            ASSERT_FALSE(ladder.empty()) << rate << " " << channels;
            EXPECT_TRUE(std::is_sorted(ladder.begin(), ladder.end()));
            EXPECT_EQ(std::set<uint32_t>(ladder.begin(), ladder.end()).size(), ladder.size());
            EXPECT_GE(ladder.front(), 24000u);  // the encoder refuses less
            EXPECT_NE(std::find(ladder.begin(), ladder.end(), 128000u), ladder.end());
        }
    }
    EXPECT_EQ(ladders.size(), 14u);
    const auto& cd = ladders[{44100, 2}];
    for (uint32_t rate : {48000u, 64000u, 80000u, 96000u, 128000u, 160000u, 192000u})
        EXPECT_NE(std::find(cd.begin(), cd.end(), rate), cd.end()) << rate;

    // The format block of an entry.
    const WmaMediaType type = WmaV2MediaType({44100, 2, 8000, 371});
    ASSERT_EQ(type.format.size(), 28u);
    const WaveFormat wfx = FormatOf(type);
    EXPECT_EQ(wfx.wFormatTag, 0x161);
    EXPECT_EQ(wfx.wBitsPerSample, 16);
    EXPECT_EQ(wfx.cbSize, 10);
}

TEST(WmaProfile, SixtyFourKilobitsAtCdRateStereo)
{
    const WmaStreamRequest request{64000, kWmaV2FormatTag, 44100, 2};
    std::unique_ptr<CWmaProfile> profile;
    ASSERT_EQ(CreateWmaProfile(&request, &profile), kOk);
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->Version(), 0x00070000u);
    EXPECT_EQ(profile->Name(), "Custom Profile");
    ASSERT_EQ(profile->StreamCount(), 1u);

    const CWmaStreamConfig& stream = profile->Stream(0);
    EXPECT_EQ(stream.StreamNumber(), 1);
    EXPECT_EQ(stream.StreamName(), "Audio Stream");
    EXPECT_EQ(stream.ConnectionName(), "Audio");
    EXPECT_EQ(stream.Bitrate(), 64000u);

    WmaMediaType type;
    ASSERT_EQ(stream.GetMediaType(type), kOk);
    EXPECT_EQ(type.majorType, kMediaTypeAudio);
    const Guid subtype{0x00000161, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    EXPECT_EQ(type.subtype, subtype);
    EXPECT_TRUE(type.fixedSizeSamples);
    EXPECT_FALSE(type.temporalCompression);
    EXPECT_EQ(type.sampleSize, 371u);
    EXPECT_EQ(type.formatType, kFormatWaveFormatEx);
    ASSERT_EQ(type.format.size(), 28u);
    const WaveFormat wfx = FormatOf(type);
    EXPECT_EQ(wfx.wFormatTag, 0x161);
    EXPECT_EQ(wfx.nChannels, 2);
    EXPECT_EQ(wfx.nSamplesPerSec, 44100u);
    EXPECT_EQ(wfx.nAvgBytesPerSec, 8000u);
    EXPECT_EQ(wfx.nBlockAlign, 371);
}

TEST(WmaProfile, ToleranceIsStrictlyUnder250BitsPerSecond)
{
    for (uint32_t ok : {63751u, 64000u, 64249u}) {
        const WmaStreamRequest request{ok, kWmaV2FormatTag, 44100, 2};
        std::unique_ptr<CWmaProfile> profile;
        ASSERT_EQ(CreateWmaProfile(&request, &profile), kOk) << ok;
        EXPECT_EQ(ChosenFormat(*profile).nAvgBytesPerSec, 8000u);
    }
    for (uint32_t off : {63750u, 64250u}) {
        const WmaStreamRequest request{off, kWmaV2FormatTag, 44100, 2};
        std::unique_ptr<CWmaProfile> profile;
        EXPECT_EQ(CreateWmaProfile(&request, &profile), kErrNoCodecFormat) << off;
        EXPECT_FALSE(profile);
    }
}

TEST(WmaProfile, NoCandidate)
{
    const WmaStreamRequest misses[] = {
        {0, kWmaV2FormatTag, 44100, 2},        // bit rate 0
        {64000, kWmaV2FormatTag, 44000, 2},    // rate
        {64000, kWmaV2FormatTag, 44100, 3},    // channels
        {64000, 0x160, 44100, 2},              // tag
        {16000, kWmaV2FormatTag, 8000, 1},     // below the encoder's range
    };
    for (const WmaStreamRequest& request : misses) {
        std::unique_ptr<CWmaProfile> profile;
        EXPECT_EQ(CreateWmaProfile(&request, &profile), kErrNoCodecFormat);
        EXPECT_FALSE(profile);
    }
}

TEST(WmaProfile, MissingArguments)
{
    const WmaStreamRequest request{64000, kWmaV2FormatTag, 44100, 2};
    std::unique_ptr<CWmaProfile> profile;
    EXPECT_EQ(CreateWmaProfile(nullptr, &profile), kErrInvalidArg);
    EXPECT_EQ(CreateWmaProfile(&request, nullptr), kErrInvalidArg);
}

TEST(WmaProfile, LargestBlockAlignWinsAndTheLastOnATie)
{
    const CWmaProfileManager manager({
        {
            Offer(44100, 2, 8000, 300),
            Offer(44100, 2, 8010, 371),
            Offer(44100, 2, 7990, 371),
            Offer(44100, 2, 8000, 200),
            Offer(22050, 2, 8000, 900),                   // other rate
            Offer(44100, 1, 8000, 900),                   // other channel count
            Offer(44100, 2, 8000, 900, 0x162),            // other tag
            Offer(44100, 2, 8040, 900),                   // 320 bit/s away
        },
        {
            Offer(44100, 2, 8000, 100),
        },
    });
    CWmaProfile profile(CWmaProfileManager::kProfileVersion7);
    ASSERT_EQ(CreateAudioStream(kWmaV2FormatTag, 64000, 44100, 2, false, profile, manager), kOk);
    const WaveFormat chosen = ChosenFormat(profile);
    EXPECT_EQ(chosen.nBlockAlign, 371);
    EXPECT_EQ(chosen.nAvgBytesPerSec, 7990u);
    EXPECT_EQ(profile.Stream(0).Bitrate(), 7990u * 8);

    // With the flag set, the smallest block align wins, the last on a tie.
    const CWmaProfileManager small({{Offer(44100, 2, 8000, 300), Offer(44100, 2, 8001, 200)},
                                    {Offer(44100, 2, 8002, 200), Offer(44100, 2, 8003, 250)}});
    CWmaProfile other(CWmaProfileManager::kProfileVersion7);
    ASSERT_EQ(CreateAudioStream(kWmaV2FormatTag, 64000, 44100, 2, true, other, small), kOk);
    EXPECT_EQ(ChosenFormat(other).nAvgBytesPerSec, 8002u);

    // Equal block aligns across codecs: the later codec's format wins.
    const CWmaProfileManager two({{Offer(44100, 2, 8000, 371)}, {Offer(44100, 2, 8001, 371)}});
    CWmaProfile third(CWmaProfileManager::kProfileVersion7);
    ASSERT_EQ(CreateAudioStream(kWmaV2FormatTag, 64000, 44100, 2, false, third, two), kOk);
    EXPECT_EQ(ChosenFormat(third).nAvgBytesPerSec, 8001u);
}

TEST(WmaProfile, AFormatThatIsNotAWaveFormatEndsTheSearch)
{
    WmaMediaType odd = Offer(44100, 2, 8000, 371);
    odd.formatType = Guid{0x1234, 0, 0, {}};
    const CWmaProfileManager manager({{Offer(44100, 2, 8000, 371), odd}});
    CWmaProfile profile(CWmaProfileManager::kProfileVersion7);
    EXPECT_EQ(CreateAudioStream(kWmaV2FormatTag, 64000, 44100, 2, false, profile, manager), kErrFail);
    EXPECT_EQ(profile.StreamCount(), 0u);

    const CWmaProfileManager empty(std::vector<std::vector<WmaMediaType>>{});
    EXPECT_EQ(CreateAudioStream(kWmaV2FormatTag, 64000, 44100, 2, false, profile, empty), kErrNoCodecFormat);
}

TEST(WmaProfile, ConfigureStreamStopsAtTheFirstFailure)
{
    const WmaMediaType type = WmaV2MediaType({44100, 2, 8000, 371});
    CWmaStreamConfig config;
    EXPECT_EQ(ConfigureStream(config, 0, "Audio Stream", "Audio", 64000, type), kErrInvalidArg);
    EXPECT_EQ(config.StreamName(), "");
    EXPECT_EQ(config.Bitrate(), 0u);

    WmaMediaType video = type;
    video.majorType = kMediaTypeVideo;
    EXPECT_EQ(ConfigureStream(config, 1, "Audio Stream", "Audio", 64000, video), kErrInvalidArg);
    EXPECT_EQ(config.StreamName(), "Audio Stream");
    EXPECT_EQ(config.Bitrate(), 64000u);
    EXPECT_FALSE(config.HasMediaType());

    EXPECT_EQ(ConfigureStream(config, 1, "Audio Stream", "Audio", 64000, type), kOk);
    EXPECT_TRUE(config.HasMediaType());
}
