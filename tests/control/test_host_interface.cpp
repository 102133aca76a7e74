// The component as a host sees it: libSonarch2.so loaded with dlopen, the
// control created through DllGetClassObject and driven by interface pointer
// only (nothing of the library's insides is on this test's include path).
// The type library and the program's members keep their DISPIDs; calls made
// while a long call runs are refused; extreme pan factors saturate; an edit
// that leaves an empty view shows the document; and a host may destroy the
// control from inside any event of a long call.

#include "AudioProcessEditor.h"
#include "ControlClient.h"
#include "Sonarch2/Sonarch2.h"
#include "test_environment.h"

#include <QLibrary>
#include <QMouseEvent>

using namespace sonarch2;
using namespace control_test;

namespace {

// The type library as it was first published; a row may be added, never changed.
const QStringList kPublishedTypeLib{
    "2 property BitsPerSample I4",
    "3 property Channels I4",
    "4 property SamplesPerSec I4",
    "5 property PanFactor R4",
    "6 property ZoomFactor R4",
    "7 property WaveLength I4 readonly",
    "8 property Top I4",
    "9 property Left I4",
    "10 property Width I4",
    "11 property Height I4",
    "12 property Zoom R4",
    "13 property CursorPos I4 readonly",
    "14 property BackColor OLE_COLOR",
    "15 property WaveColor OLE_COLOR",
    "16 property CursorColor OLE_COLOR",
    "17 property SelectBegin I4 readonly",
    "18 property SelectEnd I4 readonly",
    "19 property ViewBegin I4 readonly",
    "20 property ViewEnd I4 readonly",
    "21 property PlayerStatus I4 readonly",
    "22 property PlayLoop BOOL",
    "23 property BitRate I4",
    "24 property FileName BSTR",
    "25 property Format I4 readonly",
    "26 property WAVFormat I4",
    "27 property PlayTime R4 readonly",
    "28 property RecordTime R4 readonly",
    "29 method Close() I4",
    "30 method Continue() I4",
    "31 method Load(sFileName BSTR, lFormat I4) I4",
    "32 method Play() I4",
    "33 method Pause() I4",
    "34 method Stop() I4",
    "35 method Record(fMaxTime R4) I4",
    "36 method Save() I4",
    "37 method SaveAs(sFileName BSTR, lFormat I4) I4",
    "38 method PanLeft() void",
    "39 method PanRight() void",
    "40 method ZoomIn() void",
    "41 method ZoomOut() void",
    "42 method Delete() I4",
    "43 method Cut() I4",
    "44 method Copy() I4",
    "45 method Paste() I4",
    "46 method Undo() void",
    "47 method SamplesToTime(lSample I4) R4",
    "48 method TimeToSample(fTime R4) I4",
    "49 method SelectAll() void",
    "50 method DeSelect() void",
    "51 method ScrollTo(lPos I4) void",
    "52 method DoFade(FadeStart R4, FadeEnd R4, nPercent I4) R4",
    "53 method FxAmplify(fGain R4) I4",
    "54 method FxFadeIn() I4",
    "55 method FxFadeOut() I4",
    "56 method FxInsertSilence(fTime R4) I4",
    "57 method FxInvert() I4",
    "58 method FxLowPassFilter(fFCut R4) I4",
    "59 method FxHighPassFilter(fFCut R4) I4",
    "60 method FxSilence() I4",
    "61 method FxEcho(fDelay R4, fDecay R4) I4",
    "62 method FxReverse() I4",
    "63 method FxBandPassFilter(fFLow R4, fFHigh R4) I4",
    "64 method FxBandStopFilter(fFLow R4, fFHigh R4) I4",
    "65 method FxBassBoost(fFrecuency R4, fGain R4) I4",
    "66 method FxNoiseRemoval(bGetProfile BOOL, bLevel BOOL) I4",
    "67 method ManualSelect(selectstart R8, SelectEnd R8) I4",
    "68 method NewFile(lChannels I4, lSamplesPerSec I4, lBitsPerSample I4) I4",
    "-552 method AboutBox() void",
    "1 event ChangeMouse(lSample I4)",
    "2 event ChangePlayer()",
    "3 event ChangeView()",
    "4 event Progress(fPercent R4)",
};

IClassFactory* Factory()
{
    static QLibrary library(QStringLiteral(SONARCH2_LIBRARY_PATH));
    auto get = reinterpret_cast<PFN_DllGetClassObject>(library.resolve("DllGetClassObject"));
    IClassFactory* factory = nullptr;
    if (!get || get(ClassObjectRequest(TypeLibIdentity::kClassId).c_str(), &factory) != S_OK_)
        return nullptr;
    return factory;
}

HRESULT CanUnloadNow()
{
    static QLibrary library(QStringLiteral(SONARCH2_LIBRARY_PATH));
    return reinterpret_cast<PFN_DllCanUnloadNow>(library.resolve("DllCanUnloadNow"))();
}

// A control in a shown 400 x 200 window, reached through its client.
struct Host {
    std::unique_ptr<QWidget> window;
    std::unique_ptr<CControlClient> client;

