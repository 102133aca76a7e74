// The soak's reference model against the documented examples, so that a
// mismatch in the soak points at the component and not at the model.

#include "EditModel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using soak::EditModel;
using soak::PcmFormat;
using soak::ViewGeometry;

namespace {

std::vector<uint8_t> Pcm16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        const auto u = static_cast<uint16_t>(s);
        bytes.push_back(static_cast<uint8_t>(u & 0xff));
        bytes.push_back(static_cast<uint8_t>(u >> 8));
    }
    return bytes;
}

std::vector<int16_t> Samples16(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> samples;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        samples.push_back(static_cast<int16_t>(static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8))));
    return samples;
}

constexpr PcmFormat kMono16{1, 44100, 16};
constexpr PcmFormat kStereo16{2, 44100, 16};
constexpr PcmFormat kMono8{1, 8000, 8};

// A 1-second stereo document in a 400-pixel view, as in the view's example.
EditModel SecondOfStereo()
{
    EditModel m;
    m.Load(std::vector<uint8_t>(44100 * 4, 0), kStereo16);
    return m;
}

}  // namespace

TEST(EditModel, AmplifyClipsAndTruncatesTowardZero)
{
    EditModel m;
    m.Load(Pcm16({20000, -3, -32768, 7}), kMono16);
    m.SelectAll();
    m.Amplify(2.0f);
    EXPECT_EQ(Samples16(m.Bytes()), (std::vector<int16_t>{32767, -6, -32767, 14}));
    m.Load(Pcm16({20000, -3}), kMono16);
    m.SelectAll();
    m.Amplify(0.5f);
    EXPECT_EQ(Samples16(m.Bytes()), (std::vector<int16_t>{10000, -1}));
}

TEST(EditModel, EightBitSamplesHave127AsZero)
{
    EditModel m;
    m.Load({200, 255, 0, 127}, kMono8);
    m.SelectAll();
    m.Amplify(1.0f);
    EXPECT_EQ(m.Bytes(), (std::vector<uint8_t>{200, 254, 0, 127}));
    m.Invert();
    EXPECT_EQ(m.Bytes(), (std::vector<uint8_t>{54, 0, 254, 127}));
    m.Silence();
    EXPECT_EQ(m.Bytes(), (std::vector<uint8_t>{127, 127, 127, 127}));
}

TEST(EditModel, InvertOfTheMostNegativeSampleClips)
{
    EditModel m;
    m.Load(Pcm16({-32768, 32767, 0, 1}), kMono16);
    m.SelectAll();
    m.Invert();
    EXPECT_EQ(Samples16(m.Bytes()), (std::vector<int16_t>{32767, -32767, 0, -1}));
}

TEST(EditModel, FadesScaleByTheFrameIndex)
{
    EditModel m;
    m.Load(Pcm16({1000, 1000, 1000, 1000}), kMono16);
    m.SelectAll();
    m.FadeIn();
    EXPECT_EQ(Samples16(m.Bytes()), (std::vector<int16_t>{0, 250, 500, 750}));
    m.Load(Pcm16({1000, 1000, 1000, 1000}), kMono16);
    m.SelectAll();
    m.FadeOut();
    EXPECT_EQ(Samples16(m.Bytes()), (std::vector<int16_t>{1000, 750, 500, 250}));
}

TEST(EditModel, ReverseKeepsChannelsAndClips)
{
    EditModel m;
    m.Load(Pcm16({1, -1, 2, -2, -32768, 3}), kStereo16);
    m.SelectAll();
    m.Reverse();
    EXPECT_EQ(Samples16(m.Bytes()), (std::vector<int16_t>{-32767, 3, 2, -2, 1, -1}));
}

TEST(EditModel, EffectThenUndoRestoresClippedSamples)
{
    EditModel m;
    const std::vector<uint8_t> before = Pcm16({30000, -30000, 5, 6});
    m.Load(before, kMono16);
    m.SelectAll();
    m.Amplify(4.0f);
    EXPECT_NE(m.Bytes(), before);
    m.Undo();
    EXPECT_EQ(m.Bytes(), before);
    EXPECT_EQ(m.SelBegin(), 0);
    EXPECT_EQ(m.SelEnd(), 4);
}

TEST(EditModel, InsertSilenceOfHalfASecondAndItsUndo)
{
    EditModel m;
    const std::vector<uint8_t> before(400, 9);
    m.Load(before, kStereo16);
    m.InsertSilence(0.5f);
    EXPECT_EQ(m.Bytes().size(), 400u + 88200u);
    EXPECT_EQ(m.SelBegin(), 0);
    EXPECT_EQ(m.SelEnd(), 22050);
    EXPECT_EQ(m.Bytes()[0], 0);
    EXPECT_EQ(m.Bytes()[88200], 9);
    m.Undo();
    EXPECT_EQ(m.Bytes(), before);
}

TEST(EditModel, InsertingNothingKeepsTheStepBeforeUndoable)
{
    EditModel m;
    m.Load(Pcm16({1, 2, 3, 4}), kMono16);
    m.SelectAll();
    m.Amplify(2.0f);
    m.InsertSilence(0.0f);
    EXPECT_EQ(m.SelBegin(), m.SelEnd());
    EXPECT_TRUE(m.HasUndo());
    m.Undo();
    EXPECT_EQ(Samples16(m.Bytes()), (std::vector<int16_t>{1, 2, 3, 4}));
}

