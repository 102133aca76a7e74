// The model-checked edit soak: a seeded random sequence of loads, selections,
// edits, effects and undos goes to the real control through its dispatch
// interface and its mouse, and to the in-memory model. After every step the
// document saved as raw must equal the model's bytes, and the length,
// selection and cursor must match.
//
// SOAK_OPS (default 2000) sets the number of operations, SOAK_SEED (default
// 1) the seed. A failure names the seed and the step, and lists the steps
// before it.

#include "EditModel.h"
#include "SoakCheck.h"
#include "SoakControl.h"
#include "SoakSequence.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace soak;

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 120;

int EnvInt(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

// Loads `bytes` as raw data of `format` into the control and the model.

std::vector<uint8_t> Ramp(std::size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 37 + 11);
    return bytes;
}

}  // namespace

class TestEditSoak : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void insertSilenceWithTheCursorPastTheEndInsertsAtTheEnd();
    void zoomAroundASelectionPastTheEndKeepsTheViewInside();
    void soak();

private:
    QTemporaryDir m_dir;
};

void TestEditSoak::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestEditSoak::insertSilenceWithTheCursorPastTheEndInsertsAtTheEnd()
{
    SoakControl control;
    const QString error = control.Create(QStringLiteral(SONARCH2_LIBRARY_PATH), kWidth, kHeight);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    EditModel model;
    const QString dir = m_dir.path();
    QCOMPARE(LoadRawInto(control, model, dir, Ramp(1000 * 4), PcmFormat{2, 44100, 16}), QString());

    // The cursor near the end; a selection by DoFade that starts left of the
    // view leaves it there; deleting the selection leaves it past the end.
    const ViewGeometry view{0, 1000, kWidth};
    model.Click(view, kWidth - 3);
    control.Click(kWidth - 3);
    model.DoFade(view, -2.0f, 60.0f);
    QCOMPARE(control.Call(DispDoFade, {-2.0f, 60.0f, 0}), QVariant(1.0f));
    model.Delete();
    QCOMPARE(control.Call(DispDelete), QVariant(1));
    QCOMPARE(CheckAgainst(control, model, dir), QString());
    QVERIFY(control.GetInt(DispCursorPos) > control.GetInt(DispWaveLength));

    // Half a second of silence goes at the end, selected, and Undo takes it away.
    const int32_t length = control.GetInt(DispWaveLength);
    model.InsertSilence(0.5f);
    QCOMPARE(control.Call(DispFxInsertSilence, {0.5f}), QVariant(1));
    QCOMPARE(CheckAgainst(control, model, dir), QString());
    QCOMPARE(control.GetInt(DispWaveLength), length + 22050);
    QCOMPARE(control.GetInt(DispSelectBegin), length);
    QCOMPARE(control.GetInt(DispSelectEnd), length + 22050);
    model.Undo();
    control.Call(DispUndo);
    QCOMPARE(CheckAgainst(control, model, dir), QString());
    QCOMPARE(control.GetInt(DispWaveLength), length);
}

void TestEditSoak::zoomAroundASelectionPastTheEndKeepsTheViewInside()
{
    SoakControl control;
    const QString error = control.Create(QStringLiteral(SONARCH2_LIBRARY_PATH), kWidth, kHeight);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    EditModel model;
    const QString dir = m_dir.path();
    QCOMPARE(LoadRawInto(control, model, dir, Ramp(4000 * 2), PcmFormat{1, 8000, 16}), QString());

    // Paste at the end, then Undo: the selection is where the pasted frames
    // were, past the end of the document.
    const ViewGeometry view{0, 4000, kWidth};
    model.DoFade(view, 0.0f, 100.0f);
    QCOMPARE(control.Call(DispDoFade, {0.0f, 100.0f, 0}), QVariant(1.0f));
    model.Copy();
    control.Call(DispCopy);
    model.Click(view, kWidth - 2);
    control.Click(kWidth - 2);
    QVERIFY(control.GetInt(DispCursorPos) >= 3990);
    model.Paste();
    control.Call(DispPaste);
    model.Undo();
    control.Call(DispUndo);
    QCOMPARE(CheckAgainst(control, model, dir), QString());
    // Its centre lies more than half a zoomed view past the end.
    QVERIFY(control.GetInt(DispSelectEnd) > 4000 + 1000);

    // Zooming centres on the end of the document, not beyond it.
    QVERIFY(control.Put(DispZoom, 4.0f));
    QCOMPARE(control.GetInt(DispViewEnd), 4000);
    QCOMPARE(control.GetInt(DispViewBegin), 4000 - 1000 / 2);
}

void TestEditSoak::soak()
{
    const int operations = EnvInt("SOAK_OPS", 2000);
    const int seed = EnvInt("SOAK_SEED", 1);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QGuiApplication::clipboard()->clear();  // the model starts with an empty clipboard

    SoakControl control;
    const QString error = control.Create(QStringLiteral(SONARCH2_LIBRARY_PATH), kWidth, kHeight);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    SoakSequence soak(control, dir.path(), static_cast<uint64_t>(seed));
    QElapsedTimer clock;
    clock.start();
    const QString failure = soak.Run(operations);
    if (!failure.isEmpty())
        QFAIL(qPrintable(QStringLiteral("edit soak, seed %1: %2").arg(seed).arg(failure)));

    QStringList counts;
    for (const auto& [name, count] : soak.Counts())
        counts << QStringLiteral("%1 %2").arg(name).arg(count);
    qInfo("seed %d: %d operations matched the model in %lld ms (operations, and steps ending with a selection near a block edge: %s)", seed, operations,
          static_cast<long long>(clock.elapsed()), qPrintable(counts.join(QStringLiteral(", "))));
}

// The control's registry and working directories go to private places, set
// before the application starts.
int main(int argc, char** argv)
{
    QTemporaryDir config;
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestEditSoak test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_edit_soak.moc"
