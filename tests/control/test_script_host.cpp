// The built sonarch2-host run end to end: scripts that load, select with the
// mouse, apply an effect, undo and save in every format, with their output
// checked line by line and the files checked by sox and ffprobe; --events,
// --typelib, --register and --unregister, registration at first use, and the
// exit code of a line that cannot be parsed.

#include "Sonarch2/Sonarch2.h"
#include "test_environment.h"

#include <QSettings>

#include <cstring>

using namespace control_test;

namespace {

struct HostRun {
    int exitCode = -1;
    QStringList out;  // stdout lines
    QString err;
};

HostRun RunHost(const QStringList& args, const QByteArray& input = QByteArray())
{
    QProcess host;
    host.start(QStringLiteral(SONARCH2_HOST_PATH), args);
    HostRun run;
    if (!host.waitForStarted(10000))
        return run;
    if (!input.isEmpty())
        host.write(input);
    host.closeWriteChannel();
    if (!host.waitForFinished(60000)) {
        host.kill();
        host.waitForFinished();
        return run;
    }
    run.exitCode = host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -2;
    run.out = QString::fromUtf8(host.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(host.readAllStandardError());
    return run;
}

QString WriteScript(const QString& dir, const QString& name, const QString& text)
{
    const QString path = dir + QLatin1Char('/') + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    f.write(text.toUtf8());
    return path;
}

QString Tool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString Probe(const QString& path)
{
    return Tool(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                 QStringLiteral("stream=codec_name,channels,sample_rate"), QStringLiteral("-of"),
                 QStringLiteral("csv=p=0"), path});
}

QVector<int16_t> Samples(const QByteArray& raw)
{
    QVector<int16_t> s(raw.size() / 2);
    std::memcpy(s.data(), raw.constData(), static_cast<std::size_t>(s.size()) * 2);
    return s;
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestScriptHost : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QFileInfo::exists(QStringLiteral(SONARCH2_HOST_PATH)));
        m_wav = MakeTone(m_dir.path(), QStringLiteral("tone.wav"), 36000);
        QVERIFY2(!m_wav.isEmpty(), "sox could not make the test file");
        m_pcm = m_dir.path() + QStringLiteral("/tone.pcm");
        QCOMPARE(Tool(QStringLiteral("sox"), {m_wav, QStringLiteral("-t"), QStringLiteral("raw"), m_pcm}), QString());
        QCOMPARE(QFileInfo(m_pcm).size(), 36000 * 4);
    }

    // The first run finds nothing registered and registers the library
    // built next to it; later runs find it.
    void registersAtFirstUse()
    {
        QVERIFY(!QFileInfo::exists(g_pEnvironment->RegistryFile()));
        const HostRun first = RunHost({QStringLiteral("-")}, "get Zoom\n");
        QCOMPARE(first.exitCode, 0);
        QCOMPARE(first.out, QStringList{QStringLiteral("Zoom = 1")});
        QVERIFY2(first.err.contains(QStringLiteral("registered ")) &&
                     first.err.contains(QLatin1String(sonarch2::TypeLibIdentity::kClassId)),
                 qPrintable(first.err));
        const HostRun second = RunHost({QStringLiteral("-")}, "get Zoom\n");
        QCOMPARE(second.out, QStringList{QStringLiteral("Zoom = 1")});
        QVERIFY2(!second.err.contains(QStringLiteral("registered ")), qPrintable(second.err));

        // A registration that names a library no longer there is made afresh.
        const QString key =
            QStringLiteral("CLSID/%1/InprocServer").arg(QLatin1String(sonarch2::TypeLibIdentity::kClassId));
        {
            QSettings reg(g_pEnvironment->RegistryFile(), QSettings::IniFormat);
            reg.setValue(key, m_dir.path() + QStringLiteral("/gone/libSonarch2.so"));
        }
        const HostRun third = RunHost({QStringLiteral("-")}, "get Zoom\n");
        QCOMPARE(third.out, QStringList{QStringLiteral("Zoom = 1")});
        QVERIFY2(third.err.contains(QStringLiteral("registered ")), qPrintable(third.err));
        QCOMPARE(QFileInfo(QSettings(g_pEnvironment->RegistryFile(), QSettings::IniFormat).value(key).toString())
                     .canonicalFilePath(),
                 QFileInfo(QStringLiteral(SONARCH2_LIBRARY_PATH)).canonicalFilePath());
    }

    void editAndSaveEveryFormat()
    {
        const QString d = m_dir.path();
        QString script = QStringLiteral(
            "# load, select by mouse, an effect, undo, and every format\n"
            "Load \"%1\" 4\n"
            "get WaveLength\n"
            "\n"
            "mouse down 100\n"
            "mouse move 200\n"
            "mouse up 300\n"
            "get SelectBegin\n"
            "get SelectEnd\n"
            "get CursorPos\n"
            "FxAmplify 0.5\n"
            "SaveAs \"%2/amp.raw\" 3\n"
            "Undo\n"
            "SaveAs \"%2/out.wav\" 1\n"
            "get FileName\n"
            "SaveAs \"%2/out.wav\" 2\n"
            "get FileName\n"
            "#37 \"%2/out.wav\" 3\n"
            "get FileName\n"
            "SaveAs \"%2/out.mp3\" 4\n"
            "get FileName\n"
            "saveas \"%2/out.wav\" 5\n"
            "get FileName\n"
            "get Format\n")
                             .arg(m_wav, d);
        const HostRun run = RunHost({WriteScript(d, QStringLiteral("edit.txt"), script)});
        QCOMPARE(run.exitCode, 0);
        // 100 and 300 of 398 drawn pixels over 36000 frames.
        const QStringList expected{
            QStringLiteral("Load = 1"),
            QStringLiteral("WaveLength = 36000"),
            QStringLiteral("SelectBegin = 9045"),
            QStringLiteral("SelectEnd = 27135"),
            QStringLiteral("CursorPos = 9045"),
            QStringLiteral("FxAmplify = 1"),
            QStringLiteral("SaveAs = 1"),
            QStringLiteral("Undo = void"),
            QStringLiteral("SaveAs = 1"),
            QStringLiteral("FileName = \"%1/out.mp3\"").arg(d),
            QStringLiteral("SaveAs = 1"),
            QStringLiteral("FileName = \"%1/out.ogg\"").arg(d),
            QStringLiteral("SaveAs = 1"),
            QStringLiteral("FileName = \"%1/out.raw\"").arg(d),
            QStringLiteral("SaveAs = 1"),
            QStringLiteral("FileName = \"%1/out.wav\"").arg(d),
            QStringLiteral("SaveAs = 1"),
            QStringLiteral("FileName = \"%1/out.wma\"").arg(d),
            QStringLiteral("Format = 5"),
        };
        QCOMPARE(run.out, expected);

        // The effect halved the selected frames only; Undo brought back the
        // original, which the raw and WAV saves hold byte for byte.
        const QByteArray original = ReadFile(m_pcm);
        const QVector<int16_t> before = Samples(original);
        const QVector<int16_t> amp = Samples(ReadFile(d + QStringLiteral("/amp.raw")));
        QCOMPARE(amp.size(), before.size());
        for (int i = 0; i < before.size(); ++i) {
            const int frame = i / 2;
            if (frame < 9045 || frame >= 27135)
                QCOMPARE(amp[i], before[i]);
            else
                QVERIFY2(qAbs(amp[i] - before[i] / 2) <= 1, qPrintable(QString::number(frame)));
        }
        QCOMPARE(ReadFile(d + QStringLiteral("/out.raw")), original);
        QCOMPARE(ReadFile(d + QStringLiteral("/out.wav")).right(original.size()), original);
        QCOMPARE(Tool(QStringLiteral("soxi"), {QStringLiteral("-s"), d + QStringLiteral("/out.wav")}),
                 QStringLiteral("36000"));
        QCOMPARE(Probe(d + QStringLiteral("/out.mp3")), QStringLiteral("mp3,44100,2"));
        QCOMPARE(Probe(d + QStringLiteral("/out.ogg")), QStringLiteral("vorbis,44100,2"));
        QCOMPARE(Probe(d + QStringLiteral("/out.wma")), QStringLiteral("wmav2,44100,2"));
    }

    void eventsComeBeforeTheirResult()
    {
        const QString script = QStringLiteral("Load \"%1\" 4\nZoomIn\nmouse move 199\nget Zoom\n").arg(m_wav);
        const HostRun run = RunHost({QStringLiteral("--events"), QStringLiteral("-")}, script.toUtf8());
        QCOMPARE(run.exitCode, 0);
        const QStringList expected{
            QStringLiteral("@ChangeView"),  // ResetView after CreateNew
            QStringLiteral("@Progress 0"),
            QStringLiteral("@Progress 45.5111122"),
            QStringLiteral("@Progress 91.0222244"),
            QStringLiteral("@Progress 100"),
            QStringLiteral("@Progress 100"),
            QStringLiteral("@Progress 0"),
            QStringLiteral("@ChangeView"),
            QStringLiteral("@ChangeView"),
            QStringLiteral("@ChangeView"),
            QStringLiteral("Load = 1"),
            QStringLiteral("@ChangeView"),
            QStringLiteral("ZoomIn = void"),
            QStringLiteral("@ChangeMouse 9000"),  // 199 of 398 pixels over frames 0 .. 18000
            QStringLiteral("Zoom = 2"),
        };
        QCOMPARE(run.out, expected);
    }

    void playStoppedFromTheEventLoop()
    {
        const QString script = QStringLiteral(
                                   "Load \"%1\" 4\n"
                                   "set PlayLoop true\n"
                                   "after 400 get PlayerStatus\n"
                                   "after 450 Load \"%1\" 4\n"
                                   "after 500 Stop\n"
                                   "Play\n"
                                   "get PlayerStatus\n")
                                   .arg(m_wav);
        const HostRun run = RunHost({QStringLiteral("-")}, script.toUtf8());
        QCOMPARE(run.exitCode, 0);
        if (run.out.contains(QStringLiteral("Play = 0")))
            QFAIL("Play answered 0: no audio output device opened (is the PulseAudio null sink running?)");
        const QStringList expected{
            QStringLiteral("Load = 1"),          QStringLiteral("PlayLoop = void"),
            QStringLiteral("PlayerStatus = 1"),  QStringLiteral("Load = 0"),
            QStringLiteral("Stop = 1"),          QStringLiteral("Play = 1"),
            QStringLiteral("PlayerStatus = 0"),
        };
        QCOMPARE(run.out, expected);
    }

    void errorsAreLinesToo()
    {
        const HostRun run = RunHost({QStringLiteral("-")},
                                    "set WaveLength 5\n#1\nNoSuchMethod 1\nLoad \"x\"\nget Play\n"
                                    "SamplesToTime \"abc\"\nset FileName \"say \\\"hi\\\" \\\\ bye\"\nget FileName\n");
        QCOMPARE(run.exitCode, 0);
        const QStringList expected{
            QStringLiteral("WaveLength ! 0x800A017F property is read-only"),
            QStringLiteral("#1 ! 0x80020003 member not found"),
            QStringLiteral("NoSuchMethod ! 0x80020006 unknown name"),
            QStringLiteral("Load ! 0x8002000E wrong number of parameters"),
            QStringLiteral("Play ! 0x80020003 member not found"),
            QStringLiteral("SamplesToTime ! 0x80020005 type mismatch"),
            QStringLiteral("FileName = void"),
            QStringLiteral("FileName = \"say \\\"hi\\\" \\\\ bye\""),
        };
        QCOMPARE(run.out, expected);
    }

    // Without a screen the host closes the control's message boxes and logs
    // them: the recorder's device error and the about box.
    void messageBoxesAreLoggedAndClosed()
    {
        const HostRun run = RunHost({QStringLiteral("-")},
                                    "NewFile 2 0 16\nafter 500 Stop\nRecord 0.2\nget PlayerStatus\nAboutBox\nget Zoom\n");
        QCOMPARE(run.exitCode, 0);
        const QStringList expected{
            QStringLiteral("NewFile = 1"),      QStringLiteral("Stop = 1"),      QStringLiteral("Record = 1"),
            QStringLiteral("PlayerStatus = 0"), QStringLiteral("AboutBox = void"), QStringLiteral("Zoom = 1"),
        };
        QCOMPARE(run.out, expected);
        // A rate of 0 is refused by the device with WAVERR_BADFORMAT (0x20).
        QVERIFY2(run.err.contains(QStringLiteral("message box \"Sonarch2\": WAVEIN:20:")), qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral(
                     "message box \"About Sonarch2\": Sonarch2 Active X Control, Version 2.0 (closed)")),
                 qPrintable(run.err));
    }

    void aLineThatCannotBeParsed()
    {
        const HostRun run = RunHost({QStringLiteral("-")}, "get Zoom\n# fine\nLoad \"unterminated 4\nget Zoom\n");
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.out, QStringList());  // nothing ran
        QVERIFY2(run.err.contains(QStringLiteral("line 3:")), qPrintable(run.err));
        const HostRun mouse = RunHost({QStringLiteral("-")}, "mouse sideways 3\n");
        QCOMPARE(mouse.exitCode, 2);
        QVERIFY2(mouse.err.contains(QStringLiteral("line 1:")), qPrintable(mouse.err));
    }

    void typeLibrary()
    {
        const HostRun run = RunHost({QStringLiteral("--typelib")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.size(), 75 + 4);
        QCOMPARE(run.out.first(), QStringLiteral("2 property BitsPerSample I4"));
        QVERIFY(run.out.contains(QStringLiteral("7 property WaveLength I4 readonly")));
        QVERIFY(run.out.contains(QStringLiteral("14 property BackColor OLE_COLOR")));
        QVERIFY(run.out.contains(QStringLiteral("24 property FileName BSTR")));
        QVERIFY(run.out.contains(QStringLiteral("31 method Load(sFileName BSTR, lFormat I4) I4")));
        QVERIFY(run.out.contains(QStringLiteral("38 method PanLeft() void")));
        QVERIFY(run.out.contains(QStringLiteral("52 method DoFade(FadeStart R4, FadeEnd R4, nPercent I4) R4")));
        QVERIFY(run.out.contains(QStringLiteral("66 method FxNoiseRemoval(bGetProfile BOOL, bLevel BOOL) I4")));
        QVERIFY(run.out.contains(QStringLiteral("67 method ManualSelect(selectstart R8, SelectEnd R8) I4")));
        QVERIFY(run.out.contains(QStringLiteral("70 method FxNormalizeLoudness(fTargetLufs R4, fTruePeakDb R4) I4")));
        QVERIFY(run.out.contains(QStringLiteral("71 property Loudness R4 readonly")));
        QVERIFY(run.out.contains(QStringLiteral("72 property TruePeak R4 readonly")));
        QVERIFY(run.out.contains(QStringLiteral("73 property FadeCurve I4")));
        QVERIFY(run.out.contains(QStringLiteral("74 property SnapToZero BOOL")));
        QVERIFY(run.out.contains(QStringLiteral("75 property OggLoop BOOL")));
        QVERIFY(run.out.contains(QStringLiteral(
            "76 method MakeRingtone(sFileName BSTR, lFormat I4, fBegin R4, fEnd R4, fFadeIn R4, fFadeOut R4, "
            "fTargetLufs R4, fTruePeakDb R4) I4")));
        QVERIFY(run.out.contains(QStringLiteral("-552 method AboutBox() void")));
        QCOMPARE(run.out.mid(75), (QStringList{QStringLiteral("1 event ChangeMouse(lSample I4)"),
                                              QStringLiteral("2 event ChangePlayer()"),
                                              QStringLiteral("3 event ChangeView()"),
                                              QStringLiteral("4 event Progress(fPercent R4)")}));
        int readOnly = 0;
        for (const QString& line : run.out)
            readOnly += line.endsWith(QStringLiteral(" readonly")) ? 1 : 0;
        QCOMPARE(readOnly, 12);
    }

    void registerAndUnregister()
    {
        const QString lib = QStringLiteral(SONARCH2_LIBRARY_PATH);
        const HostRun reg = RunHost({QStringLiteral("--register"), lib});
        QCOMPARE(reg.exitCode, 0);
        QCOMPARE(reg.out, QStringList{QStringLiteral("DllRegisterServer = 0x00000000")});
        const QString key = QStringLiteral("CLSID/%1/InprocServer").arg(QLatin1String(sonarch2::TypeLibIdentity::kClassId));
        QCOMPARE(QFileInfo(QSettings(g_pEnvironment->RegistryFile(), QSettings::IniFormat).value(key).toString())
                     .canonicalFilePath(),
                 QFileInfo(lib).canonicalFilePath());

        const HostRun unreg = RunHost({QStringLiteral("--unregister"), lib});
        QCOMPARE(unreg.exitCode, 0);
        QCOMPARE(unreg.out, QStringList{QStringLiteral("DllUnregisterServer = 0x00000000")});
        QCOMPARE(QSettings(g_pEnvironment->RegistryFile(), QSettings::IniFormat).allKeys(), QStringList());

        const HostRun missing = RunHost({QStringLiteral("--register"), m_dir.path() + QStringLiteral("/none.so")});
        QCOMPARE(missing.exitCode, 1);
        QCOMPARE(missing.out, QStringList{QStringLiteral("DllRegisterServer = 0x80040201")});
        QVERIFY(missing.err.contains(QStringLiteral("cannot load")));
    }

private:
    QTemporaryDir m_dir;
    QString m_wav;
    QString m_pcm;
};

CONTROL_TEST_MAIN(TestScriptHost)
#include "test_script_host.moc"
