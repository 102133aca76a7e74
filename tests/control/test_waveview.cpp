// The view's arithmetic: scale factors, sampled points, zoom, pan, scroll,
// cursor placement and the mapping of dragged pixels to frames.

#include "waveview_fixture.h"

#include <QtTest>

#include <array>
#include <cstdlib>
#include <functional>
#include <vector>

class TestWaveView : public QObject {
    Q_OBJECT

private slots:
    void freshView();
    void scaleOf400x200Stereo();
    void pointsOf400x200Stereo();
    void pointsFollowEveryChangeOfTheSamples();
    void monoScales();
    void zeroHeightGivesZeroLevelScale();
    void wideDocumentsDrawTwoChannels();
    void resizeRecomputesAndFiresChangeView();
    void zoomBelowOneIsOne();
    void zoomInRefusedAtTwoPixelsPerFrame();
    void zoomInAroundCursor();
    void zoomAroundSelectionCentreKeepsBeginAtEnd();
    void panLeftAtZeroDoesNothing();
    void panMovesAndClamps();
    void panByNegativeAmountStaysInside();
    void scrollTo();
    void resetViewShowsWholeDocument();
    void refreshFollowsNewLength();
    void xToFrame();
    void setCursorFromX();
    void dragFrom300To100();
    void dragPastLastFrameStaysInView();
    void dragOnEmptyDocumentChangesNothing();
    void playCursorPosition();
    void farCursorSaturates();
    void colourProperties();
    void positionProperties();
};

void TestWaveView::freshView()
{
    CWaveView view;
    QCOMPARE(view.GetZoom(), 1.0f);
    QCOMPARE(view.GetPointCount(), 0);
    QCOMPARE(view.GetFramesPerPoint(), 1.0f);
    QCOMPARE(view.GetLevelScale(), 0.0f);
    QCOMPARE(view.GetPixelsPerPoint(), 0.0f);
    QCOMPARE(view.GetPointsPerFrame(), 0.0f);
    QCOMPARE(view.GetCursorX(), 0);
    QCOMPARE(view.GetWavePoint(1, 4095), QPoint(0, 0));
    QVERIFY(view.GetBackBuffer().isNull());
    QCOMPARE(view.GetBackColor(), 0x969696u);    // RGB(150,150,150)
    QCOMPARE(view.GetWaveColor(), 0xC80000u);    // RGB(0,0,200)
    QCOMPARE(view.GetCursorColor(), 0x0000FFu);  // RGB(255,0,0)
    // No control, no document: nothing to move, nothing to map.
    QCOMPARE(view.GetTop(), 0);
    QCOMPARE(view.GetLeft(), 0);
    QCOMPARE(view.XToFrame(100), 0);
    view.SetZoom(4.0f);
    view.PanLeft(10);
    view.ScrollTo(5);
    view.ResetView();
    QCOMPARE(view.GetZoom(), 1.0f);
}

void TestWaveView::scaleOf400x200Stereo()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    QVERIFY(rig.wave);
    QCOMPARE(rig.wave->m_nViewBegin, 0);
    QCOMPARE(rig.wave->m_nViewEnd, 44100);
    QCOMPARE(rig.view.GetPointCount(), 4096);
    QCOMPARE(rig.view.GetFramesPerPoint(), 10.7666015625f);
    QCOMPARE(rig.view.GetPixelsPerPoint(), 0.09716796875f);  // 398 / 4096
    QCOMPARE(rig.view.GetPointsPerFrame(), 4096.0f / 44100.0f);
    QVERIFY(std::abs(rig.view.GetPointsPerFrame() - 0.0928798f) < 1e-7f);
    QCOMPARE(rig.view.GetLevelScale(), 0.00146484375f);  // 192 / 65536 / 2
    QCOMPARE(rig.view.GetWidth(), 400);
    QCOMPARE(rig.view.GetHeight(), 200);
}

