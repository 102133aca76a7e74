// A control while Play runs, started from the event loop as a button would
// start it: the guarded methods refuse, Stop ends the playback, and a host
// that destroys the control from a message step of Play does not crash it.
// Playback goes to the PulseAudio null sink that the test command starts.

#include "control_fixture.h"

#include <QElapsedTimer>
#include <QTimer>

#include <filesystem>

using namespace sonarch2;
using namespace control_test;

namespace {

constexpr const char* kNoDevice =
    "Play answered 0 at once: no audio output device opened. Start the PulseAudio null sink "
    "(scripts/start-sound-server.sh) before these tests.";

// Starts Play from the event loop and remembers its answer and when it came.
struct PlayCall {
    int result = -1;
    bool done = false;
    qint64 returnedAtMs = 0;
    QElapsedTimer clock;

    PlayCall() { clock.start(); }
    qint64 Now() const { return clock.elapsed(); }

    void StartFromEventLoop(CDispatch* dispatch)
    {
        QTimer::singleShot(0, [this, dispatch] {
            result = Run(dispatch, QStringLiteral("Play")).toInt();
            returnedAtMs = clock.elapsed();
            done = true;
        });
    }
};

// The test file plays for ten seconds; after Stop, or the control's
// destruction, Play returns once the device has closed, which takes up to the
// output's latency (about two seconds through ALSA's pulse device).
constexpr int kFileSeconds = 10;
constexpr qint64 kEndsWithinMs = 4000;

}  // namespace

