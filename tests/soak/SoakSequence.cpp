#include "SoakSequence.h"

#include "SoakCheck.h"

#include <QFile>

#include <algorithm>
#include <utility>

namespace soak {

QString SoakSequence::Run(int count)
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

QString SoakSequence::Method(int32_t dispid, const QVariantList& args, const QVariant& expected)
{
    bool ok = false;
    const QVariant result = m_control.Call(dispid, args, &ok);
    if (!ok)
        return QStringLiteral("DISPID %1 was refused by the dispatch layer").arg(dispid);
    if (expected.isValid() && result != expected)
        return QStringLiteral("DISPID %1 answered %2, not %3").arg(dispid).arg(result.toString(), expected.toString());
    return QString();
}

ViewGeometry SoakSequence::View()
{
    return m_model.View(m_control.GetInt(DispWidth));
}

int32_t SoakSequence::NearBlock(int maxBlocks)
{
    const int32_t k = Uniform(0, maxBlocks);
    const int32_t delta = Pick({-3, -1, -1, 0, 1, 1, 2, 5});
    return std::max(1, k * BlockFrames() + delta);
}

QString SoakSequence::Step()
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

QString SoakSequence::LoadRaw()
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

QString SoakSequence::DragSelect()
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

QString SoakSequence::TargetSelect()
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
    const int32_t width = m_control.GetInt(DispWidth);
    m_model.SetZoom(1.0f, width);
    m_model.SetZoom(zoom, width);
    if (!m_control.Put(DispZoom, 1.0f) || !m_control.Put(DispZoom, zoom))
        return QStringLiteral("Zoom was refused");
    const ViewGeometry zoomed = View();
    const int32_t centre = begin + (zoomed.viewEnd - zoomed.viewBegin) / 2;
    m_model.ScrollTo(centre);
    if (QString e = Method(DispScrollTo, {centre}, QVariant()); !e.isEmpty())
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

QString SoakSequence::FadeSelect()
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

QString SoakSequence::ClickAt()
{
    const ViewGeometry view = View();
    const int x = Uniform(0, view.width + 4);
    Note(QStringLiteral("Click %1 over view %2..%3").arg(x).arg(view.viewBegin).arg(view.viewEnd));
    m_model.Click(view, x);
    m_control.Click(x);
    return QString();
}

QString SoakSequence::InsertSilence()
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

QString SoakSequence::Amplify()
{
    const float gain = Pick({0.0f, 0.5f, -1.0f, 2.0f, 1.5f, -0.3f, 0.999f, 1.0f, 3.7f, 1e-3f, -2.5f});
    Note(QStringLiteral("FxAmplify %1").arg(double(gain)));
    m_model.Amplify(gain);
    return Method(DispFxAmplify, {gain});
}

QString SoakSequence::Check()
{
    return CheckAgainst(m_control, m_model, m_dir);
}

void SoakSequence::CountBlockEdges()
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

}  // namespace soak
