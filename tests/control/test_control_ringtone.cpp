// The ringtone members through the dispatch interface: loudness and true
// peak, the loudness step with its undo, the fade curve, snap and Ogg loop
// settings, and MakeRingtone, with ffprobe and vorbiscomment reading the files.

#include "control_fixture.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace control_test;
using namespace sonarch2;

namespace {

QString Output(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("(failed)");
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QString Probe(const QString& path, const QString& entries)
{
    return Output(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"),
                                              QStringLiteral("-select_streams"), QStringLiteral("a:0"),
                                              QStringLiteral("-show_entries"), entries, QStringLiteral("-of"),
                                              QStringLiteral("default=noprint_wrappers=1:nokey=1"), path});
}

}  // namespace

class TestControlRingtone : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_wav = m_dir.path() + QStringLiteral("/pink.wav");
        QCOMPARE(QProcess::execute(QStringLiteral("sox"),
                                   {QStringLiteral("-R"), QStringLiteral("-n"), QStringLiteral("-r"),
                                    QStringLiteral("44100"), QStringLiteral("-c"), QStringLiteral("2"),
                                    QStringLiteral("-b"), QStringLiteral("16"), m_wav, QStringLiteral("synth"),
                                    QStringLiteral("30"), QStringLiteral("pinknoise"), QStringLiteral("vol"),
                                    QStringLiteral("0.2")}),
                 0);
    }

    void settingsReadBackAndRefuseWhatTheyDoNotKnow()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Get(d, QStringLiteral("FadeCurve")), QVariant(0));
        QCOMPARE(Get(d, QStringLiteral("SnapToZero")), QVariant(false));
        QCOMPARE(Get(d, QStringLiteral("OggLoop")), QVariant(false));
        QCOMPARE(Put(d, QStringLiteral("FadeCurve"), 2), hr::Ok);
        QCOMPARE(Put(d, QStringLiteral("FadeCurve"), 4), hr::IllegalFunctionCall);
        QCOMPARE(Put(d, QStringLiteral("FadeCurve"), -1), hr::IllegalFunctionCall);
        QCOMPARE(Get(d, QStringLiteral("FadeCurve")), QVariant(2));
        QCOMPARE(Put(d, QStringLiteral("SnapToZero"), true), hr::Ok);
        QCOMPARE(Put(d, QStringLiteral("OggLoop"), true), hr::Ok);
        QCOMPARE(Get(d, QStringLiteral("SnapToZero")), QVariant(true));
        QCOMPARE(Get(d, QStringLiteral("OggLoop")), QVariant(true));
        QCOMPARE(Put(d, QStringLiteral("Loudness"), -10.0f), hr::SetNotSupported);
        QCOMPARE(Put(d, QStringLiteral("TruePeak"), -1.0f), hr::SetNotSupported);
        // An empty document reads as silence.
        QCOMPARE(Get(d, QStringLiteral("Loudness")), QVariant(-70.0f));
        QCOMPARE(Get(d, QStringLiteral("TruePeak")), QVariant(-144.0f));
    }

    void loudnessStepAndItsUndo()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        const float before = Get(d, QStringLiteral("Loudness")).toFloat();
        QVERIFY2(before < -20.0f, qPrintable(QString::number(before)));
        // Refused: no selection, arguments that are not numbers.
        QCOMPARE(Run(d, QStringLiteral("FxNormalizeLoudness"), {-16.0f, -1.0f}), QVariant(0));
        Run(d, QStringLiteral("SelectAll"));
        QCOMPARE(Run(d, QStringLiteral("FxNormalizeLoudness"), {std::numeric_limits<float>::quiet_NaN(), -1.0f}),
                 QVariant(0));
        QCOMPARE(Get(d, QStringLiteral("Loudness")).toFloat(), before);

        QCOMPARE(Run(d, QStringLiteral("FxNormalizeLoudness"), {-16.0f, -1.0f}), QVariant(1));
        QVERIFY(std::fabs(Get(d, QStringLiteral("Loudness")).toFloat() + 16.0f) <= 0.5f);
        QVERIFY(Get(d, QStringLiteral("TruePeak")).toFloat() <= -1.0f);
        Run(d, QStringLiteral("Undo"));
        QCOMPARE(Get(d, QStringLiteral("Loudness")).toFloat(), before);
    }

    void makeRingtoneLeavesTheDocumentAlone()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        Run(d, QStringLiteral("SelectAll"));
        const QVariant selBegin = Get(d, QStringLiteral("SelectBegin"));
        const QVariant selEnd = Get(d, QStringLiteral("SelectEnd"));
        const QString ring = m_dir.path() + QStringLiteral("/ring.wav");
        QCOMPARE(Run(d, QStringLiteral("MakeRingtone"), {ring, 7, 1.0f, 26.0f, 0.5f, 2.0f, -16.0f, -1.0f}),
                 QVariant(1));
        const QString m4r = m_dir.path() + QStringLiteral("/ring.m4r");
        QCOMPARE(Probe(m4r, QStringLiteral("stream=codec_name,sample_rate,channels")),
                 QStringLiteral("aac\n44100\n2\n"));
        QCOMPARE(Probe(m4r, QStringLiteral("format_tags=major_brand")), QStringLiteral("M4A \n"));
        QVERIFY(std::fabs(Probe(m4r, QStringLiteral("format=duration")).toDouble() - 25.0) <= 1024.0 / 44100);
        QCOMPARE(Get(d, QStringLiteral("FileName")), QVariant(m_wav));
        QCOMPARE(Get(d, QStringLiteral("Format")), QVariant(4));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(30 * 44100));
        QCOMPARE(Get(d, QStringLiteral("SelectBegin")), selBegin);
        QCOMPARE(Get(d, QStringLiteral("SelectEnd")), selEnd);

        // Android: the loop comment; refusals write nothing.
        QCOMPARE(Put(d, QStringLiteral("OggLoop"), true), hr::Ok);
        QCOMPARE(Run(d, QStringLiteral("MakeRingtone"), {ring, 2, 0.0f, 5.0f, 0.0f, 0.0f, 0.0f, -1.0f}),
                 QVariant(1));
        QCOMPARE(Output(QStringLiteral("vorbiscomment"), {QStringLiteral("-l"), m_dir.path() + "/ring.ogg"}),
                 QStringLiteral("=\nANDROID_LOOP=true\n"));
        const QString refused = m_dir.path() + QStringLiteral("/refused.wav");
        QCOMPARE(Run(d, QStringLiteral("MakeRingtone"), {refused, 4, 20.0f, 31.0f, 0.0f, 0.0f, 0.0f, -1.0f}),
                 QVariant(0));
        QCOMPARE(Run(d, QStringLiteral("MakeRingtone"), {refused, 4, 5.0f, 5.0f, 0.0f, 0.0f, 0.0f, -1.0f}),
                 QVariant(0));
        QVERIFY(!QFileInfo::exists(refused));
    }

private:
    QTemporaryDir m_dir;
    QString m_wav;
};

QTEST_MAIN(TestControlRingtone)
#include "test_control_ringtone.moc"
