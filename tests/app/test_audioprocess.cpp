// The audio processing window on the offscreen platform, with the real
// editor control loaded by class id from libSonarch2.so: toolbar, dialogs,
// scale labels, transport, failure messages, and closing while the control
// is inside a long call. Playback goes to the PulseAudio null sink.

#include "AudioProcessFormats.h"
#include "AudioProcessScale.h"
#include "ModalAnswer.h"
#include "frmAudioProcess.h"
#include "frmKTX.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <functional>

namespace {

const QString kCaption = QStringLiteral("Vanto Mobile Ringtones - Audio File Processing");

// Types `path` into the dialog's file name box and presses its button; a
// dialog that does not take it is cancelled, so that the test cannot hang.
void TypeAndAccept(QFileDialog* dialog, QFileDialog::AcceptMode mode, const QString& path)
{
    auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (dialog->acceptMode() != mode || !nameBox) {
        dialog->reject();
        QFAIL("not the expected file dialog");
    }
    dialog->selectFile(path);
    nameBox->setText(path);
    static_cast<QDialog*>(dialog)->accept();
    if (dialog->isVisible()) {
        dialog->reject();
        QFAIL(qPrintable(QStringLiteral("the dialog did not take %1").arg(path)));
    }
}

bool Run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning() << program << args << p.readAllStandardError();
        return false;
    }
    return true;
}

QString PulseServer()
{
    QProcess p;
    p.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    if (!p.waitForFinished(5000))
        return QString();
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (line.startsWith("Server String: "))
            return QString::fromLocal8Bit(line.mid(15).trimmed());
    return QString();
}

}  // namespace

// Notes the control's length each time it announces a new view.
class LengthWatcher : public QObject
{
    Q_OBJECT
public:
    explicit LengthWatcher(frmAudioProcess* window) : m_window(window) {}
    int m_nLength = -1;
public slots:
    void Record() { m_nLength = m_window->EditorProperty("WaveLength").toInt(); }
private:
    frmAudioProcess* m_window;
};

class TestAudioProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controlsAndCaption();
    void loadOfTheWindowSetsColours();
    void formatCodes_data();
    void formatCodes();
    void markFramesRoundHalvesToEven();
    void scaleLabelsFollowTheView();
    void newThenPlayAndPauseWhileIdle();
    void openMp3InBothCases();
    void cancelledOpenLoadsNothing();
    void corruptFileSaysSoAndStaysEmpty();
    void saveAsWavWritesIt();
    void saveAsMixedCaseWritesLowerCaseExtension();
    void failedSaveSaysSo();
    void saveAsAnotherExtensionSavesNothing();
    void saveAsWithoutExtensionTakesTheFilters_data();
    void saveAsWithoutExtensionTakesTheFilters();
    void editButtonsReachTheControl();
    void windowWithFileLoadedShowsTheWaveform();
    void closingAfterSaveHandsPathToMainWindow();
    void stopDuringPlayThroughTheButtons();
    void closeDuringPlay();
    void closeDuringLoad();
    void closeDuringSaveAs();
    void closeWhileTheDialogIsOpen();
    void exitMenuCloses();
    void quittingTheProgramDuringPlay();

private:
    frmAudioProcess* NewWindow();
    QString Fixture(const QString& name) const { return m_dir.filePath(name); }
    void OpenThroughDialog(frmAudioProcess* window, const QString& path);
    void SaveThroughDialog(frmAudioProcess* window, const QString& path);
    QAction* Button(frmAudioProcess* window, const QString& key);
    static int WaveLength(frmAudioProcess* window) { return window->EditorProperty("WaveLength").toInt(); }

    QTemporaryDir m_dir;
    QPointer<frmAudioProcess> m_window;
    // Closes a modal window that nobody answers, so that a fault shows as a
    // failure instead of a hang.
    QTimer m_stuckModal;
    QPointer<QWidget> m_lastModal;
    int m_nModalTicks = 0;
    QString m_strStuck;
};

