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
#include "SoakControl.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>
#include <map>
#include <random>

using namespace soak;

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 120;
constexpr int64_t kBlock = 65536;

QString CheckAgainst(SoakControl& control, const EditModel& model, const QString& dir);

class Soak {
public:
    Soak(SoakControl& control, const QString& dir, uint64_t seed) : m_control(control), m_dir(dir), m_rng(seed) {}

    // Runs `count` steps; empty on success, else the report of the first mismatch.
    QString Run(int count);
    const std::map<QString, int>& Counts() const { return m_counts; }

private:
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool Chance(int percent) { return Uniform(0, 99) < percent; }
    template <typename T>
    T Pick(std::initializer_list<T> values) { return *(values.begin() + Uniform(0, int(values.size()) - 1)); }

    QString Step();
    QString Check() { return CheckAgainst(m_control, m_model, m_dir); }
    QString Method(int32_t dispid, const QVariantList& args = {}, const QVariant& expected = 1);
    ViewGeometry View();
    int32_t BlockFrames() const { return static_cast<int32_t>(kBlock / m_model.Format().BlockAlign()); }
    // A frame count near a multiple of the 64 KB block: k blocks and a few frames either side.
    int32_t NearBlock(int maxBlocks);

    QString LoadRaw();
    QString DragSelect();
    QString TargetSelect();
    QString FadeSelect();
    QString ClickAt();
    QString InsertSilence();
    QString Amplify();

    // Selections whose end, or whose length, lies one frame either side of
    // a multiple of 64 KB (one byte, for 8-bit mono).
    void CountBlockEdges()
    {
        const int64_t align = m_model.Format().BlockAlign();
        if (m_model.SelEnd() <= m_model.SelBegin() || align <= 0)
            return;
        const int64_t end = int64_t{m_model.SelEnd()} * align;
        const int64_t length = (int64_t{m_model.SelEnd()} - m_model.SelBegin()) * align;
        for (const auto& [bytes, name] : {std::pair{end, "end"}, std::pair{length, "length"}}) {
            if (bytes > align && bytes % kBlock == kBlock - align)
                ++m_counts[QStringLiteral("[%1 a frame before a block]").arg(QLatin1String(name))];
            if (bytes > kBlock && bytes % kBlock == align)
                ++m_counts[QStringLiteral("[%1 a frame after a block]").arg(QLatin1String(name))];
        }
    }

    void Note(const QString& what) { m_op = what; ++m_counts[what.section(QLatin1Char(' '), 0, 0)]; }

    SoakControl& m_control;
    QString m_dir;
    std::mt19937_64 m_rng;
    EditModel m_model;
    QString m_op;
    std::deque<QString> m_history;
    std::map<QString, int> m_counts;
    int m_loads = 0;
};

