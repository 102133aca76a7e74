// The audio processing window's ringtone side on the offscreen platform, with
// the real editor control: Make Ringtone through its dialog to an iPhone file
// that ffprobe reads, handed to the main window and sent to a loopback
// server; the loudness label; opening M4A.

#include "AppConfig.h"
#include "LoopbackHttpServer.h"
#include "ModalAnswer.h"
#include "ProfileStore.h"
#include "dlgMakeRingtone.h"
#include "frmAudioProcess.h"
#include "frmKTX.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

QByteArray Run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << program << args << p.readAllStandardError();
        return QByteArray("failed");
    }
    return p.readAllStandardOutput().trimmed();
}

QString Probe(const QString& path, const QString& entries)
{
    return QString::fromUtf8(Run(QStringLiteral("ffprobe"),
                                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                                  QStringLiteral("a:0"), QStringLiteral("-show_entries"), entries,
                                  QStringLiteral("-of"), QStringLiteral("default=noprint_wrappers=1:nokey=1"), path}));
}

QAction* Button(frmAudioProcess* window, const QString& key)
{
    for (QAction* action : window->findChild<QToolBar*>(QStringLiteral("tbrMenu"))->actions())
        if (action->data().toString() == key)
            return action;
    return nullptr;
}

// The number at the start of "Loudness -23.4 LUFS ...".
double ShownLoudness(const QLabel* label)
{
    const QStringList words = label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return words.size() > 2 && words.at(2) == QLatin1String("LUFS") ? words.at(1).toDouble() : 0.0;
}

}  // namespace

class TestAudioProcessRingtone : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void iphoneRingtoneIsMadeHandedOverAndSent();
    void failedRingtoneSaysSoAndHandsNothing();
    void closingWhileTheDialogIsOpen();
    void loudnessLabelFollowsEdits();
    void m4aOpensThroughTheDialog();

private:
    frmAudioProcess* WindowWithSong();
    QString Fixture(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    LoopbackHttpServer m_server;
    QPointer<frmAudioProcess> m_window;
};

void TestAudioProcessRingtone::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    QVERIFY(m_server.isListening());
    const QString config = Fixture(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(config));
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    qputenv(kEnvUploadAddress, m_server.BaseAddress().toLatin1());
    for (const auto& [name, value] : {std::pair{"Name", "Ann"}, std::pair{"MobileNo", "447700900123"},
                                      std::pair{"Email", "ann@example.org"}, std::pair{"CreditCode", "CODE123456"},
                                      std::pair{"MobileModel", "0"}, std::pair{"CountryName", "0"}})
        QVERIFY(CreateRegistryValue(RegistryType::String, QString::fromLatin1(name), QString::fromLatin1(value)));

    // 30 s of stereo tone: 15 s quiet, then 15 s loud.
    const QStringList tone{QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
                           QStringLiteral("2"),  QStringLiteral("-b"), QStringLiteral("16")};
    QCOMPARE(Run(QStringLiteral("sox"), QStringList(tone) << Fixture(QStringLiteral("quiet.wav"))
                                                          << QStringLiteral("synth") << QStringLiteral("15")
                                                          << QStringLiteral("sine") << QStringLiteral("440")
                                                          << QStringLiteral("vol") << QStringLiteral("0.05")),
             QByteArray());
    QCOMPARE(Run(QStringLiteral("sox"), QStringList(tone) << Fixture(QStringLiteral("loud.wav"))
                                                          << QStringLiteral("synth") << QStringLiteral("15")
                                                          << QStringLiteral("sine") << QStringLiteral("440")
                                                          << QStringLiteral("vol") << QStringLiteral("0.5")),
             QByteArray());
    QCOMPARE(Run(QStringLiteral("sox"), {Fixture(QStringLiteral("quiet.wav")), Fixture(QStringLiteral("loud.wav")),
                                         Fixture(QStringLiteral("song.wav"))}),
             QByteArray());
    QCOMPARE(Run(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"),
                                            Fixture(QStringLiteral("loud.wav")), QStringLiteral("-c:a"),
                                            QStringLiteral("aac"), Fixture(QStringLiteral("song.m4a"))}),
             QByteArray());
    QVERIFY(QFile::copy(Fixture(QStringLiteral("song.m4a")), Fixture(QStringLiteral("SONG.M4A"))));
}