void TestAudioProcess::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Keep the real component registry and profile out of reach; PulseAudio
    // is found through its socket, whatever the runtime directory says.
    const QString server = PulseServer();
    if (!server.isEmpty() && qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        qputenv("PULSE_SERVER", server.toLocal8Bit());
    QVERIFY(QDir().mkpath(Fixture(QStringLiteral("config"))));
    QVERIFY(QDir().mkpath(Fixture(QStringLiteral("runtime"))));
    QFile::setPermissions(Fixture(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_CONFIG_HOME", Fixture(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", Fixture(QStringLiteral("runtime")).toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Fixture(QStringLiteral("config")));

    // A one-second stereo tone, as WAV and as MP3 in both cases of name; a
    // three-second one to play; a long one to load; a file that is no MP3.
    QVERIFY(Run(QStringLiteral("sox"), {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                                        QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-b"),
                                        QStringLiteral("16"), Fixture(QStringLiteral("second.wav")),
                                        QStringLiteral("synth"), QStringLiteral("1"), QStringLiteral("sine"),
                                        QStringLiteral("440"), QStringLiteral("vol"), QStringLiteral("0.5")}));
    QVERIFY(Run(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"),
                                         Fixture(QStringLiteral("second.wav")), Fixture(QStringLiteral("song.mp3"))}));
    QVERIFY(QFile::copy(Fixture(QStringLiteral("song.mp3")), Fixture(QStringLiteral("SONG.MP3"))));
    QVERIFY(Run(QStringLiteral("sox"), {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                                        QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-b"),
                                        QStringLiteral("16"), Fixture(QStringLiteral("play.wav")),
                                        QStringLiteral("synth"), QStringLiteral("4"), QStringLiteral("sine"),
                                        QStringLiteral("330"), QStringLiteral("vol"), QStringLiteral("0.3")}));
    QVERIFY(Run(QStringLiteral("sox"), {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                                        QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-b"),
                                        QStringLiteral("16"), Fixture(QStringLiteral("long.wav")),
                                        QStringLiteral("synth"), QStringLiteral("120"), QStringLiteral("sine"),
                                        QStringLiteral("220")}));
    QFile corrupt(Fixture(QStringLiteral("corrupt.mp3")));
    QVERIFY(corrupt.open(QIODevice::WriteOnly));
    QByteArray junk(200000, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<char>((i * 7919 + 13) % 251);
    corrupt.write("This is not an MP3 file.\n");
    corrupt.write(junk);
    corrupt.close();
}

void TestAudioProcess::init()
{
    m_strStuck.clear();
    m_nModalTicks = 0;
    m_stuckModal.disconnect();
    connect(&m_stuckModal, &QTimer::timeout, this, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        m_nModalTicks = modal && modal == m_lastModal ? m_nModalTicks + 1 : 0;
        m_lastModal = modal;
        if (m_nModalTicks < 25)
            return;
        auto* box = qobject_cast<QMessageBox*>(modal);
        m_strStuck = QStringLiteral("%1 %2").arg(QString::fromLatin1(modal->metaObject()->className()),
                                                  box ? box->text() : modal->windowTitle());
        qWarning().noquote() << "unanswered modal window:" << m_strStuck;
        QMetaObject::invokeMethod(modal, "reject");
    });
    m_stuckModal.start(200);
}

void TestAudioProcess::cleanup()
{
    m_stuckModal.stop();
    QVERIFY2(m_strStuck.isEmpty(), qPrintable(m_strStuck));
    if (m_window) {
        m_window->close();
        QTRY_VERIFY(m_window.isNull());
    }
}

frmAudioProcess* TestAudioProcess::NewWindow()
{
    m_window = new frmAudioProcess;
    m_window->show();
    return m_window;
}

QAction* TestAudioProcess::Button(frmAudioProcess* window, const QString& key)
{
    auto* toolbar = window->findChild<QToolBar*>(QStringLiteral("tbrMenu"));
    for (QAction* action : toolbar->actions())
        if (action->data().toString() == key)
            return action;
    return nullptr;
}

void TestAudioProcess::OpenThroughDialog(frmAudioProcess* window, const QString& path)
{
    ModalAnswer<QFileDialog> answer([path](QFileDialog* dialog) { TypeAndAccept(dialog, QFileDialog::AcceptOpen, path); });
    Button(window, QStringLiteral("Open"))->trigger();
    QVERIFY(answer.Seen());
}

void TestAudioProcess::SaveThroughDialog(frmAudioProcess* window, const QString& path)
{
    ModalAnswer<QFileDialog> answer([path](QFileDialog* dialog) { TypeAndAccept(dialog, QFileDialog::AcceptSave, path); });
    Button(window, QStringLiteral("Save As"))->trigger();
    QVERIFY(answer.Seen());
}