void TestWaveView::pointsOf400x200Stereo()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    QVERIFY(rig.wave);
    int lastX = -1;
    for (int j = 0; j < 4096; ++j) {
        const int frame = static_cast<int>(static_cast<float>(j) * 10.7666015625f);
        // The point's frame is the exact j * 44100 / 4096 up to float rounding.
        QVERIFY(std::abs(frame - j * 11025 / 1024) <= 1);

        const QPoint p0 = rig.view.GetWavePoint(0, j);
        const QPoint p1 = rig.view.GetWavePoint(1, j);
        // x is j * 398 / 4096, truncated, give or take the float rounding.
        const int exactX = j * 398 / 4096;
        QVERIFY2(p0.x() == exactX || p0.x() == exactX - 1, qPrintable(QString::number(j)));
        QCOMPARE(p1.x(), p0.x());
        QVERIFY(p0.x() >= lastX);
        lastX = p0.x();

        // Level scale 3/2048 is exact in float, so y = level * 3 / 2048.
        const int level0 = frame % 2 == 0 ? 20000 + 32767 : -20000 + 32767;
        QCOMPARE(p0.y(), level0 * 3 / 2048);
        const int level1 = frame - 22050 + 32767;
        QCOMPARE(p1.y(), level1 * 3 / 2048);
    }
    QCOMPARE(rig.view.GetWavePoint(0, 0).x(), 0);
    QCOMPARE(rig.view.GetWavePoint(0, 4095).x(), 397);
    QCOMPARE(rig.view.GetWavePoint(0, 0).y(), 77);   // frame 0: +20000
    QCOMPARE(rig.view.GetWavePoint(0, 2).y(), 18);   // frame 21: -20000
}

// The levels under the points are kept between redraws; every way the
// samples can change must show at the next Refresh all the same.
void TestWaveView::pointsFollowEveryChangeOfTheSamples()
{
    const auto sample = [](int16_t value) {
        return std::array<uint8_t, 2>{static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF)};
    };
    const auto y = [](int16_t value) { return (value + 32767) * 3 / 2048; };
    struct Change {
        const char* name;
        std::function<void(CRMWave&)> apply;
        int16_t frame0;  // channel 0 of frame 0 afterwards
    };
    const std::vector<Change> changes = {
        {"write in place", [&](CRMWave& w) { QVERIFY(w.WriteAt(0, sample(-300).data(), 2)); }, -300},
        {"write at the position", [&](CRMWave& w) { w.SeekToFrame(0); QVERIFY(w.WriteData(sample(700).data(), 2)); },
         700},
        {"copy into the file",
         [&](CRMWave& w) {
             QTemporaryDir dir;
             CWorkFile source;
             QVERIFY(source.Open(dir.filePath("source").toStdString(), CWorkFile::Mode::CreateReadWrite));
             QVERIFY(source.Write(sample(-9).data(), 2));
             QVERIFY(source.Seek(0));
             w.SeekToFrame(0);
             QCOMPARE(w.WriteDataFrom(source, 2), int64_t{2});
         },
         -9},
    };
    ViewRig rig(OneSecondStereo(), 400, 200);
    QVERIFY(rig.wave);
    QCOMPARE(rig.view.GetWavePoint(0, 0).y(), y(20000));
    for (const Change& change : changes) {
        change.apply(*rig.wave);
        rig.view.Refresh();
        QVERIFY2(rig.view.GetWavePoint(0, 0).y() == y(change.frame0), change.name);
        QCOMPARE(rig.view.GetWavePoint(1, 0).y(), y(-22050));
        // A redraw with nothing changed keeps the same points.
        rig.view.Resize(QRect(0, 0, 400, 200));
        QVERIFY2(rig.view.GetWavePoint(0, 0).y() == y(change.frame0), change.name);
    }
    // A new document in the same object, same view range: its own levels.
    QVERIFY(rig.wave->CreateNew(2, 44100, 16));
    std::vector<uint8_t> frames(44100 * 4, 0);
    QVERIFY(rig.wave->WriteData(frames.data(), frames.size()));
    rig.wave->UpdateLength();
    rig.view.Refresh();
    QCOMPARE(rig.view.GetWavePoint(0, 0).y(), y(0));
}

