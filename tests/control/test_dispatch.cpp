// The automation layer: lookup by name and number, coercion, read-only and
// parameter-count errors, and event sinks, over a small target object.

#include "Dispatch.h"
#include "VariantCoercion.h"

#include <QObject>
#include <QtTest>

using namespace sonarch2;

namespace {

// Stands in for the control with a few members of each kind.
class FakeControl : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Channels READ channels WRITE setChannels)
    Q_PROPERTY(float Zoom READ zoom WRITE setZoom)
    Q_PROPERTY(int WaveLength READ waveLength)
    Q_PROPERTY(QString FileName READ fileName WRITE setFileName)
    Q_PROPERTY(bool PlayLoop READ playLoop WRITE setPlayLoop)
    Q_PROPERTY(uint BackColor READ backColor WRITE setBackColor)
public:
    int channels() const { return m_channels; }
    void setChannels(int c) { m_channels = c; }
    float zoom() const { return m_zoom; }
    void setZoom(float z) { m_zoom = z; }
    int waveLength() const { return 36000; }
    QString fileName() const { return m_fileName; }
    void setFileName(const QString& f) { m_fileName = f; }
    bool playLoop() const { return m_loop; }
    void setPlayLoop(bool b) { m_loop = b; }
    uint backColor() const { return m_color; }
    void setBackColor(uint c) { m_color = c; }

    Q_INVOKABLE int Load(const QString& name, int format)
    {
        m_fileName = name;
        m_lastFormat = format;
        return 1;
    }
    Q_INVOKABLE float SamplesToTime(int sample) { return static_cast<float>(sample) / 44100.0f; }
    Q_INVOKABLE void PanLeft() { ++m_pans; }
    Q_INVOKABLE int FxNoiseRemoval(bool getProfile, bool level)
    {
        m_getProfile = getProfile;
        m_level = level;
        return 1;
    }
    Q_INVOKABLE float DoFade(float a, float b, int) { return a + b; }

    int m_channels = 2;
    float m_zoom = 1.0f;
    QString m_fileName;
    bool m_loop = false;
    uint m_color = 0;
    int m_lastFormat = 0;
    int m_pans = 0;
    bool m_getProfile = false;
    bool m_level = false;
};

}  // namespace

class TestDispatch : public QObject {
    Q_OBJECT
private slots:
    void namesAreCaseInsensitiveAndUnknownNamesFail()
    {
        FakeControl target;
        CDispatch dispatch(&target);
        QVector<int32_t> ids;
        QCOMPARE(dispatch.GetIDsOfNames({"load", "WAVELENGTH", "AboutBox", "fxnoiseremoval"}, &ids), hr::Ok);
        QCOMPARE(ids, (QVector<int32_t>{31, 7, -552, 66}));
        QCOMPARE(dispatch.GetIDsOfNames({"Play", "NoSuchThing"}, &ids), hr::UnknownName);
        QCOMPARE(ids, (QVector<int32_t>{32, -1}));
    }

    void everyMemberHasAUniqueNumberAndName()
    {
        QSet<int32_t> ids;
        QSet<QString> names;
        for (const MemberInfo& m : DispatchMembers()) {
            QVERIFY2(!ids.contains(m.dispid), m.name);
            QVERIFY2(!names.contains(QString(m.name).toLower()), m.name);
            ids.insert(m.dispid);
            names.insert(QString(m.name).toLower());
        }
        QCOMPARE(ids.size(), 68);  // 2 to 68 and -552
        QVERIFY(!ids.contains(1));
        QCOMPARE(FindMember(56)->name, "FxInsertSilence");
        QCOMPARE(FindMember(28)->readOnly, true);
        QCOMPARE(FindMember(26)->readOnly, false);
    }

