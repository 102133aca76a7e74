// The automation interface of a real control made by the class factory:
// every DISPID by name and by number, the read-only error, parameter counts
// and the coercion of arguments.

#include "control_fixture.h"

#include <QMessageBox>
#include <QTimer>

#include <limits>
#include <map>

using namespace sonarch2;
using namespace control_test;

namespace {

// A call of one member and what it must answer.
struct Row {
    QString name;
    QVariantList args;
    QVariant expected;  // invalid: void
};

// The answers of the property getters on a fresh control in a 400 x 200 window.
std::map<QString, QVariant> FreshValues()
{
    return {
        {QStringLiteral("BitsPerSample"), 16},
        {QStringLiteral("Channels"), 2},
        {QStringLiteral("SamplesPerSec"), 44100},
        {QStringLiteral("PanFactor"), 5000.0f},
        {QStringLiteral("ZoomFactor"), 2.0f},
        {QStringLiteral("WaveLength"), 0},
        {QStringLiteral("Top"), 0},
        {QStringLiteral("Left"), 0},
        {QStringLiteral("Width"), 400},
        {QStringLiteral("Height"), 200},
        {QStringLiteral("Zoom"), 1.0f},
        {QStringLiteral("CursorPos"), 0},
        {QStringLiteral("BackColor"), 0x00969696u},    // RGB(150,150,150)
        {QStringLiteral("WaveColor"), 0x00C80000u},    // RGB(0,0,200)
        {QStringLiteral("CursorColor"), 0x000000FFu},  // RGB(255,0,0)
        {QStringLiteral("SelectBegin"), 0},
        {QStringLiteral("SelectEnd"), 0},
        {QStringLiteral("ViewBegin"), 0},
        {QStringLiteral("ViewEnd"), 0},
        {QStringLiteral("PlayerStatus"), 0},
        {QStringLiteral("PlayLoop"), false},
        {QStringLiteral("BitRate"), 128000},
        {QStringLiteral("FileName"), QString()},
        {QStringLiteral("Format"), 0},
        {QStringLiteral("WAVFormat"), 1},
        {QStringLiteral("PlayTime"), 0.0f},
        {QStringLiteral("RecordTime"), 0.0f},
        {QStringLiteral("Loudness"), -70.0f},
        {QStringLiteral("TruePeak"), -144.0f},
        {QStringLiteral("FadeCurve"), 0},
        {QStringLiteral("SnapToZero"), false},
        {QStringLiteral("OggLoop"), false},
    };
}

// Every method, in an order that makes sense on a loaded 36000-frame file,
// with the answer each must give.
QVector<Row> MethodRows(const QString& dir, const QString& wav)
{
    using V = QVariant;
    return {
        {QStringLiteral("Load"), {wav, 4}, 1},
        {QStringLiteral("MakeRingtone"), {dir + QStringLiteral("/ringtone"), 4, 0.0f, 0.5f, 0.1f, 0.1f, 0.0f, -1.0f}, 1},
        {QStringLiteral("FxNormalizeLoudness"), {std::numeric_limits<float>::infinity(), -1.0f}, 0},
        {QStringLiteral("SamplesToTime"), {22050}, 0.5f},
        {QStringLiteral("TimeToSample"), {0.25f}, 11025},
        {QStringLiteral("ZoomIn"), {}, V()},
        {QStringLiteral("PanRight"), {}, V()},
        {QStringLiteral("PanLeft"), {}, V()},
        {QStringLiteral("ZoomOut"), {}, V()},
        {QStringLiteral("ScrollTo"), {18000}, V()},
        {QStringLiteral("SelectAll"), {}, V()},
        {QStringLiteral("DeSelect"), {}, V()},
        {QStringLiteral("DoFade"), {10.0f, 50.0f, 0}, 1.0f},
        {QStringLiteral("Copy"), {}, 1},
        {QStringLiteral("Cut"), {}, 1},
        {QStringLiteral("Paste"), {}, 1},
        {QStringLiteral("Undo"), {}, V()},
        {QStringLiteral("Delete"), {}, 1},
        {QStringLiteral("FxAmplify"), {0.5f}, 1},
        {QStringLiteral("FxFadeIn"), {}, 1},
        {QStringLiteral("FxFadeOut"), {}, 1},
        {QStringLiteral("FxInsertSilence"), {0.01f}, 1},
        {QStringLiteral("FxInvert"), {}, 1},
        {QStringLiteral("FxLowPassFilter"), {3000.0f}, 1},
        {QStringLiteral("FxHighPassFilter"), {100.0f}, 1},
        {QStringLiteral("FxSilence"), {}, 1},
        {QStringLiteral("FxEcho"), {0.05f, 0.5f}, 1},
        {QStringLiteral("FxReverse"), {}, 1},
        {QStringLiteral("FxBandPassFilter"), {300.0f, 3000.0f}, 1},
        {QStringLiteral("FxBandStopFilter"), {300.0f, 3000.0f}, 1},
        {QStringLiteral("FxBassBoost"), {100.0f, 6.0f}, 1},
        {QStringLiteral("FxNoiseRemoval"), {true, false}, 1},
        {QStringLiteral("ManualSelect"), {1.0, 2.0}, 0},
        {QStringLiteral("Pause"), {}, 1},
        {QStringLiteral("Continue"), {}, 1},
        {QStringLiteral("Stop"), {}, 1},
        {QStringLiteral("Save"), {}, 1},
        {QStringLiteral("SaveAs"), {dir + QStringLiteral("/copy.mp3"), 2}, 1},
        {QStringLiteral("NewFile"), {1, 8000, 16}, 1},
        {QStringLiteral("Record"), {0.1f}, 1},
        {QStringLiteral("Play"), {}, 1},
        {QStringLiteral("AboutBox"), {}, V()},
        {QStringLiteral("Close"), {}, 1},
    };
}

bool SameValue(const QVariant& actual, const QVariant& expected)
{
    if (!expected.isValid())
        return !actual.isValid();
    return actual.metaType() == expected.metaType() && actual == expected;
}

// Closes the modal box that AboutBox opens, remembering its text.
void CloseModalSoon(QString* text)
{
    QTimer::singleShot(50, [text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *text = box->text();
            box->accept();
        }
    });
}

}  // namespace

