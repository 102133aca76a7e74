#include "EditModel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace soak {

namespace {

// A C cast of a float to int: truncation toward zero, saturating, NaN as 0.
int32_t Trunc(float v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483648.0f)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

int32_t TruncDouble(double v)
{
    if (std::isnan(v))
        return 0;
    return static_cast<int32_t>(std::clamp<double>(std::trunc(v), std::numeric_limits<int32_t>::min(),
                                                   std::numeric_limits<int32_t>::max()));
}

}  // namespace

int32_t EditModel::Length() const
{
    const int32_t align = m_format.BlockAlign();
    return align > 0 ? static_cast<int32_t>(static_cast<int64_t>(m_bytes.size()) / align) : 0;
}

void EditModel::Load(std::vector<uint8_t> bytes, const PcmFormat& format)
{
    m_bytes = std::move(bytes);
    m_format = format;
    m_selBegin = m_selEnd = 0;
    m_cursor = 0;
    m_undo = UndoRecord{};
    PlaceZoom(1.0f);
}

int64_t EditModel::SelectionByte(int32_t frame) const
{
    return std::clamp<int64_t>(int64_t{frame} * m_format.BlockAlign(), 0, static_cast<int64_t>(m_bytes.size()));
}

void EditModel::SaveUndo(int kind)
{
    if (!HasSelection())
        return;  // the record of the step before stays
    m_undo = UndoRecord{};
    int64_t begin = int64_t{std::min(m_selBegin, m_selEnd)} * m_format.BlockAlign();
    int64_t end = int64_t{std::max(m_selBegin, m_selEnd)} * m_format.BlockAlign();
    if (kind != UndoRemove) {
        begin = SelectionByte(std::min(m_selBegin, m_selEnd));
        end = SelectionByte(std::max(m_selBegin, m_selEnd));
        if (begin == end)
            return;
        m_undo.saved.assign(m_bytes.begin() + begin, m_bytes.begin() + end);
    }
    m_undo.kind = kind;
    m_undo.begin = begin;
    m_undo.end = end;
}

void EditModel::InsertAt(int64_t at, const std::vector<uint8_t>& bytes)
{
    m_bytes.insert(m_bytes.begin() + at, bytes.begin(), bytes.end());
}

void EditModel::Delete()
{
    SaveUndo(UndoReinsert);
    const int64_t s = SelectionByte(std::min(m_selBegin, m_selEnd));
    const int64_t e = SelectionByte(std::max(m_selBegin, m_selEnd));
    m_bytes.erase(m_bytes.begin() + s, m_bytes.begin() + e);
    ClampView();
    m_selBegin = m_selEnd = 0;  // the cursor stays where it was
    ShowAllUnderAnEmptyView();
}

void EditModel::Copy()
{
    if (!HasSelection())
        return;
    const int64_t s = SelectionByte(std::min(m_selBegin, m_selEnd));
    const int64_t e = SelectionByte(std::max(m_selBegin, m_selEnd));
    if (s == e)
        return;
    m_clipboard.emplace(m_bytes.begin() + s, m_bytes.begin() + e);
}

void EditModel::Cut()
{
    Copy();
    Delete();
}

void EditModel::Paste()
{
    if (!m_clipboard || m_clipboard->empty())
        return ShowAllUnderAnEmptyView();
    // Mended: a cursor left past the end by a deletion inserts at the end
    // (the documented gap at the cursor would lie outside the file).
    const int32_t at = std::clamp(m_cursor, 0, Length());
    const auto n = static_cast<int64_t>(m_clipboard->size());
    InsertAt(int64_t{at} * m_format.BlockAlign(), *m_clipboard);
    m_selBegin = at;
    m_selEnd = at + static_cast<int32_t>(n / m_format.channels / (m_format.bitsPerSample / 8));
    SaveUndo(UndoRemove);
    ShowAllUnderAnEmptyView();
}

