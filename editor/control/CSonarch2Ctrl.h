#pragma once
// The editor as a host sees it: a widget that owns one document, its view,
// the file-format manager, the player and the effects processor, and offers
// them through its automation interface (properties and methods by DISPID,
// four events). Every method runs on the host's thread; long ones keep the
// host alive with a message-pump step between blocks.

#include "ControlParts.h"
#include "Dispatch.h"

#include "wave/ControlEvents.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class CSonarch2Ctrl : public QWidget, public IControlEvents {
    Q_OBJECT
    Q_PROPERTY(int BitsPerSample READ GetBitsPerSample WRITE SetBitsPerSample)
    Q_PROPERTY(int Channels READ GetChannels WRITE SetChannels)
    Q_PROPERTY(int SamplesPerSec READ GetSamplesPerSec WRITE SetSamplesPerSec)
    Q_PROPERTY(float PanFactor READ GetPanFactor WRITE SetPanFactor)
    Q_PROPERTY(float ZoomFactor READ GetZoomFactor WRITE SetZoomFactor)
    Q_PROPERTY(int WaveLength READ GetWaveLength)
    Q_PROPERTY(int Top READ GetTop WRITE SetTop)
    Q_PROPERTY(int Left READ GetLeft WRITE SetLeft)
    Q_PROPERTY(int Width READ GetWidth WRITE SetWidth)
    Q_PROPERTY(int Height READ GetHeight WRITE SetHeight)
    Q_PROPERTY(float Zoom READ GetZoom WRITE SetZoom)
    Q_PROPERTY(int CursorPos READ GetCursorPos)
    Q_PROPERTY(uint BackColor READ GetBackColor WRITE SetBackColor)
    Q_PROPERTY(uint WaveColor READ GetWaveColor WRITE SetWaveColor)
    Q_PROPERTY(uint CursorColor READ GetCursorColor WRITE SetCursorColor)
    Q_PROPERTY(int SelectBegin READ GetSelectBegin)
    Q_PROPERTY(int SelectEnd READ GetSelectEnd)
    Q_PROPERTY(int ViewBegin READ GetViewBegin)
    Q_PROPERTY(int ViewEnd READ GetViewEnd)
    Q_PROPERTY(int PlayerStatus READ GetPlayerStatus)
    Q_PROPERTY(bool PlayLoop READ GetPlayLoop WRITE SetPlayLoop)
    Q_PROPERTY(int BitRate READ GetBitRate WRITE SetBitRate)
    Q_PROPERTY(QString FileName READ GetFileName WRITE SetFileName)
    Q_PROPERTY(int Format READ GetFormat)
    Q_PROPERTY(int WAVFormat READ GetWAVFormat WRITE SetWAVFormat)
    Q_PROPERTY(float PlayTime READ GetPlayTime)
    Q_PROPERTY(float RecordTime READ GetRecordTime)

