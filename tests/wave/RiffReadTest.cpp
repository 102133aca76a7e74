// Reading RIFF/WAVE files, well-formed and malformed.
#include "WaveTestUtil.h"
#include "wave/CWaveFile.h"

#include <cstring>

namespace fs = std::filesystem;

namespace {

// Builds RIFF images chunk by chunk, so each test states its layout.
class RiffBuilder {
public:
    explicit RiffBuilder(const char* riff = "RIFF", const char* form = "WAVE")
    {
        Id(riff);
        Le32(0);
        Id(form);
    }
    RiffBuilder& Chunk(const char* id, const std::vector<uint8_t>& body, bool pad = true)
    {
        return ChunkClaiming(id, static_cast<uint32_t>(body.size()), body, pad);
    }
    RiffBuilder& ChunkClaiming(const char* id, uint32_t claimed, const std::vector<uint8_t>& body,
                               bool pad = true)
    {
        Id(id);
        Le32(claimed);
        m_bytes.insert(m_bytes.end(), body.begin(), body.end());
        if (pad && (body.size() & 1))
            m_bytes.push_back(0);
        return *this;
    }
    RiffBuilder& Fmt(int channels, int rate, int bits, int chunkSize = 16, uint16_t tag = 1)
    {
        WaveFormat f = WaveFormat::Pcm(channels, rate, bits);
        f.wFormatTag = tag;
        auto rec = f.ToBytes();
        std::vector<uint8_t> body(rec.begin(), rec.end());
        body.resize(static_cast<std::size_t>(chunkSize), 0);
        return Chunk("fmt ", body);
    }
    std::vector<uint8_t> Bytes(int64_t riffSizeOverride = -1) const
    {
        auto out = m_bytes;
        WriteLE32(&out[4], riffSizeOverride >= 0 ? static_cast<uint32_t>(riffSizeOverride)
                                                 : static_cast<uint32_t>(out.size() - 8));
        return out;
    }

private:
    void Id(const char* id) { m_bytes.insert(m_bytes.end(), id, id + 4); }
    void Le32(uint32_t v)
    {
        uint8_t b[4];
        WriteLE32(b, v);
        m_bytes.insert(m_bytes.end(), b, b + 4);
    }
    std::vector<uint8_t> m_bytes;
};

class RiffRead : public ::testing::Test {
protected:
    fs::path Write(const std::vector<uint8_t>& bytes)
    {
        const fs::path path = m_doc.WorkFilePath("test.wav");
        WriteFileBytes(path, bytes);
        return path;
    }
    std::vector<uint8_t> ReadAll(CWaveFile& wave)
    {
        std::vector<uint8_t> out(wave.GetDataSize());
        uint32_t got = 0;
        EXPECT_EQ(wave.Read(out.data(), static_cast<uint32_t>(out.size()), &got),
                  static_cast<int64_t>(out.size()));
        EXPECT_EQ(got, out.size());
        return out;
    }
    CRMWave m_doc;  // only for its private directory
};

}  // namespace

TEST_F(RiffRead, PlainPcmFile)
{
    const auto data = Pattern(1000);
    const auto path = Write(RiffBuilder().Fmt(2, 44100, 16).Chunk("data", data).Bytes());
    CWaveFile wave;
    ASSERT_EQ(wave.OpenRead(path), 0);
    ASSERT_NE(wave.GetFormat(), nullptr);
    EXPECT_EQ(wave.GetFormat()->nChannels, 2);
    EXPECT_EQ(wave.GetFormat()->nSamplesPerSec, 44100u);
    EXPECT_EQ(wave.GetFormat()->wBitsPerSample, 16);
    EXPECT_EQ(wave.GetFormat()->cbSize, 0);  // a 16-byte "fmt " gives an 18-byte record
    EXPECT_EQ(wave.GetDataSize(), 1000u);
    EXPECT_EQ(ReadAll(wave), data);
    EXPECT_EQ(wave.Close(), 0);
    EXPECT_EQ(wave.GetFormat(), nullptr);
    EXPECT_EQ(wave.GetDataSize(), 0u);
    EXPECT_EQ(wave.Close(), 0);  // closing twice is harmless
}