QString Soak::Run(int count)
{
    // The control starts with raw as its format, so that the format
    // properties take the values of each load.
    QFile empty(m_dir + QStringLiteral("/empty.raw"));
    if (!empty.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1").arg(empty.fileName());
    empty.close();
    if (QString e = Method(DispLoad, {empty.fileName(), 3}); !e.isEmpty())
        return e;
    m_model.Load({}, PcmFormat{m_control.GetInt(DispChannels), m_control.GetInt(DispSamplesPerSec),
                               m_control.GetInt(DispBitsPerSample)});

    for (int step = 0; step < count; ++step) {
        QString failure = Step();
        if (failure.isEmpty())
            failure = Check();
        m_history.push_back(QStringLiteral("%1: %2 -> %3 bytes, selection %4..%5, cursor %6")
                                .arg(step)
                                .arg(m_op)
                                .arg(m_model.Bytes().size())
                                .arg(m_model.SelBegin())
                                .arg(m_model.SelEnd())
                                .arg(m_model.Cursor()));
        if (m_history.size() > 12)
            m_history.pop_front();
        CountBlockEdges();
        if (!failure.isEmpty()) {
            QStringList report{QStringLiteral("step %1 (%2): %3").arg(step).arg(m_op, failure),
                               QStringLiteral("steps up to it:")};
            for (const QString& h : m_history)
                report << QStringLiteral("  ") + h;
            return report.join(QLatin1Char('\n'));
        }
    }
    return QString();
}

QString Soak::Method(int32_t dispid, const QVariantList& args, const QVariant& expected)
{
    bool ok = false;
    const QVariant result = m_control.Call(dispid, args, &ok);
    if (!ok)
        return QStringLiteral("DISPID %1 was refused by the dispatch layer").arg(dispid);
    if (expected.isValid() && result != expected)
        return QStringLiteral("DISPID %1 answered %2, not %3").arg(dispid).arg(result.toString(), expected.toString());
    return QString();
}

ViewGeometry Soak::View()
{
    return ViewGeometry{m_control.GetInt(DispViewBegin), m_control.GetInt(DispViewEnd), m_control.GetInt(DispWidth)};
}

int32_t Soak::NearBlock(int maxBlocks)
{
    const int32_t k = Uniform(0, maxBlocks);
    const int32_t delta = Pick({-3, -1, -1, 0, 1, 1, 2, 5});
    return std::max(1, k * BlockFrames() + delta);
}

QString Soak::Step()
{
    const int64_t size = static_cast<int64_t>(m_model.Bytes().size());
    // Keep documents to a few blocks, so that every step stays quick.
    if (m_loads == 0 || size > 6 * kBlock || (size == 0 && Chance(50)))
        return LoadRaw();

    const int roll = Uniform(0, 99);
    if (roll < 4)
        return LoadRaw();
    if (roll < 14)
        return DragSelect();
    if (roll < 24)
        return TargetSelect();
    if (roll < 32)
        return FadeSelect();
    if (roll < 35)
        return ClickAt();
    if (roll < 38) {
        Note(QStringLiteral("SelectAll"));
        m_model.SelectAll();
        return Method(DispSelectAll, {}, QVariant());
    }
    if (roll < 45) {
        Note(QStringLiteral("Delete"));
        m_model.Delete();
        return Method(DispDelete);
    }
    if (roll < 50) {
        Note(QStringLiteral("Cut"));
        m_model.Cut();
        return Method(DispCut);
    }
    if (roll < 55) {
        Note(QStringLiteral("Copy"));
        m_model.Copy();
        return Method(DispCopy);
    }
    if (roll < 62) {
        Note(QStringLiteral("Paste"));
        m_model.Paste();
        return Method(DispPaste);
    }
    if (roll < 72) {
        Note(QStringLiteral("Undo"));
        m_model.Undo();
        return Method(DispUndo, {}, QVariant());
    }
    if (roll < 78)
        return InsertSilence();
    if (roll < 84)
        return Amplify();
    if (roll < 87) {
        Note(QStringLiteral("FxSilence"));
        m_model.Silence();
        return Method(DispFxSilence);
    }
    if (roll < 91) {
        Note(QStringLiteral("FxInvert"));
        m_model.Invert();
        return Method(DispFxInvert);
    }
    if (roll < 95) {
        Note(QStringLiteral("FxReverse"));
        m_model.Reverse();
        return Method(DispFxReverse);
    }
    if (roll < 97) {
        Note(QStringLiteral("FxFadeIn"));
        m_model.FadeIn();
        return Method(DispFxFadeIn);
    }
    if (roll < 99) {
        Note(QStringLiteral("FxFadeOut"));
        m_model.FadeOut();
        return Method(DispFxFadeOut);
    }
    Note(QStringLiteral("DeSelect"));
    m_model.Deselect();
    return Method(DispDeSelect, {}, QVariant());
}

QString Soak::LoadRaw()
{
    ++m_loads;
    const PcmFormat format{Pick({1, 2}), Pick({8000, 11025, 22050, 44100}), Pick({8, 16})};
    const int32_t align = format.BlockAlign();
    int32_t frames = 0;
    const int kind = Uniform(0, 9);
    if (kind < 6)
        frames = std::max(1, Uniform(0, 3) * static_cast<int32_t>(kBlock / align) + Pick({-3, -1, 0, 1, 1, 7}));
    else if (kind < 9)
        frames = Uniform(1, 3000) | 1;  // odd
    // else: an empty file
    std::vector<uint8_t> bytes(static_cast<std::size_t>(frames) * align);
    // Now and then a trailing partial frame, which the document keeps.
    if (align > 1 && Chance(10))
        bytes.resize(bytes.size() + static_cast<std::size_t>(Uniform(1, align - 1)));
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(Uniform(0, 255));
    if (Chance(30) && bytes.size() >= 4) {  // the extremes of both encodings
        bytes[0] = 0x00;
        bytes[1] = 0x80;
        bytes[bytes.size() - 1] = 0xff;
    }
    const QString path = m_dir + QStringLiteral("/input.raw");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()))
                                                != qint64(bytes.size()))
        return QStringLiteral("cannot write %1").arg(path);
    file.close();
    Note(QStringLiteral("Load raw %1 bytes, %2 ch %3 Hz %4 bit")
             .arg(bytes.size())
             .arg(format.channels)
             .arg(format.samplesPerSec)
             .arg(format.bitsPerSample));

    if (!m_control.Put(DispChannels, format.channels) || !m_control.Put(DispSamplesPerSec, format.samplesPerSec)
        || !m_control.Put(DispBitsPerSample, format.bitsPerSample))
        return QStringLiteral("a format property was refused");
    m_model.Load(std::move(bytes), format);
    return Method(DispLoad, {path, 3});
}

