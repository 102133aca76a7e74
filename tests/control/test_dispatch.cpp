// The automation layer: lookup by name and number, coercion, read-only and
// parameter-count errors, and event sinks, over a control made by the class
// factory.

#include "VariantCoercion.h"
#include "control_fixture.h"

using namespace sonarch2;
using namespace control_test;

class TestDispatch : public QObject {
    Q_OBJECT
private slots:
    void namesAreCaseInsensitiveAndUnknownNamesFail()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch& dispatch = *h.dispatch;
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
        QCOMPARE(ids.size(), 75);  // 2 to 68, 70 to 76 and -552
        QVERIFY(!ids.contains(1));
        QCOMPARE(FindMember(56)->name, "FxInsertSilence");
        QCOMPARE(FindMember(28)->readOnly, true);
        QCOMPARE(FindMember(26)->readOnly, false);
    }

    void propertiesGetAndPutWithCoercion()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch& dispatch = *h.dispatch;
        auto get = [&](int32_t id) { return dispatch.Invoke(id, InvokeKind::PropertyGet).value; };
        // The format of raw data is the host's to set.
        QCOMPARE(dispatch.Invoke(31, InvokeKind::Method, {QString("/nonexistent.raw"), 3}).hr, hr::Ok);
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyPut, {QString("1")}).hr, hr::Ok);
        QCOMPARE(get(3), QVariant(1));
        QCOMPARE(get(3).metaType(), QMetaType::fromType<int>());

        // A float becomes an integer rounding half to even.
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyPut, {2.5}).hr, hr::Ok);
        QCOMPARE(get(3), QVariant(2));
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyPut, {3.5}).hr, hr::Ok);
        QCOMPARE(get(3), QVariant(4));

        QCOMPARE(dispatch.Invoke(5, InvokeKind::PropertyPut, {2}).hr, hr::Ok);
        QCOMPARE(get(5), QVariant(2.0f));
        QCOMPARE(dispatch.Invoke(22, InvokeKind::PropertyPut, {QString("TRUE")}).hr, hr::Ok);
        QCOMPARE(get(22), QVariant(true));
        QCOMPARE(dispatch.Invoke(22, InvokeKind::PropertyPut, {0}).hr, hr::Ok);
        QCOMPARE(get(22), QVariant(false));
        QCOMPARE(dispatch.Invoke(24, InvokeKind::PropertyPut, {42}).hr, hr::Ok);
        QCOMPARE(get(24), QVariant(QString("42")));
        QCOMPARE(dispatch.Invoke(14, InvokeKind::PropertyPut, {0xFF0000}).hr, hr::Ok);
        QCOMPARE(get(14), QVariant(0xFF0000u));
    }

    void readOnlyBadCountsAndMismatchesAreRefused()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch& dispatch = *h.dispatch;
        QCOMPARE(dispatch.Invoke(7, InvokeKind::PropertyPut, {5}).hr, hr::SetNotSupported);
        QCOMPARE(dispatch.Invoke(7, InvokeKind::PropertyGet).value.toInt(), 0);
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyPut, {}).hr, hr::BadParamCount);
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyPut, {QString("two")}).hr, hr::TypeMismatch);
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyGet).value.toInt(), 2);
        QCOMPARE(dispatch.Invoke(3, InvokeKind::PropertyPut, {1e12}).hr, hr::Overflow);
        QCOMPARE(dispatch.Invoke(31, InvokeKind::Method, {QString("a.mp3")}).hr, hr::BadParamCount);
        QCOMPARE(dispatch.Invoke(999, InvokeKind::Method).hr, hr::MemberNotFound);
        QCOMPARE(dispatch.Invoke(31, InvokeKind::PropertyGet).hr, hr::MemberNotFound);
    }

    void methodsReceiveCoercedArgumentsAndReturnTypedResults()
    {
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch& dispatch = *h.dispatch;
        const QString wav = MakeTone(m_dir.path(), QStringLiteral("tone.wav"), 36000);
        QVERIFY(!wav.isEmpty());
        InvokeResult r = dispatch.Invoke(31, InvokeKind::Method, {wav, QString("4")});
        QCOMPARE(r.hr, hr::Ok);
        QCOMPARE(r.value, QVariant(1));
        QCOMPARE(dispatch.Invoke(24, InvokeKind::PropertyGet).value, QVariant(wav));
        QCOMPARE(dispatch.Invoke(25, InvokeKind::PropertyGet).value, QVariant(4));

        r = dispatch.Invoke(47, InvokeKind::Method, {22050});
        QCOMPARE(r.value.metaType(), QMetaType::fromType<float>());
        QCOMPARE(r.value.toFloat(), 0.5f);

        QCOMPARE(dispatch.Invoke(12, InvokeKind::PropertyPut, {2.0f}).hr, hr::Ok);
        r = dispatch.Invoke(39, InvokeKind::Method);  // PanRight by 1000 / 2
        QCOMPARE(r.hr, hr::Ok);
        QVERIFY(!r.value.isValid());
        QCOMPARE(dispatch.Invoke(19, InvokeKind::PropertyGet).value, QVariant(500));

        r = dispatch.Invoke(52, InvokeKind::Method, {10, QString("50"), 0});
        QCOMPARE(r.value, QVariant(1.0f));
        QCOMPARE(h.control->View().GetSelX2(), 195);
        QCOMPARE(dispatch.Invoke(67, InvokeKind::Method, {true, QString("-1")}).value, QVariant(0));
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
        Hosted h = CreateHosted();
        QVERIFY(h.control);
        CDispatch& dispatch = *h.dispatch;
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
        QCOMPARE(dispatch.Unadvise(b), E_INVALIDARG_);  // it removed itself during the first event
        QCOMPARE(dispatch.Unadvise(a), S_OK_);
        dispatch.FireEvent(EventChangeView);
        QCOMPARE(seen.size(), 2);
    }

    void typeInfoListsMembersAndEvents()
    {
        ITypeInfo* info = TypeInfo();
        QCOMPARE(info->GetMemberCount(), 75 + 4);
        MemberDesc d;
        QCOMPARE(info->GetMember(29, &d), S_OK_);  // the 30th member
        QCOMPARE(d.dispid, 31);
        QCOMPARE(QLatin1String(d.name), QLatin1String("Load"));
        QCOMPARE(d.paramCount, 2);
        QCOMPARE(QLatin1String(d.params[1].name), QLatin1String("lFormat"));
        QCOMPARE(info->GetMember(78, &d), S_OK_);
        QCOMPARE(d.kind, MemberKind::Event);
        QCOMPARE(QLatin1String(d.name), QLatin1String("Progress"));
        QCOMPARE(info->GetMember(79, &d), E_INVALIDARG_);
    }

private:
    QTemporaryDir m_dir;
};

CONTROL_TEST_MAIN(TestDispatch)
#include "test_dispatch.moc"
