#include "AudioProcessIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>
#include <map>

namespace {

constexpr int kSize = 24;
const QColor kInk(40, 40, 40);
const QColor kPaper(250, 250, 250);
const QColor kAccent(40, 90, 200);

void Page(QPainter& p, const QRectF& r)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 4, r.top());
    path.lineTo(r.right(), r.top() + 4);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setBrush(kPaper);
    p.drawPath(path);
}

void Magnifier(QPainter& p, bool plus)
{
    p.setBrush(kPaper);
    p.drawEllipse(QRectF(3, 3, 12, 12));
    p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 14), QPointF(20, 20));
    p.setPen(QPen(kAccent, 2));
    p.drawLine(QPointF(6, 9), QPointF(12, 9));
    if (plus)
        p.drawLine(QPointF(9, 6), QPointF(9, 12));
}

using Painter = std::function<void(QPainter&)>;

const std::map<QString, Painter>& Painters()
{
    static const std::map<QString, Painter> painters{
        {QStringLiteral("New"), [](QPainter& p) { Page(p, QRectF(5, 2, 14, 19)); }},
        {QStringLiteral("Open"),
         [](QPainter& p) {
             p.setBrush(QColor(230, 190, 80));
             p.drawRect(QRectF(2, 6, 18, 13));
             p.drawRect(QRectF(2, 4, 7, 2));
             p.setBrush(QColor(250, 215, 110));
             p.drawPolygon(QPolygonF({QPointF(5, 10), QPointF(22, 10), QPointF(19, 19), QPointF(2, 19)}));
         }},
        {QStringLiteral("Save As"),
         [](QPainter& p) {
             p.setBrush(kAccent);
             p.drawRect(QRectF(3, 3, 18, 18));
             p.setBrush(kPaper);
             p.drawRect(QRectF(6, 3, 12, 7));
             p.setBrush(QColor(200, 200, 200));
             p.drawRect(QRectF(7, 14, 10, 7));
         }},
        {QStringLiteral("Copy"),
         [](QPainter& p) {
             Page(p, QRectF(3, 2, 11, 14));
             Page(p, QRectF(9, 7, 11, 14));
         }},
        {QStringLiteral("Cut"),
         [](QPainter& p) {
             p.drawLine(QPointF(7, 2), QPointF(15, 15));
             p.drawLine(QPointF(17, 2), QPointF(9, 15));
             p.setBrush(Qt::NoBrush);
             p.setPen(QPen(kAccent, 2));
             p.drawEllipse(QRectF(4, 15, 6, 6));
             p.drawEllipse(QRectF(14, 15, 6, 6));
         }},
        {QStringLiteral("Paste"),
         [](QPainter& p) {
             p.setBrush(QColor(180, 130, 70));
             p.drawRect(QRectF(3, 4, 14, 17));
             p.setBrush(QColor(160, 160, 160));
             p.drawRect(QRectF(7, 2, 6, 4));
             Page(p, QRectF(10, 9, 11, 13));
         }},
        {QStringLiteral("Delete"),
         [](QPainter& p) {
             p.setPen(QPen(QColor(200, 30, 30), 4, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(5, 5), QPointF(19, 19));
             p.drawLine(QPointF(19, 5), QPointF(5, 19));
         }},
        {QStringLiteral("Undo"),
         [](QPainter& p) {
             p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap));
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(5, 6, 15, 13), 90 * 16, -230 * 16);
             p.setPen(Qt::NoPen);
             p.setBrush(kAccent);
             p.drawPolygon(QPolygonF({QPointF(3, 6), QPointF(12, 1), QPointF(12, 11)}));
         }},
        {QStringLiteral("Zoom In"), [](QPainter& p) { Magnifier(p, true); }},
        {QStringLiteral("Zoom Out"), [](QPainter& p) { Magnifier(p, false); }},
        {QStringLiteral("Make Ringtone"),
         [](QPainter& p) {
             QPainterPath bell;
             bell.moveTo(4, 18);
             bell.cubicTo(7, 15, 6, 4, 12, 4);
             bell.cubicTo(18, 4, 17, 15, 20, 18);
             bell.closeSubpath();
             p.setBrush(QColor(230, 180, 40));
             p.drawPath(bell);
             p.setBrush(kInk);
             p.drawEllipse(QRectF(10, 18, 4, 4));
         }},
    };
    return painters;
}

}  // namespace

QIcon AudioProcessIcon(const QString& key)
{
    const auto found = Painters().find(key);
    if (found == Painters().end())
        return QIcon();
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kInk, 1.2));
    found->second(painter);
    painter.end();
    return QIcon(pixmap);
}
