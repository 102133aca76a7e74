// WAV loading (with conversion to 16-bit) and WAV saving.

#include "CodecFixture.h"

#include <cstring>

using namespace codectest;

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

uint16_t Le16(const std::vector<uint8_t>& b, std::size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

// A WAVE_FORMAT_EXTENSIBLE "fmt " body whose sub-format carries `subTag`.
std::vector<uint8_t> ExtensibleBody(uint16_t subTag, uint16_t channels, uint32_t rate, uint16_t bits,
                                    bool knownGuid = true)
{
    std::vector<uint8_t> body;
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    Put16(body, 0xFFFE);
    Put16(body, channels);
    Put32(body, rate);
    Put32(body, rate * align);
    Put16(body, align);
    Put16(body, bits);
    Put16(body, 22);
    Put16(body, bits);               // valid bits
    Put32(body, channels == 2 ? 3 : 4);  // channel mask
    Put16(body, subTag);
    Put16(body, 0);
    const uint8_t tail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    body.insert(body.end(), tail, tail + 12);
    if (!knownGuid)
        body.back() ^= 0xFF;
    return body;
}

}  // namespace

class WavTest : public CodecTest {
protected:
    // A 16-bit stereo source at 22050 Hz and its samples.
    std::string MakeSource(int frames = 30000)
    {
        m_signal = MakeSignal(frames, 2, 22050);
        const std::string path = m_dir.File("source.wav");
        WritePcm16Wav(path, m_signal, 2, 22050);
        return path;
    }

    // Converts the source with sox to another encoding.
    std::string Sox(const std::string& source, const std::string& options, const std::string& name)
    {
        const std::string path = m_dir.File(name);
        EXPECT_EQ(Shell("sox -D " + Q(source) + " " + options + " " + Q(path)), 0) << options;
        return path;
    }

    std::vector<int16_t> m_signal;
};

TEST_F(WavTest, Pcm16LoadsExactly)
{
    const std::string path = MakeSource();
    ASSERT_EQ(Load(path, FormatWav), 1);
    EXPECT_EQ(m_sound.m_nFormat, FormatWav);
    EXPECT_EQ(m_sound.m_wWavFormat, 1);
    EXPECT_EQ(m_sound.m_nBitRate, 0);
    EXPECT_EQ(m_wave.m_nChannels, 2);
    EXPECT_EQ(m_wave.m_nSamplesPerSec, 22050);
    EXPECT_EQ(m_wave.m_nBitsPerSample, 16);
    EXPECT_EQ(m_wave.m_nLength, 30000);
    EXPECT_EQ(DocumentSamples(), m_signal);
}

TEST_F(WavTest, SoxPcm8MonoLoadsAsEightBit)
{
    const std::string source = MakeSource(5001);
    const std::string path = Sox(source, "-b 8 -c 1", "u8.wav");
    const std::string raw = Sox(path, "-t raw", "u8.raw");
    ASSERT_EQ(Load(path, FormatWav), 1);
    EXPECT_EQ(m_wave.m_nChannels, 1);
    EXPECT_EQ(m_wave.m_nBitsPerSample, 8);
    EXPECT_EQ(m_wave.m_nLength, 5001);
    EXPECT_EQ(m_sound.m_wWavFormat, 1);
    EXPECT_EQ(DocumentBytes(m_wave), ReadFile(raw));
}

TEST_F(WavTest, WideIntegerAndFloatBecomeSixteenBitExactly)
{
    const std::string source = MakeSource();
    const struct {
        const char* options;
        const char* name;
    } cases[] = {
        {"-b 24", "s24.wav"},
        {"-b 32 -e signed-integer", "s32.wav"},
        {"-b 32 -e floating-point", "f32.wav"},
        {"-b 64 -e floating-point", "f64.wav"},
    };
    for (const auto& c : cases) {
        const std::string path = Sox(source, c.options, c.name);
        ASSERT_EQ(Load(path, FormatWav), 1) << c.name;
        EXPECT_EQ(m_sound.m_wWavFormat, 1) << c.name;
        EXPECT_EQ(m_wave.m_nBitsPerSample, 16) << c.name;
        EXPECT_EQ(m_wave.m_nChannels, 2) << c.name;
        EXPECT_EQ(m_wave.m_nSamplesPerSec, 22050) << c.name;
        EXPECT_EQ(m_wave.m_nLength, 30000) << c.name;
        EXPECT_EQ(DocumentSamples(), m_signal) << c.name;
    }
}