void TestAudioProcessRingtone::cleanup()
{
    if (m_window) {
        m_window->close();
        QTRY_VERIFY(m_window.isNull());
    }
}

void TestAudioProcessRingtone::iphoneRingtoneIsMadeHandedOverAndSent()
{
    frmKTX main;
    main.show();
    main.findChild<QAction*>(QStringLiteral("AudioEdit"))->trigger();
    m_window = main.findChild<frmAudioProcess*>();
    QVERIFY(m_window && m_window->Editor());
    QVERIFY(m_window->LoadByExtension(Fixture(QStringLiteral("song.wav"))));
    int progressSeen = 0;
    connect(m_window->findChild<QProgressBar*>(QStringLiteral("pbrProgress")), &QProgressBar::valueChanged, this,
            [&progressSeen](int value) { progressSeen = std::max(progressSeen, value); });

    // Nothing selected: the dialog offers the whole sound; the user types a
    // 25 s range and a file name, and keeps the iPhone target.
    const QString target = Fixture(QStringLiteral("ring.m4r"));
    QString offeredEnd;
    ModalAnswer<dlgMakeRingtone> answer([&](dlgMakeRingtone* dialog) {
        offeredEnd = dialog->findChild<QLineEdit*>(QStringLiteral("txtEnd"))->text();
        dialog->findChild<QComboBox*>(QStringLiteral("cboTarget"))->setCurrentIndex(0);
        dialog->findChild<QLineEdit*>(QStringLiteral("txtStart"))->setText(QStringLiteral("00:02.500"));
        dialog->findChild<QLineEdit*>(QStringLiteral("txtEnd"))->setText(QStringLiteral("00:27.500"));
        dialog->findChild<QLineEdit*>(QStringLiteral("txtFileName"))->setText(target);
        QPushButton* ok = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttons"))->button(QDialogButtonBox::Ok);
        if (!ok->isEnabled()) {
            dialog->reject();
            QFAIL(qPrintable(dialog->findChild<QLabel*>(QStringLiteral("lblStatus"))->text()));
        }
        ok->click();
    });
    QAction* make = Button(m_window, QStringLiteral("Make Ringtone"));
    QVERIFY(make);
    make->trigger();
    QVERIFY(answer.Seen());
    QCOMPARE(offeredEnd, QStringLiteral("00:30.000"));
    QVERIFY(QFileInfo::exists(target));
    QVERIFY(progressSeen > 0);
    QCOMPARE(Probe(target, QStringLiteral("stream=codec_name")), QStringLiteral("aac"));
    const double duration = Probe(target, QStringLiteral("format=duration")).toDouble();
    QVERIFY2(std::abs(duration - 25.0) <= 1024.0 / 44100, qPrintable(QString::number(duration)));
    // The document itself is untouched.
    QCOMPARE(m_window->EditorProperty("WaveLength").toInt(), 30 * 44100);
    QCOMPARE(m_window->CommonFileName(), target);

    // Closing hands the ringtone to the main window, whose Send uploads it.
    m_window->close();
    QTRY_VERIFY(m_window.isNull());
    QCOMPARE(main.findChild<QLabel*>(QStringLiteral("lblFileName"))->toolTip(), target);
    m_server.AnswerWith(200);
    const qsizetype before = m_server.Requests().size();
    ModalAnswer<QInputDialog> prompt([](QInputDialog* dialog) {
        dialog->setTextValue(QStringLiteral("ring"));
        dialog->accept();
    });
    main.findChild<QPushButton*>(QStringLiteral("cmdUpload"))->click();
    QVERIFY(prompt.Seen());
    QTRY_COMPARE(m_server.Requests().size(), before + 1);
    QFile written(target);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(m_server.Requests().last().body, written.readAll());
}

frmAudioProcess* TestAudioProcessRingtone::WindowWithSong()
{
    m_window = new frmAudioProcess;
    m_window->show();
    if (!m_window->LoadByExtension(Fixture(QStringLiteral("song.wav"))))
        qWarning("song.wav did not load");
    return m_window;
}

