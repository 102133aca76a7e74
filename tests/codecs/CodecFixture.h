#pragma once
// A document and a format manager wired as the control wires them, with a
// scratch folder for files.

#include "CodecTestSupport.h"
#include "codecs/CSoundFile.h"
#include "wave/CRMWave.h"

#include <gtest/gtest.h>

class CodecTest : public ::testing::Test {
protected:
    CodecTest() { m_sound.m_pWave = &m_wave; }

    // What the control's Load does before the reader runs.
    int32_t Load(const std::string& path, int32_t format)
    {
        m_sound.ResetSettings();
        EXPECT_TRUE(m_wave.CreateNew(m_wave.m_nChannels, m_wave.m_nSamplesPerSec, m_wave.m_nBitsPerSample));
        return m_sound.LoadFile(path, format);
    }

    std::vector<int16_t> DocumentSamples() { return codectest::DocumentSamples(m_wave); }

    codectest::ScratchDir m_dir;
    CRMWave m_wave;
    CSoundFile m_sound;
};