void TestWaveView::monoScales()
{
    {
        ViewRig rig(MakeWave16(1, 1000, [](int32_t, int32_t) -> int16_t { return 0; }), 300, 130);
        QVERIFY(rig.wave);
        QCOMPARE(rig.view.GetLevelScale(), 128.0f / 65536.0f);  // (130 - 2) / 2^16
        QCOMPARE(rig.view.GetWavePoint(0, 7).y(), 63);           // 32767 * 128 / 65536
    }
    {
        // 8-bit levels are 255 - byte: byte 200 gives 55, byte 10 gives 245.
        ViewRig rig(MakeWave8(1, 5000, [](int32_t, int32_t f) -> uint8_t {
            return f < 2500 ? 200 : 10;
        }),
            400, 258);
        QVERIFY(rig.wave);
        QCOMPARE(rig.view.GetLevelScale(), 1.0f);  // (258 - 2) / 2^8
        QCOMPARE(rig.view.GetWavePoint(0, 0).y(), 55);
        QCOMPARE(rig.view.GetWavePoint(0, 4095).y(), 245);
    }
}

void TestWaveView::zeroHeightGivesZeroLevelScale()
{
    ViewRig rig(OneSecondStereo(), 400, 0);
    QVERIFY(rig.wave);
    QCOMPARE(rig.view.GetLevelScale(), 0.0f);
    QCOMPARE(rig.view.GetWavePoint(0, 100).y(), 0);
    QVERIFY(rig.view.GetBackBuffer().isNull());
}

void TestWaveView::wideDocumentsDrawTwoChannels()
{
    // Four channels: the first two are sampled and scaled as a stereo pair.
    ViewRig rig(MakeWave16(4, 4096, [](int32_t c, int32_t) -> int16_t {
        return static_cast<int16_t>(c * 10000 - 15000);
    }),
        400, 200);
    QVERIFY(rig.wave);
    QCOMPARE(rig.view.GetLevelScale(), 0.00146484375f);
    QCOMPARE(rig.view.GetWavePoint(0, 5).y(), (-15000 + 32767) * 3 / 2048);
    QCOMPARE(rig.view.GetWavePoint(1, 5).y(), (-5000 + 32767) * 3 / 2048);
}

void TestWaveView::resizeRecomputesAndFiresChangeView()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    ScopedEvents events;
    rig.view.Resize(QRect(0, 0, 802, 100));
    QCOMPARE(events.ChangeView(), 1);
    QCOMPARE(rig.view.GetPixelsPerPoint(), 800.0f / 4096.0f);
    QCOMPARE(rig.view.GetLevelScale(), 92.0f / 65536.0f / 2.0f);
    QCOMPARE(rig.view.GetBackBuffer().size(), QSize(802, 100));
    QVERIFY(!rig.view.BoundsChanged(QRect(0, 0, 802, 100)));
    QVERIFY(rig.view.BoundsChanged(QRect(0, 0, 802, 101)));
    QCOMPARE(rig.view.GetWavePoint(0, 4095).x(), 799);
}

void TestWaveView::zoomBelowOneIsOne()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    rig.view.SetZoom(0.5f);
    QCOMPARE(rig.view.GetZoom(), 1.0f);
    QCOMPARE(rig.wave->m_nViewBegin, 0);
    QCOMPARE(rig.wave->m_nViewEnd, 44100);
}

void TestWaveView::zoomInRefusedAtTwoPixelsPerFrame()
{
    ViewRig rig(MakeWave16(2, 300, [](int32_t, int32_t) -> int16_t { return 0; }), 700, 200);
    QVERIFY(rig.wave);
    ScopedEvents events;
    rig.view.SetZoom(2.0f);  // 700 > 2 x 300
    QCOMPARE(rig.view.GetZoom(), 1.0f);
    QCOMPARE(rig.wave->m_nViewEnd, 300);
    QCOMPARE(events.ChangeView(), 0);

    // 600 pixels on 300 frames is allowed once.
    rig.view.Resize(QRect(0, 0, 600, 200));
    rig.view.SetZoom(2.0f);
    QCOMPARE(rig.view.GetZoom(), 2.0f);
    QCOMPARE(rig.wave->m_nViewEnd - rig.wave->m_nViewBegin, 150);
    rig.view.SetZoom(4.0f);  // now 600 > 2 x 150
    QCOMPARE(rig.view.GetZoom(), 2.0f);
    // Zooming out is never refused.
    rig.view.SetZoom(1.0f);
    QCOMPARE(rig.view.GetZoom(), 1.0f);
    QCOMPARE(rig.wave->m_nViewEnd, 300);
}