TEST_F(WavTest, ALawAndMuLawDecodeAsSoxDoes)
{
    const std::string source = MakeSource();
    for (const char* encoding : {"a-law", "u-law"}) {
        const std::string path = Sox(source, std::string("-e ") + encoding, std::string(encoding) + ".wav");
        ASSERT_EQ(ReadFile(path)[20], encoding[0] == 'a' ? 6 : 7) << "sox wrote another tag";
        const std::string reference = Sox(path, "-t raw -e signed -b 16", std::string(encoding) + ".raw");
        ASSERT_EQ(Load(path, FormatWav), 1) << encoding;
        EXPECT_EQ(m_sound.m_wWavFormat, 1);
        EXPECT_EQ(m_wave.m_nBitsPerSample, 16);
        EXPECT_EQ(m_wave.m_nLength, 30000);
        EXPECT_EQ(DocumentBytes(m_wave), ReadFile(reference)) << encoding;
        EXPECT_GT(BestCorrelation(m_signal, DocumentSamples(), 2, 0), 0.999);
    }
}

TEST_F(WavTest, ExtensibleFormatsLoad)
{
    const auto signal = MakeSignal(4000, 2, 48000);
    const auto pcm16 = ToBytes(signal);
    // The same samples as 32-bit floats.
    std::vector<uint8_t> floats;
    for (int16_t s : signal) {
        float f = s / 32768.0f;
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        Put32(floats, bits);
    }
    const struct {
        uint16_t subTag;
        uint16_t bits;
        const std::vector<uint8_t>* data;
    } cases[] = {{1, 16, &pcm16}, {3, 32, &floats}};
    for (const auto& c : cases) {
        std::vector<uint8_t> chunks;
        PutChunk(chunks, "fmt ", ExtensibleBody(c.subTag, 2, 48000, c.bits));
        PutChunk(chunks, "data", *c.data);
        const std::string path = m_dir.File("ext.wav");
        WriteFile(path, RiffWave(chunks));
        ASSERT_EQ(Load(path, FormatWav), 1) << c.subTag;
        EXPECT_EQ(m_sound.m_wWavFormat, 1);
        EXPECT_EQ(m_wave.m_nBitsPerSample, 16);
        EXPECT_EQ(m_wave.m_nSamplesPerSec, 48000);
        EXPECT_EQ(DocumentSamples(), signal);
    }
}

TEST_F(WavTest, SoxWritesTwentyFourBitAsExtensible)
{
    const std::string path = Sox(MakeSource(), "-b 24", "ext24.wav");
    const auto file = ReadFile(path);
    ASSERT_EQ(Le16(file, 20), 0xFFFE);
    ASSERT_EQ(Load(path, FormatWav), 1);
    EXPECT_EQ(m_sound.m_wWavFormat, 1);
    EXPECT_EQ(DocumentSamples(), m_signal);
}

TEST_F(WavTest, FfmpegExtensible24BitLoads)
{
    const std::string source = MakeSource();
    const std::string path = m_dir.File("ff24.wav");
    ASSERT_EQ(Shell("ffmpeg -y -v error -i " + Q(source) + " -c:a pcm_s24le -ac 2 -rf64 never -write_bext 0 "
                  "-f wav " + Q(path)), 0);
    ASSERT_EQ(Load(path, FormatWav), 1);
    EXPECT_EQ(m_wave.m_nBitsPerSample, 16);
    EXPECT_EQ(DocumentSamples(), m_signal);
}

TEST_F(WavTest, LoadStopsAtTheEndOfTheDataChunk)
{
    const auto signal = MakeSignal(1000, 2, 44100);
    std::vector<uint8_t> chunks;
    PutChunk(chunks, "fmt ", FmtBody(1, 2, 44100, 16));
    PutChunk(chunks, "data", ToBytes(signal));
    PutChunk(chunks, "LIST", std::vector<uint8_t>(300, 0x55));
    PutChunk(chunks, "id3 ", std::vector<uint8_t>(128, 0x77));
    const std::string path = m_dir.File("tagged.wav");
    WriteFile(path, RiffWave(chunks));
    ASSERT_EQ(Load(path, FormatWav), 1);
    EXPECT_EQ(m_wave.m_nLength, 1000);
    EXPECT_EQ(DocumentSamples(), signal);
}

