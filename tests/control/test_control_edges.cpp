// The control's own behaviour at its edges: the pan factor of a load, SaveAs
// with a foreign extension and an unwritable place, the format setters of raw
// and WAV documents, DoFade's pixel range, ManualSelect, Paste without
// usable data, Cut and Undo, Delete without a selection, ChangeMouse over an
// empty document, and documents of more than two channels.

#include "control_fixture.h"

#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTimer>

#include <filesystem>

using namespace sonarch2;
using namespace control_test;

namespace {

bool RunSox(const QStringList& args)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"), args);
    return sox.waitForFinished(20000) && sox.exitStatus() == QProcess::NormalExit && sox.exitCode() == 0;
}

// Frames of a file as soxi counts them, -1 when it cannot be read.
int SoxFrames(const QString& path)
{
    QProcess soxi;
    soxi.start(QStringLiteral("soxi"), {QStringLiteral("-s"), path});
    if (!soxi.waitForFinished(20000) || soxi.exitCode() != 0)
        return -1;
    return soxi.readAllStandardOutput().trimmed().toInt();
}

QByteArray ReadAll(const std::filesystem::path& path)
{
    QFile f(QString::fromStdString(path.string()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void SendMouse(QWidget* w, QEvent::Type type, int x, Qt::MouseButtons buttons)
{
    const QPointF local(x, w->height() / 2);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, w->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

}  // namespace

class TestControlEdges : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_wav = MakeTone(m_dir.path(), QStringLiteral("tone.wav"), 36000);
        QVERIFY2(!m_wav.isEmpty(), "sox could not make the test file");
        QCOMPARE(SoxFrames(m_wav), 36000);
    }

    void loadSetsPanFactorAndPanRightMovesByIt()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Put(d, QStringLiteral("PanFactor"), 77.0f), hr::Ok);  // overwritten by Load
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("PanFactor")), QVariant(1000.0f));
        QCOMPARE(Get(d, QStringLiteral("ViewEnd")), QVariant(36000));
        QCOMPARE(Put(d, QStringLiteral("Zoom"), 2.0f), hr::Ok);
        QCOMPARE(Get(d, QStringLiteral("ViewBegin")), QVariant(0));
        QCOMPARE(Get(d, QStringLiteral("ViewEnd")), QVariant(18000));
        Run(d, QStringLiteral("PanRight"));
        QCOMPARE(Get(d, QStringLiteral("ViewBegin")), QVariant(500));  // (int)(1000 / 2.0)
        QCOMPARE(Get(d, QStringLiteral("ViewEnd")), QVariant(18500));
        Run(d, QStringLiteral("PanLeft"));
        QCOMPARE(Get(d, QStringLiteral("ViewBegin")), QVariant(0));
        // NewFile leaves the pan factor alone.
        QCOMPARE(Run(d, QStringLiteral("NewFile"), {1, 8000, 8}), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("PanFactor")), QVariant(1000.0f));
        QCOMPARE(Get(d, QStringLiteral("Channels")), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("BitsPerSample")), QVariant(8));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(0));
    }

    void saveAsWritesTheFormatsExtension()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        const QString mp3 = m_dir.path() + QStringLiteral("/x.mp3");
        QCOMPARE(Run(d, QStringLiteral("SaveAs"), {mp3, 4}), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("FileName")), QVariant(m_dir.path() + QStringLiteral("/x.wav")));
        QCOMPARE(Get(d, QStringLiteral("Format")), QVariant(4));
        QVERIFY(!QFileInfo::exists(mp3));
        QCOMPARE(SoxFrames(m_dir.path() + QStringLiteral("/x.wav")), 36000);
        // RIFF, an 18-byte format chunk, and the data.
        QCOMPARE(QFileInfo(m_dir.path() + QStringLiteral("/x.wav")).size(), 12 + 8 + 18 + 8 + 36000 * 4);

        // A place that cannot be written: SaveAs still answers 1, Save tells.
        const QString nowhere = m_dir.path() + QStringLiteral("/no/such/dir/y.mp3");
        QCOMPARE(Run(d, QStringLiteral("SaveAs"), {nowhere, 4}), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("FileName")), QVariant(m_dir.path() + QStringLiteral("/no/such/dir/y.wav")));
        QVERIFY(!QFileInfo::exists(m_dir.path() + QStringLiteral("/no")));
        QCOMPARE(Run(d, QStringLiteral("Save")), QVariant(0));
        // A code outside 1 to 5: nothing written.
        QCOMPARE(Run(d, QStringLiteral("SaveAs"), {m_dir.path() + QStringLiteral("/z.wav"), 9}), QVariant(1));
        QCOMPARE(Run(d, QStringLiteral("Save")), QVariant(0));
        QVERIFY(!QFileInfo::exists(m_dir.path() + QStringLiteral("/z.wav")));
        QCOMPARE(Get(d, QStringLiteral("Format")), QVariant(9));
    }

    // The code is kept as given and read back as a signed 16-bit number; a
    // code outside 1 to 5 reads and writes nothing.
    void formatCodesOutsideTheTable()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 7}), QVariant(0));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(0));
        QCOMPARE(Get(d, QStringLiteral("FileName")), QVariant(m_wav));
        QCOMPARE(Get(d, QStringLiteral("Format")), QVariant(7));
        QCOMPARE(Get(d, QStringLiteral("PanFactor")), QVariant(0.0f));
        const QString name = m_dir.path() + QStringLiteral("/code.wav");
        QCOMPARE(Run(d, QStringLiteral("SaveAs"), {name, 65535}), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("Format")), QVariant(-1));
        QCOMPARE(Run(d, QStringLiteral("SaveAs"), {name, 65540}), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("Format")), QVariant(4));  // low 16 bits read back ...
        QVERIFY(!QFileInfo::exists(name));                       // ... but no writer ran
        QCOMPARE(Run(d, QStringLiteral("Save")), QVariant(0));
    }

    void formatSettersTakeValuesOnlyForRawData()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        QCOMPARE(Put(d, QStringLiteral("Channels"), 1), hr::Ok);
        QCOMPARE(Put(d, QStringLiteral("SamplesPerSec"), 8000), hr::Ok);
        QCOMPARE(Put(d, QStringLiteral("BitsPerSample"), 8), hr::Ok);
        QCOMPARE(Get(d, QStringLiteral("Channels")), QVariant(2));
        QCOMPARE(Get(d, QStringLiteral("SamplesPerSec")), QVariant(44100));
        QCOMPARE(Get(d, QStringLiteral("BitsPerSample")), QVariant(16));

        // Raw PCM takes the document's present format; the host then sets it.
        const QString raw = m_dir.path() + QStringLiteral("/tone.raw");
        QVERIFY(RunSox({m_wav, QStringLiteral("-t"), QStringLiteral("raw"), raw}));
        QCOMPARE(QFileInfo(raw).size(), 36000 * 4);
        QCOMPARE(Run(d, QStringLiteral("Load"), {raw, 3}), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("Format")), QVariant(3));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000));
        QCOMPARE(Put(d, QStringLiteral("Channels"), 1), hr::Ok);
        QCOMPARE(Put(d, QStringLiteral("SamplesPerSec"), 22050), hr::Ok);
        QCOMPARE(Put(d, QStringLiteral("BitsPerSample"), 8), hr::Ok);
        QCOMPARE(Get(d, QStringLiteral("Channels")), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("SamplesPerSec")), QVariant(22050));
        QCOMPARE(Get(d, QStringLiteral("BitsPerSample")), QVariant(8));
        // The length is recomputed only by the next operation that does so.
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000));
    }

    void doFadeSelectsPixels39To195()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("Width")), QVariant(400));
        QSignalSpy views(h.control.data(), &CSonarch2Ctrl::ChangeView);
        QCOMPARE(Run(d, QStringLiteral("DoFade"), {10.0f, 50.0f, 75}), QVariant(1.0f));
        QCOMPARE(h.control->View().GetSelX1(), 39);   // 39.8 truncated
        QCOMPARE(h.control->View().GetSelX2(), 195);  // 195.0
        QVERIFY(views.count() >= 2);                  // DoFade's own and EndSelection's
        // The frames under those pixels: 36000 frames over 398 pixels.
        const int begin = Get(d, QStringLiteral("SelectBegin")).toInt();
        const int end = Get(d, QStringLiteral("SelectEnd")).toInt();
        QVERIFY2(qAbs(begin - 39 * 36000 / 398) <= 2, qPrintable(QString::number(begin)));
        QVERIFY2(qAbs(end - 195 * 36000 / 398) <= 2, qPrintable(QString::number(end)));
        QCOMPARE(Get(d, QStringLiteral("CursorPos")), QVariant(begin));
        // No busy check, and nPercent is not used: the same range again.
        QCOMPARE(Run(d, QStringLiteral("DoFade"), {10.0f, 50.0f, 0}), QVariant(1.0f));
        QCOMPARE(Get(d, QStringLiteral("SelectBegin")), QVariant(begin));
        QCOMPARE(Get(d, QStringLiteral("SelectEnd")), QVariant(end));
    }

    void manualSelectDoesNothing()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        Run(d, QStringLiteral("DoFade"), {10.0f, 50.0f, 0});
        const QStringList watched{QStringLiteral("SelectBegin"), QStringLiteral("SelectEnd"),
                                  QStringLiteral("CursorPos"), QStringLiteral("ViewBegin"),
                                  QStringLiteral("ViewEnd"), QStringLiteral("WaveLength")};
        QVariantList before;
        for (const QString& p : watched)
            before << Get(d, p);
        QSignalSpy views(h.control.data(), &CSonarch2Ctrl::ChangeView);
        QCOMPARE(Run(d, QStringLiteral("ManualSelect"), {100.0, 20000.0}), QVariant(0));
        QCOMPARE(Run(d, QStringLiteral("ManualSelect"), {-1.0, 1e9}), QVariant(0));
        QCOMPARE(views.count(), 0);
        for (qsizetype i = 0; i < watched.size(); ++i)
            QCOMPARE(Get(d, watched[i]), before[i]);
    }

    void pasteWithNothingUsableAnswersOne()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        QApplication::clipboard()->clear();
        QCOMPARE(Run(d, QStringLiteral("Paste")), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000));
        QApplication::clipboard()->setText(QStringLiteral("not a sound"));
        QCOMPARE(Run(d, QStringLiteral("Paste")), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000));
        // Nothing was inserted, so there is nothing to undo.
        Run(d, QStringLiteral("Undo"));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000));
    }

    void cutThenUndoRestoresTheSamples()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        const auto work = h.control->Wave().WorkFilePath("Wave.tmp");
        const QByteArray original = ReadAll(work);
        QCOMPARE(original.size(), 36000 * 4);

        Run(d, QStringLiteral("DoFade"), {10.0f, 50.0f, 0});
        const int begin = Get(d, QStringLiteral("SelectBegin")).toInt();
        const int end = Get(d, QStringLiteral("SelectEnd")).toInt();
        QVERIFY(end > begin);
        QCOMPARE(Run(d, QStringLiteral("Cut")), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000 - (end - begin)));
        const QByteArray cut = ReadAll(work);
        QCOMPARE(cut, original.left(begin * 4) + original.mid(end * 4));
        // The clipboard holds the cut frames as a RIFF/WAVE image.
        const QByteArray clip = QApplication::clipboard()->mimeData()->data(QStringLiteral("audio/wav"));
        QVERIFY(clip.startsWith("RIFF"));
        QVERIFY(clip.endsWith(original.mid(begin * 4, (end - begin) * 4)));

        Run(d, QStringLiteral("Undo"));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000));
        QCOMPARE(ReadAll(work), original);

        // And the cut frames paste back in at the cursor.
        QCOMPARE(Run(d, QStringLiteral("Paste")), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000 + (end - begin)));
        Run(d, QStringLiteral("Undo"));
        QCOMPARE(ReadAll(work), original);
    }

    // An insertion past the document's 32-bit frame count is refused: no
    // gigabytes of silence, no length out of step with the file, and the
    // undo record that follows removes nothing.
    void insertSilenceBeyondTheFrameCount()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        const auto work = h.control->Wave().WorkFilePath("Wave.tmp");
        const QByteArray original = ReadAll(work);
        for (float seconds : {1e30f, 100000.0f, 48695.0f}) {  // the last: 36000 + 2147449500 frames
            QCOMPARE(Run(d, QStringLiteral("FxInsertSilence"), {seconds}), QVariant(1));
            QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000));
            QCOMPARE(Get(d, QStringLiteral("SelectBegin")), Get(d, QStringLiteral("SelectEnd")));
            QCOMPARE(QFileInfo(QString::fromStdString(work.string())).size(), qint64(36000 * 4));
        }
        Run(d, QStringLiteral("Undo"));
        QCOMPARE(ReadAll(work), original);
        // An ordinary insertion still works and undoes.
        QCOMPARE(Run(d, QStringLiteral("FxInsertSilence"), {0.5f}), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000 + 22050));
        Run(d, QStringLiteral("Undo"));
        QCOMPARE(ReadAll(work), original);
    }

    void deleteWithoutSelection()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Run(d, QStringLiteral("Delete")), QVariant(1));  // empty document
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        const QByteArray original = ReadAll(h.control->Wave().WorkFilePath("Wave.tmp"));
        QCOMPARE(Get(d, QStringLiteral("SelectBegin")), Get(d, QStringLiteral("SelectEnd")));
        QCOMPARE(Run(d, QStringLiteral("Delete")), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000));
        QCOMPARE(ReadAll(h.control->Wave().WorkFilePath("Wave.tmp")), original);
        Run(d, QStringLiteral("Undo"));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000));
    }

    void changeMouseOnAnEmptyDocumentReportsZero()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        QList<int> frames;
        h.dispatch->Advise([&](int32_t id, const QVariantList& args) {
            if (id == EventChangeMouse)
                frames << args.value(0).toInt();
        });
        SendMouse(h.control, QEvent::MouseMove, 200, Qt::NoButton);
        SendMouse(h.control, QEvent::MouseButtonPress, 300, Qt::LeftButton);
        SendMouse(h.control, QEvent::MouseMove, 350, Qt::LeftButton);
        SendMouse(h.control, QEvent::MouseButtonRelease, 350, Qt::NoButton);
        QCOMPARE(frames, (QList<int>{0, 0}));
        QCOMPARE(Get(h.dispatch, QStringLiteral("SelectEnd")), QVariant(0));

        // With a document, the pointer's x is clamped to the width first.
        QCOMPARE(Run(h.dispatch, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        frames.clear();
        SendMouse(h.control, QEvent::MouseMove, 199, Qt::NoButton);
        SendMouse(h.control, QEvent::MouseMove, 900, Qt::NoButton);
        SendMouse(h.control, QEvent::MouseMove, -50, Qt::NoButton);
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames[0], h.control->View().XToFrame(199));
        QCOMPARE(frames[1], h.control->View().XToFrame(400));
        QCOMPARE(frames[2], 0);
        QVERIFY2(qAbs(frames[1] - 400 * 36000 / 398) <= 2, qPrintable(QString::number(frames[1])));
    }

    // Four channels: the view draws the first two as it draws stereo.
    void coreMessagesShowAsModalBoxes()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        QCOMPARE(g_pControl, static_cast<IControlEvents*>(h.control.data()));
        QString title, text;
        bool modal = false;
        QTimer::singleShot(50, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                text = box->text();
                modal = box->isModal() && box->parentWidget() == nullptr &&
                        box->standardButtons() == QMessageBox::Ok;
                box->accept();
            }
        });
        g_pControl->ShowMessage("WAVEIN:20:The wave format is not supported", "Sonarch2");
        QCOMPARE(title, QStringLiteral("Sonarch2"));
        QCOMPARE(text, QStringLiteral("WAVEIN:20:The wave format is not supported"));
        QVERIFY(modal);
    }

    void moreThanTwoChannelsDrawTheFirstTwo()
    {
        const QString four = m_dir.path() + QStringLiteral("/four.wav");
        QVERIFY(RunSox({QStringLiteral("-D"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-n"),
                        QStringLiteral("-c"), QStringLiteral("4"), QStringLiteral("-b"), QStringLiteral("16"), four,
                        QStringLiteral("synth"), QStringLiteral("4410s"), QStringLiteral("sine"), QStringLiteral("0"),
                        QStringLiteral("50"), QStringLiteral("sine"), QStringLiteral("0"), QStringLiteral("-50"),
                        QStringLiteral("sine"), QStringLiteral("0"), QStringLiteral("25"), QStringLiteral("sine"),
                        QStringLiteral("0"), QStringLiteral("-25")}));
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        QCOMPARE(Run(h.dispatch, QStringLiteral("Load"), {four, 4}), QVariant(1));
        QCOMPARE(Get(h.dispatch, QStringLiteral("Channels")), QVariant(4));
        QCOMPARE(Get(h.dispatch, QStringLiteral("WaveLength")), QVariant(4410));
        const CWaveView& view = h.control->View();
        QCOMPARE(view.GetLevelScale(), 192.0f / 65536.0f / 2.0f);  // as for stereo
        // Channel 0 holds +16384 (level 49151), channel 1 -16384 (level 16383).
        for (int j : {0, 1000, 4095}) {
            QCOMPARE(view.GetWavePoint(0, j).y(), 71);
            QCOMPARE(view.GetWavePoint(1, j).y(), 23);
        }
        h.control->repaint();
        const QImage& image = view.GetBackBuffer();
        QCOMPARE(image.size(), QSize(400, 200));
        const QRgb wave = qRgb(0, 0, 200);
        QCOMPARE(image.pixel(200, 71 + 1), wave);          // channel 0, upper half
        QCOMPARE(image.pixel(200, 100 + 23 + 3), wave);    // channel 1, lower half
        QVERIFY(image.pixel(200, 59 + 1) != wave);         // where channel 2 would be
        QVERIFY(image.pixel(200, 100 + 35 + 3) != wave);   // where channel 3 would be
    }

private:
    QTemporaryDir m_dir;
    QString m_wav;
};

CONTROL_TEST_MAIN(TestControlEdges)
#include "test_control_edges.moc"