void TestWaveView::zoomInAroundCursor()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    rig.wave->m_nCursor = 1000;
    ScopedEvents events;
    rig.view.SetZoom(1.0f * 2.0f);
    QCOMPARE(events.ChangeView(), 1);
    QCOMPARE(rig.view.GetZoom(), 2.0f);
    // 1000 - 11025 < 0: the span of 22050 frames starts at 0.
    QCOMPARE(rig.wave->m_nViewBegin, 0);
    QCOMPARE(rig.wave->m_nViewEnd, 22050);
    QCOMPARE(rig.view.GetFramesPerPoint(), 22050.0f / 4096.0f);
    QCOMPARE(rig.view.GetPointsPerFrame(), 4096.0f / 22050.0f);
    // The cursor column follows the new scale: (int)(1000 * 4096/22050 * 398/4096).
    QCOMPARE(rig.view.GetCursorX(), 18);

    // Around a centre far enough in: begin = c - d/2, end = c + d/2.
    rig.wave->m_nCursor = 30000;
    rig.view.SetZoom(4.0f);
    QCOMPARE(rig.wave->m_nViewBegin, 30000 - 5512);
    QCOMPARE(rig.wave->m_nViewEnd, 30000 + 5512);

    // c - d/2 = 0 exactly still places around the centre: with the odd span
    // 11025 that gives 0 .. 11024, not 0 .. 11025.
    rig.view.SetZoom(1.0f);
    rig.wave->m_nCursor = 5512;
    rig.view.SetZoom(4.0f);
    QCOMPARE(rig.wave->m_nViewBegin, 0);
    QCOMPARE(rig.wave->m_nViewEnd, 11024);
}

void TestWaveView::zoomAroundSelectionCentreKeepsBeginAtEnd()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    rig.wave->m_nSelBegin = 40000;
    rig.wave->m_nSelEnd = 44000;
    rig.view.SetZoom(2.0f);
    // Centre 42000, span 22050: the end is clipped, the begin is not moved back.
    QCOMPARE(rig.wave->m_nViewBegin, 42000 - 11025);
    QCOMPARE(rig.wave->m_nViewEnd, 44100);
    // Columns over the view 30975 .. 44100: (int)(9025 * 398 / 13125) and (int)(13025 * 398 / 13125).
    QCOMPARE(rig.view.GetSelX1(), 273);
    QCOMPARE(rig.view.GetSelX2(), 394);
}

void TestWaveView::panLeftAtZeroDoesNothing()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    rig.view.SetZoom(2.0f);
    ScopedEvents events;
    rig.view.PanLeft(500);
    QCOMPARE(events.ChangeView(), 0);
    QCOMPARE(rig.wave->m_nViewBegin, 0);
    QCOMPARE(rig.wave->m_nViewEnd, 22050);
}

void TestWaveView::panMovesAndClamps()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    rig.view.SetZoom(2.0f);  // 0 .. 22050
    ScopedEvents events;
    rig.view.PanRight(500);
    QCOMPARE(rig.wave->m_nViewBegin, 500);
    QCOMPARE(rig.wave->m_nViewEnd, 22550);
    QCOMPARE(events.ChangeView(), 1);
    // The cursor (frame 0) is now left of the view.
    QCOMPARE(rig.view.GetCursorX(), -9);
    rig.view.PanRight(30000);
    QCOMPARE(rig.wave->m_nViewBegin, 44100 - 22050);
    QCOMPARE(rig.wave->m_nViewEnd, 44100);
    rig.view.PanLeft(1000);
    QCOMPARE(rig.wave->m_nViewBegin, 21050);
    QCOMPARE(rig.wave->m_nViewEnd, 43100);
    rig.view.PanLeft(30000);
    QCOMPARE(rig.wave->m_nViewBegin, 0);
    QCOMPARE(rig.wave->m_nViewEnd, 22050);
    QCOMPARE(events.ChangeView(), 4);
    // The points follow the range.
    rig.view.PanRight(1);
    QCOMPARE(rig.view.GetWavePoint(0, 0).y(), 18);  // frame 1 is odd
}