class TestControlDispatch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_wav = MakeTone(m_dir.path(), QStringLiteral("tone.wav"), 36000);
        QVERIFY2(!m_wav.isEmpty(), "sox could not make the test file");
    }

    void namesGiveTheirDispids()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        QCOMPARE(DispatchMembers().size(), 27 + 40 + 7 + 1);  // 2..68, 70..76, AboutBox
        for (const MemberInfo& m : DispatchMembers()) {
            for (const QString& spelling : {QString::fromLatin1(m.name), QString::fromLatin1(m.name).toUpper(),
                                            QString::fromLatin1(m.name).toLower()}) {
                QVector<int32_t> ids;
                QCOMPARE(h.dispatch->GetIDsOfNames({spelling}, &ids), hr::Ok);
                QCOMPARE(ids, QVector<int32_t>{m.dispid});
            }
        }
        QVector<int32_t> ids;
        QCOMPARE(h.dispatch->GetIDsOfNames({QStringLiteral("Zoom"), QStringLiteral("NoSuchName")}, &ids),
                 hr::UnknownName);
        QCOMPARE(ids, (QVector<int32_t>{12, -1}));
    }

    // Every getter by name and by number answers the fresh control's value
    // in the property's own type.
    void freshPropertiesByNameAndNumber()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        const auto expected = FreshValues();
        int properties = 0;
        for (const MemberInfo& m : DispatchMembers()) {
            if (m.kind != MemberKind::Property)
                continue;
            ++properties;
            const auto it = expected.find(QLatin1String(m.name));
            QVERIFY2(it != expected.end(), m.name);
            const InvokeResult byNumber = h.dispatch->Invoke(m.dispid, InvokeKind::PropertyGet);
            const InvokeResult byName = Call(h.dispatch, QLatin1String(m.name), InvokeKind::PropertyGet);
            QVERIFY2(byNumber.ok() && byName.ok(), m.name);
            QVERIFY2(SameValue(byNumber.value, it->second), m.name);
            QVERIFY2(SameValue(byName.value, it->second), m.name);
        }
        QCOMPARE(properties, 32);
    }

    void readOnlyPropertiesRefuseWrites()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        QVERIFY(Run(h.dispatch, QStringLiteral("Load"), {m_wav, 4}).toInt() == 1);
        const QStringList readOnly{QStringLiteral("WaveLength"), QStringLiteral("CursorPos"),
                                   QStringLiteral("SelectBegin"), QStringLiteral("SelectEnd"),
                                   QStringLiteral("ViewBegin"), QStringLiteral("ViewEnd"),
                                   QStringLiteral("PlayerStatus"), QStringLiteral("Format"),
                                   QStringLiteral("PlayTime"), QStringLiteral("RecordTime"),
                                   QStringLiteral("Loudness"), QStringLiteral("TruePeak")};
        QStringList found;
        for (const MemberInfo& m : DispatchMembers())
            if (m.kind == MemberKind::Property && m.readOnly)
                found << QLatin1String(m.name);
        QCOMPARE(found, readOnly);
        for (const MemberInfo& m : DispatchMembers()) {
            if (!m.readOnly)
                continue;
            const QVariant before = Get(h.dispatch, QLatin1String(m.name));
            QCOMPARE(h.dispatch->Invoke(m.dispid, InvokeKind::PropertyPut, {7}).hr, hr::SetNotSupported);
            QCOMPARE(Put(h.dispatch, QLatin1String(m.name), 7), hr::SetNotSupported);
            QCOMPARE(Get(h.dispatch, QLatin1String(m.name)), before);
        }
        QCOMPARE(Get(h.dispatch, QStringLiteral("WaveLength")).toInt(), 36000);
        QCOMPARE(Get(h.dispatch, QStringLiteral("Format")).toInt(), 4);
    }

    // Every writable property takes a value written by number and reads it
    // back by name, as far as the control stores it.
    void writablePropertiesByNumber()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        QCOMPARE(Run(h.dispatch, QStringLiteral("Load"), {m_wav, 4}).toInt(), 1);
        const std::map<QString, std::pair<QVariant, QVariant>> writes{
            // written, read back
            {QStringLiteral("BitsPerSample"), {8, 16}},  // not raw: the document keeps its format
            {QStringLiteral("Channels"), {1, 2}},
            {QStringLiteral("SamplesPerSec"), {8000, 44100}},
            {QStringLiteral("PanFactor"), {1234.5f, 1234.5f}},
            {QStringLiteral("ZoomFactor"), {3.0f, 3.0f}},
            {QStringLiteral("Top"), {5, 5}},
            {QStringLiteral("Left"), {7, 7}},
            {QStringLiteral("Width"), {300, 300}},
            {QStringLiteral("Height"), {150, 150}},
            {QStringLiteral("Zoom"), {4.0f, 4.0f}},
            {QStringLiteral("BackColor"), {0x00112233u, 0x00112233u}},
            {QStringLiteral("WaveColor"), {0x00445566u, 0x00445566u}},
            {QStringLiteral("CursorColor"), {0x00778899u, 0x00778899u}},
            {QStringLiteral("PlayLoop"), {true, true}},
            {QStringLiteral("BitRate"), {64000, 64000}},
            {QStringLiteral("FileName"), {QStringLiteral("/tmp/x.wav"), QStringLiteral("/tmp/x.wav")}},
            {QStringLiteral("WAVFormat"), {0x12345, 0x2345}},  // low 16 bits
            {QStringLiteral("FadeCurve"), {3, 3}},
            {QStringLiteral("SnapToZero"), {true, true}},
            {QStringLiteral("OggLoop"), {true, true}},
        };
        int writable = 0;
        for (const MemberInfo& m : DispatchMembers()) {
            if (m.kind != MemberKind::Property || m.readOnly)
                continue;
            ++writable;
            const auto it = writes.find(QLatin1String(m.name));
            QVERIFY2(it != writes.end(), m.name);
            QCOMPARE(h.dispatch->Invoke(m.dispid, InvokeKind::PropertyPut, {it->second.first}).hr, hr::Ok);
            QCoreApplication::processEvents();  // a moved or resized window paints
            QVERIFY2(SameValue(Get(h.dispatch, QLatin1String(m.name)), it->second.second), m.name);
        }
        QCOMPARE(writable, 20);
        QCOMPARE(h.control->geometry(), QRect(7, 5, 300, 150));
        QVERIFY(h.control->IsModified());
    }

    // Every method by number on one control and by name on another, with the
    // same answers, which are the documented ones.
    void everyMethodByNameAndNumber()
    {
        Hosted byNumber = CreateHosted();
        Hosted byName = CreateHosted();
        QVERIFY(byNumber.control && byName.control);
        QVector<Row> rows = MethodRows(m_dir.path(), m_wav);
        QSet<QString> covered;
        for (const Row& row : rows)
            covered.insert(row.name);
        for (const MemberInfo& m : DispatchMembers())
            if (m.kind == MemberKind::Method)
                QVERIFY2(covered.contains(QLatin1String(m.name)), m.name);
        QCOMPARE(covered.size(), 43);

        for (Hosted* h : {&byNumber, &byName}) {
            // Save writes back to the loaded file: each control works on a copy.
            const QString copy = m_dir.path() + (h == &byNumber ? QStringLiteral("/n.wav") : QStringLiteral("/m.wav"));
            QVERIFY(QFile::copy(m_wav, copy));
            rows.front().args = {copy, 4};
            // The second control took the events; each takes them back for its run.
            SetControlEvents(h->control);
            for (const Row& row : rows) {
                const MemberInfo* m = FindMember(row.name);
                QVERIFY(m);
                if (row.name == QLatin1String("Play"))
                    QTimer::singleShot(150, h->control, [h] { Run(h->dispatch, QStringLiteral("Stop")); });
                QString aboutText;
                if (row.name == QLatin1String("AboutBox"))
                    CloseModalSoon(&aboutText);
                const InvokeResult r = h == &byNumber
                                           ? h->dispatch->Invoke(m->dispid, InvokeKind::Method, row.args)
                                           : Call(h->dispatch, row.name, InvokeKind::Method, row.args);
                QVERIFY2(r.ok(), qPrintable(row.name));
                if (row.name == QLatin1String("Play") && r.value.toInt() == 0)
                    QFAIL("Play answered 0: no audio output device opened (is the PulseAudio null sink running?)");
                QVERIFY2(SameValue(r.value, row.expected),
                         qPrintable(row.name + QStringLiteral(" answered ") + r.value.toString()));
                if (row.name == QLatin1String("AboutBox"))
                    QCOMPARE(aboutText, QStringLiteral("Sonarch2 Active X Control, Version 2.0"));
                if (row.name == QLatin1String("SaveAs"))
                    QCOMPARE(Get(h->dispatch, QStringLiteral("FileName")).toString(),
                             m_dir.path() + QStringLiteral("/copy.ogg"));
                if (row.name == QLatin1String("Record"))
                    QVERIFY(Get(h->dispatch, QStringLiteral("WaveLength")).toInt() >= 800);  // 0.1 s at 8000 Hz
            }
            QCOMPARE(Get(h->dispatch, QStringLiteral("WaveLength")).toInt(), 0);  // after Close
        }
        QVERIFY(QFileInfo(m_dir.path() + QStringLiteral("/copy.ogg")).size() > 0);
    }

    void badParameterCounts()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        QCOMPARE(h.dispatch->Invoke(31, InvokeKind::Method, {m_wav}).hr, hr::BadParamCount);  // Load
        QCOMPARE(h.dispatch->Invoke(31, InvokeKind::Method, {m_wav, 4, 1}).hr, hr::BadParamCount);
        QCOMPARE(h.dispatch->Invoke(32, InvokeKind::Method, {1}).hr, hr::BadParamCount);       // Play
        QCOMPARE(h.dispatch->Invoke(61, InvokeKind::Method, {0.1f}).hr, hr::BadParamCount);    // FxEcho
        QCOMPARE(h.dispatch->Invoke(52, InvokeKind::Method, {1.0f, 2.0f}).hr, hr::BadParamCount);  // DoFade
        QCOMPARE(h.dispatch->Invoke(68, InvokeKind::Method, {}).hr, hr::BadParamCount);        // NewFile
        QCOMPARE(h.dispatch->Invoke(12, InvokeKind::PropertyGet, {1}).hr, hr::BadParamCount);  // Zoom
        QCOMPARE(h.dispatch->Invoke(12, InvokeKind::PropertyPut, {}).hr, hr::BadParamCount);
        QCOMPARE(h.dispatch->Invoke(12, InvokeKind::PropertyPut, {2.0f, 3.0f}).hr, hr::BadParamCount);
        // Nothing ran: no document, the view untouched.
        QCOMPARE(Get(h.dispatch, QStringLiteral("WaveLength")).toInt(), 0);
        QCOMPARE(Get(h.dispatch, QStringLiteral("Zoom")).toFloat(), 1.0f);
        QCOMPARE(Get(h.dispatch, QStringLiteral("FileName")).toString(), QString());

        // Unknown numbers and the wrong kind of access.
        QCOMPARE(h.dispatch->Invoke(1, InvokeKind::Method).hr, hr::MemberNotFound);
        QCOMPARE(h.dispatch->Invoke(69, InvokeKind::Method).hr, hr::MemberNotFound);
        QCOMPARE(h.dispatch->Invoke(32, InvokeKind::PropertyGet).hr, hr::MemberNotFound);
        QCOMPARE(h.dispatch->Invoke(32, InvokeKind::PropertyPut, {1}).hr, hr::MemberNotFound);
        // A property read through a method call, as automation allows.
        const InvokeResult r = h.dispatch->Invoke(4, InvokeKind::Method);
        QVERIFY(r.ok());
        QCOMPARE(r.value, QVariant(44100));
    }

    void argumentsAreCoerced()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch* d = h.dispatch;
        // Strings to numbers, numbers to strings, booleans both ways.
        QCOMPARE(Run(d, QStringLiteral("Load"), {m_wav, QStringLiteral("4")}), QVariant(1));
        QCOMPARE(Get(d, QStringLiteral("WaveLength")), QVariant(36000));
        QCOMPARE(Put(d, QStringLiteral("PanFactor"), QStringLiteral("2500.5")), hr::Ok);
        QCOMPARE(Get(d, QStringLiteral("PanFactor")), QVariant(2500.5f));
        QCOMPARE(Put(d, QStringLiteral("ZoomFactor"), true), hr::Ok);  // TRUE is -1
        QCOMPARE(Get(d, QStringLiteral("ZoomFactor")), QVariant(-1.0f));
        QCOMPARE(Put(d, QStringLiteral("PlayLoop"), 2), hr::Ok);
        QCOMPARE(Get(d, QStringLiteral("PlayLoop")), QVariant(true));
        QCOMPARE(Put(d, QStringLiteral("PlayLoop"), QStringLiteral("false")), hr::Ok);
        QCOMPARE(Get(d, QStringLiteral("PlayLoop")), QVariant(false));
        QCOMPARE(Put(d, QStringLiteral("FileName"), 42), hr::Ok);
        QCOMPARE(Get(d, QStringLiteral("FileName")), QVariant(QStringLiteral("42")));
        // Integers round half to even.
        QCOMPARE(Put(d, QStringLiteral("BitRate"), 64000.5), hr::Ok);
        QCOMPARE(Get(d, QStringLiteral("BitRate")), QVariant(64000));
        QCOMPARE(Put(d, QStringLiteral("BitRate"), 64001.5), hr::Ok);
        QCOMPARE(Get(d, QStringLiteral("BitRate")), QVariant(64002));
        QCOMPARE(Put(d, QStringLiteral("BitRate"), -2.5), hr::Ok);
        QCOMPARE(Get(d, QStringLiteral("BitRate")), QVariant(-2));
        // A negative integer is a colour's bit pattern; the brush keeps its RGB bytes.
        QCOMPARE(Put(d, QStringLiteral("BackColor"), -16776961), hr::Ok);  // 0xFF0000FF
        QCOMPARE(Get(d, QStringLiteral("BackColor")), QVariant(0x000000FFu));
        QCOMPARE(Put(d, QStringLiteral("WaveColor"), QStringLiteral("65280")), hr::Ok);
        QCOMPARE(Get(d, QStringLiteral("WaveColor")), QVariant(0x0000FF00u));
        // Method arguments: a string gain, an integer time.
        QCOMPARE(Run(d, QStringLiteral("SamplesToTime"), {QStringLiteral("44100")}), QVariant(1.0f));
        QCOMPARE(Run(d, QStringLiteral("TimeToSample"), {2}), QVariant(88200));
        QCOMPARE(Run(d, QStringLiteral("FxAmplify"), {QStringLiteral("0.5")}), QVariant(1));
        // What cannot be converted.
        QCOMPARE(Call(d, QStringLiteral("SamplesToTime"), InvokeKind::Method, {QStringLiteral("abc")}).hr,
                 hr::TypeMismatch);
        QCOMPARE(Put(d, QStringLiteral("Zoom"), QStringLiteral("wide")), hr::TypeMismatch);
        QCOMPARE(Put(d, QStringLiteral("Zoom"), QStringLiteral("nan")), hr::TypeMismatch);
        QCOMPARE(Put(d, QStringLiteral("PanFactor"), QStringLiteral("-inf")), hr::TypeMismatch);
        QCOMPARE(Put(d, QStringLiteral("BitRate"), 1e12), hr::Overflow);
        QCOMPARE(Put(d, QStringLiteral("PanFactor"), 1e300), hr::Overflow);
        QCOMPARE(Get(d, QStringLiteral("BitRate")), QVariant(-2));
        QCOMPARE(Get(d, QStringLiteral("Zoom")), QVariant(1.0f));
    }

    void eventSinksReceiveEventsByDispid()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        QList<int32_t> seen;
        QList<float> progress;
        const uint32_t cookie = h.dispatch->Advise([&](int32_t id, const QVariantList& args) {
            seen << id;
            if (id == EventProgress)
                progress << args.value(0).toFloat();
        });
        QVERIFY(cookie != 0);
        QCOMPARE(Run(h.dispatch, QStringLiteral("Load"), {m_wav, 4}), QVariant(1));
        QVERIFY(seen.contains(EventChangeView));
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last(), 0.0f);  // long operations end with a Progress of 0
        QVERIFY(progress.contains(100.0f));
        QCOMPARE(seen.last(), int32_t(EventChangeView));  // fired at the end of Load
        QCOMPARE(h.dispatch->Unadvise(cookie), S_OK_);
        QCOMPARE(h.dispatch->Unadvise(cookie), E_INVALIDARG_);
        seen.clear();
        Run(h.dispatch, QStringLiteral("ZoomIn"));
        QVERIFY(seen.isEmpty());
    }

private:
    QTemporaryDir m_dir;
    QString m_wav;
};

CONTROL_TEST_MAIN(TestControlDispatch)
#include "test_control_dispatch.moc"
