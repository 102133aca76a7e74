#pragma once
// A reference model of the editor's document, kept entirely in memory: the
// working file as a byte vector, with the selection, the cursor, the single
// undo record and the clipboard, and the sample arithmetic of the effects.
// The soak applies every operation to it and to the real control, and the
// two must agree byte for byte.
//
// The model is written from the documented behaviour, not from the code it
// checks. Where the documented behaviour would lose data, the model holds
// the mended behaviour (each such place says so).

#include <cstdint>
#include <optional>
#include <vector>

namespace soak {

struct PcmFormat {
    int32_t channels = 2;
    int32_t samplesPerSec = 44100;
    int32_t bitsPerSample = 16;

    int32_t BlockAlign() const { return channels * (bitsPerSample / 8); }
};

// What the view shows when a pixel is turned into a frame.
struct ViewGeometry {
    int32_t viewBegin = 0;
    int32_t viewEnd = 0;
    int32_t width = 0;  // of the view's bounds, in pixels
};

class EditModel {
public:
    // Load of raw data: the bytes as they are, in the given format.
    void Load(std::vector<uint8_t> bytes, const PcmFormat& format);

    void Delete();
    void Copy();
    void Cut();
    void Paste();
    void Undo();
    void SelectAll();
    void Deselect();

    void Amplify(float gain);
    void Silence();
    void Invert();
    void Reverse();
    void FadeIn();
    void FadeOut();
    void InsertSilence(float seconds);

    // Button down at xDown, a move, and button up at xUp, over the view.
    // xDown must lie over a frame of the view (0 .. width - 2): the drag is
    // anchored at the cursor's pixel, which is then xDown. False otherwise.
    bool MouseDrag(const ViewGeometry& view, int32_t xDown, int32_t xUp);
    // Button down and up at x without a move.
    void Click(const ViewGeometry& view, int32_t x);
    // DoFade(FadeStart, FadeEnd, _) over the view.
    void DoFade(const ViewGeometry& view, float fadeStart, float fadeEnd);

    // The view range: set to the whole document by a load, kept inside it
    // by deletions and undos, moved by zoom and scrolling.
    void SetZoom(float zoom, int32_t width);
    void ScrollTo(int32_t frame);
    // The view's range, with the width of its bounds.
    ViewGeometry View(int32_t width) const { return ViewGeometry{m_viewBegin, m_viewEnd, width}; }

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    const PcmFormat& Format() const { return m_format; }
    int32_t Length() const;  // whole frames in the working file
    int32_t SelBegin() const { return m_selBegin; }
    int32_t SelEnd() const { return m_selEnd; }
    int32_t Cursor() const { return m_cursor; }
    bool HasUndo() const { return m_undo.begin != m_undo.end; }
    bool HasClipboard() const { return m_clipboard.has_value(); }

private:
    enum UndoKind { UndoRestore = 0, UndoRemove = 1, UndoReinsert = 2 };
    struct UndoRecord {
        int kind = UndoRestore;
        int64_t begin = 0;  // bytes
        int64_t end = 0;
        std::vector<uint8_t> saved;
    };

    bool HasSelection() const { return m_selBegin != m_selEnd; }
    void SaveUndo(int kind);
    void InsertAt(int64_t at, const std::vector<uint8_t>& bytes);
    // Byte range of the selection, inside the file.
    int64_t SelectionByte(int32_t frame) const;
    // Runs `rule(x, frameInSelection)` over every sample of the selection.
    template <typename Rule>
    void ForEachSelectedSample(Rule rule);
    float ReadSample(int64_t byteOffset) const;
    void WriteSample(int64_t byteOffset, float value);

    // The view's pixel arithmetic (32-bit floats, truncation toward zero).
    struct Scale {
        float pointsPerFrame = 0.0f;
        float pixelsPerPoint = 0.0f;
    };
    static Scale ScaleOf(const ViewGeometry& view);
    void PlaceZoom(float zoom);
    // After an edit or undo: a document with frames under an empty view is
    // shown whole, at zoom 1.
    void ShowAllUnderAnEmptyView();
    void ClampView();
    bool SetCursorFromX(const ViewGeometry& view, int32_t x);
    void EndSelection(const ViewGeometry& view, int32_t x1, int32_t x2);

    std::vector<uint8_t> m_bytes;
    PcmFormat m_format;
    int32_t m_selBegin = 0;
    int32_t m_selEnd = 0;
    int32_t m_cursor = 0;
    int32_t m_viewBegin = 0;
    int32_t m_viewEnd = 0;
    float m_zoom = 1.0f;
    UndoRecord m_undo;
    std::optional<std::vector<uint8_t>> m_clipboard;
};

}  // namespace soak