// PCM data goes into the working file by a file-to-file copy in 64 KB
// blocks; the document must hold exactly the data chunk's bytes that the file
// really has, whatever the chunk's size and what follows it.
TEST_F(WavTest, PcmDataIsCopiedByteForByte)
{
    struct Case {
        const char* name;
        uint16_t channels;
        uint16_t bits;
        std::size_t dataBytes;
        std::size_t claimedExtra;  // the size field claims this much more than the file holds
    };
    const Case cases[] = {
        {"8-bit mono, odd size, several blocks", 1, 8, 3 * 65536 + 4097, 0},
        {"16-bit stereo, several blocks", 2, 16, 2 * 65536 + 4 * 123, 0},
        {"16-bit mono, odd size", 1, 16, 20001, 0},
        {"8-bit stereo, size past the end of the file", 2, 8, 70000, 5000},
        {"16-bit stereo, size past the end of the file", 2, 16, 65536 + 12, 1 << 20},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> data(c.dataBytes);
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
        std::vector<uint8_t> chunks;
        PutChunk(chunks, "fmt ", FmtBody(1, c.channels, 8000, c.bits));
        const std::size_t sizeField = chunks.size() + 4;
        PutChunk(chunks, "data", data);
        if (c.claimedExtra == 0) {
            PutChunk(chunks, "LIST", std::vector<uint8_t>(33, 0x5A));  // after an odd chunk's pad byte
        } else {
            const auto claimed = static_cast<uint32_t>(c.dataBytes + c.claimedExtra);
            for (int b = 0; b < 4; ++b)
                chunks[sizeField + b] = static_cast<uint8_t>(claimed >> (8 * b));
            if (c.dataBytes & 1u)
                chunks.pop_back();  // no pad byte: the file ends inside the chunk
        }
        const std::string path = m_dir.File("copy.wav");
        WriteFile(path, RiffWave(chunks));
        ASSERT_EQ(Load(path, FormatWav), 1) << c.name;
        EXPECT_EQ(m_wave.m_nChannels, c.channels) << c.name;
        EXPECT_EQ(m_wave.m_nBitsPerSample, c.bits) << c.name;
        EXPECT_EQ(m_wave.m_nLength, static_cast<int32_t>(c.dataBytes / (c.channels * c.bits / 8))) << c.name;
        EXPECT_EQ(DocumentBytes(m_wave), data) << c.name;
    }
}

TEST_F(WavTest, FfmpegPeakChunkAfterDataIsNotAudio)
{
    // ffmpeg appends a "levl" peak-envelope chunk after the data when asked.
    const std::string source = MakeSource(3000);
    const std::string path = m_dir.File("peak.wav");
    ASSERT_EQ(Shell("ffmpeg -y -v error -i " + Q(source) + " -c:a pcm_s16le -write_peak on " + Q(path)), 0);
    ASSERT_GT(std::filesystem::file_size(path), 44u + 12000 + 100);
    ASSERT_EQ(Load(path, FormatWav), 1);
    EXPECT_EQ(m_wave.m_nLength, 3000);
    EXPECT_EQ(DocumentSamples(), m_signal);
}

TEST_F(WavTest, UnsupportedEncodingsFailWithAnEmptyDocument)
{
    const std::string source = MakeSource(3000);
    std::vector<std::string> paths = {Sox(source, "-e ima-adpcm", "ima.wav"),
                                      Sox(source, "-e ms-adpcm", "ms.wav"),
                                      Sox(source, "-e gsm-full-rate -c 1 -r 8000", "gsm.wav")};
    const auto add = [&](const std::string& name, const std::vector<uint8_t>& fmt, std::size_t dataBytes) {
        std::vector<uint8_t> chunks;
        PutChunk(chunks, "fmt ", fmt);
        PutChunk(chunks, "data", std::vector<uint8_t>(dataBytes, 0x40));
        paths.push_back(m_dir.File(name));
        WriteFile(paths.back(), RiffWave(chunks));
    };
    add("pcm12.wav", FmtBody(1, 1, 8000, 12), 300);
    add("float16.wav", FmtBody(3, 1, 8000, 16), 300);
    add("alaw16.wav", FmtBody(6, 1, 8000, 16), 300);
    add("mpeg.wav", FmtBody(0x55, 2, 44100, 0), 300);
    add("ext-unknown.wav", ExtensibleBody(1, 2, 44100, 16, false), 400);
    add("ext-adpcm.wav", ExtensibleBody(2, 2, 44100, 4), 400);
    add("no-channels.wav", FmtBody(1, 0, 44100, 16), 400);
    for (const auto& path : paths) {
        EXPECT_EQ(Load(path, FormatWav), 0) << path;
        EXPECT_EQ(m_wave.m_nLength, 0) << path;
        EXPECT_TRUE(DocumentBytes(m_wave).empty()) << path;
        EXPECT_EQ(m_sound.m_wWavFormat, 0) << path;
    }
}

TEST_F(WavTest, FailedOpenLeavesWavFormatAtZero)
{
    EXPECT_EQ(Load(m_dir.File("missing.wav"), FormatWav), 0);
    EXPECT_EQ(m_sound.m_wWavFormat, 0);
    EXPECT_EQ(m_sound.m_nBitRate, 128000);
}