void TestAudioProcess::controlsAndCaption()
{
    frmAudioProcess* w = NewWindow();
    QVERIFY2(w->Editor(), qPrintable(w->ControlError()));
    QCOMPARE(w->Editor()->objectName(), QStringLiteral("ctlAudioEditor"));
    QCOMPARE(QString::fromLatin1(w->Editor()->metaObject()->className()), QStringLiteral("CSonarch2Ctrl"));
    QCOMPARE(w->windowTitle(), kCaption);

    auto* toolbar = w->findChild<QToolBar*>(QStringLiteral("tbrMenu"));
    QVERIFY(toolbar);
    QStringList keys;
    for (QAction* action : toolbar->actions()) {
        if (action->isSeparator())
            continue;
        keys << action->data().toString();
        QVERIFY2(!action->icon().isNull(), qPrintable(action->data().toString()));
    }
    QCOMPARE(keys, (QStringList{"New", "Open", "Save As", "Copy", "Cut", "Paste", "Delete", "Undo", "Zoom In",
                                "Zoom Out", "Make Ringtone"}));

    QVERIFY(w->findChild<QFileDialog*>(QStringLiteral("dlgCommon")));
    auto* progress = w->findChild<QProgressBar*>(QStringLiteral("pbrProgress"));
    QVERIFY(progress);
    QCOMPARE(progress->minimum(), 0);
    QCOMPARE(progress->maximum(), 100);
    QCOMPARE(w->findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("File Progress"));
    auto* frame = w->findChild<QGroupBox*>(QStringLiteral("fraButtons"));
    QVERIFY(frame);
    const QStringList names{"cmdPlay", "cmdPause", "cmdStop"};
    const QStringList texts{"Play", "Pause", "Stop"};
    for (int i = 0; i < 3; ++i) {
        auto* b = frame->findChild<QPushButton*>(names[i]);
        QVERIFY(b);
        QCOMPARE(b->text(), texts[i]);
    }
    for (int k = 1; k <= 5; ++k) {
        auto* label = w->findChild<QLabel*>(QStringLiteral("lblScale%1").arg(k));
        auto* line = w->findChild<QFrame*>(QStringLiteral("Line%1").arg(k));
        QVERIFY(label);
        QVERIFY(line);
        QVERIFY(line->isVisible());
    }
    // Ticks left to right, from the left edge of the scale to its right edge.
    QTRY_VERIFY(w->findChild<QFrame*>(QStringLiteral("Line5"))->x() > 300);
    QCOMPARE(w->findChild<QFrame*>(QStringLiteral("Line1"))->x(), 0);
    for (int k = 1; k < 5; ++k)
        QVERIFY(w->findChild<QFrame*>(QStringLiteral("Line%1").arg(k))->x() <
                w->findChild<QFrame*>(QStringLiteral("Line%1").arg(k + 1))->x());

    const QList<QAction*> menus = w->menuBar()->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
    QList<QAction*> items = menus[0]->menu()->actions();
    items.removeIf([](const QAction* item) { return item->isSeparator(); });
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0]->objectName(), QStringLiteral("MakeRingtone"));
    QCOMPARE(items[0]->text(), QStringLiteral("Make &Ringtone..."));
    QCOMPARE(items[1]->objectName(), QStringLiteral("Exit"));
    QCOMPARE(items[1]->text(), QStringLiteral("&Exit"));
    QVERIFY(!w->IsPaused());
    QVERIFY(w->CommonFileName().isEmpty());
}

void TestAudioProcess::loadOfTheWindowSetsColours()
{
    frmAudioProcess* w = NewWindow();
    QVERIFY(w->Editor());
    QCOMPARE(w->palette().color(QPalette::Window), QColor(62, 69, 249));
    QCOMPARE(w->findChild<QGroupBox*>(QStringLiteral("fraButtons"))->palette().color(QPalette::Window),
             QColor(62, 69, 249));
    QCOMPARE(w->EditorProperty("BackColor").toUInt(), 0x00FFFFFFu);
    QCOMPARE(w->EditorProperty("WaveColor").toUInt(), 0x00FF0000u);  // 0x00BBGGRR: blue
    // The empty view is painted in the back colour.
    const QImage image = w->Editor()->grab().toImage();
    QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2), QColor(Qt::white));
}

void TestAudioProcess::formatCodes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("load");
    QTest::addColumn<int>("save");
    QTest::newRow("mp3") << "/music/song.mp3" << 1 << 1;
    QTest::newRow("MP3") << "/music/SONG.MP3" << 1 << 1;
    QTest::newRow("Mp3") << "Song.Mp3" << 1 << 1;
    QTest::newRow("ogg") << "a.ogg" << 2 << 2;
    QTest::newRow("OGG") << "A.OGG" << 2 << 2;
    QTest::newRow("raw") << "a.raw" << 3 << 3;
    QTest::newRow("wav") << "tone.wav" << 4 << 4;
    QTest::newRow("WaV") << "tone.WaV" << 4 << 4;
    QTest::newRow("wma") << "a.wma" << 5 << 5;
    QTest::newRow("m4a") << "song.m4a" << 6 << 6;
    QTest::newRow("M4A") << "SONG.M4A" << 6 << 6;
    QTest::newRow("m4r") << "tone.m4r" << 7 << 7;
    QTest::newRow("M4R") << "TONE.M4R" << 7 << 7;
    QTest::newRow("other") << "a.flac" << 0 << 0;
    QTest::newRow("no extension") << "tone" << 0 << 0;
    QTest::newRow("empty") << "" << 0 << 0;
    QTest::newRow("three characters only") << "wav" << 4 << 4;
    QTest::newRow("dotless tail") << "mymp3" << 1 << 1;
}

void TestAudioProcess::formatCodes()
{
    QFETCH(QString, name);
    QFETCH(int, load);
    QFETCH(int, save);
    QCOMPARE(static_cast<int>(audioprocess::LoadFormatOf(name)), load);
    QCOMPARE(static_cast<int>(audioprocess::SaveFormatOf(name)), save);
}

