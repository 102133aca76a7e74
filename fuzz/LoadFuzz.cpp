// A load through CSoundFile::LoadFile with one format code (VRT_FUZZ_FORMAT,
// built once per code) on a file holding the input, into a fresh document as
// the control's Load prepares it.
#include "FuzzInput.h"

#include "codecs/CSoundFile.h"
#include "wave/CRMWave.h"

#if VRT_FUZZ_FORMAT == 5
extern "C" {
#include <libavutil/log.h>
}
#endif

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
#if VRT_FUZZ_FORMAT == 5
    av_log_set_level(AV_LOG_QUIET);
#endif
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const auto path = WriteFuzzInput("input." VRT_FUZZ_EXT, data, size);

    static CRMWave wave;  // one working directory for the whole run
    CSoundFile sound;
    sound.m_pWave = &wave;
    FuzzCheck(wave.CreateNew(2, 44100, 16), "a document can be created");
    wave.m_nViewBegin = 0;
    wave.m_nViewEnd = 0;

    const int32_t result = sound.LoadFile(path.string(), VRT_FUZZ_FORMAT);
    FuzzCheck(result == 0 || result == 1, "a load answers 0 or 1");
    FuzzCheck(sound.m_nState == 0, "the format manager is idle after a load");
    if (result == 1) {
        FuzzCheck(wave.m_nChannels >= 1, "a loaded document has channels");
        FuzzCheck(wave.m_nBitsPerSample == 8 || wave.m_nBitsPerSample == 16,
                  "a loaded document holds 8- or 16-bit samples");
    }
    FuzzCheck(wave.m_nLength == wave.BytesToFrames(wave.GetDataLength()), "the length is the file's");
    FuzzCheck(wave.m_nViewEnd <= wave.m_nLength && wave.m_nViewBegin >= 0, "the view lies inside the document");
    return 0;
}