void TestWaveView::panByNegativeAmountStaysInside()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    rig.view.SetZoom(2.0f);
    rig.view.PanRight(100);
    rig.view.PanRight(-5000);
    QCOMPARE(rig.wave->m_nViewBegin, 0);
    QCOMPARE(rig.wave->m_nViewEnd, 22050);
    rig.view.PanRight(100);
    rig.view.PanLeft(-50000);
    QCOMPARE(rig.wave->m_nViewBegin, 22050);
    QCOMPARE(rig.wave->m_nViewEnd, 44100);
}

void TestWaveView::scrollTo()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    rig.view.SetZoom(4.0f);  // 0 .. 11025
    ScopedEvents events;
    rig.view.ScrollTo(44101);
    rig.view.ScrollTo(-1);
    QCOMPARE(events.ChangeView(), 0);
    QCOMPARE(rig.wave->m_nViewBegin, 0);

    rig.view.ScrollTo(20000);
    QCOMPARE(events.ChangeView(), 1);
    // An odd length loses its middle frame: 20000 -/+ 5512.
    QCOMPARE(rig.wave->m_nViewBegin, 14488);
    QCOMPARE(rig.wave->m_nViewEnd, 25512);
    QCOMPARE(rig.view.GetPointsPerFrame(), 4096.0f / 11024.0f);

    rig.view.ScrollTo(44100);
    QCOMPARE(rig.wave->m_nViewBegin, 44100 - 11024);
    QCOMPARE(rig.wave->m_nViewEnd, 44100);
    rig.view.ScrollTo(0);
    QCOMPARE(rig.wave->m_nViewBegin, 0);
    QCOMPARE(rig.wave->m_nViewEnd, 11024);
}

void TestWaveView::resetViewShowsWholeDocument()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    rig.wave->m_nCursor = 5000;
    rig.view.SetZoom(8.0f);
    ScopedEvents events;
    rig.view.ResetView();
    QVERIFY(events.ChangeView() >= 1);
    QCOMPARE(rig.view.GetZoom(), 1.0f);
    QCOMPARE(rig.wave->m_nViewBegin, 0);
    QCOMPARE(rig.wave->m_nViewEnd, 44100);
    QCOMPARE(rig.wave->m_nCursor, 0);  // the cursor goes to the view start
    QCOMPARE(rig.view.GetSelX1(), 0);
    QCOMPARE(rig.view.GetSelX2(), 0);

    // A centre in the second half leaves part of the document out of view.
    rig.wave->m_nCursor = 30000;
    rig.view.ResetView();
    QCOMPARE(rig.wave->m_nViewBegin, 30000 - 22050);
    QCOMPARE(rig.wave->m_nViewEnd, 44100);
    QCOMPARE(rig.wave->m_nCursor, 30000 - 22050);
}

void TestWaveView::refreshFollowsNewLength()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    rig.wave->m_nViewEnd = 22050;  // as an edit might leave it
    ScopedEvents events;
    rig.view.Refresh();
    QCOMPARE(events.ChangeView(), 1);
    QCOMPARE(rig.view.GetFramesPerPoint(), 22050.0f / 4096.0f);
    QCOMPARE(rig.view.GetPointsPerFrame(), 4096.0f / 22050.0f);
}

void TestWaveView::xToFrame()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    QCOMPARE(rig.view.XToFrame(0), 0);
    QCOMPARE(rig.view.XToFrame(1), 110);
    QCOMPARE(rig.view.XToFrame(100), 11080);
    QCOMPARE(rig.view.XToFrame(398), 44100);
    QCOMPARE(rig.view.XToFrame(399), 44210);  // past the end of the view
    rig.view.SetZoom(2.0f);
    rig.view.PanRight(1000);
    QCOMPARE(rig.view.XToFrame(0), 1000);
    QCOMPARE(rig.view.XToFrame(199), 1000 + 11025);

    // An empty document reports frame 0.
    rig.wave->CreateNew(2, 44100, 16);
    rig.view.ResetView();
    QCOMPARE(rig.view.XToFrame(250), 0);
}