void TestAudioProcess::markFramesRoundHalvesToEven()
{
    using A = std::array<int32_t, 5>;
    QCOMPARE(CAudioProcessScale::MarkFrames(0, 44100), (A{0, 11025, 22050, 33075, 44100}));
    QCOMPARE(CAudioProcessScale::MarkFrames(0, 2), (A{0, 0, 1, 2, 2}));       // 0.5 -> 0, 1.5 -> 2
    QCOMPARE(CAudioProcessScale::MarkFrames(0, 6), (A{0, 2, 3, 4, 6}));       // 1.5 -> 2, 4.5 -> 4
    QCOMPARE(CAudioProcessScale::MarkFrames(10, 12), (A{10, 10, 11, 12, 12}));
    QCOMPARE(CAudioProcessScale::MarkFrames(0, 0), (A{0, 0, 0, 0, 0}));
}

void TestAudioProcess::scaleLabelsFollowTheView()
{
    frmAudioProcess* w = NewWindow();
    w->LoadByExtension(Fixture(QStringLiteral("second.wav")));
    QCOMPARE(WaveLength(w), 44100);
    QCOMPARE(w->EditorProperty("ViewBegin").toInt(), 0);
    QCOMPARE(w->EditorProperty("ViewEnd").toInt(), 44100);
    const QLocale locale = QLocale::system();
    const QList<double> seconds{0.0, 0.25, 0.5, 0.75, 1.0};
    for (int k = 0; k < 5; ++k)
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("lblScale%1").arg(k + 1))->text(),
                 locale.toString(seconds[k], 'f', 3));
    QCOMPARE(w->findChild<QLabel*>(QStringLiteral("lblScale3"))->text(),
             QStringLiteral("0") + locale.decimalPoint() + QStringLiteral("500"));

    // Zooming in narrows the view, and the labels follow it.
    Button(w, QStringLiteral("Zoom In"))->trigger();
    const int begin = w->EditorProperty("ViewBegin").toInt();
    const int end = w->EditorProperty("ViewEnd").toInt();
    QVERIFY(end - begin < 44100);
    QCOMPARE(w->findChild<QLabel*>(QStringLiteral("lblScale5"))->text(), locale.toString(end / 44100.0, 'f', 3));
    QCOMPARE(w->findChild<QLabel*>(QStringLiteral("lblScale1"))->text(), locale.toString(begin / 44100.0, 'f', 3));
}

void TestAudioProcess::newThenPlayAndPauseWhileIdle()
{
    frmAudioProcess* w = NewWindow();
    auto* progress = w->findChild<QProgressBar*>(QStringLiteral("pbrProgress"));
    QList<int> values;
    connect(progress, &QProgressBar::valueChanged, this, [&values](int v) { values << v; });

    Button(w, QStringLiteral("New"))->trigger();
    QCOMPARE(w->EditorProperty("Channels").toInt(), 2);
    QCOMPARE(w->EditorProperty("SamplesPerSec").toInt(), 44100);
    QCOMPARE(w->EditorProperty("BitsPerSample").toInt(), 16);
    QCOMPARE(WaveLength(w), 0);

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdPlay")), Qt::LeftButton);
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(w->EditorProperty("PlayerStatus").toInt(), 0);
    QVERIFY2(values.contains(100), qPrintable(QString::number(values.size())));
    QCOMPARE(values.last(), 0);
    QCOMPARE(progress->value(), 0);

    // Pause while idle flips the flag; Play then does nothing until Pause
    // again or Stop clears it.
    auto* pause = w->findChild<QPushButton*>(QStringLiteral("cmdPause"));
    QTest::mouseClick(pause, Qt::LeftButton);
    QVERIFY(w->IsPaused());
    values.clear();
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdPlay")), Qt::LeftButton);
    QVERIFY(values.isEmpty());
    QTest::mouseClick(pause, Qt::LeftButton);
    QVERIFY(!w->IsPaused());
    QTest::mouseClick(pause, Qt::LeftButton);
    QVERIFY(w->IsPaused());
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdStop")), Qt::LeftButton);
    QVERIFY(!w->IsPaused());
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdPlay")), Qt::LeftButton);
    QVERIFY(values.contains(100));
}

void TestAudioProcess::openMp3InBothCases()
{
    frmAudioProcess* w = NewWindow();
    for (const QString& name : {QStringLiteral("song.mp3"), QStringLiteral("SONG.MP3")}) {
        Button(w, QStringLiteral("New"))->trigger();
        QCOMPARE(WaveLength(w), 0);
        OpenThroughDialog(w, Fixture(name));
        QCOMPARE(w->CommonFileName(), Fixture(name));
        QCOMPARE(w->EditorProperty("Format").toInt(), 1);
        // One second of MP3: LAME's padding may add a frame's worth at most.
        QVERIFY2(WaveLength(w) >= 44100 && WaveLength(w) < 44100 + 2 * 1152,
                 qPrintable(QString::number(WaveLength(w))));
        QCOMPARE(w->EditorProperty("Channels").toInt(), 2);
        QVERIFY(!QApplication::activeModalWidget());
    }
}