TEST_F(WavTest, WriterHeaderIsTheFortySixByteLayout)
{
    const auto signal = MakeSignal(1234, 2, 32000);
    FillDocument(m_wave, signal, 2, 32000);
    m_sound.m_wWavFormat = 1;
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("out.mp3"), FormatWav), 1);
    EXPECT_EQ(m_sound.m_strFileName, m_dir.File("out.wav"));
    const auto file = ReadFile(m_dir.File("out.wav"));
    ASSERT_EQ(file.size(), 46u + 1234 * 4);
    EXPECT_EQ(std::memcmp(file.data(), "RIFF", 4), 0);
    EXPECT_EQ(Le32(file, 4), file.size() - 8);
    EXPECT_EQ(std::memcmp(file.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(Le32(file, 16), 18u);
    EXPECT_EQ(Le16(file, 20), 1);
    EXPECT_EQ(Le16(file, 22), 2);
    EXPECT_EQ(Le32(file, 24), 32000u);
    EXPECT_EQ(Le32(file, 28), 128000u);
    EXPECT_EQ(Le16(file, 32), 4);
    EXPECT_EQ(Le16(file, 34), 16);
    EXPECT_EQ(Le16(file, 36), 0);
    EXPECT_EQ(std::memcmp(file.data() + 38, "data", 4), 0);
    EXPECT_EQ(Le32(file, 42), 1234u * 4);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 46, file.end()), ToBytes(signal));

    // Other programs read it.
    const std::string out = Q(m_dir.File("out.wav"));
    EXPECT_EQ(Capture("soxi -c " + out) + Capture("soxi -r " + out) + Capture("soxi -s " + out),
              "2\n32000\n1234\n");
}

TEST_F(WavTest, WriterPadsAnOddDataChunk)
{
    const std::vector<uint8_t> bytes = {1, 2, 3, 200, 255};
    FillDocumentBytes(m_wave, bytes, 1, 8000, 8);
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("odd"), FormatWav), 1);
    const auto file = ReadFile(m_dir.File("odd.wav"));
    ASSERT_EQ(file.size(), 46u + 5 + 1);
    EXPECT_EQ(Le32(file, 4), 46u + 6 - 8);
    EXPECT_EQ(Le32(file, 42), 5u);
    EXPECT_EQ(Le16(file, 34), 8);
    EXPECT_EQ(Le16(file, 32), 1);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 46, file.begin() + 51), bytes);
    EXPECT_EQ(file.back(), 0);
    ASSERT_EQ(Load(m_dir.File("odd.wav"), FormatWav), 1);
    EXPECT_EQ(DocumentBytes(m_wave), bytes);
}

TEST_F(WavTest, WriterUsesTheWavFormatTagWithoutConverting)
{
    const auto signal = MakeSignal(100, 1, 8000);
    FillDocument(m_wave, signal, 1, 8000);
    m_sound.m_wWavFormat = 3;
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("tagged.wav"), FormatWav), 1);
    const auto file = ReadFile(m_dir.File("tagged.wav"));
    ASSERT_EQ(file.size(), 46u + 200);
    EXPECT_EQ(Le16(file, 20), 3);
    EXPECT_EQ(std::memcmp(file.data() + 38, "data", 4), 0);  // no "fact" chunk
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 46, file.end()), ToBytes(signal));
}

TEST_F(WavTest, EmptyDocumentGivesTheBareHeader)
{
    ASSERT_TRUE(m_wave.CreateNew(2, 44100, 16));
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("empty.wav"), FormatWav), 1);
    const auto file = ReadFile(m_dir.File("empty.wav"));
    ASSERT_EQ(file.size(), 46u);
    EXPECT_EQ(Le32(file, 4), 38u);
    EXPECT_EQ(Le32(file, 42), 0u);
}

TEST_F(WavTest, LoadSaveRoundTripKeepsTheTag)
{
    const std::string source = MakeSource(7000);
    ASSERT_EQ(Load(source, FormatWav), 1);
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("copy.wav"), FormatWav), 1);
    EXPECT_EQ(ReadFile(m_dir.File("copy.wav")), ReadFile(source));
}

TEST_F(WavTest, SavingAfterANonWavLoadWritesPcmTag)
{
    const auto bytes = ToBytes(MakeSignal(500, 2, 44100));
    WriteFile(m_dir.File("in.raw"), bytes);
    ASSERT_EQ(Load(m_dir.File("in.raw"), FormatRaw), 1);
    ASSERT_EQ(m_sound.m_wWavFormat, 1);
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("in.raw"), FormatWav), 1);
    const auto file = ReadFile(m_dir.File("in.wav"));
    EXPECT_EQ(Le16(file, 20), 1);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 46, file.end()), bytes);
}
