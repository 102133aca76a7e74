// Insert silence: opens a gap at the cursor, selects it and silences it.
#include "CWaveEffects.h"

#include "wave/CRMWave.h"

#include <algorithm>
#include <limits>

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
    // A zero or negative length would shrink the file over the tail; a width
    // without a sample rule has no silence to write.
    if (bytes <= 0 || !Format().IsSupported())
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
