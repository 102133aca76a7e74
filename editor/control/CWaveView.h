#pragma once
// The control's picture of the document. The view keeps the frames in view in
// step with the zoom level, samples the document into two arrays of 4096
// points (one sample per point, no min/max), paints background, channel
// frames, waveform, selection, play cursor and cursor into a QImage back
// buffer and turns pixel columns from the mouse into frames.
//
// The view range, selection and cursor live in the document (m_nViewBegin,
// m_nViewEnd, m_nSelBegin, m_nSelEnd, m_nCursor); the view writes them
// directly and keeps the matching pixel columns and the scale factors.
//
// Window and drawing. The view draws only into its back buffer. The control's
// paint handler calls Resize when the bounds changed and then Paint (or
// PaintTo), which renders the back buffer afresh and copies it to the widget.
// What the view draws "on the window" outside a paint (drag feedback, play
// cursor moves, Repaint) goes into the back buffer, followed by an update()
// of the control widget; the back buffer therefore always holds what the
// window shows.
//
// Colours are COLORREF values, 0x00BBGGRR.

#include "WaveViewRect.h"
#include "devices/PlayerView.h"

#include <QBrush>
#include <QImage>
#include <QPen>
#include <QPoint>

#include <array>
#include <cstdint>

class CRMWave;
class IWaveViewPlayer;
class QPainter;
class QRect;
class QWidget;

class CWaveView : public IPlayerView {
public:
    static constexpr int32_t kPoints = 4096;  // points per channel
    static constexpr int32_t kMaxChannels = 2;  // channels drawn

    CWaveView();
    ~CWaveView() override;
    CWaveView(const CWaveView&) = delete;
    CWaveView& operator=(const CWaveView&) = delete;

    // --- Wiring, done by the control --------------------------------------
    void SetControl(QWidget* control) { m_pCtrl = control; }
    void SetWave(CRMWave* wave) { m_pWave = wave; }
    // Without a player the view sees an idle player at position 0.
    void SetPlayer(const IWaveViewPlayer* player) { m_pPlayer = player; }

    // --- Drawing -------------------------------------------------------------
    // Renders the back buffer for `bounds` and copies its right x bottom
    // pixels to `dc` at (0, 0). Nothing before the first Resize.
    void Paint(QPainter& dc, const QRect& bounds, const QRect& invalid);
    // Paint with the bounds of the last Resize; for the control's paintEvent.
    void PaintTo(QPainter& dc);
    // Renders the back buffer and asks the control widget to repaint.
    // Nothing without a control.
    void Repaint() override;
    // New bounds and back buffer, then Step, Scale, Points and ChangeView.
    // The cursor and selection columns are not recomputed here.
    void Resize(const QRect& bounds);
    bool BoundsChanged(const QRect& bounds) const;

    // --- View range ------------------------------------------------------------
    // Zoom 1.0, cursor at the view start, recompute, repaint, ChangeView.
    void ResetView() override;
    // Recompute after an edit, repaint, ChangeView.
    void Refresh();
    // Refresh after an edit or Undo; a document that has frames again under
    // an empty view range is shown whole, at zoom 1, as after a load.
    void RefreshAfterEdit();
    // Zooms around the selection centre, or the cursor. Zooming in is refused
    // once the view is wider in pixels than twice its length in frames.
    void SetZoom(float zoom);
    float GetZoom() const { return m_fZoom; }
    void PanLeft(int32_t frames);
    void PanRight(int32_t frames);
    // Centres the view range on a frame; nothing outside 0 .. length.
    void ScrollTo(int32_t frame);

    // --- Cursor and selection ------------------------------------------------
    // Puts the document cursor under pixel x, when that lies in the view.
    void SetCursorFromX(int32_t x);
    void ClearSelectionMarks();
    // A drag starts at the cursor column.
    void BeginSelection();
    // Feedback of the drag in progress; the document is not touched.
    void TrackSelection(int32_t x);
    // The dragged pixel range becomes the document's selection and the
    // cursor moves to its start.
    void EndSelection(int32_t x);
    // When set, a selection's ends move to the nearest zero crossing.
    void SetSnapToZero(bool snap) { m_bSnapToZero = snap; }
    bool SnapToZero() const { return m_bSnapToZero; }
    // The frame under pixel x; 0 for an empty document.
    int32_t XToFrame(int32_t x) const;
    // Moves the play cursor to the player's position (shown only while
    // playing or paused).
    void UpdatePlayCursor() override;

    // --- Position properties -------------------------------------------------
    // Top and left are the control window's offset in the client area of its
    // top-level window; width and height are those of the last Resize.
    int32_t GetTop() const;
    int32_t GetLeft() const;
    int32_t GetWidth() const { return m_rcBounds.Width(); }
    int32_t GetHeight() const { return m_rcBounds.Height(); }
    void SetTop(int32_t top);
    void SetLeft(int32_t left);
    void SetWidth(int32_t width);
    void SetHeight(int32_t height);

