// Inputs the fuzz targets found, kept as regression tests. Each file in
// inputs/ is named after what is wrong with it.
#include "wave/WaveTestUtil.h"

#include "codecs/CSoundFile.h"

#include <string>

namespace {

std::string Input(const char* name)
{
    return std::string(VRT_RELIABILITY_INPUTS) + "/" + name;
}

class FuzzRegression : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_wave.CreateNew(2, 44100, 16));
        m_sound.m_pWave = &m_wave;
    }
    CRMWave m_wave;
    CSoundFile m_sound;
};

}  // namespace

// An ASF header whose audio stream claims 707,406,378 Hz and 10,794 channels
// of an unknown codec: the reader sized its 2.5-second buffer from that rate
// (2.7 GB). No such output is offered now, so the load ends empty and leaves
// the document's format alone.
TEST_F(FuzzRegression, WmaWithAnImpossibleSampleRateLoadsEmpty)
{
    EXPECT_EQ(m_sound.LoadFile(Input("wma-huge-rate.wma"), FormatWma), 1);  // ReadWma answers 1 always
    EXPECT_EQ(m_wave.m_nLength, 0);
    EXPECT_EQ(m_wave.m_nSamplesPerSec, 44100);
    EXPECT_EQ(m_wave.m_nChannels, 2);
}

TEST_F(FuzzRegression, WmaSeedStillLoads)
{
    EXPECT_EQ(m_sound.LoadFile(std::string(VRT_FUZZ_CORPUS) + "/load_wma/mono.wma", FormatWma), 1);
    EXPECT_EQ(m_wave.m_nSamplesPerSec, 22050);
    EXPECT_EQ(m_wave.m_nChannels, 1);
    EXPECT_GT(m_wave.m_nLength, 22050 / 10);
}