QString Soak::DragSelect()
{
    const ViewGeometry view = View();
    const int xDown = Uniform(0, view.width - 2);
    const int xUp = Uniform(-10, view.width + 10);
    Note(QStringLiteral("Drag %1 -> %2 over view %3..%4").arg(xDown).arg(xUp).arg(view.viewBegin).arg(view.viewEnd));
    if (!m_model.MouseDrag(view, xDown, xUp))
        return QStringLiteral("the model could not place the cursor under the press");
    m_control.Drag(xDown, xUp);
    return QString();
}

QString Soak::TargetSelect()
{
    // Zoom so that the view spans about the wanted range, scroll it there and
    // drag over the whole width: a selection whose end or length lies a frame
    // or so either side of a 64 KB block.
    const int32_t length = m_model.Length();
    if (length < 8)
        return DragSelect();
    int32_t begin = 0;
    int32_t end = 0;
    if (Chance(50)) {
        end = std::min(length, NearBlock(std::max<int>(1, length / BlockFrames())));
        begin = Uniform(std::max(0, end - 3 * BlockFrames()), std::max(0, end - 1));
    } else {
        const int32_t span = std::min(length, NearBlock(std::max<int>(1, length / BlockFrames())));
        begin = Uniform(0, length - span);
        end = begin + span;
    }
    if (end <= begin)
        end = begin + 1;
    const float zoom = static_cast<float>(length) / static_cast<float>(end - begin);
    if (!m_control.Put(DispZoom, 1.0f) || !m_control.Put(DispZoom, zoom))
        return QStringLiteral("Zoom was refused");
    const ViewGeometry zoomed = View();
    if (QString e = Method(DispScrollTo, {begin + (zoomed.viewEnd - zoomed.viewBegin) / 2}, QVariant()); !e.isEmpty())
        return e;
    const ViewGeometry view = View();
    const int xUp = view.width + Pick({0, 0, -1, 3});
    Note(QStringLiteral("Target %1..%2: zoom %3, drag 0 -> %4 over view %5..%6")
             .arg(begin)
             .arg(end)
             .arg(double(zoom))
             .arg(xUp)
             .arg(view.viewBegin)
             .arg(view.viewEnd));
    if (!m_model.MouseDrag(view, 0, xUp))
        return QStringLiteral("the model could not place the cursor under the press");
    m_control.Drag(0, xUp);
    return QString();
}

QString Soak::FadeSelect()
{
    const ViewGeometry view = View();
    const float limit = static_cast<float>(view.width) / 3.9f;
    std::uniform_real_distribution<float> position(-4.0f, limit + 4.0f);
    const float start = position(m_rng);
    const float end = position(m_rng);
    Note(QStringLiteral("DoFade %1 %2 over view %3..%4").arg(double(start)).arg(double(end)).arg(view.viewBegin).arg(view.viewEnd));
    m_model.DoFade(view, start, end);
    return Method(DispDoFade, {start, end, Uniform(0, 100)}, 1.0f);
}

QString Soak::ClickAt()
{
    const ViewGeometry view = View();
    const int x = Uniform(0, view.width + 4);
    Note(QStringLiteral("Click %1 over view %2..%3").arg(x).arg(view.viewBegin).arg(view.viewEnd));
    m_model.Click(view, x);
    m_control.Click(x);
    return QString();
}