    void propertiesGetAndPutWithCoercion()
    {
        FakeControl target;
        CDispatch dispatch(&target);
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyPut, {QString("1")}).hr, hr::Ok);
        QCOMPARE(target.m_channels, 1);
        InvokeResult r = dispatch.Invoke(3, InvokeKind::PropertyGet);
        QCOMPARE(r.value.metaType(), QMetaType::fromType<int>());
        QCOMPARE(r.value.toInt(), 1);

        // A float becomes an integer rounding half to even.
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyPut, {2.5}).hr, hr::Ok);
        QCOMPARE(target.m_channels, 2);
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyPut, {3.5}).hr, hr::Ok);
        QCOMPARE(target.m_channels, 4);

        QCOMPARE(dispatch.Invoke(12, InvokeKind::PropertyPut, {2}).hr, hr::Ok);
        QCOMPARE(target.m_zoom, 2.0f);
        QCOMPARE(dispatch.Invoke(22, InvokeKind::PropertyPut, {QString("TRUE")}).hr, hr::Ok);
        QCOMPARE(target.m_loop, true);
        QCOMPARE(dispatch.Invoke(22, InvokeKind::PropertyPut, {0}).hr, hr::Ok);
        QCOMPARE(target.m_loop, false);
        QCOMPARE(dispatch.Invoke(24, InvokeKind::PropertyPut, {42}).hr, hr::Ok);
        QCOMPARE(target.m_fileName, QString("42"));
        QCOMPARE(dispatch.Invoke(14, InvokeKind::PropertyPut, {0xFF0000}).hr, hr::Ok);
        QCOMPARE(target.m_color, 0xFF0000u);
    }

    void readOnlyBadCountsAndMismatchesAreRefused()
    {
        FakeControl target;
        CDispatch dispatch(&target);
        QCOMPARE(dispatch.Invoke(7, InvokeKind::PropertyPut, {5}).hr, hr::SetNotSupported);
        QCOMPARE(dispatch.Invoke(7, InvokeKind::PropertyGet).value.toInt(), 36000);
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyPut, {}).hr, hr::BadParamCount);
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyPut, {QString("two")}).hr, hr::TypeMismatch);
        QCOMPARE(target.m_channels, 2);
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyPut, {1e12}).hr, hr::Overflow);
        QCOMPARE(dispatch.Invoke(31, InvokeKind::Method, {QString("a.mp3")}).hr, hr::BadParamCount);
        QCOMPARE(dispatch.Invoke(999, InvokeKind::Method).hr, hr::MemberNotFound);
        QCOMPARE(dispatch.Invoke(31, InvokeKind::PropertyGet).hr, hr::MemberNotFound);
    }

    void methodsReceiveCoercedArgumentsAndReturnTypedResults()
    {
        FakeControl target;
        CDispatch dispatch(&target);
        InvokeResult r = dispatch.Invoke(31, InvokeKind::Method, {QString("song.mp3"), QString("4")});
        QCOMPARE(r.hr, hr::Ok);
        QCOMPARE(r.value.toInt(), 1);
        QCOMPARE(target.m_fileName, QString("song.mp3"));
        QCOMPARE(target.m_lastFormat, 4);

        r = dispatch.Invoke(47, InvokeKind::Method, {22050});
        QCOMPARE(r.value.metaType(), QMetaType::fromType<float>());
        QCOMPARE(r.value.toFloat(), 0.5f);

        r = dispatch.Invoke(38, InvokeKind::Method);
        QCOMPARE(r.hr, hr::Ok);
        QVERIFY(!r.value.isValid());
        QCOMPARE(target.m_pans, 1);

        QCOMPARE(dispatch.Invoke(66, InvokeKind::Method, {true, -1}).hr, hr::Ok);
        QVERIFY(target.m_getProfile);
        QVERIFY(target.m_level);

        r = dispatch.Invoke(52, InvokeKind::Method, {10, QString("50"), 0});
        QCOMPARE(r.value.toFloat(), 60.0f);
        // A member of the interface that the target does not implement.
        QCOMPARE(dispatch.Invoke(32, InvokeKind::Method).hr, hr::MemberNotFound);
    }

    void coercionFollowsAutomationRules()
    {
        QCOMPARE(CoerceTo(true, VarType::I4).value.toInt(), -1);
        QCOMPARE(CoerceTo(-0.5, VarType::I4).value.toInt(), 0);
        QCOMPARE(CoerceTo(-1.5, VarType::I4).value.toInt(), -2);
        QCOMPARE(CoerceTo(QString(" 12.75 "), VarType::R4).value.toFloat(), 12.75f);
        QCOMPARE(CoerceTo(0.25f, VarType::Bool).value.toBool(), true);
        QCOMPARE(CoerceTo(false, VarType::Bstr).value.toString(), QString("False"));
        QCOMPARE(CoerceTo(QVariant(), VarType::I4).value.toInt(), 0);
        QCOMPARE(CoerceTo(-1, VarType::Color).value.toUInt(), 0xFFFFFFFFu);
        QCOMPARE(CoerceTo(QString("x"), VarType::Bool).hr, hr::TypeMismatch);
        QCOMPARE(CoerceTo(1e40, VarType::R4).hr, hr::Overflow);
    }

    void sinksAttachAndDetachByCookie()
    {
        FakeControl target;
        CDispatch dispatch(&target);
        QList<QPair<int, QVariantList>> seen;
        const uint32_t a = dispatch.Advise([&](int32_t id, const QVariantList& args) { seen.append({id, args}); });
        uint32_t b = 0;
        b = dispatch.Advise([&](int32_t, const QVariantList&) { dispatch.Unadvise(b); });
        QVERIFY(a != 0 && b != 0 && a != b);
        dispatch.FireEvent(EventProgress, {50.0f});
        dispatch.FireEvent(EventChangeView);
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0].first, int(EventProgress));
        QCOMPARE(seen[0].second.value(0).toFloat(), 50.0f);
        QVERIFY(!dispatch.Unadvise(b));  // it removed itself during the first event
        QVERIFY(dispatch.Unadvise(a));
        dispatch.FireEvent(EventChangeView);
        QCOMPARE(seen.size(), 2);
    }

    void typeLibDescribesMembersAndEvents()
    {
        const QStringList lines = DescribeTypeLib();
        QVERIFY(lines.contains("7 property WaveLength I4 readonly"));
        QVERIFY(lines.contains("31 method Load(sFileName BSTR, lFormat I4) I4"));
        QVERIFY(lines.contains("-552 method AboutBox() void"));
        QVERIFY(lines.contains("4 event Progress(fPercent R4)"));
        QCOMPARE(lines.size(), 68 + 4);
    }
};

QTEST_GUILESS_MAIN(TestDispatch)
#include "test_dispatch.moc"