void TestAudioProcess::cancelledOpenLoadsNothing()
{
    frmAudioProcess* w = NewWindow();
    OpenThroughDialog(w, Fixture(QStringLiteral("second.wav")));
    QCOMPARE(WaveLength(w), 44100);
    Button(w, QStringLiteral("Delete"))->trigger();  // no selection: nothing to delete
    w->EditorCall(QStringLiteral("SelectAll"));
    Button(w, QStringLiteral("Delete"))->trigger();
    QCOMPARE(WaveLength(w), 0);

    ModalAnswer<QFileDialog> cancel([](QFileDialog* dialog) { dialog->reject(); });
    Button(w, QStringLiteral("Open"))->trigger();
    QVERIFY(cancel.Seen());
    // The edit survives, and the dialog still holds the earlier name.
    QCOMPARE(WaveLength(w), 0);
    QCOMPARE(w->CommonFileName(), Fixture(QStringLiteral("second.wav")));
}

void TestAudioProcess::corruptFileSaysSoAndStaysEmpty()
{
    frmAudioProcess* w = NewWindow();
    QString text;
    ModalAnswer<QMessageBox> message([&text](QMessageBox* box) {
        text = box->text();
        box->accept();
    });
    OpenThroughDialog(w, Fixture(QStringLiteral("corrupt.mp3")));
    QVERIFY(message.Seen());
    QVERIFY2(text.contains(Fixture(QStringLiteral("corrupt.mp3"))), qPrintable(text));
    QCOMPARE(WaveLength(w), 0);
    QVERIFY(w->CommonFileName().isEmpty());  // a file that did not open is not handed on
    // Nothing but the background is drawn.
    const QImage image = w->Editor()->grab().toImage();
    int coloured = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == QColor(0, 0, 255))
                ++coloured;
    QCOMPARE(coloured, 0);
}

void TestAudioProcess::saveAsWavWritesIt()
{
    frmAudioProcess* w = NewWindow();
    OpenThroughDialog(w, Fixture(QStringLiteral("song.mp3")));
    const int frames = WaveLength(w);
    QVERIFY(frames >= 44100);
    const QString target = Fixture(QStringLiteral("tone.wav"));
    SaveThroughDialog(w, target);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(w->CommonFileName(), target);
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(12);
    QCOMPARE(header.left(4), QByteArray("RIFF"));
    QCOMPARE(header.mid(8, 4), QByteArray("WAVE"));
    // A 16-bit stereo file of the document's length, as soxi reads it.
    QProcess soxi;
    soxi.start(QStringLiteral("soxi"), {QStringLiteral("-s"), target});
    QVERIFY(soxi.waitForFinished());
    QCOMPARE(soxi.readAllStandardOutput().trimmed().toInt(), frames);
    // The header is 44 bytes, or 46 with a format record that carries its extra size.
    const qint64 headerSize = file.size() - qint64(frames) * 4;
    QVERIFY2(headerSize == 44 || headerSize == 46, qPrintable(QString::number(headerSize)));
}

void TestAudioProcess::saveAsMixedCaseWritesLowerCaseExtension()
{
    frmAudioProcess* w = NewWindow();
    OpenThroughDialog(w, Fixture(QStringLiteral("second.wav")));
    SaveThroughDialog(w, Fixture(QStringLiteral("RING.OGG")));
    QVERIFY(!QApplication::activeModalWidget());
    const QString written = Fixture(QStringLiteral("RING.ogg"));
    QVERIFY(QFileInfo::exists(written));
    QCOMPARE(w->CommonFileName(), written);
    QFile file(written);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(4), QByteArray("OggS"));
}

void TestAudioProcess::failedSaveSaysSo()
{
    frmAudioProcess* w = NewWindow();
    OpenThroughDialog(w, Fixture(QStringLiteral("second.wav")));
    // The control writes blocked.wav, which is a folder made just now.
    QVERIFY(QDir().mkpath(Fixture(QStringLiteral("blocked.wav"))));
    QString text;
    ModalAnswer<QMessageBox> message([&text](QMessageBox* box) {
        text = box->text();
        box->accept();
    });
    SaveThroughDialog(w, Fixture(QStringLiteral("blocked.WAV")));
    QTRY_VERIFY(message.Seen());
    QVERIFY2(text.contains(QStringLiteral("save failed")), qPrintable(text));
    QVERIFY2(text.contains(Fixture(QStringLiteral("blocked.wav"))), qPrintable(text));
    QVERIFY(QFileInfo(Fixture(QStringLiteral("blocked.wav"))).isDir());
    QCOMPARE(w->CommonFileName(), Fixture(QStringLiteral("second.wav")));  // the last file that was written or read
}

