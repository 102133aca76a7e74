#include "AudioProcessScale.h"

#include <QFrame>
#include <QLabel>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kTickHeight = 6;
}

CAudioProcessScale::CAudioProcessScale(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("scale"));
    for (int k = 0; k < kMarks; ++k) {
        auto* line = new QFrame(this);
        line->setObjectName(QStringLiteral("Line%1").arg(k + 1));
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Plain);
        line->setLineWidth(1);
        m_lines.at(static_cast<std::size_t>(k)) = line;

        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("lblScale%1").arg(k + 1));
        label->setAlignment(Qt::AlignCenter);
        m_labels.at(static_cast<std::size_t>(k)) = label;
    }
}

std::array<int32_t, CAudioProcessScale::kMarks> CAudioProcessScale::MarkFrames(int32_t viewBegin,
                                                                               int32_t viewEnd)
{
    std::array<int32_t, kMarks> frames{};
    const double begin = viewBegin;
    const double span = static_cast<double>(viewEnd) - begin;
    for (int k = 0; k < kMarks; ++k) {
        // nearbyint rounds in the default mode: to nearest, halves to even.
        const double frame = std::nearbyint(begin + k * span / 4.0);
        frames.at(static_cast<std::size_t>(k)) = static_cast<int32_t>(frame);
    }
    return frames;
}

QString CAudioProcessScale::FormatSeconds(double seconds)
{
    return QLocale::system().toString(seconds, 'f', 3);
}

QSize CAudioProcessScale::sizeHint() const
{
    return {400, minimumSizeHint().height()};
}

QSize CAudioProcessScale::minimumSizeHint() const
{
    return {100, kTickHeight + m_labels.front()->sizeHint().height() + 2};
}

void CAudioProcessScale::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceMarks();
}

void CAudioProcessScale::PlaceMarks()
{
    const int w = width();
    for (int k = 0; k < kMarks; ++k) {
        const int x = static_cast<int>(std::lround((w - 1) * k / 4.0));
        Line(k)->setGeometry(x, 0, 1, kTickHeight);

        QLabel* label = Label(k);
        const QSize size = label->sizeHint().expandedTo(QSize(label->fontMetrics().horizontalAdvance(
                                                                  QStringLiteral("000.000")),
                                                              0));
        const int left = std::clamp(x - size.width() / 2, 0, std::max(0, w - size.width()));
        label->setGeometry(left, kTickHeight + 1, size.width(), size.height());
    }
}
