// The getters and setters of the control's properties. Every accepted write
// marks the control modified.

#include "ControlCall.h"
#include "ControlMembers.h"

namespace members {
namespace {

// The format of a document is the file's, except for raw data, whose format
// only the host knows.
void SetFormatMember(CControlCall& call, int32_t& member, int value)
{
    if (call.Parts().m_soundFile.m_nFormat == FormatRaw)
        member = value;
    call.SetModified();
}

}  // namespace

int GetBitsPerSample(CControlCall& call) { return call.Parts().m_wave.m_nBitsPerSample; }
int GetChannels(CControlCall& call) { return call.Parts().m_wave.m_nChannels; }
int GetSamplesPerSec(CControlCall& call) { return call.Parts().m_wave.m_nSamplesPerSec; }
void SetBitsPerSample(CControlCall& call, int bits) { SetFormatMember(call, call.Parts().m_wave.m_nBitsPerSample, bits); }
void SetChannels(CControlCall& call, int channels) { SetFormatMember(call, call.Parts().m_wave.m_nChannels, channels); }
void SetSamplesPerSec(CControlCall& call, int rate) { SetFormatMember(call, call.Parts().m_wave.m_nSamplesPerSec, rate); }

float GetPanFactor(CControlCall& call) { return call.Parts().m_fPanFactor; }
float GetZoomFactor(CControlCall& call) { return call.Parts().m_fZoomFactor; }
void SetPanFactor(CControlCall& call, float factor) { call.Parts().m_fPanFactor = factor; call.SetModified(); }
void SetZoomFactor(CControlCall& call, float factor) { call.Parts().m_fZoomFactor = factor; call.SetModified(); }

int GetWaveLength(CControlCall& call) { return call.Parts().m_wave.m_nLength; }
int GetCursorPos(CControlCall& call) { return call.Parts().m_wave.m_nCursor; }
int GetSelectBegin(CControlCall& call) { return call.Parts().m_wave.m_nSelBegin; }
int GetSelectEnd(CControlCall& call) { return call.Parts().m_wave.m_nSelEnd; }
int GetViewBegin(CControlCall& call) { return call.Parts().m_wave.m_nViewBegin; }
int GetViewEnd(CControlCall& call) { return call.Parts().m_wave.m_nViewEnd; }

int GetTop(CControlCall& call) { return call.Parts().m_view.GetTop(); }
int GetLeft(CControlCall& call) { return call.Parts().m_view.GetLeft(); }
int GetWidth(CControlCall& call) { return call.Parts().m_view.GetWidth(); }
int GetHeight(CControlCall& call) { return call.Parts().m_view.GetHeight(); }
void SetTop(CControlCall& call, int top) { call.Parts().m_view.SetTop(top); call.SetModified(); }
void SetLeft(CControlCall& call, int left) { call.Parts().m_view.SetLeft(left); call.SetModified(); }
void SetWidth(CControlCall& call, int width) { call.Parts().m_view.SetWidth(width); call.SetModified(); }
void SetHeight(CControlCall& call, int height) { call.Parts().m_view.SetHeight(height); call.SetModified(); }

float GetZoom(CControlCall& call) { return call.Parts().m_view.GetZoom(); }
void SetZoom(CControlCall& call, float zoom) { call.Parts().m_view.SetZoom(zoom); call.SetModified(); }

uint32_t GetBackColor(CControlCall& call) { return call.Parts().m_view.GetBackColor(); }
uint32_t GetWaveColor(CControlCall& call) { return call.Parts().m_view.GetWaveColor(); }
uint32_t GetCursorColor(CControlCall& call) { return call.Parts().m_view.GetCursorColor(); }
void SetBackColor(CControlCall& call, uint32_t colour) { call.Parts().m_view.SetBackColor(colour); call.SetModified(); }
void SetWaveColor(CControlCall& call, uint32_t colour) { call.Parts().m_view.SetWaveColor(colour); call.SetModified(); }
void SetCursorColor(CControlCall& call, uint32_t colour) { call.Parts().m_view.SetCursorColor(colour); call.SetModified(); }

int GetPlayerStatus(CControlCall& call) { return call.Parts().m_player.GetStatus(); }
bool GetPlayLoop(CControlCall& call) { return call.Parts().m_player.m_bLoop; }
void SetPlayLoop(CControlCall& call, bool loop) { call.Parts().m_player.m_bLoop = loop; call.SetModified(); }
float GetPlayTime(CControlCall& call) { return call.Parts().m_player.PlayTime(); }
float GetRecordTime(CControlCall& call) { return call.Parts().m_player.RecordTime(); }

int GetBitRate(CControlCall& call) { return call.Parts().m_soundFile.m_nBitRate; }
void SetBitRate(CControlCall& call, int bitRate) { call.Parts().m_soundFile.m_nBitRate = bitRate; call.SetModified(); }
int GetFormat(CControlCall& call) { return static_cast<int16_t>(call.Parts().m_soundFile.m_nFormat); }
int GetWAVFormat(CControlCall& call) { return call.Parts().m_soundFile.m_wWavFormat; }

void SetWAVFormat(CControlCall& call, int tag)
{
    call.Parts().m_soundFile.m_wWavFormat = static_cast<uint16_t>(tag & 0xFFFF);
    call.SetModified();
}

QString GetFileName(CControlCall& call)
{
    return QString::fromLocal8Bit(call.Parts().m_soundFile.m_strFileName.c_str());
}

void SetFileName(CControlCall& call, QString name)
{
    call.Parts().m_soundFile.m_strFileName = name.toLocal8Bit().toStdString();
    call.SetModified();
}

}  // namespace members
