// Pixels of the view's back buffer and of the widget it is copied to, for a
// document with known samples: background, channel frames, waveform,
// selection and play cursor by inversion, cursor.

#include "waveview_fixture.h"

#include <QPainter>
#include <QtTest>

namespace {

const QRgb kBack = qRgb(150, 150, 150);
const QRgb kBackInverted = qRgb(105, 105, 105);
const QRgb kFrame = qRgb(0, 0, 0);
const QRgb kWave = qRgb(0, 0, 200);
const QRgb kWaveInverted = qRgb(255, 255, 55);
const QRgb kCursor = qRgb(255, 0, 0);

// Stereo, 44100 frames. Channel 0 holds +16384 (level 49151, y 71, drawn in
// row 72); channel 1 holds -16384 (level 16383, y 23, drawn in row
// 200 / 2 + 23 + 3 = 126).
std::unique_ptr<CRMWave> FlatStereo()
{
    return MakeWave16(2, 44100, [](int32_t c, int32_t) -> int16_t {
        return c == 0 ? 16384 : -16384;
    });
}

QRgb Pixel(const CWaveView& view, int x, int y)
{
    return view.GetBackBuffer().pixel(x, y) | 0xff000000u;
}

QString Hex(QRgb c)
{
    return QString::number(c & 0xffffffu, 16);
}

#define PIXEL(view, x, y, expected)                                                          \
    QVERIFY2(Pixel(view, x, y) == (expected),                                                \
        qPrintable(QStringLiteral("(%1, %2) is %3, expected %4")                             \
                       .arg(x).arg(y).arg(Hex(Pixel(view, x, y)), Hex(expected))))

// The control's paint handler as the control will have it.
class HostWidget : public QWidget {
public:
    CWaveView* view = nullptr;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (view->BoundsChanged(rect()))
            view->Resize(rect());
        QPainter painter(this);
        view->PaintTo(painter);
    }
};

}  // namespace

class TestWaveViewPaint : public QObject {
    Q_OBJECT

private slots:
    void backgroundFramesAndWave();
    void cursorColumn();
    void selectionIsInverted();
    void dragFeedback();
    void playCursorIsInverted();
    void emptyDocumentShowsBackgroundOnly();
    void monoDocument();
    void colours();
    void widgetShowsBackBuffer();
    void saveRendering();
};

void TestWaveViewPaint::backgroundFramesAndWave()
{
    ViewRig rig(FlatStereo(), 400, 200);
    QVERIFY(rig.wave);
    const CWaveView& v = rig.view;
    QCOMPARE(v.GetBackBuffer().size(), QSize(400, 200));
    // Background inside the frames and in the gap between them (rows 99..101).
    PIXEL(v, 200, 40, kBack);
    PIXEL(v, 200, 99, kBack);
    PIXEL(v, 200, 101, kBack);
    PIXEL(v, 200, 160, kBack);
    // Upper frame: rows 0 and 200/2 - 2 = 98; lower frame: rows 102 and 199.
    PIXEL(v, 200, 0, kFrame);
    PIXEL(v, 200, 98, kFrame);
    PIXEL(v, 200, 102, kFrame);
    PIXEL(v, 200, 199, kFrame);
    PIXEL(v, 399, 50, kFrame);
    PIXEL(v, 399, 150, kFrame);
    PIXEL(v, 0, 0, kFrame);
    PIXEL(v, 399, 199, kFrame);
    PIXEL(v, 200, 1, kBack);
    PIXEL(v, 398, 50, kBack);
    // The two polylines, one pixel right of the points.
    for (int x : {1, 100, 200, 300, 397}) {
        PIXEL(v, x, 72, kWave);
        PIXEL(v, x, 126, kWave);
        PIXEL(v, x, 71, kBack);
        PIXEL(v, x, 73, kBack);
    }
}

void TestWaveViewPaint::cursorColumn()
{
    ViewRig rig(FlatStereo(), 400, 200);
    const CWaveView& v = rig.view;
    // After ResetView the cursor is at frame 0, column 0, over the frames' left edge.
    PIXEL(v, 0, 0, kFrame);
    PIXEL(v, 0, 1, kCursor);
    PIXEL(v, 0, 97, kCursor);
    PIXEL(v, 0, 98, kFrame);
    PIXEL(v, 0, 102, kFrame);
    PIXEL(v, 0, 103, kCursor);
    PIXEL(v, 0, 198, kCursor);

    rig.view.SetCursorFromX(250);
    PIXEL(v, 250, 0, kFrame);
    PIXEL(v, 250, 1, kCursor);
    PIXEL(v, 250, 72, kCursor);  // over the waveform
    PIXEL(v, 250, 97, kCursor);
    PIXEL(v, 250, 98, kFrame);
    PIXEL(v, 250, 100, kBack);
    PIXEL(v, 250, 103, kCursor);
    PIXEL(v, 250, 198, kCursor);
    PIXEL(v, 250, 199, kFrame);
    PIXEL(v, 0, 50, kFrame);  // the old column is plain again
    PIXEL(v, 249, 50, kBack);
    PIXEL(v, 251, 50, kBack);
}