    QVariant Call(const QString& name, const QVariantList& args = {})
    {
        const MemberEntry* m = client->FindMember(name);
        return m ? client->Invoke(m->dispid, InvokeKind::Method, args).value : QVariant();
    }
    QVariant Get(const QString& name) { return client->Invoke(client->FindMember(name)->dispid, InvokeKind::PropertyGet).value; }
    uint32_t Put(const QString& name, const QVariant& v)
    {
        return client->Invoke(client->FindMember(name)->dispid, InvokeKind::PropertyPut, {v}).hr;
    }
};

std::unique_ptr<Host> CreateHost()
{
    IClassFactory* factory = Factory();
    if (!factory)
        return nullptr;
    auto h = std::make_unique<Host>();
    h->window = std::make_unique<QWidget>();
    h->window->resize(400, 200);
    IControl* control = nullptr;
    if (factory->CreateInstance(h->window.get(), &control) != S_OK_ || !control)
        return nullptr;
    h->client = std::make_unique<CControlClient>(control);
    h->client->Widget()->setGeometry(0, 0, 400, 200);
    h->window->show();
    if (!QTest::qWaitForWindowExposed(h->window.get()))
        return nullptr;
    return h;
}

}  // namespace

class TestHostInterface : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_short = MakeTone(m_dir.path(), QStringLiteral("short.wav"), 44100);
        m_long = MakeTone(m_dir.path(), QStringLiteral("long.wav"), 20 * 44100);
        QVERIFY2(!m_short.isEmpty() && !m_long.isEmpty(), "sox could not make the test files");
    }

    void typeLibraryKeepsEveryPublishedMember()
    {
        IClassFactory* factory = Factory();
        QVERIFY(factory);
        ITypeInfo* info = nullptr;
        QCOMPARE(factory->GetTypeInfo(&info), S_OK_);
        const QStringList now = DescribeTypeLib(ReadTypeInfo(info));
        for (const QString& line : kPublishedTypeLib)
            QVERIFY2(now.contains(line), qPrintable(line));
        // Members added later take DISPIDs from 70 up.
        for (const MemberEntry& m : ReadTypeInfo(info))
            if (m.kind != MemberKind::Event && !kPublishedTypeLib.contains(DescribeTypeLib({m}).constFirst()))
                QVERIFY2(m.dispid >= 70, qPrintable(m.name));
    }

    // The program asks for its members by name; they must be there, with the
    // numbers it was built against.
    void programMembersResolveToTheirDispids()
    {
        const std::unique_ptr<Host> h = CreateHost();
        QVERIFY(h);
        const QMap<QString, int32_t> expected{
            {"BackColor", 14}, {"WaveColor", 15}, {"ViewBegin", 19}, {"ViewEnd", 20}, {"PlayerStatus", 21},
            {"FileName", 24}, {"Close", 29}, {"Continue", 30}, {"Load", 31}, {"Play", 32}, {"Pause", 33},
            {"Stop", 34}, {"Record", 35}, {"SaveAs", 37}, {"ZoomIn", 40}, {"ZoomOut", 41}, {"Delete", 42},
            {"Cut", 43}, {"Copy", 44}, {"Paste", 45}, {"Undo", 46}, {"SamplesToTime", 47}, {"NewFile", 68},
            {"SelectBegin", 17}, {"SelectEnd", 18}, {"WaveLength", 7}, {"SamplesPerSec", 4}, {"Loudness", 71},
            {"TruePeak", 72}, {"FadeCurve", 73}, {"SnapToZero", 74}, {"OggLoop", 75}, {"MakeRingtone", 76}};
        QStringList names;
        for (const char* name : audioprocess::MemberNames())
            names << QLatin1String(name);
        QCOMPARE(names.size(), expected.size());
        QVector<int32_t> dispids;
        QCOMPARE(h->client->GetIDsOfNames(names, &dispids), hr::Ok);
        for (qsizetype i = 0; i < names.size(); ++i)
            QCOMPARE(dispids[i], expected.value(names[i], -1));
    }

    // While Load pumps messages, the host's calls that read or change the
    // document, its file name or its format are refused; the view still moves.
    void callsDuringALongCallAreRefused()
    {
        const std::unique_ptr<Host> h = CreateHost();
        QVERIFY(h);
        const QString other = m_dir.filePath(QStringLiteral("written.wav"));
        QMap<QString, QVariant> during;
        bool done = false;
        h->client->Advise([&](int32_t id, const QVariantList& args) {
            if (done || id != EventProgress || args.value(0).toFloat() <= 0.0f)
                return;
            done = true;
            during["SaveAs"] = h->Call("SaveAs", {other, 4});
            during["Save"] = h->Call("Save");
            during["NewFile"] = h->Call("NewFile", {1, 8000, 8});
            during["Load"] = h->Call("Load", {m_short, 4});
            during["Close"] = h->Call("Close");
            during["Delete"] = h->Call("Delete");
            during["Copy"] = h->Call("Copy");
            during["Paste"] = h->Call("Paste");
            during["FxAmplify"] = h->Call("FxAmplify", {2.0});
            during["FxInsertSilence"] = h->Call("FxInsertSilence", {1.0});
            during["Play"] = h->Call("Play");
            during["Record"] = h->Call("Record", {1.0});
            during["DoFade"] = h->Call("DoFade", {10, 50, 0});
            h->Call("SelectAll");
            h->Call("Undo");
            h->Put("FileName", other);
            h->Put("WAVFormat", 3);
            h->Put("BackColor", 0x00123456u);
            during["colour"] = h->Get("BackColor");
            during["selectEnd"] = h->Get("SelectEnd");
        });
        QCOMPARE(h->Call("Load", {m_long, 4}), QVariant(1));
        QVERIFY(done);
        for (const char* name : {"SaveAs", "Save", "NewFile", "Load", "Close", "Delete", "Copy", "Paste",
                                 "FxAmplify", "FxInsertSilence", "Play", "Record"})
            QVERIFY2(during[QLatin1String(name)] == QVariant(0), name);
        QCOMPARE(during["DoFade"], QVariant(0.0f));
        QCOMPARE(during["selectEnd"], QVariant(0));
        QCOMPARE(during["colour"], QVariant(0x00123456u));  // the view's settings work
        QVERIFY(!QFileInfo::exists(other));
        QCOMPARE(h->Get("WaveLength"), QVariant(20 * 44100));
        QCOMPARE(h->Get("Channels"), QVariant(2));
        QCOMPARE(h->Get("SamplesPerSec"), QVariant(44100));
        QCOMPARE(h->Get("BitsPerSample"), QVariant(16));
        QCOMPARE(h->Get("FileName"), QVariant(m_long));
        QCOMPARE(h->Get("WAVFormat"), QVariant(1));  // the file's tag, not the write
        // Idle again: the same calls run.
        QCOMPARE(h->Call("SaveAs", {other, 4}), QVariant(1));
        QVERIFY(QFileInfo::exists(other));
    }

    void extremePanFactorsSaturate_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<float>("factor");
        QTest::addColumn<int>("begin");  // -1: the last view of the document
        QTest::newRow("left, huge") << "PanLeft" << 1e20f << 0;
        QTest::newRow("right, huge") << "PanRight" << 1e20f << -1;
        QTest::newRow("left, below int") << "PanLeft" << -3e9f << -1;
        QTest::newRow("right, below int") << "PanRight" << -3e9f << 0;
    }

    void extremePanFactorsSaturate()
    {
        QFETCH(QString, method);
        QFETCH(float, factor);
        QFETCH(int, begin);
        const std::unique_ptr<Host> h = CreateHost();
        QVERIFY(h);
        QCOMPARE(h->Call("Load", {m_short, 4}), QVariant(1));
        QCOMPARE(h->Put("Zoom", 4.0f), hr::Ok);
        h->Call("ScrollTo", {22050});
        const int length = h->Get("ViewEnd").toInt() - h->Get("ViewBegin").toInt();
        QVERIFY(length > 0 && length < 44100);
        QCOMPARE(h->Put("PanFactor", factor), hr::Ok);
        h->Call(method);
        QCOMPARE(h->Get("ViewBegin").toInt(), begin < 0 ? 44100 - length : begin);
        QCOMPARE(h->Get("ViewEnd").toInt() - h->Get("ViewBegin").toInt(), length);
    }

    void doFadeWithExtremeValuesStaysInTheView()
    {
        const std::unique_ptr<Host> h = CreateHost();
        QVERIFY(h);
        QCOMPARE(h->Call("Load", {m_short, 4}), QVariant(1));
        QCOMPARE(h->Call("DoFade", {-1e20, 1e20, 0}), QVariant(1.0f));
        QCOMPARE(h->Get("SelectBegin"), QVariant(0));
        QCOMPARE(h->Get("SelectEnd"), QVariant(44100));
    }

    // Cut of everything, then Undo: the document is back, and so is its view.
    void undoAfterCuttingEverythingShowsTheDocument()
    {
        const std::unique_ptr<Host> h = CreateHost();
        QVERIFY(h);
        QCOMPARE(h->Call("Load", {m_short, 4}), QVariant(1));
        h->Call("SelectAll");
        QCOMPARE(h->Call("Cut"), QVariant(1));
        QCOMPARE(h->Get("WaveLength"), QVariant(0));
        h->Call("Undo");
        QCOMPARE(h->Get("WaveLength"), QVariant(44100));
        QCOMPARE(h->Get("ViewBegin"), QVariant(0));
        QCOMPARE(h->Get("ViewEnd"), QVariant(44100));
        QCOMPARE(h->Get("Zoom"), QVariant(1.0f));
        // A click places the cursor again.
        QWidget* w = h->client->Widget();
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(199, 100));
        QVERIFY(h->Get("CursorPos").toInt() > 20000);
        // Any other view stays as it is after an edit.
        QCOMPARE(h->Put("Zoom", 4.0f), hr::Ok);
        const QVariant begin = h->Get("ViewBegin");
        const QVariant end = h->Get("ViewEnd");
        QCOMPARE(h->Call("DoFade", {10, 20, 0}), QVariant(1.0f));
        QCOMPARE(h->Call("Delete"), QVariant(1));
        QCOMPARE(h->Get("ViewBegin"), begin);
        QVERIFY(h->Get("ViewEnd").toInt() <= end.toInt());
        QVERIFY(h->Get("ViewEnd").toInt() > h->Get("ViewBegin").toInt());
    }

    // The host destroys the control from inside each kind of event while a
    // long call runs; the call returns, and nothing of the control is left.
    void destroyedFromInsideEachEvent_data()
    {
        QTest::addColumn<int>("event");
        QTest::addColumn<QString>("call");
        QTest::newRow("Progress during Load") << int(EventProgress) << "Load";
        QTest::newRow("ChangeView during Load") << int(EventChangeView) << "Load";
        QTest::newRow("Progress during FxReverse") << int(EventProgress) << "FxReverse";
        QTest::newRow("ChangeView during FxEcho") << int(EventChangeView) << "FxEcho";
        QTest::newRow("ChangeMouse during Load") << int(EventChangeMouse) << "Load";
        QTest::newRow("ChangePlayer during Play") << int(EventChangePlayer) << "Play";
    }

    void destroyedFromInsideEachEvent()
    {
        QFETCH(int, event);
        QFETCH(QString, call);
        std::unique_ptr<Host> h = CreateHost();
        QVERIFY(h);
        if (call != QLatin1String("Load")) {
            QCOMPARE(h->Call("Load", {m_long, 4}), QVariant(1));
            h->Call("SelectAll");
        }
        QPointer<QWidget> widget = h->client->Widget();
        // The pointer moves over the control while the call runs: the call's
        // first message step delivers the moves.
        for (int x = 100; x < 110; ++x)
            QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseMove, QPointF(x, 50),
                                                                widget->mapToGlobal(QPointF(x, 50)), Qt::NoButton,
                                                                Qt::NoButton, Qt::NoModifier));
        bool destroyed = false;
        h->client->Advise([&](int32_t id, const QVariantList&) {
            if (destroyed || id != event)
                return;
            destroyed = true;
            h->window.reset();  // the control goes with its parent
        });
        QVariantList args;
        if (call == QLatin1String("Load"))
            args = {m_long, 4};
        if (call == QLatin1String("FxEcho"))
            args = {0.1, 0.5};
        const QVariant result = h->Call(call, args);
        QVERIFY2(destroyed, "the event never came");
        QVERIFY(widget.isNull());
        QVERIFY(result.isValid());
        // The host still holds its reference: calls now find no control.
        QCOMPARE(h->client->Invoke(h->client->FindMember("WaveLength")->dispid, InvokeKind::PropertyGet).hr,
                 hr::MemberNotFound);
        QVERIFY(!h->client->Widget());
        h.reset();
        QCOMPARE(CanUnloadNow(), S_OK_);
    }

private:
    QTemporaryDir m_dir;
    QString m_short;
    QString m_long;
};

CONTROL_TEST_MAIN(TestHostInterface)
#include "test_host_interface.moc"