public:
    explicit CSonarch2Ctrl(QWidget* parent = nullptr);
    ~CSonarch2Ctrl() override;

    sonarch2::CDispatch* Dispatch() { return &m_dispatch; }
    bool IsBusy() const { return m_player.GetStatus() != CWavePlayer::PlayerIdle; }
    bool IsModified() const { return m_bModified; }

    // --- Methods -------------------------------------------------------------
    Q_INVOKABLE int Close();
    Q_INVOKABLE int Continue();
    Q_INVOKABLE int Load(const QString& sFileName, int lFormat);
    Q_INVOKABLE int Play();
    Q_INVOKABLE int Pause();
    Q_INVOKABLE int Stop();
    Q_INVOKABLE int Record(float fMaxTime);
    Q_INVOKABLE int Save();
    Q_INVOKABLE int SaveAs(const QString& sFileName, int lFormat);
    Q_INVOKABLE void PanLeft();
    Q_INVOKABLE void PanRight();
    Q_INVOKABLE void ZoomIn();
    Q_INVOKABLE void ZoomOut();
    Q_INVOKABLE int Delete();
    Q_INVOKABLE int Cut();
    Q_INVOKABLE int Copy();
    Q_INVOKABLE int Paste();
    Q_INVOKABLE void Undo();
    Q_INVOKABLE float SamplesToTime(int lSample);
    Q_INVOKABLE int TimeToSample(float fTime);
    Q_INVOKABLE void SelectAll();
    Q_INVOKABLE void DeSelect();
    Q_INVOKABLE void ScrollTo(int lPos);
    Q_INVOKABLE float DoFade(float FadeStart, float FadeEnd, int nPercent);
    Q_INVOKABLE int FxAmplify(float fGain);
    Q_INVOKABLE int FxFadeIn();
    Q_INVOKABLE int FxFadeOut();
    Q_INVOKABLE int FxInsertSilence(float fTime);
    Q_INVOKABLE int FxInvert();
    Q_INVOKABLE int FxLowPassFilter(float fFCut);
    Q_INVOKABLE int FxHighPassFilter(float fFCut);
    Q_INVOKABLE int FxSilence();
    Q_INVOKABLE int FxEcho(float fDelay, float fDecay);
    Q_INVOKABLE int FxReverse();
    Q_INVOKABLE int FxBandPassFilter(float fFLow, float fFHigh);
    Q_INVOKABLE int FxBandStopFilter(float fFLow, float fFHigh);
    Q_INVOKABLE int FxBassBoost(float fFrecuency, float fGain);
    Q_INVOKABLE int FxNoiseRemoval(bool bGetProfile, bool bLevel);
    Q_INVOKABLE int ManualSelect(double selectstart, double SelectEnd);
    Q_INVOKABLE int NewFile(int lChannels, int lSamplesPerSec, int lBitsPerSample);
    Q_INVOKABLE void AboutBox();

    // --- Properties ----------------------------------------------------------
    int GetBitsPerSample() const { return m_wave.m_nBitsPerSample; }
    void SetBitsPerSample(int bits);
    int GetChannels() const { return m_wave.m_nChannels; }
    void SetChannels(int channels);
    int GetSamplesPerSec() const { return m_wave.m_nSamplesPerSec; }
    void SetSamplesPerSec(int rate);
    float GetPanFactor() const { return m_fPanFactor; }
    void SetPanFactor(float factor);
    float GetZoomFactor() const { return m_fZoomFactor; }
    void SetZoomFactor(float factor);
    int GetWaveLength() const { return m_wave.m_nLength; }
    int GetTop() const { return m_view.GetTop(); }
    void SetTop(int top);
    int GetLeft() const { return m_view.GetLeft(); }
    void SetLeft(int left);
    int GetWidth() const { return m_view.GetWidth(); }
    void SetWidth(int width);
    int GetHeight() const { return m_view.GetHeight(); }
    void SetHeight(int height);
    float GetZoom() const { return m_view.GetZoom(); }
    void SetZoom(float zoom);
    int GetCursorPos() const { return m_wave.m_nCursor; }
    uint GetBackColor() const { return m_view.GetBackColor(); }
    void SetBackColor(uint colour);
    uint GetWaveColor() const { return m_view.GetWaveColor(); }
    void SetWaveColor(uint colour);
    uint GetCursorColor() const { return m_view.GetCursorColor(); }
    void SetCursorColor(uint colour);
    int GetSelectBegin() const { return m_wave.m_nSelBegin; }
    int GetSelectEnd() const { return m_wave.m_nSelEnd; }
    int GetViewBegin() const { return m_wave.m_nViewBegin; }
    int GetViewEnd() const { return m_wave.m_nViewEnd; }
    int GetPlayerStatus() const { return m_player.GetStatus(); }
    bool GetPlayLoop() const { return m_player.m_bLoop; }
    void SetPlayLoop(bool loop);
    int GetBitRate() const { return m_soundFile.m_nBitRate; }
    void SetBitRate(int bitRate);
    QString GetFileName() const { return QString::fromLocal8Bit(m_soundFile.m_strFileName.c_str()); }
    void SetFileName(const QString& name);
    int GetFormat() const { return static_cast<int16_t>(m_soundFile.m_nFormat); }
    int GetWAVFormat() const { return m_soundFile.m_wWavFormat; }
    void SetWAVFormat(int tag);
    float GetPlayTime() const { return m_player.PlayTime(); }
    float GetRecordTime() const { return m_player.RecordTime(); }

    // --- Events of the core, turned into the control's events ------------------
    void FireProgress(float percent) override;
    void FireChangeView() override;
    void FireChangePlayer() override;
    void FireChangeMouse(int32_t sample) override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void PumpMessages() override;

    // The parts, for tests and the host's diagnostics.
    CRMWave& Wave() { return m_wave; }
    CWaveView& View() { return m_view; }
    CWavePlayer& Player() { return m_player; }

signals:
    void ChangeMouse(int lSample);
    void ChangePlayer();
    void ChangeView();
    void Progress(float fPercent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Held by every call that reaches the parts: keeps them alive while the
    // call runs, and tells whether the control still exists after a step
    // that ran host code (an event, a message step).
    struct CallGuard {
        explicit CallGuard(CSonarch2Ctrl* control) : parts(control->m_parts), self(control) {}
        bool ControlGone() const { return self.isNull(); }
        const std::shared_ptr<CControlParts> parts;
        const QPointer<CSonarch2Ctrl> self;
    };

    int RunEffect(int32_t kind, float arg1 = 0.0f, float arg2 = 0.0f);
    void SetFormatMember(int32_t& member, int value);
    void SetModifiedFlag() { m_bModified = true; }

    // The parts, shared with every call that runs on them (ControlParts.h);
    // the references below name them.
    std::shared_ptr<CControlParts> m_parts;
    CSoundFile& m_soundFile;
    CRMWave& m_wave;
    CWaveView& m_view;
    CWavePlayer& m_player;
    CWaveEffects& m_effects;
    float m_fPanFactor = 5000.0f;
    float m_fZoomFactor = 2.0f;
    bool m_bDragging = false;
    bool m_bMouseDown = false;
    bool m_bInitialized = false;
    bool m_bModified = false;

    sonarch2::CDispatch m_dispatch;
};