class TestControlBusy : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_wav = MakeTone(m_dir.path(), QStringLiteral("long.wav"), kFileSeconds * 44100);
        QVERIFY2(!m_wav.isEmpty(), "sox could not make the test file");
    }

    void guardedMethodsRefuseWhilePlaying()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        Run(d, QStringLiteral("SelectAll"));
        const int length = Get(d, QStringLiteral("WaveLength")).toInt();
        QCOMPARE(length, kFileSeconds * 44100);

        QList<int32_t> events;
        h.dispatch->Advise([&](int32_t id, const QVariantList&) { events << id; });

        PlayCall play;
        QMap<QString, QVariant> whilePlaying;
        int eventsDuringRefusals = -1;
        QTimer::singleShot(200, h.control, [&] {
            whilePlaying[QStringLiteral("status")] = Get(d, QStringLiteral("PlayerStatus"));
            const qsizetype before = events.size();
            for (const char* name : {"Play", "Load", "Delete", "Cut", "Copy", "Paste", "FxAmplify", "FxReverse",
                                     "FxInsertSilence", "FxSilence", "FxEcho", "Save", "SaveAs", "NewFile",
                                     "Close", "Record"}) {
                const MemberInfo* m = FindMember(QLatin1String(name));
                QVariantList args;
                for (const ParamInfo& p : m->params)
                    args << (p.type == VarType::Bstr ? QVariant(m_wav) : QVariant(1));
                whilePlaying[QLatin1String(name)] = Run(d, QLatin1String(name), args);
            }
            // The void ones do nothing; the format setters ignore the write.
            Run(d, QStringLiteral("DeSelect"));
            Run(d, QStringLiteral("Undo"));
            Put(d, QStringLiteral("Channels"), 1);
            eventsDuringRefusals = static_cast<int>(events.size() - before);
            whilePlaying[QStringLiteral("selectEnd")] = Get(d, QStringLiteral("SelectEnd"));
            whilePlaying[QStringLiteral("channels")] = Get(d, QStringLiteral("Channels"));
            whilePlaying[QStringLiteral("length")] = Get(d, QStringLiteral("WaveLength"));
            // The view works regardless of the player.
            Run(d, QStringLiteral("ZoomIn"));
            whilePlaying[QStringLiteral("zoom")] = Get(d, QStringLiteral("Zoom"));
        });
        QTimer::singleShot(300, h.control, [&] {
            whilePlaying[QStringLiteral("Pause")] = Run(d, QStringLiteral("Pause"));
            whilePlaying[QStringLiteral("statusPaused")] = Get(d, QStringLiteral("PlayerStatus"));
            whilePlaying[QStringLiteral("LoadPaused")] = Run(d, QStringLiteral("Load"), {m_wav, 4});
            whilePlaying[QStringLiteral("Continue")] = Run(d, QStringLiteral("Continue"));
            whilePlaying[QStringLiteral("statusContinued")] = Get(d, QStringLiteral("PlayerStatus"));
        });
        qint64 stoppedAtMs = 0;
        QTimer::singleShot(500, h.control, [&] {
            stoppedAtMs = play.Now();
            whilePlaying[QStringLiteral("Stop")] = Run(d, QStringLiteral("Stop"));
            whilePlaying[QStringLiteral("statusStopped")] = Get(d, QStringLiteral("PlayerStatus"));
        });

        play.StartFromEventLoop(d);
        QTRY_VERIFY_WITH_TIMEOUT(play.done, 10000);
        if (play.result == 0 && whilePlaying.value(QStringLiteral("status")).toInt() != 1)
            QFAIL(kNoDevice);
        QTRY_VERIFY_WITH_TIMEOUT(whilePlaying.contains(QStringLiteral("statusStopped")), 5000);

        QCOMPARE(whilePlaying[QStringLiteral("status")], QVariant(1));
        for (const char* name : {"Play", "Load", "Delete", "Cut", "Copy", "Paste", "FxAmplify", "FxReverse",
                                 "FxInsertSilence", "FxSilence", "FxEcho", "Save", "SaveAs", "NewFile", "Close",
                                 "Record"})
            QVERIFY2(whilePlaying[QLatin1String(name)] == QVariant(0), name);
        QCOMPARE(eventsDuringRefusals, 0);
        QCOMPARE(whilePlaying[QStringLiteral("selectEnd")], QVariant(length));
        QCOMPARE(whilePlaying[QStringLiteral("channels")], QVariant(2));
        QCOMPARE(whilePlaying[QStringLiteral("length")], QVariant(length));
        QCOMPARE(whilePlaying[QStringLiteral("zoom")], QVariant(2.0f));

        QCOMPARE(whilePlaying[QStringLiteral("Pause")], QVariant(1));
        QCOMPARE(whilePlaying[QStringLiteral("statusPaused")], QVariant(3));
        QCOMPARE(whilePlaying[QStringLiteral("LoadPaused")], QVariant(0));
        QCOMPARE(whilePlaying[QStringLiteral("Continue")], QVariant(1));
        QCOMPARE(whilePlaying[QStringLiteral("statusContinued")], QVariant(1));

        QCOMPARE(whilePlaying[QStringLiteral("Stop")], QVariant(1));
        QCOMPARE(whilePlaying[QStringLiteral("statusStopped")], QVariant(0));
        QCOMPARE(play.result, 1);
        QVERIFY2(play.returnedAtMs - stoppedAtMs < kEndsWithinMs, "Stop did not end the playback");
        QVERIFY(events.contains(EventChangePlayer));
        // Idle again: the same calls run.
        QCOMPARE(Get(d, QStringLiteral("PlayerStatus")), QVariant(0));
        QCOMPARE(Run(d, QStringLiteral("FxAmplify"), {0.5f}), QVariant(1));
        QCOMPARE(Run(d, QStringLiteral("Delete")), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")).toInt(), 0);
    }

    // The host closes its window from a handler that runs in one of Play's
    // message steps: the control stops the player as it goes, and Play
    // returns at once on the parts it still holds.
    void destroyedFromATimerDuringPlay()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        QCOMPARE(Run(h.dispatch, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        const std::filesystem::path work = h.control->Wave().WorkFilePath("Wave.tmp").parent_path();
        QVERIFY(std::filesystem::exists(work));

        int statusBefore = -1;
        HRESULT unloadInside = 0;
        qint64 destroyedAtMs = 0;
        PlayCall play;
        QTimer::singleShot(200, [&] {
            destroyedAtMs = play.Now();
            statusBefore = h.control ? h.control->GetPlayerStatus() : -1;
            h.window.reset();  // destroys the control, its child
            unloadInside = DllCanUnloadNow();
        });
        play.StartFromEventLoop(h.dispatch);
        QTRY_VERIFY_WITH_TIMEOUT(play.done, 10000);
        if (statusBefore != 1)
            QFAIL(kNoDevice);
        QVERIFY(!h.control);
        QCOMPARE(play.result, 1);
        QVERIFY2(play.returnedAtMs - destroyedAtMs < kEndsWithinMs, "destroying the control did not stop the playback");
        // While Play still ran, its parts were alive; after it, nothing is.
        QCOMPARE(unloadInside, S_FALSE_);
        QCOMPARE(DllCanUnloadNow(), S_OK_);
        QVERIFY(!std::filesystem::exists(work));
    }

    // The window stays alive through a long call: timers run between its
    // blocks, though blocks come far more often than messages are handled.
    void timersRunDuringALongCall()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        QCOMPARE(Run(h.dispatch, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        Run(h.dispatch, QStringLiteral("SelectAll"));
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(0);
        QList<int> ticksAtProgress;
        h.dispatch->Advise([&](int32_t id, const QVariantList&) {
            if (id == EventProgress)
                ticksAtProgress << ticks;
        });
        QCOMPARE(Run(h.dispatch, QStringLiteral("FxEcho"), {0.01, 0.5}), QVariant(1));
        QVERIFY(ticksAtProgress.size() > 2);
        QVERIFY2(ticksAtProgress.last() > ticksAtProgress.first(), "no timer ran during the call");
    }

    void deletedLaterDuringPlay()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        QCOMPARE(Run(h.dispatch, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        int statusBefore = -1;
        qint64 deletedAtMs = 0;
        PlayCall play;
        QTimer::singleShot(200, [&] {
            deletedAtMs = play.Now();
            statusBefore = h.control->GetPlayerStatus();
            h.control->deleteLater();
        });
        play.StartFromEventLoop(h.dispatch);
        QTRY_VERIFY_WITH_TIMEOUT(play.done, 10000);
        if (statusBefore != 1)
            QFAIL(kNoDevice);
        QVERIFY(!h.control);
        QCOMPARE(play.result, 1);
        QVERIFY(play.returnedAtMs - deletedAtMs < kEndsWithinMs);
        QCOMPARE(DllCanUnloadNow(), S_OK_);
    }

    // An event sink that destroys the control while the control is firing
    // the event to it, in the middle of the playback loop.
    void destroyedByAnEventSinkDuringPlay()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        QCOMPARE(Run(h.dispatch, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        int laterSinkCalls = 0;
        bool destroyed = false;
        qint64 destroyedAtMs = 0;
        PlayCall play;
        h.dispatch->Advise([&](int32_t id, const QVariantList& args) {
            if (!destroyed && id == EventProgress && args.value(0).toFloat() > 5.0f) {
                destroyed = true;
                destroyedAtMs = play.Now();
                h.window.reset();
            }
        });
        h.dispatch->Advise([&](int32_t, const QVariantList&) {
            if (destroyed)
                ++laterSinkCalls;
        });
        play.StartFromEventLoop(h.dispatch);
        QTRY_VERIFY_WITH_TIMEOUT(play.done, 10000);
        if (!destroyed && play.result == 0)
            QFAIL(kNoDevice);
        QVERIFY(destroyed);
        QVERIFY(!h.control);
        QCOMPARE(laterSinkCalls, 0);  // the second sink went with the control
        QCOMPARE(play.result, 1);
        QVERIFY(play.returnedAtMs - destroyedAtMs < kEndsWithinMs);
        QCOMPARE(DllCanUnloadNow(), S_OK_);
    }

private:
    QTemporaryDir m_dir;
    QString m_wav;
};

CONTROL_TEST_MAIN(TestControlBusy)
#include "test_control_busy.moc"
