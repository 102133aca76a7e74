// Amplify, fade in, fade out, invert and insert silence: sample rules run
// through the shared block loop.
#include "BlockLoop.h"
#include "CWaveEffects.h"

#include "wave/CRMWave.h"

#include <algorithm>
#include <limits>

namespace {

// Applies `rule(x, frameInSelection)` to every sample, channel by channel.
template <typename Rule>
void ForEachSample(uint8_t* block, const SampleFormat& format, int frames, int32_t framesBefore,
                   Rule rule)
{
    for (int c = 0; c < format.channels; ++c)
        for (int j = 0; j < frames; ++j)
            WriteSample(block, format, c, j,
                        rule(ReadSample(block, format, c, j), int64_t{framesBefore} + j));
}

}  // namespace

void CWaveEffects::Amplify(float gain)
{
    const SampleFormat format = Format();
    ProcessSelectionBlocks(*m_pWave, m_buffer.data(), m_buffer.size(),
                           [&](uint8_t* block, int frames, int32_t before) {
                               ForEachSample(block, format, frames, before,
                                             [gain](float x, int64_t) { return x * gain; });
                           });
}

void CWaveEffects::FadeIn()
{
    const SampleFormat format = Format();
    const float inverse = 1.0f / static_cast<float>(SelectionFrames());
    ProcessSelectionBlocks(*m_pWave, m_buffer.data(), m_buffer.size(),
                           [&](uint8_t* block, int frames, int32_t before) {
                               ForEachSample(block, format, frames, before,
                                             [inverse](float x, int64_t f) {
                                                 return x * static_cast<float>(f) * inverse;
                                             });
                           });
}

void CWaveEffects::FadeOut()
{
    const SampleFormat format = Format();
    const int64_t total = SelectionFrames();
    const float inverse = 1.0f / static_cast<float>(total);
    ProcessSelectionBlocks(*m_pWave, m_buffer.data(), m_buffer.size(),
                           [&](uint8_t* block, int frames, int32_t before) {
                               ForEachSample(block, format, frames, before,
                                             [inverse, total](float x, int64_t f) {
                                                 return x * static_cast<float>(total - f) * inverse;
                                             });
                           });
}

void CWaveEffects::Invert()
{
    const SampleFormat format = Format();
    ProcessSelectionBlocks(*m_pWave, m_buffer.data(), m_buffer.size(),
                           [&](uint8_t* block, int frames, int32_t before) {
                               ForEachSample(block, format, frames, before,
                                             [](float x, int64_t) { return -x; });
                           });
}

bool CWaveEffects::InsertSilence(float seconds)
{
    CRMWave& wave = *m_pWave;
    const int32_t frames = wave.SecondsToFrames(seconds);
    const int64_t bytes = wave.FramesToBytes(frames);
    // Nothing inserted selects nothing, so that the control's undo record of
    // the "inserted range" that follows cannot remove the user's audio.
    const auto refuse = [&wave] {
        wave.m_nSelBegin = wave.m_nSelEnd = wave.m_nCursor;
        return false;
    };
    // A zero or negative length would shrink the file over the tail.
    if (bytes <= 0)
        return refuse();
    // The document counts its frames in 32 bits; an insertion past that would
    // write gigabytes of silence and leave a length out of step with the file.
    if (int64_t{wave.m_nLength} + frames > std::numeric_limits<int32_t>::max())
        return refuse();
    // A cursor left past the end by a deletion inserts at the end, as Paste does.
    const int32_t at = std::clamp(wave.m_nCursor, 0, wave.m_nLength);
    if (!wave.OpenGap(wave.FramesToBytes(at), bytes))
        return refuse();
    wave.UpdateLength();
    wave.m_nSelBegin = at;
    wave.m_nSelEnd = at + wave.BytesToFrames(bytes);
    Amplify(0.0f);
    return true;
}