void EditModel::Undo()
{
    if (m_undo.begin == m_undo.end)
        return ShowAllUnderAnEmptyView();
    const int64_t size = static_cast<int64_t>(m_bytes.size());
    switch (m_undo.kind) {
    case UndoRestore:
        if (m_undo.begin + static_cast<int64_t>(m_undo.saved.size()) > size)
            m_bytes.resize(static_cast<std::size_t>(m_undo.begin) + m_undo.saved.size());
        std::copy(m_undo.saved.begin(), m_undo.saved.end(), m_bytes.begin() + m_undo.begin);
        break;
    case UndoRemove: {
        const int64_t count = std::min(m_undo.end - m_undo.begin, size - m_undo.begin);
        m_bytes.erase(m_bytes.begin() + m_undo.begin, m_bytes.begin() + m_undo.begin + count);
        break;
    }
    case UndoReinsert:
        InsertAt(m_undo.begin, m_undo.saved);
        break;
    }
    const int32_t align = m_format.BlockAlign();
    m_selBegin = static_cast<int32_t>(m_undo.begin / align);
    m_selEnd = static_cast<int32_t>(m_undo.end / align);
    // Mended: the view is kept inside the document here too, as after a
    // deletion (an undone insertion at the end left it reaching past the end).
    ClampView();
    m_undo = UndoRecord{};
    ShowAllUnderAnEmptyView();
}

void EditModel::SelectAll()
{
    m_selBegin = 0;
    m_selEnd = Length();
    m_cursor = 0;
}

void EditModel::Deselect()
{
    m_selBegin = m_selEnd = 0;
}

// --- Samples ------------------------------------------------------------------

float EditModel::ReadSample(int64_t at) const
{
    if (m_format.bitsPerSample == 8)
        return static_cast<float>(static_cast<int>(m_bytes[at]) - 127);
    const auto raw = static_cast<uint16_t>(m_bytes[at] | (m_bytes[at + 1] << 8));
    return static_cast<float>(static_cast<int16_t>(raw));
}

void EditModel::WriteSample(int64_t at, float value)
{
    if (std::isnan(value))
        value = 0.0f;
    if (m_format.bitsPerSample == 8) {
        const float v = std::clamp(value, -127.0f, 127.0f);
        m_bytes[at] = static_cast<uint8_t>(static_cast<int>(v + 127.0f));
        return;
    }
    const float v = std::clamp(value, -32767.0f, 32767.0f);
    const auto s = static_cast<uint16_t>(static_cast<int16_t>(static_cast<int>(v)));
    m_bytes[at] = static_cast<uint8_t>(s & 0xff);
    m_bytes[at + 1] = static_cast<uint8_t>(s >> 8);
}

template <typename Rule>
void EditModel::ForEachSelectedSample(Rule rule)
{
    const int32_t align = m_format.BlockAlign();
    const int32_t bytesPerSample = m_format.bitsPerSample / 8;
    const int64_t size = static_cast<int64_t>(m_bytes.size());
    for (int32_t f = m_selBegin; f < m_selEnd; ++f) {
        const int64_t frameAt = int64_t{f} * align;
        if (frameAt + align > size)
            break;  // only frames that are in the file
        for (int32_t c = 0; c < m_format.channels; ++c) {
            const int64_t at = frameAt + int64_t{c} * bytesPerSample;
            WriteSample(at, rule(ReadSample(at), int64_t{f} - m_selBegin));
        }
    }
}

void EditModel::Amplify(float gain)
{
    SaveUndo(UndoRestore);
    ForEachSelectedSample([gain](float x, int64_t) { return x * gain; });
    ShowAllUnderAnEmptyView();
}

void EditModel::Silence()
{
    SaveUndo(UndoRestore);
    Amplify(0.0f);
}

void EditModel::Invert()
{
    SaveUndo(UndoRestore);
    ForEachSelectedSample([](float x, int64_t) { return -x; });
    ShowAllUnderAnEmptyView();
}

void EditModel::FadeIn()
{
    SaveUndo(UndoRestore);
    const float inverse = 1.0f / static_cast<float>(m_selEnd - m_selBegin);
    ForEachSelectedSample([inverse](float x, int64_t f) { return x * static_cast<float>(f) * inverse; });
    ShowAllUnderAnEmptyView();
}