void TestWaveView::setCursorFromX()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    ScopedEvents events;
    rig.view.SetCursorFromX(250);
    QCOMPARE(rig.wave->m_nCursor, 27701);
    QCOMPARE(rig.view.GetCursorX(), 250);
    QCOMPARE(rig.view.GetPlayX(), 250);
    QCOMPARE(events.ChangeView(), 1);

    // The last column maps past the view end: the cursor stays.
    rig.view.SetCursorFromX(399);
    QCOMPARE(rig.wave->m_nCursor, 27701);
    QCOMPARE(rig.view.GetCursorX(), 250);
    QCOMPARE(events.ChangeView(), 1);
    rig.view.SetCursorFromX(-1);
    QCOMPARE(rig.wave->m_nCursor, 27701);
    // Column 398 is the view end, which a cursor may take.
    rig.view.SetCursorFromX(398);
    QCOMPARE(rig.wave->m_nCursor, 44100);
}

// The control's handlers: button down at 300, moves to 200 and 100, up at 100.
void TestWaveView::dragFrom300To100()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    rig.wave->m_nSelBegin = 5;
    rig.wave->m_nSelEnd = 10;
    rig.view.SetCursorFromX(300);
    rig.view.ClearSelectionMarks();
    rig.wave->Deselect();
    QCOMPARE(rig.wave->m_nCursor, 33241);

    rig.view.BeginSelection();
    QCOMPARE(rig.view.GetSelX1(), 300);
    QCOMPARE(rig.view.GetDragRect(), (WaveViewRect{0, 0, 0, 200}));
    rig.view.TrackSelection(200);
    QCOMPARE(rig.view.GetDragRect(), (WaveViewRect{200, 0, 300, 200}));
    rig.view.TrackSelection(100);
    QCOMPARE(rig.view.GetDragRect(), (WaveViewRect{100, 0, 300, 200}));
    QVERIFY(!rig.wave->HasSelection());  // untouched while dragging

    ScopedEvents events;
    rig.view.EndSelection(100);
    QCOMPARE(rig.view.GetSelX1(), 100);
    QCOMPARE(rig.view.GetSelX2(), 300);
    QCOMPARE(rig.wave->m_nSelBegin, 11080);
    QCOMPARE(rig.wave->m_nSelEnd, 33241);
    QCOMPARE(rig.wave->m_nCursor, 11080);
    QCOMPARE(rig.view.GetCursorX(), 100);
    QCOMPARE(events.ChangeView(), 2);  // the cursor move and the selection
}

void TestWaveView::dragPastLastFrameStaysInView()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    // An anchor beyond the last column, as DoFade can place it.
    rig.view.SetCursorX(1000);
    rig.view.BeginSelection();
    rig.view.EndSelection(5000);
    QCOMPARE(rig.view.GetSelX1(), 400);  // clamped to the width, then ordered
    QCOMPARE(rig.view.GetSelX2(), 1000);
    QCOMPARE(rig.wave->m_nSelBegin, 44100);
    QCOMPARE(rig.wave->m_nSelEnd, 44100);
    QVERIFY(rig.wave->m_nSelBegin <= rig.wave->m_nSelEnd);

    rig.view.SetCursorX(50);
    rig.view.BeginSelection();
    rig.view.EndSelection(-20);
    QCOMPARE(rig.view.GetSelX1(), 0);
    QCOMPARE(rig.view.GetSelX2(), 50);
    QCOMPARE(rig.wave->m_nSelBegin, 0);
    QCOMPARE(rig.wave->m_nSelEnd, 5540);  // (int)(50 * 44100/4096 * 4096/398)
}