TEST_F(RiffRead, DataBeforeFmtAndOtherChunksSkipped)
{
    const auto data = Pattern(333);  // odd: a pad byte follows
    const auto path = Write(RiffBuilder()
                                .Chunk("LIST", Pattern(7, 3))
                                .Chunk("data", data)
                                .Chunk("junk", Pattern(5, 4))
                                .Fmt(1, 8000, 8)
                                .Bytes());
    CWaveFile wave;
    ASSERT_EQ(wave.OpenRead(path), 0);
    EXPECT_EQ(wave.GetFormat()->nChannels, 1);
    EXPECT_EQ(wave.GetFormat()->wBitsPerSample, 8);
    EXPECT_EQ(wave.GetDataSize(), 333u);
    EXPECT_EQ(ReadAll(wave), data);
}

TEST_F(RiffRead, SecondFmtAndDataIgnored)
{
    const auto data = Pattern(100);
    const auto path = Write(RiffBuilder()
                                .Fmt(2, 44100, 16)
                                .Chunk("data", data)
                                .Fmt(1, 8000, 8)
                                .Chunk("data", Pattern(50, 2))
                                .Bytes());
    CWaveFile wave;
    ASSERT_EQ(wave.OpenRead(path), 0);
    EXPECT_EQ(wave.GetFormat()->nChannels, 2);
    EXPECT_EQ(wave.GetDataSize(), 100u);
    EXPECT_EQ(ReadAll(wave), data);
}

TEST_F(RiffRead, FactAndExtraFormatBytes)
{
    WaveFormat f = WaveFormat::Pcm(2, 44100, 16);
    f.wFormatTag = 0x161;
    f.cbSize = 4;
    auto rec = f.ToBytes();
    std::vector<uint8_t> fmt(rec.begin(), rec.end());
    fmt.insert(fmt.end(), {9, 8, 7, 6});
    const auto path = Write(RiffBuilder()
                                .Chunk("fmt ", fmt)
                                .Chunk("fact", {0x10, 0x27, 0, 0})
                                .Chunk("data", Pattern(64))
                                .Bytes());
    CWaveFile wave;
    ASSERT_EQ(wave.OpenRead(path), 0);
    EXPECT_EQ(wave.GetFormat()->wFormatTag, 0x161);
    EXPECT_EQ(wave.GetFormat()->cbSize, 4);
    EXPECT_EQ(wave.GetFormatExtra(), (std::vector<uint8_t>{9, 8, 7, 6}));
    EXPECT_EQ(wave.GetSampleCount(), 10000u);
}

TEST_F(RiffRead, PcmExtraSizeForcedToZero)
{
    const auto path = Write(RiffBuilder().Fmt(2, 44100, 16, 20).Chunk("data", Pattern(8)).Bytes());
    // Claim 2 extra bytes inside the 20-byte PCM chunk.
    auto bytes = ReadFileBytes(path);
    WriteLE16(&bytes[20 + 16], 2);
    WriteFileBytes(path, bytes);
    CWaveFile wave;
    ASSERT_EQ(wave.OpenRead(path), 0);
    EXPECT_EQ(wave.GetFormat()->cbSize, 0);
    EXPECT_TRUE(wave.GetFormatExtra().empty());
}