    // --- Colour properties (COLORREF); the setters do not repaint ---------
    uint32_t GetBackColor() const;
    uint32_t GetWaveColor() const;
    uint32_t GetCursorColor() const;
    void SetBackColor(uint32_t colour);
    void SetWaveColor(uint32_t colour);
    void SetCursorColor(uint32_t colour);

    // --- State --------------------------------------------------------------
    int32_t GetCursorX() const { return m_nCursorX; }
    // Places the cursor column without touching the document; DoFade anchors
    // its selection this way before BeginSelection.
    void SetCursorX(int32_t x) { m_nCursorX = x; }
    int32_t GetPlayX() const { return m_nPlayX; }
    int32_t GetSelX1() const { return m_nSelX1; }
    int32_t GetSelX2() const { return m_nSelX2; }
    const WaveViewRect& GetBounds() const { return m_rcBounds; }
    const WaveViewRect& GetDragRect() const { return m_rcDrag; }
    int32_t GetPointCount() const { return m_nPoints; }
    float GetFramesPerPoint() const { return m_fFramesPerPoint; }
    float GetLevelScale() const { return m_fLevelScale; }
    float GetPixelsPerPoint() const { return m_fPixelsPerPoint; }
    float GetPointsPerFrame() const { return m_fPointsPerFrame; }
    // Point j of a channel (0 or 1), before the drawing offsets.
    QPoint GetWavePoint(int channel, int j) const { return m_ptWave[channel][j]; }
    const QImage& GetBackBuffer() const { return m_bmBack; }

private:
    // The three scale steps.
    void Step();
    void Scale();
    void Points();
    // m_nCursorX, m_nPlayX, m_nSelX1 and m_nSelX2 from the document's frames.
    void UpdatePixels();
    // The zoom placement shared by SetZoom and ResetView.
    void PlaceZoom(float zoom);
    // Moves the view range of the current length to start at `begin`, kept
    // inside the document, and redraws.
    void MoveView(int64_t begin);
    void FireChangeView() const;

    int32_t FrameToX(int64_t frameOffset) const;
    int32_t DocumentLength() const;
    int32_t DrawnChannels() const;
    bool PlayCursorShown() const;

    // Painting (WaveViewPaint.cpp).
    void Render(const WaveViewRect& bounds);
    void DrawFramesAndWave(QPainter& p, const WaveViewRect& bounds) const;
    // The column spans used by the play cursor and the cursor: one for a
    // mono document, two for stereo. Returns how many were written.
    int CursorSpans(const WaveViewRect& bounds, int32_t spans[2][2]) const;
    void InvertPlayCursor(QPainter& p, const WaveViewRect& bounds, int32_t x) const;
    void DrawCursor(QPainter& p, const WaveViewRect& bounds) const;
    static void Invert(QPainter& p, const WaveViewRect& r);
    void UpdateWindow() const;

    void MoveWindowTo(int32_t left, int32_t top, int32_t width, int32_t height);
    int32_t WindowWidth() const;
    int32_t WindowHeight() const;

    int32_t m_nPlayX = 0;
    int32_t m_nCursorX = 0;
    QWidget* m_pCtrl = nullptr;
    WaveViewRect m_rcBounds;
    CRMWave* m_pWave = nullptr;
    const IWaveViewPlayer* m_pPlayer = nullptr;
    float m_fZoom = 1.0f;
    int32_t m_nSelX1 = 0;
    int32_t m_nSelX2 = 0;
    WaveViewRect m_rcDrag;
    bool m_bTracking = false;  // a drag's feedback is on screen
    bool m_bSnapToZero = false;
    bool m_bPlayDrawn = false;  // the back buffer shows a play cursor ...
    int32_t m_nPlayDrawnX = 0;  // ... in this column
    QPen m_penFrame;
    QPen m_penCursor;
    QPen m_penWave;
    QBrush m_brBack;
    QImage m_bmBack;
    int32_t m_nPoints = 0;
    float m_fFramesPerPoint = 1.0f;
    float m_fLevelScale = 0.0f;
    float m_fPixelsPerPoint = 0.0f;
    float m_fPointsPerFrame = 0.0f;
    std::array<std::array<QPoint, kPoints>, kMaxChannels> m_ptWave{};

    // The levels last read for the points, and what they were read from:
    // while neither the document's samples nor the frames sampled change,
    // redrawing reads nothing again.
    struct LevelSource {
        const CRMWave* wave = nullptr;
        uint64_t changes = 0;
        int32_t viewBegin = 0;
        float framesPerPoint = 0.0f;
        int32_t count = 0;
        int32_t channels = 0;
        int32_t documentChannels = 0;
        int32_t bitsPerSample = 0;
        bool operator==(const LevelSource&) const = default;
    };
    LevelSource m_levelSource;
    std::array<std::array<uint16_t, kMaxChannels>, kPoints> m_levels{};
};