void TestWaveView::dragOnEmptyDocumentChangesNothing()
{
    ViewRig rig(MakeWave16(2, 0, [](int32_t, int32_t) -> int16_t { return 0; }), 400, 200);
    QVERIFY(rig.wave);
    rig.view.SetCursorFromX(100);
    QCOMPARE(rig.wave->m_nCursor, 0);
    rig.view.BeginSelection();
    rig.view.TrackSelection(300);
    rig.view.EndSelection(300);
    QCOMPARE(rig.view.GetSelX2(), 300);
    QCOMPARE(rig.wave->m_nSelBegin, 0);
    QCOMPARE(rig.wave->m_nSelEnd, 0);
}

void TestWaveView::playCursorPosition()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    rig.player.status = 1;
    rig.player.position = 4410;
    rig.view.UpdatePlayCursor();
    QCOMPARE(rig.view.GetPlayX(), 39);  // (int)(4410 * 4096/44100 * 398/4096)
    // The play cursor counts from the document cursor.
    rig.wave->m_nCursor = 11081;
    rig.player.position = 0;
    rig.view.UpdatePlayCursor();
    QCOMPARE(rig.view.GetPlayX(), 100);
    // Idle: still recomputed, though not shown. The player calls through
    // its view interface.
    rig.player.status = 0;
    rig.player.position = 22050;
    IPlayerView& fromPlayer = rig.view;
    fromPlayer.UpdatePlayCursor();
    QCOMPARE(rig.view.GetPlayX(), 299);
}

void TestWaveView::farCursorSaturates()
{
    ViewRig rig(OneSecondStereo(), 400, 200);
    rig.view.SetZoom(200.0f);  // 0 .. 220, about 1.8 pixels per frame
    QCOMPARE(rig.wave->m_nViewEnd, 220);
    rig.wave->m_nCursor = 2000000000;  // some 3.6e9 pixels to the right
    rig.view.Refresh();
    QCOMPARE(rig.view.GetCursorX(), 2147483647);
    rig.wave->m_nCursor = 0;
    rig.wave->m_nViewBegin = 2000000000;
    rig.wave->m_nViewEnd = 2000000220;
    rig.view.Refresh();
    QCOMPARE(rig.view.GetCursorX(), -2147483647 - 1);
}

void TestWaveView::colourProperties()
{
    CWaveView view;
    view.SetBackColor(0x00123456);
    view.SetWaveColor(0x00ABCDEF);
    view.SetCursorColor(0x00010203);
    QCOMPARE(view.GetBackColor(), 0x00123456u);
    QCOMPARE(view.GetWaveColor(), 0x00ABCDEFu);
    QCOMPARE(view.GetCursorColor(), 0x00010203u);
}

void TestWaveView::positionProperties()
{
    QWidget window;
    window.resize(640, 480);
    auto* frame = new QWidget(&window);
    frame->setGeometry(20, 30, 500, 400);
    auto* control = new QWidget(frame);
    control->setGeometry(5, 7, 400, 200);

    auto wave = OneSecondStereo();
    CWaveView view;
    view.SetWave(wave.get());
    view.SetControl(control);
    QCOMPARE(view.GetTop(), 37);
    QCOMPARE(view.GetLeft(), 25);
    // Before the first Resize the window's size stands in for the bounds.
    view.SetTop(50);
    QCOMPARE(control->geometry(), QRect(5, 20, 400, 200));
    QCOMPARE(view.GetTop(), 50);
    QCOMPARE(view.GetLeft(), 25);

    view.Resize(QRect(0, 0, 400, 200));
    view.SetLeft(120);
    QCOMPARE(control->geometry(), QRect(100, 20, 400, 200));
    view.SetWidth(300);
    QCOMPARE(control->geometry(), QRect(100, 20, 300, 200));
    view.Resize(QRect(0, 0, 300, 200));  // as the control's next paint does
    view.SetHeight(150);
    QCOMPARE(control->geometry(), QRect(100, 20, 300, 150));
    QCOMPARE(view.GetWidth(), 300);
    QCOMPARE(view.GetHeight(), 200);  // until the next Resize
}

QTEST_MAIN(TestWaveView)
#include "test_waveview.moc"