void EditModel::FadeOut()
{
    SaveUndo(UndoRestore);
    const int64_t n = m_selEnd - m_selBegin;
    const float inverse = 1.0f / static_cast<float>(n);
    ForEachSelectedSample([inverse, n](float x, int64_t f) { return x * static_cast<float>(n - f) * inverse; });
    ShowAllUnderAnEmptyView();
}

void EditModel::Reverse()
{
    SaveUndo(UndoRestore);
    const int32_t align = m_format.BlockAlign();
    const int64_t begin = int64_t{m_selBegin} * align;
    const int64_t end = int64_t{m_selEnd} * align;
    if (end <= begin || end > static_cast<int64_t>(m_bytes.size()))
        return ShowAllUnderAnEmptyView();
    const std::vector<uint8_t> before(m_bytes.begin() + begin, m_bytes.begin() + end);
    const int64_t frames = (end - begin) / align;
    const int32_t bytesPerSample = m_format.bitsPerSample / 8;
    for (int64_t j = 0; j < frames; ++j) {
        for (int32_t c = 0; c < m_format.channels; ++c) {
            // Through the sample conversion, so out-of-range values clip.
            const int64_t from = begin + (frames - 1 - j) * align + int64_t{c} * bytesPerSample;
            const int64_t to = begin + j * align + int64_t{c} * bytesPerSample;
            float x = 0.0f;
            if (bytesPerSample == 1)
                x = static_cast<float>(static_cast<int>(before[from - begin]) - 127);
            else
                x = static_cast<float>(static_cast<int16_t>(
                    static_cast<uint16_t>(before[from - begin] | (before[from - begin + 1] << 8))));
            WriteSample(to, x);
        }
    }
    ShowAllUnderAnEmptyView();
}

void EditModel::InsertSilence(float seconds)
{
    const int32_t frames = TruncDouble(static_cast<double>(m_format.samplesPerSec) * static_cast<double>(seconds));
    // Mended, as for Paste: a cursor past the end inserts at the end.
    const int32_t at = std::clamp(m_cursor, 0, Length());
    if (frames <= 0) {
        // Nothing to insert: the selection becomes the empty range at the
        // cursor, so no undo is recorded and the step before stays undoable.
        m_selBegin = m_selEnd = m_cursor;
        return ShowAllUnderAnEmptyView();
    }
    const int32_t align = m_format.BlockAlign();
    const uint8_t silence = m_format.bitsPerSample == 8 ? 127 : 0;
    InsertAt(int64_t{at} * align, std::vector<uint8_t>(static_cast<std::size_t>(frames) * align, silence));
    m_selBegin = at;
    m_selEnd = at + frames;
    SaveUndo(UndoRemove);
    ShowAllUnderAnEmptyView();
}

// --- The view's pixels ----------------------------------------------------------

EditModel::Scale EditModel::ScaleOf(const ViewGeometry& view)
{
    constexpr int32_t kPoints = 4096;
    Scale s;
    const int32_t viewLength = view.viewEnd - view.viewBegin;
    s.pointsPerFrame = viewLength == 0 ? 0.0f : static_cast<float>(kPoints) / static_cast<float>(viewLength);
    s.pixelsPerPoint = static_cast<float>(view.width - 2) / static_cast<float>(kPoints);
    return s;
}

bool EditModel::SetCursorFromX(const ViewGeometry& view, int32_t x)
{
    const Scale s = ScaleOf(view);
    if (Length() <= 0 || s.pixelsPerPoint == 0.0f || s.pointsPerFrame == 0.0f)
        return false;
    const int64_t frame = int64_t{view.viewBegin} + Trunc(static_cast<float>(x) / s.pixelsPerPoint / s.pointsPerFrame);
    if (frame < view.viewBegin || frame > view.viewEnd)
        return false;
    m_cursor = static_cast<int32_t>(frame);
    return true;
}