TEST_F(RiffRead, MalformedFilesFail)
{
    const auto good = RiffBuilder().Fmt(2, 44100, 16).Chunk("data", Pattern(100)).Bytes();
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    auto rf64 = good;
    std::memcpy(rf64.data(), "RF64", 4);
    auto rifx = good;
    std::memcpy(rifx.data(), "RIFX", 4);
    auto avi = good;
    std::memcpy(avi.data() + 8, "AVI ", 4);
    const std::vector<Case> cases = {
        {"empty", {}},
        {"header only", Slice(good, 0, 11)},
        {"RF64", rf64},
        {"RIFX", rifx},
        {"not WAVE", avi},
        {"no data", RiffBuilder().Fmt(2, 44100, 16).Bytes()},
        {"no fmt", RiffBuilder().Chunk("data", Pattern(10)).Bytes()},
        {"zero-length data", RiffBuilder().Fmt(2, 44100, 16).Chunk("data", {}).Bytes()},
        {"fmt cut short", Slice(RiffBuilder().Chunk("data", Pattern(10)).Fmt(2, 44100, 16).Bytes(), 0, 40)},
        {"huge fmt", RiffBuilder().ChunkClaiming("fmt ", 0xFFFFFFF0u, Pattern(16)).Chunk("data", Pattern(4)).Bytes()},
        {"data header only", Slice(good, 0, 44)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CWaveFile wave;
        EXPECT_EQ(wave.OpenRead(Write(c.bytes)), 1);
        EXPECT_EQ(wave.GetFormat(), nullptr);
        EXPECT_EQ(wave.GetDataSize(), 0u);
        uint8_t b[4];
        EXPECT_EQ(wave.Read(b, 4), -1);
    }
    CWaveFile wave;
    EXPECT_EQ(wave.OpenRead(m_doc.WorkFilePath("missing.wav")), 1);
}

TEST_F(RiffRead, TruncatedFileKeepsWhatIsThere)
{
    // The data chunk claims 1000 bytes but the file ends after 600 of them,
    // and the RIFF size overstates the file as well.
    const auto data = Pattern(1000);
    auto bytes = RiffBuilder().Fmt(2, 44100, 16).Chunk("data", data).Bytes();
    bytes.erase(bytes.end() - 400, bytes.end());
    CWaveFile wave;
    ASSERT_EQ(wave.OpenRead(Write(bytes)), 0);
    EXPECT_EQ(wave.GetDataSize(), 600u);
    EXPECT_EQ(ReadAll(wave), Slice(data, 0, 600));
}

TEST_F(RiffRead, HugeChunkSizeEndsTheWalk)
{
    // A chunk claiming 4 GB after "fmt " and "data": the walk stops there and
    // the file is accepted with what it found.
    const auto data = Pattern(40);
    const auto path = Write(RiffBuilder()
                                .Fmt(1, 8000, 8)
                                .Chunk("data", data)
                                .ChunkClaiming("huge", 0xFFFFFFFFu, Pattern(10))
                                .Bytes(0xFFFFFFFF));
    CWaveFile wave;
    ASSERT_EQ(wave.OpenRead(path), 0);
    EXPECT_EQ(ReadAll(wave), data);
}

TEST_F(RiffRead, ImageInMemory)
{
    const auto data = Pattern(24);
    const auto image = RiffBuilder().Fmt(2, 22050, 16).Chunk("data", data).Bytes();
    std::size_t offset = 0, length = 0;
    WaveFormat f;
    ASSERT_TRUE(FindWaveImageData(image.data(), image.size(), &offset, &length, &f));
    EXPECT_EQ(offset, 44u);
    EXPECT_EQ(length, 24u);
    EXPECT_EQ(f.nSamplesPerSec, 22050u);

    // A data chunk that claims more than the image holds is cut to the image.
    auto lying = image;
    WriteLE32(&lying[40], 1u << 30);
    ASSERT_TRUE(FindWaveImageData(lying.data(), lying.size(), &offset, &length));
    EXPECT_EQ(offset, 44u);
    EXPECT_EQ(length, 24u);

    EXPECT_FALSE(FindWaveImageData(image.data(), 11, &offset, &length));
    EXPECT_FALSE(FindWaveImageData(nullptr, 0, &offset, &length));
    auto notWave = image;
    std::memcpy(notWave.data() + 8, "WAVX", 4);
    EXPECT_FALSE(FindWaveImageData(notWave.data(), notWave.size(), &offset, &length));
}
