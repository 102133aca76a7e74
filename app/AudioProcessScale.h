#pragma once
// The time scale under the waveform: five labels (lblScale1 .. lblScale5) at
// 0, 1/4, 1/2, 3/4 and the end of the view, each with its tick line
// (Line1 .. Line5) above it.

#include <QWidget>

#include <array>
#include <cstdint>

class QFrame;
class QLabel;

class CAudioProcessScale : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMarks = 5;

    explicit CAudioProcessScale(QWidget* parent = nullptr);

    QLabel* Label(int k) const { return m_labels.at(static_cast<std::size_t>(k)); }
    QFrame* Line(int k) const { return m_lines.at(static_cast<std::size_t>(k)); }

    // The frames the marks stand for in the view begin .. end: begin plus k
    // quarters of the span, rounded to the nearest frame, halves to even.
    static std::array<int32_t, kMarks> MarkFrames(int32_t viewBegin, int32_t viewEnd);
    // Seconds with three decimals in the system's number format.
    static QString FormatSeconds(double seconds);

    // Lays the ticks and labels out again, after a label's text changed.
    void PlaceMarks();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::array<QLabel*, kMarks> m_labels{};
    std::array<QFrame*, kMarks> m_lines{};
};