void TestAudioProcess::saveAsAnotherExtensionSavesNothing()
{
    frmAudioProcess* w = NewWindow();
    QVERIFY(w->LoadByExtension(Fixture(QStringLiteral("second.wav"))));
    const QString before = w->EditorProperty("FileName").toString();
    QString text;
    ModalAnswer<QMessageBox> message([&text](QMessageBox* box) {
        text = box->text();
        box->accept();
    });
    SaveThroughDialog(w, Fixture(QStringLiteral("tone.flac")));
    QTRY_VERIFY(message.Seen());
    QVERIFY2(text.startsWith(QStringLiteral("Nothing was saved")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("tone.flac")), qPrintable(text));
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(!QFileInfo::exists(Fixture(QStringLiteral("tone.flac"))));
    QCOMPARE(w->EditorProperty("FileName").toString(), before);  // SaveAs was not called
    QVERIFY(w->CommonFileName().isEmpty());
}

// A name typed without an extension takes the one of the selected filter.
void TestAudioProcess::saveAsWithoutExtensionTakesTheFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("wave") << QStringLiteral("Wave File (*.wav)") << QStringLiteral("plain.wav") << QByteArray("RIFF");
    QTest::newRow("ogg") << QStringLiteral("Ogg Vorbis File (*.ogg)") << QStringLiteral("plain.ogg") << QByteArray("OggS");
}

void TestAudioProcess::saveAsWithoutExtensionTakesTheFilters()
{
    QFETCH(QString, filter);
    QFETCH(QString, written);
    QFETCH(QByteArray, magic);
    frmAudioProcess* w = NewWindow();
    QVERIFY(w->LoadByExtension(Fixture(QStringLiteral("second.wav"))));
    const QString typed = Fixture(QStringLiteral("plain"));
    QFile::remove(Fixture(written));
    ModalAnswer<QFileDialog> answer([&](QFileDialog* dialog) {
        dialog->selectNameFilter(filter);
        TypeAndAccept(dialog, QFileDialog::AcceptSave, typed);
    });
    Button(w, QStringLiteral("Save As"))->trigger();
    QVERIFY(answer.Seen());
    QVERIFY(!QApplication::activeModalWidget());
    QFile file(Fixture(written));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(written));
    QCOMPARE(file.read(4), magic);
    QCOMPARE(w->CommonFileName(), Fixture(written));
}

void TestAudioProcess::editButtonsReachTheControl()
{
    frmAudioProcess* w = NewWindow();
    w->LoadByExtension(Fixture(QStringLiteral("second.wav")));
    QCOMPARE(WaveLength(w), 44100);
    // Drag over the left half of the waveform.
    QWidget* editor = w->Editor();
    const int y = editor->height() / 2;
    QTest::mousePress(editor, Qt::LeftButton, {}, QPoint(2, y));
    QTest::mouseMove(editor, QPoint(editor->width() / 4, y));
    QTest::mouseMove(editor, QPoint(editor->width() / 2, y));
    QTest::mouseRelease(editor, Qt::LeftButton, {}, QPoint(editor->width() / 2, y));
    QVERIFY2(w->EditorProperty("SelectEnd").toInt() > 10000, qPrintable(w->EditorProperty("SelectEnd").toString()));
    const int selected = w->EditorProperty("SelectEnd").toInt() - w->EditorProperty("SelectBegin").toInt();
    Button(w, QStringLiteral("Copy"))->trigger();
    QCOMPARE(WaveLength(w), 44100);
    Button(w, QStringLiteral("Cut"))->trigger();
    QCOMPARE(WaveLength(w), 44100 - selected);
    Button(w, QStringLiteral("Undo"))->trigger();
    QCOMPARE(WaveLength(w), 44100);
    Button(w, QStringLiteral("Paste"))->trigger();
    QCOMPARE(WaveLength(w), 44100 + selected);
    const float zoom = w->EditorProperty("Zoom").toFloat();
    Button(w, QStringLiteral("Zoom In"))->trigger();
    QVERIFY(w->EditorProperty("Zoom").toFloat() > zoom);
    Button(w, QStringLiteral("Zoom Out"))->trigger();
    QCOMPARE(w->EditorProperty("Zoom").toFloat(), zoom);
}