void TestWaveViewPaint::selectionIsInverted()
{
    ViewRig rig(FlatStereo(), 400, 200);
    const CWaveView& v = rig.view;
    // The control's handlers for a drag from 100 to 300.
    rig.view.SetCursorFromX(100);
    rig.view.ClearSelectionMarks();
    rig.wave->Deselect();
    rig.view.BeginSelection();
    rig.view.TrackSelection(300);
    rig.view.EndSelection(300);
    rig.view.Repaint();
    QCOMPARE(rig.wave->m_nSelBegin, 11080);
    QCOMPARE(rig.wave->m_nSelEnd, 33241);

    // Columns 100 .. 299 over the full height.
    PIXEL(v, 150, 40, kBackInverted);
    PIXEL(v, 299, 40, kBackInverted);
    PIXEL(v, 150, 72, kWaveInverted);
    PIXEL(v, 150, 126, kWaveInverted);
    PIXEL(v, 150, 0, qRgb(255, 255, 255));
    PIXEL(v, 150, 100, kBackInverted);
    PIXEL(v, 150, 199, qRgb(255, 255, 255));
    PIXEL(v, 99, 40, kBack);
    PIXEL(v, 300, 40, kBack);
    PIXEL(v, 300, 72, kWave);
    // The cursor moved to the selection start and is drawn over it.
    PIXEL(v, 100, 40, kCursor);
}

void TestWaveViewPaint::dragFeedback()
{
    ViewRig rig(FlatStereo(), 400, 200);
    const CWaveView& v = rig.view;
    rig.view.SetCursorFromX(250);
    rig.view.ClearSelectionMarks();
    rig.view.BeginSelection();
    rig.view.TrackSelection(150);
    PIXEL(v, 150, 40, kBackInverted);
    PIXEL(v, 249, 40, kBackInverted);
    PIXEL(v, 250, 40, kCursor);
    PIXEL(v, 149, 40, kBack);
    rig.view.TrackSelection(200);  // the earlier feedback goes away
    PIXEL(v, 150, 40, kBack);
    PIXEL(v, 199, 72, kWave);
    PIXEL(v, 200, 40, kBackInverted);
    PIXEL(v, 200, 72, kWaveInverted);
    rig.view.TrackSelection(300);  // across the anchor: 250 .. 299
    PIXEL(v, 249, 40, kBack);
    PIXEL(v, 250, 40, qRgb(0, 255, 255));  // the cursor inverted by the feedback
    PIXEL(v, 299, 40, kBackInverted);
    QVERIFY(!rig.wave->HasSelection());

    // A repaint in the middle of the drag shows the same picture.
    const QImage during = v.GetBackBuffer().copy();
    rig.view.Repaint();
    QCOMPARE(v.GetBackBuffer(), during);

    rig.view.EndSelection(300);
    rig.view.Repaint();
    PIXEL(v, 260, 40, kBackInverted);
    PIXEL(v, 250, 40, kCursor);
    PIXEL(v, 300, 40, kBack);
}

void TestWaveViewPaint::playCursorIsInverted()
{
    ViewRig rig(FlatStereo(), 400, 200);
    const CWaveView& v = rig.view;
    rig.view.SetCursorFromX(100);  // frame 11080
    rig.player.status = 1;
    rig.player.position = 0;
    rig.view.UpdatePlayCursor();  // under the cursor: nothing to see yet
    PIXEL(v, 100, 40, kCursor);

    rig.player.position = 11025;  // frame 22105: column 199
    rig.view.UpdatePlayCursor();
    QCOMPARE(v.GetPlayX(), 199);
    PIXEL(v, 199, 40, kBackInverted);
    PIXEL(v, 199, 72, kWaveInverted);
    PIXEL(v, 199, 1, kBackInverted);
    PIXEL(v, 199, 97, kBackInverted);
    PIXEL(v, 199, 0, kFrame);      // the spans leave the frames alone
    PIXEL(v, 199, 98, kFrame);
    PIXEL(v, 199, 100, kBack);     // and the gap
    PIXEL(v, 199, 103, kBackInverted);
    PIXEL(v, 199, 126, kWaveInverted);
    PIXEL(v, 199, 198, kBackInverted);
    PIXEL(v, 199, 199, kFrame);
    PIXEL(v, 100, 40, kCursor);
    PIXEL(v, 198, 40, kBack);

    // Moving on restores the old column; a full paint gives the same picture.
    rig.player.position = 22050;
    rig.view.UpdatePlayCursor();
    const int x = v.GetPlayX();
    QCOMPARE(x, 298);  // frame 33130: (int)(33130 * 398 / 44100), 298.998
    PIXEL(v, 199, 40, kBack);
    PIXEL(v, 199, 72, kWave);
    PIXEL(v, x, 40, kBackInverted);
    const QImage incremental = v.GetBackBuffer().copy();
    rig.view.Repaint();
    QCOMPARE(v.GetBackBuffer(), incremental);

    // Paused still shows it; idle does not.
    rig.player.status = 3;
    rig.view.Repaint();
    PIXEL(v, x, 40, kBackInverted);
    rig.player.status = 0;
    rig.view.UpdatePlayCursor();
    PIXEL(v, x, 40, kBack);
    rig.view.Repaint();
    PIXEL(v, x, 40, kBack);
}

