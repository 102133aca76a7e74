// Members that create, load, save and close the document.

#include "ControlCall.h"
#include "ControlMembers.h"

namespace members {

int Load(CControlCall& call, QString sFileName, int lFormat)
{
    CControlParts& p = call.Parts();
    p.m_player.Stop();
    p.m_soundFile.ResetSettings();
    if (!p.m_wave.CreateNew(p.m_wave.m_nChannels, p.m_wave.m_nSamplesPerSec, p.m_wave.m_nBitsPerSample))
        return 0;
    p.m_view.ResetView();
    const int result = p.m_soundFile.LoadFile(sFileName.toLocal8Bit().toStdString(), lFormat);
    // One thirty-sixth of the length, computed in double as the constant is.
    p.m_fPanFactor = static_cast<float>(p.m_wave.m_nLength * 0.027777778);
    p.m_view.ResetView();
    static_cast<void>(call.FireChangeView());
    return result;
}

int NewFile(CControlCall& call, int lChannels, int lSamplesPerSec, int lBitsPerSample)
{
    CControlParts& p = call.Parts();
    p.m_soundFile.ResetSettings();
    const bool created = p.m_wave.CreateNew(lChannels, lSamplesPerSec, lBitsPerSample);
    p.m_view.ResetView();
    return created ? 1 : 0;
}

int Close(CControlCall& call)
{
    CControlParts& p = call.Parts();
    p.m_soundFile.ResetSettings();
    p.m_player.Stop();
    p.m_wave.Reset();
    p.m_view.Repaint();
    return 1;
}

int SaveAs(CControlCall& call, QString sFileName, int lFormat)
{
    call.Parts().m_soundFile.SaveFileAs(sFileName.toLocal8Bit().toStdString(), lFormat);
    // The writer's result is not reported here; FileName names what was written.
    return 1;
}

}  // namespace members
