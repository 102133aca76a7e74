#include "codecs/MakeRingtone.h"

#include "codecs/CSoundFile.h"
#include "dsp/CWaveEffects.h"
#include "dsp/FadeCurve.h"
#include "dsp/NormalizeLoudness.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"
#include "wave/ZeroCrossing.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

bool KnownFormat(int32_t format)
{
    return format >= FormatMp3 && format <= FormatM4r;
}

// Frame of a time in the document, or -1 when it is not a frame of it.
int32_t FrameAt(const CRMWave& wave, double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return -1;
    const double frame = std::round(seconds * wave.m_nSamplesPerSec);
    return frame > wave.m_nLength ? -1 : static_cast<int32_t>(frame);
}

// Copies frames [begin, end) of `source` into the empty `target`.
bool CopyRange(CRMWave& source, int32_t begin, int32_t end, CRMWave& target)
{
    std::vector<uint8_t> block(CRMWave::kBlockSize);
    int64_t at = source.FramesToBytes(begin);
    const int64_t stop = source.FramesToBytes(end);
    target.SeekToStart();
    while (at < stop) {
        const auto want = static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(block.size()), stop - at));
        const std::size_t got = source.ReadAt(at, block.data(), want);
        if (got != want || !target.WriteData(block.data(), got))
            return false;
        at += static_cast<int64_t>(got);
        PumpMessages();
    }
    return target.UpdateLength() == end - begin;
}

void Fade(CRMWave& wave, CWaveEffects& effects, int32_t begin, int32_t end, bool in, FadeCurve curve)
{
    if (end <= begin)
        return;
    wave.m_nSelBegin = begin;
    wave.m_nSelEnd = end;
    if (in)
        effects.FadeIn(curve);
    else
        effects.FadeOut(curve);
}

}  // namespace

RingtoneResult MakeRingtone(CRMWave& document, const CSoundFile& settings, const RingtoneRequest& request)
{
    RingtoneResult result;
    int32_t begin = FrameAt(document, request.begin);
    int32_t end = FrameAt(document, request.end);
    const bool fadesValid = std::isfinite(request.fadeIn) && std::isfinite(request.fadeOut) && request.fadeIn >= 0 &&
                            request.fadeOut >= 0;
    if (!IsFadeCurve(request.fadeCurve))
        return result;
    if (begin < 0 || end < 0 || !KnownFormat(request.format) || !fadesValid || request.fileName.empty() ||
        !std::isfinite(request.targetLufs) || !std::isfinite(request.truePeakDb))
        return result;
    if (request.snapToZero) {
        begin = SnapToZeroCrossing(document, begin);
        end = SnapToZeroCrossing(document, end);
    }
    if (end <= begin)
        return result;
    // Times arrive as 32-bit floats from hosts that check the limit in whole
    // milliseconds: 0.1 to 40.1 may come out a hair over 40 s here.
    constexpr double kLimitSlackSeconds = 0.001;
    if (request.format == FormatM4r &&
        document.FramesToSeconds(end - begin) > kLongestM4rSeconds + kLimitSlackSeconds)
        return result;

    CRMWave scratch;
    if (!scratch.CreateNew(document.m_nChannels, document.m_nSamplesPerSec, document.m_nBitsPerSample) ||
        !CopyRange(document, begin, end, scratch))
        return result;

    const int32_t length = scratch.m_nLength;
    CWaveEffects effects(&scratch);
    const auto curve = static_cast<FadeCurve>(request.fadeCurve);
    Fade(scratch, effects, 0, std::min(length, scratch.SecondsToFrames(static_cast<float>(request.fadeIn))), true,
         curve);
    Fade(scratch, effects, std::max(0, length - scratch.SecondsToFrames(static_cast<float>(request.fadeOut))), length,
         false, curve);
    // A range too short or too quiet to measure is written as it is.
    if (request.targetLufs != 0 &&
        NormalizeLoudness(scratch, 0, length, request.targetLufs, request.truePeakDb) == NormalizeResult::Failed)
        return result;

    CSoundFile writer;
    writer.m_pWave = &scratch;
    writer.m_nBitRate = settings.m_nBitRate;
    writer.m_wWavFormat = settings.m_wWavFormat;
    writer.m_bOggLoop = settings.m_bOggLoop;
    writer.m_strFileName = request.fileName;
    writer.m_nFormat = request.format;
    result.written = writer.SaveFile();
    result.path = writer.m_strFileName;
    return result;
}