void TestAudioProcess::windowWithFileLoadedShowsTheWaveform()
{
    frmAudioProcess* w = NewWindow();
    w->resize(900, 520);
    OpenThroughDialog(w, Fixture(QStringLiteral("song.mp3")));
    QVERIFY(WaveLength(w) >= 44100);
    QTest::qWait(50);
    const QImage window = w->grab().toImage();
    // VRT_SCREENSHOT names a file to keep the picture in, for a person to look at.
    const QString keep = qEnvironmentVariable("VRT_SCREENSHOT");
    if (!keep.isEmpty())
        QVERIFY(window.save(keep));

    // The waveform: blue on white, in both channels' halves of the control.
    const QImage wave = w->Editor()->grab().toImage();
    int top = 0;
    int bottom = 0;
    for (int y = 0; y < wave.height(); ++y)
        for (int x = 0; x < wave.width(); ++x)
            if (wave.pixelColor(x, y) == QColor(0, 0, 255))
                ++(y < wave.height() / 2 ? top : bottom);
    QVERIFY2(top > wave.width() && bottom > wave.width(), qPrintable(QStringLiteral("%1 %2").arg(top).arg(bottom)));
    // The scale reads the whole second.
    QCOMPARE(w->findChild<QLabel*>(QStringLiteral("lblScale1"))->text(), QLocale::system().toString(0.0, 'f', 3));
    QVERIFY(w->findChild<QLabel*>(QStringLiteral("lblScale5"))->text().startsWith(QStringLiteral("1")));
}

void TestAudioProcess::closingAfterSaveHandsPathToMainWindow()
{
    frmKTX main;
    main.show();
    auto* audioEdit = main.findChild<QAction*>(QStringLiteral("AudioEdit"));
    QVERIFY(audioEdit->isEnabled());
    QVERIFY(main.findChild<QPushButton*>(QStringLiteral("cmdSoundProcess"))->isEnabled());
    audioEdit->trigger();
    QPointer<frmAudioProcess> w = main.findChild<frmAudioProcess*>();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QVERIFY(!w->isModal());
    QVERIFY(w->Editor());
    // The button opens the same window again rather than a second one.
    QTest::mouseClick(main.findChild<QPushButton*>(QStringLiteral("cmdSoundProcess")), Qt::LeftButton);
    QCOMPARE(main.findChildren<frmAudioProcess*>().size(), 1);

    OpenThroughDialog(w, Fixture(QStringLiteral("second.wav")));
    const QString target = Fixture(QStringLiteral("handed.wav"));
    SaveThroughDialog(w, target);
    QVERIFY(QFileInfo::exists(target));
    auto* label = main.findChild<QLabel*>(QStringLiteral("lblFileName"));
    QVERIFY(label->text().isEmpty());
    w->close();
    QTRY_VERIFY(w.isNull());
    QCOMPARE(label->text(), target);
    QCOMPARE(main.findChild<QFileDialog*>(QStringLiteral("dlgOpenFile"))->selectedFiles().value(0), target);
}

void TestAudioProcess::stopDuringPlayThroughTheButtons()
{
    frmAudioProcess* w = NewWindow();
    w->LoadByExtension(Fixture(QStringLiteral("play.wav")));
    QCOMPARE(WaveLength(w), 4 * 44100);
    int statusWhenStopped = -1;
    bool busyWhenStopped = false;
    QTimer::singleShot(400, w, [&] {
        statusWhenStopped = w->EditorProperty("PlayerStatus").toInt();
        busyWhenStopped = w->IsBusy();
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdStop")), Qt::LeftButton);
    });
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdPlay")), Qt::LeftButton);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(statusWhenStopped, 1);  // the Stop handler ran while Play was playing
    QVERIFY(busyWhenStopped);
    QVERIFY2(elapsed >= 350 && elapsed < 3000, qPrintable(QString::number(elapsed)));
    QCOMPARE(w->EditorProperty("PlayerStatus").toInt(), 0);
}

void TestAudioProcess::closeDuringPlay()
{
    QPointer<frmAudioProcess> w = NewWindow();
    w->LoadByExtension(Fixture(QStringLiteral("play.wav")));
    QPointer<QWidget> control = w->Editor();
    bool playReturned = false;
    bool destroyedAfterReturn = false;
    connect(control, &QObject::destroyed, this, [&] { destroyedAfterReturn = playReturned; });
    bool stillThere = false;
    QTimer::singleShot(400, w, [&] {
        w->close();
        stillThere = !control.isNull() && w->isVisible();
    });
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdPlay")), Qt::LeftButton);
    playReturned = true;
    const qint64 elapsed = clock.elapsed();
    QVERIFY(stillThere);
    QVERIFY2(elapsed < 3000, qPrintable(QString::number(elapsed)));  // the player was stopped
    QTRY_VERIFY(control.isNull());
    QTRY_VERIFY(w.isNull());
    QVERIFY(destroyedAfterReturn);
}

void TestAudioProcess::closeDuringLoad()
{
    QPointer<frmAudioProcess> w = NewWindow();
    QPointer<QWidget> control = w->Editor();
    bool openReturned = false;
    bool destroyedAfterReturn = false;
    connect(control, &QObject::destroyed, this, [&] { destroyedAfterReturn = openReturned; });
    int closedAt = -1;
    bool stillThere = false;
    auto* progress = w->findChild<QProgressBar*>(QStringLiteral("pbrProgress"));
    connect(progress, &QProgressBar::valueChanged, this, [&](int v) {
        if (closedAt < 0 && v > 0 && v < 50) {
            closedAt = v;
            w->close();
            stillThere = !control.isNull() && w->isVisible();
        }
    });
    // The control announces its new view when Load has read the whole file.
    LengthWatcher watcher(w);
    QVERIFY(connect(control, SIGNAL(ChangeView()), &watcher, SLOT(Record())));
    OpenThroughDialog(w, Fixture(QStringLiteral("long.wav")));
    openReturned = true;
    QVERIFY(closedAt > 0);
    QVERIFY(stillThere);
    // The load ran to its end before the window unloaded.
    QCOMPARE(watcher.m_nLength, 120 * 44100);
    QTRY_VERIFY(control.isNull());
    QTRY_VERIFY(w.isNull());
    QVERIFY(destroyedAfterReturn);
}