QString Soak::InsertSilence()
{
    const float rate = static_cast<float>(m_model.Format().samplesPerSec);
    float seconds = 0.0f;
    switch (Uniform(0, 5)) {
    case 0: seconds = static_cast<float>(NearBlock(2)) / rate; break;
    case 1: seconds = static_cast<float>(Uniform(1, 5000)) / rate; break;
    case 2: seconds = Pick({0.0f, 1e-6f, -0.01f}); break;  // less than a frame, or negative
    default: seconds = static_cast<float>(Uniform(1, 400)) / 1000.0f; break;
    }
    Note(QStringLiteral("FxInsertSilence %1 s at cursor %2").arg(double(seconds)).arg(m_model.Cursor()));
    m_model.InsertSilence(seconds);
    return Method(DispFxInsertSilence, {seconds});
}

QString Soak::Amplify()
{
    const float gain = Pick({0.0f, 0.5f, -1.0f, 2.0f, 1.5f, -0.3f, 0.999f, 1.0f, 3.7f, 1e-3f, -2.5f});
    Note(QStringLiteral("FxAmplify %1").arg(double(gain)));
    m_model.Amplify(gain);
    return Method(DispFxAmplify, {gain});
}

// The control's document, saved as raw into `dir`, and its length, selection,
// cursor, format and view, against the model. Empty when all agree.
QString CheckAgainst(SoakControl& control, const EditModel& model, const QString& dir)
{
    const QString path = dir + QStringLiteral("/saved.raw");
    QFile::remove(path);
    bool ok = false;
    if (control.Call(DispSaveAs, {path, 3}, &ok) != QVariant(1) || !ok)
        return QStringLiteral("SaveAs did not answer 1");
    QFile saved(path);
    if (!saved.open(QIODevice::ReadOnly))
        return QStringLiteral("SaveAs wrote no %1").arg(path);
    const QByteArray bytes = saved.readAll();
    const std::vector<uint8_t>& expected = model.Bytes();
    if (static_cast<std::size_t>(bytes.size()) != expected.size())
        return QStringLiteral("saved %1 bytes, the model has %2").arg(bytes.size()).arg(expected.size());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (static_cast<uint8_t>(bytes[i]) != expected[static_cast<std::size_t>(i)])
            return QStringLiteral("byte %1 of %2 is %3, the model has %4")
                .arg(i)
                .arg(bytes.size())
                .arg(static_cast<uint8_t>(bytes[i]))
                .arg(expected[static_cast<std::size_t>(i)]);

    const struct {
        const char* name;
        int32_t dispid;
        int32_t expected;
    } values[] = {
        {"WaveLength", DispWaveLength, model.Length()},
        {"SelectBegin", DispSelectBegin, model.SelBegin()},
        {"SelectEnd", DispSelectEnd, model.SelEnd()},
        {"CursorPos", DispCursorPos, model.Cursor()},
        {"Channels", DispChannels, model.Format().channels},
        {"SamplesPerSec", DispSamplesPerSec, model.Format().samplesPerSec},
        {"BitsPerSample", DispBitsPerSample, model.Format().bitsPerSample},
    };
    for (const auto& v : values)
        if (const int32_t got = control.GetInt(v.dispid); got != v.expected)
            return QStringLiteral("%1 is %2, the model has %3").arg(QLatin1String(v.name)).arg(got).arg(v.expected);

    const ViewGeometry view{control.GetInt(DispViewBegin), control.GetInt(DispViewEnd), control.GetInt(DispWidth)};
    if (view.viewBegin < 0 || view.viewBegin > view.viewEnd || view.viewEnd > model.Length())
        return QStringLiteral("view %1..%2 lies outside the document of %3 frames")
            .arg(view.viewBegin)
            .arg(view.viewEnd)
            .arg(model.Length());
    return QString();
}

int EnvInt(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

// Loads `bytes` as raw data of `format` into the control and the model.
QString LoadRawInto(SoakControl& control, EditModel& model, const QString& dir, std::vector<uint8_t> bytes,
                    const PcmFormat& format)
{
    const QString path = dir + QStringLiteral("/fixed.raw");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1").arg(path);
    file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    file.close();
    // The format properties take values only once the format is raw.
    if (control.GetInt(DispFormat) != 3)
        control.Call(DispLoad, {path, 3});
    control.Put(DispChannels, format.channels);
    control.Put(DispSamplesPerSec, format.samplesPerSec);
    control.Put(DispBitsPerSample, format.bitsPerSample);
    if (control.Call(DispLoad, {path, 3}) != QVariant(1))
        return QStringLiteral("Load did not answer 1");
    model.Load(std::move(bytes), format);
    return QString();
}

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

    Soak soak(control, dir.path(), static_cast<uint64_t>(seed));
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