void TestAudioProcessRingtone::failedRingtoneSaysSoAndHandsNothing()
{
    frmAudioProcess* w = WindowWithSong();
    const QString target = Fixture(QStringLiteral("no such folder/ring.wav"));
    ModalAnswer<dlgMakeRingtone> answer([&](dlgMakeRingtone* dialog) {
        dialog->findChild<QComboBox*>(QStringLiteral("cboTarget"))->setCurrentIndex(4);  // WAV
        dialog->findChild<QLineEdit*>(QStringLiteral("txtFileName"))->setText(target);
        dialog->accept();
    });
    QString message;
    ModalAnswer<QMessageBox> box([&message](QMessageBox* shown) {
        message = shown->text();
        shown->accept();
    });
    Button(w, QStringLiteral("Make Ringtone"))->trigger();
    QVERIFY(answer.Seen());
    QVERIFY(box.Seen());
    QCOMPARE(message, QStringLiteral("The ringtone %1 could not be made. Check that the folder can be written to and "
                                     "that the range holds sound.")
                          .arg(target));
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(w->CommonFileName().isEmpty());
}

void TestAudioProcessRingtone::closingWhileTheDialogIsOpen()
{
    frmAudioProcess* w = WindowWithSong();
    bool stillOpen = false;
    ModalAnswer<dlgMakeRingtone> answer([w, &stillOpen](dlgMakeRingtone* dialog) {
        w->close();
        stillOpen = dialog->isVisible();
        if (stillOpen)
            dialog->reject();
    });
    Button(w, QStringLiteral("Make Ringtone"))->trigger();
    QVERIFY(answer.Seen());
    QVERIFY(!stillOpen);  // the close ended the dialog, and then the window
    QTRY_VERIFY(m_window.isNull());
    QVERIFY(!QFileInfo::exists(Fixture(QStringLiteral("song ringtone.m4r"))));
}

void TestAudioProcessRingtone::loudnessLabelFollowsEdits()
{
    WindowWithSong();
    auto* label = m_window->findChild<QLabel*>(QStringLiteral("lblLoudness"));
    QVERIFY(label);
    QTRY_VERIFY(label->text().contains(QLatin1String("LUFS")) && label->text().contains(QLatin1String("dBTP")));
    const double whole = ShownLoudness(label);
    QVERIFY2(whole < -5 && whole > -40, qPrintable(label->text()));

    // Delete the loud second half: what is left is quiet (the loud part
    // alone decided the whole sound's gated loudness).
    QWidget* editor = m_window->Editor();
    const int y = editor->height() / 2;
    const int right = editor->width() - 1;
    QTest::mousePress(editor, Qt::LeftButton, {}, QPoint(editor->width() / 2, y));
    QTest::mouseMove(editor, QPoint(editor->width() * 3 / 4, y));
    QTest::mouseMove(editor, QPoint(right, y));
    QTest::mouseRelease(editor, Qt::LeftButton, {}, QPoint(right, y));
    QVERIFY(m_window->EditorProperty("SelectEnd").toInt() > 25 * 44100);
    Button(m_window, QStringLiteral("Delete"))->trigger();
    QVERIFY(m_window->EditorProperty("WaveLength").toInt() < 20 * 44100);
    QTRY_VERIFY2(ShownLoudness(label) < whole - 10, qPrintable(label->text()));
}

void TestAudioProcessRingtone::m4aOpensThroughTheDialog()
{
    m_window = new frmAudioProcess;
    m_window->show();
    const QString path = Fixture(QStringLiteral("SONG.M4A"));
    ModalAnswer<QFileDialog> answer([path](QFileDialog* dialog) {
        QVERIFY(dialog->nameFilters().value(0).contains(QLatin1String("*.m4a *.m4r")));
        dialog->selectFile(path);
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog*>(dialog)->accept();
    });
    Button(m_window, QStringLiteral("Open"))->trigger();
    QVERIFY(answer.Seen());
    QCOMPARE(m_window->EditorProperty("Format").toInt(), 6);
    QCOMPARE(m_window->CommonFileName(), path);
    // 15 s of AAC: the encoder's priming and padding add at most two frames.
    const int frames = m_window->EditorProperty("WaveLength").toInt();
    QVERIFY2(frames >= 15 * 44100 - 2048 && frames <= 15 * 44100 + 2048, qPrintable(QString::number(frames)));
}

QTEST_MAIN(TestAudioProcessRingtone)
#include "test_audioprocess_ringtone.moc"