void TestWaveViewPaint::emptyDocumentShowsBackgroundOnly()
{
    ViewRig rig(MakeWave16(2, 0, [](int32_t, int32_t) -> int16_t { return 0; }), 120, 80);
    QVERIFY(rig.wave);
    rig.player.status = 1;
    // Marks as DoFade leaves them: the cursor column and a drag to 90.
    rig.view.SetCursorX(20);
    rig.view.BeginSelection();
    rig.view.EndSelection(90);
    QCOMPARE(rig.view.GetSelX1(), 20);
    QCOMPARE(rig.view.GetSelX2(), 90);
    rig.view.Repaint();
    const QImage& image = rig.view.GetBackBuffer();
    QCOMPARE(image.size(), QSize(120, 80));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QCOMPARE(image.pixel(x, y) | 0xff000000u, kBack);
}

void TestWaveViewPaint::monoDocument()
{
    // 8-bit mono, byte 55 everywhere: level 200, y = 200 * (100 - 2) / 256 = 76.
    ViewRig rig(MakeWave8(1, 8000, [](int32_t, int32_t) -> uint8_t { return 55; }), 300, 100);
    QVERIFY(rig.wave);
    const CWaveView& v = rig.view;
    PIXEL(v, 150, 0, kFrame);
    PIXEL(v, 150, 99, kFrame);
    PIXEL(v, 299, 50, kFrame);
    PIXEL(v, 150, 50, kBack);  // no frame across the middle
    PIXEL(v, 150, 77, kWave);
    rig.view.SetCursorFromX(150);
    PIXEL(v, 150, 1, kCursor);
    PIXEL(v, 150, 98, kCursor);
    PIXEL(v, 150, 99, kFrame);
}

void TestWaveViewPaint::colours()
{
    ViewRig rig(FlatStereo(), 400, 200);
    rig.view.SetBackColor(0x00302010);    // RGB(16, 32, 48)
    rig.view.SetWaveColor(0x0000FF00);    // green
    rig.view.SetCursorColor(0x00FFFFFF);  // white
    // The setters do not repaint.
    PIXEL(rig.view, 200, 40, kBack);
    rig.view.SetCursorFromX(250);
    PIXEL(rig.view, 200, 40, qRgb(16, 32, 48));
    PIXEL(rig.view, 200, 72, qRgb(0, 255, 0));
    PIXEL(rig.view, 250, 40, qRgb(255, 255, 255));
    PIXEL(rig.view, 200, 0, kFrame);
}

void TestWaveViewPaint::widgetShowsBackBuffer()
{
    auto wave = FlatStereo();
    HostWidget host;
    CWaveView view;
    host.view = &view;
    view.SetControl(&host);
    view.SetWave(wave.get());
    host.resize(400, 200);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    // The first paint sizes the view; then the document comes in.
    QTRY_COMPARE(view.GetWidth(), 400);
    view.ResetView();
    view.SetCursorFromX(250);

    const QImage shown = host.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(400, 200));
    QCOMPARE(shown.pixel(200, 40) | 0xff000000u, kBack);
    QCOMPARE(shown.pixel(200, 72) | 0xff000000u, kWave);
    QCOMPARE(shown.pixel(250, 40) | 0xff000000u, kCursor);
    QCOMPARE(shown, view.GetBackBuffer().convertToFormat(QImage::Format_RGB32));

    // A new size reaches the view through the paint handler.
    host.resize(300, 120);
    const QImage smaller = host.grab().toImage();
    QCOMPARE(view.GetWidth(), 300);
    QCOMPARE(view.GetHeight(), 120);
    QCOMPARE(smaller.size(), QSize(300, 120));
    QCOMPARE(view.GetPixelsPerPoint(), 298.0f / 4096.0f);
}

void TestWaveViewPaint::saveRendering()
{
    // A stereo sine pair with a selection and a play cursor, for a look by eye.
    ViewRig rig(MakeWave16(2, 44100, [](int32_t c, int32_t f) -> int16_t {
        const double t = f / 44100.0;
        const double a = c == 0 ? std::sin(2 * M_PI * 3 * t) : std::sin(2 * M_PI * 7 * t) * (1 - t);
        return static_cast<int16_t>(a * 30000);
    }),
        400, 200);
    rig.view.SetCursorFromX(80);
    rig.view.ClearSelectionMarks();
    rig.view.BeginSelection();
    rig.view.EndSelection(160);
    rig.player.status = 1;
    rig.player.position = 22050;
    rig.view.Repaint();
    rig.view.UpdatePlayCursor();
    const QString path = qEnvironmentVariable("WAVEVIEW_PNG");
    if (!path.isEmpty())
        QVERIFY(rig.view.GetBackBuffer().save(path));
    PIXEL(rig.view, 120, 40, kBackInverted);
    QVERIFY(Pixel(rig.view, rig.view.GetPlayX(), 40) == kBackInverted);
}

QTEST_MAIN(TestWaveViewPaint)
#include "test_waveview_paint.moc"