TEST(EditModel, CutThenUndoPutsTheFramesBackSelected)
{
    EditModel m;
    const std::vector<uint8_t> before = Pcm16({1, 2, 3, 4, 5, 6});
    m.Load(before, kMono16);
    m.DoFade({0, 6, 400}, 0.0f, 40.0f);  // pixels 0 .. 156 of a 6-frame view
    const int32_t b = m.SelBegin(), e = m.SelEnd();
    ASSERT_LT(b, e);
    m.Cut();
    EXPECT_EQ(m.Bytes().size(), before.size() - 2 * static_cast<std::size_t>(e - b));
    EXPECT_EQ(m.SelBegin(), 0);
    EXPECT_EQ(m.SelEnd(), 0);
    m.Undo();
    EXPECT_EQ(m.Bytes(), before);
    EXPECT_EQ(m.SelBegin(), b);
    EXPECT_EQ(m.SelEnd(), e);
    m.Undo();  // the second does nothing
    EXPECT_EQ(m.Bytes(), before);
    EXPECT_EQ(m.SelBegin(), b);
}

TEST(EditModel, CopyPasteInsertsAtTheCursorAndUndoRemoves)
{
    EditModel m;
    const std::vector<uint8_t> before = Pcm16({1, 10, 2, 20, 3, 30, 4, 40});
    m.Load(before, kStereo16);
    m.SelectAll();  // cursor 0
    m.Copy();
    m.Deselect();
    m.Paste();
    EXPECT_EQ(Samples16(m.Bytes()), (std::vector<int16_t>{1, 10, 2, 20, 3, 30, 4, 40, 1, 10, 2, 20, 3, 30, 4, 40}));
    EXPECT_EQ(m.SelBegin(), 0);
    EXPECT_EQ(m.SelEnd(), 4);
    m.Undo();
    EXPECT_EQ(m.Bytes(), before);
}

TEST(EditModel, PasteOfAPartialFrameKeepsTheBytesAndRoundsTheSelectionDown)
{
    EditModel m;
    m.Load({10, 20, 30}, kMono8);
    m.SelectAll();
    m.Copy();  // 3 bytes
    m.Load(Pcm16({1, 2}), kMono16);
    m.Paste();
    EXPECT_EQ(m.Bytes().size(), 7u);
    EXPECT_EQ(m.SelEnd(), 1);
    EXPECT_EQ(m.Length(), 3);
}

TEST(EditModel, DeleteWithoutSelectionKeepsTheUndoOfTheStepBefore)
{
    EditModel m;
    m.Load(Pcm16({1, 2, 3, 4}), kMono16);
    m.SelectAll();
    m.Invert();
    m.Deselect();
    m.Delete();
    EXPECT_EQ(m.Bytes().size(), 8u);
    m.Undo();
    EXPECT_EQ(Samples16(m.Bytes()), (std::vector<int16_t>{1, 2, 3, 4}));
}

TEST(EditModel, DragMapsPixelsToFramesAsTheView)
{
    EditModel m = SecondOfStereo();
    const ViewGeometry view{0, 44100, 400};
    // Right to left: the frames under 100 .. 300, the cursor under 100.
    ASSERT_TRUE(m.MouseDrag(view, 300, 100));
    EXPECT_EQ(m.SelBegin(), 100 * 44100 / 398);
    EXPECT_EQ(m.SelEnd(), 300 * 44100 / 398);
    EXPECT_EQ(m.Cursor(), m.SelBegin());
}

TEST(EditModel, DoFadeSelectsFromPixel39ToPixel195)
{
    EditModel m = SecondOfStereo();
    m.DoFade({0, 44100, 400}, 10.0f, 50.0f);
    // 39 and 195 pixels of 398 over 44100 frames, truncated.
    EXPECT_EQ(m.SelBegin(), 39 * 44100 / 398);
    EXPECT_EQ(m.SelEnd(), 195 * 44100 / 398);
}

TEST(EditModel, ClickInTheLastColumnLeavesTheCursor)
{
    EditModel m = SecondOfStereo();
    const ViewGeometry view{0, 44100, 400};
    m.Click(view, 200);
    const int32_t cursor = m.Cursor();
    EXPECT_EQ(cursor, 200 * 44100 / 398);
    m.SelectAll();
    m.Click(view, 200);
    m.Click(view, 399);
    EXPECT_EQ(m.Cursor(), cursor);
    EXPECT_EQ(m.SelBegin(), m.SelEnd());
}

TEST(EditModel, ZoomInAroundACursorNearTheStartShowsTheFirstHalf)
{
    EditModel m = SecondOfStereo();
    EXPECT_EQ(m.View(400).viewEnd, 44100);
    m.Click(m.View(400), 9);  // about frame 1000
    m.SetZoom(2.0f, 400);
    EXPECT_EQ(m.View(400).viewBegin, 0);
    EXPECT_EQ(m.View(400).viewEnd, 22050);
    m.SetZoom(0.5f, 400);  // below 1 counts as 1
    EXPECT_EQ(m.View(400).viewEnd, 44100);
}

TEST(EditModel, ZoomingInStopsAtTwoPixelsAFrame)
{
    EditModel m;
    m.Load(std::vector<uint8_t>(300 * 2, 0), kMono16);
    m.SetZoom(2.0f, 700);  // 700 > 2 x 300
    EXPECT_EQ(m.View(700).viewEnd, 300);
}

TEST(EditModel, DeletionKeepsTheViewInsideTheDocument)
{
    EditModel m = SecondOfStereo();
    m.SetZoom(2.0f, 400);
    m.ScrollTo(40000);  // view 22050 .. 44100
    EXPECT_EQ(m.View(400).viewBegin, 22050);
    m.DoFade(m.View(400), 0.0f, 50.0f);
    m.Delete();
    EXPECT_EQ(m.View(400).viewEnd, m.Length());
    EXPECT_EQ(m.View(400).viewEnd - m.View(400).viewBegin, 22050);
}