void TestAudioProcess::closeDuringSaveAs()
{
    QPointer<frmAudioProcess> w = NewWindow();
    QVERIFY(w->LoadByExtension(Fixture(QStringLiteral("long.wav"))));
    QPointer<QWidget> control = w->Editor();
    bool saveReturned = false;
    bool destroyedAfterReturn = false;
    connect(control, &QObject::destroyed, this, [&] { destroyedAfterReturn = saveReturned; });
    int closedAt = -1;
    bool stillThere = false;
    connect(w->findChild<QProgressBar*>(QStringLiteral("pbrProgress")), &QProgressBar::valueChanged, this,
            [&](int v) {
                if (closedAt < 0 && v > 0 && v < 50) {
                    closedAt = v;
                    w->close();
                    stillThere = !control.isNull() && w->isVisible();
                }
            });
    QString handed;
    connect(w, &frmAudioProcess::FileChosen, this, [&handed](const QString& p) { handed = p; });
    const QString target = Fixture(QStringLiteral("long-copy.wav"));
    SaveThroughDialog(w, target);
    saveReturned = true;
    QVERIFY(closedAt > 0);
    QVERIFY(stillThere);
    QTRY_VERIFY(control.isNull());
    QVERIFY(w.isNull());
    QVERIFY(destroyedAfterReturn);
    // The save ran to its end: the whole file is there, and it was handed on.
    QCOMPARE(handed, target);
    QProcess soxi;
    soxi.start(QStringLiteral("soxi"), {QStringLiteral("-s"), target});
    QVERIFY(soxi.waitForFinished());
    QCOMPARE(soxi.readAllStandardOutput().trimmed().toInt(), 120 * 44100);
    QVERIFY(QFileInfo(target).size() >= 44 + qint64(120) * 44100 * 4);
}

void TestAudioProcess::closeWhileTheDialogIsOpen()
{
    QPointer<frmAudioProcess> w = NewWindow();
    bool stillThere = false;
    ModalAnswer<QFileDialog> closeInstead([&](QFileDialog*) {
        w->close();  // as the main window does when the program ends
        stillThere = !w.isNull() && w->isVisible();
    });
    Button(w, QStringLiteral("Open"))->trigger();
    QVERIFY(closeInstead.Seen());
    QVERIFY(stillThere);
    QTRY_VERIFY(w.isNull());
}

void TestAudioProcess::exitMenuCloses()
{
    QPointer<frmAudioProcess> w = NewWindow();
    QString handed;
    connect(w, &frmAudioProcess::FileChosen, this, [&handed](const QString& p) { handed = p; });
    w->menuBar()->actions().at(0)->menu()->findChild<QAction*>(QStringLiteral("Exit"))->trigger();
    QTRY_VERIFY(w.isNull());
    QVERIFY(handed.isEmpty());  // nothing chosen, nothing handed back
}

void TestAudioProcess::quittingTheProgramDuringPlay()
{
    frmKTX main;
    main.show();
    main.findChild<QAction*>(QStringLiteral("AudioEdit"))->trigger();
    QPointer<frmAudioProcess> w = main.findChild<frmAudioProcess*>();
    QVERIFY(w);
    w->LoadByExtension(Fixture(QStringLiteral("play.wav")));
    QPointer<QWidget> control = w->Editor();
    bool playReturned = false;
    bool destroyedAfterReturn = false;
    connect(control, &QObject::destroyed, this, [&] { destroyedAfterReturn = playReturned; });

    QElapsedTimer clock;
    QTimer::singleShot(0, w, [&] {
        clock.start();
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdPlay")), Qt::LeftButton);
        playReturned = true;
    });
    int statusAtExit = -1;
    QTimer::singleShot(400, &main, [&] {
        statusAtExit = w->EditorProperty("PlayerStatus").toInt();
        main.findChild<QAction*>(QStringLiteral("Exit"))->trigger();
    });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    const int rc = QApplication::exec();
    QCOMPARE(rc, 0);
    QCOMPARE(statusAtExit, 1);  // it was playing
    QVERIFY(playReturned);
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QTRY_VERIFY(control.isNull());
    QVERIFY(destroyedAfterReturn);
}

QTEST_MAIN(TestAudioProcess)
#include "test_audioprocess.moc"