void EditModel::EndSelection(const ViewGeometry& view, int32_t x1, int32_t x2)
{
    x2 = std::clamp(x2, 0, std::max(0, view.width));
    const Scale s = ScaleOf(view);
    if (Length() <= 0 || s.pixelsPerPoint == 0.0f || s.pointsPerFrame == 0.0f)
        return;
    if (x2 < x1)
        std::swap(x1, x2);
    const float perPixel1 = 1.0f / s.pointsPerFrame;
    const float perPixel2 = 1.0f / s.pixelsPerPoint;
    const int64_t begin = int64_t{view.viewBegin} + Trunc(static_cast<float>(x1) * perPixel1 * perPixel2);
    const int64_t end = int64_t{view.viewBegin} + Trunc(static_cast<float>(x2) * perPixel1 * perPixel2);
    // Mended: both ends stay inside the view (the documented bounds let a
    // start past the view's end make a selection that begins after it ends).
    m_selBegin = static_cast<int32_t>(std::clamp<int64_t>(begin, view.viewBegin, view.viewEnd));
    m_selEnd = static_cast<int32_t>(std::clamp<int64_t>(end, view.viewBegin, view.viewEnd));
    SetCursorFromX(view, x1);
}

void EditModel::ShowAllUnderAnEmptyView()
{
    if (Length() > 0 && m_viewEnd - m_viewBegin <= 0) {
        m_viewBegin = 0;
        m_viewEnd = Length();
        m_zoom = 1.0f;
    }
}

void EditModel::ClampView()
{
    const int32_t width = m_viewEnd - m_viewBegin;
    if (m_viewEnd > Length()) {
        m_viewEnd = Length();
        m_viewBegin = std::max(0, Length() - width);
    }
}

void EditModel::PlaceZoom(float zoom)
{
    m_zoom = zoom;
    // Mended: the centre is kept inside the document; a cursor past the end,
    // or the selection of an undone insertion at the end, would make a view
    // that begins after it ends.
    const int64_t centre = std::clamp<int64_t>(
        HasSelection() ? int64_t{m_selBegin} + (int64_t{m_selEnd} - m_selBegin) / 2 : int64_t{m_cursor}, 0, Length());
    const int64_t span = Trunc(static_cast<float>(Length()) / zoom);
    int64_t end = span;
    m_viewBegin = 0;
    if (centre - span / 2 >= 0) {
        m_viewBegin = static_cast<int32_t>(centre - span / 2);
        end = centre + span / 2;
    }
    m_viewEnd = static_cast<int32_t>(std::min<int64_t>(end, Length()));
}

void EditModel::SetZoom(float zoom, int32_t width)
{
    if (!(zoom >= 1.0f))
        zoom = 1.0f;
    if (zoom > m_zoom && int64_t{width} > 2 * (int64_t{m_viewEnd} - m_viewBegin))
        return;  // a frame would get more than about two pixels
    PlaceZoom(zoom);
}

void EditModel::ScrollTo(int32_t frame)
{
    if (frame < 0 || frame > Length())
        return;
    const int64_t length = int64_t{m_viewEnd} - m_viewBegin;
    int64_t begin = frame - length / 2;
    int64_t end = frame + length / 2;
    if (begin < 0) {
        begin = 0;
        end = length;
    }
    if (end > Length()) {
        begin = Length() - length;
        end = Length();
    }
    m_viewBegin = static_cast<int32_t>(begin);
    m_viewEnd = static_cast<int32_t>(end);
}

bool EditModel::MouseDrag(const ViewGeometry& view, int32_t xDown, int32_t xUp)
{
    // Button down: cursor under the pointer, selection cleared.
    const bool placed = SetCursorFromX(view, xDown);
    Deselect();
    // The first move starts a drag only on a document with frames.
    if (Length() <= 0)
        return true;
    if (!placed && ScaleOf(view).pointsPerFrame != 0.0f)
        return false;
    EndSelection(view, xDown, xUp);
    return true;
}

void EditModel::Click(const ViewGeometry& view, int32_t x)
{
    SetCursorFromX(view, x);
    Deselect();
}

void EditModel::DoFade(const ViewGeometry& view, float fadeStart, float fadeEnd)
{
    // The two factors differ: 3.98 for the start, 3.9 for the end.
    const int32_t x1 = TruncDouble(static_cast<double>(fadeStart) * 3.98);
    const int32_t x2 = TruncDouble(static_cast<double>(fadeEnd) * 3.9);
    EndSelection(view, x1, x2);
}

}  // namespace soak
