#include "HyperlinkCursor.h"

#include "ProgramFolder.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QtEndian>

namespace {

struct CursorHotSpot
{
    int x = 0;
    int y = 0;
};

// A .cur file starts like an .ico file, with type 2 and the hot spot of each
// image where an icon keeps its planes and bit count.
bool ReadHotSpot(const QByteArray& bytes, CursorHotSpot& hotSpot)
{
    constexpr qsizetype kHeaderSize = 6;
    constexpr qsizetype kEntrySize = 16;
    if (bytes.size() < kHeaderSize + kEntrySize)
        return false;
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    if (qFromLittleEndian<quint16>(data) != 0 || qFromLittleEndian<quint16>(data + 2) != 2
        || qFromLittleEndian<quint16>(data + 4) == 0)
        return false;
    hotSpot.x = qFromLittleEndian<quint16>(data + kHeaderSize + 4);
    hotSpot.y = qFromLittleEndian<quint16>(data + kHeaderSize + 6);
    return true;
}

} // namespace

QCursor LoadHyperlinkCursor()
{
    return LoadHyperlinkCursor(ProgramFilePath(QStringLiteral("Hyperlink.cur")));
}

QCursor LoadHyperlinkCursor(const QString& path)
{
    const QCursor fallback(Qt::PointingHandCursor);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fallback;
    const QByteArray bytes = file.readAll();
    CursorHotSpot hotSpot;
    if (!ReadHotSpot(bytes, hotSpot))
        return fallback;
    const QImage image = QImage::fromData(bytes, "CUR");
    if (image.isNull() || hotSpot.x >= image.width() || hotSpot.y >= image.height())
        return fallback;
    return QCursor(QPixmap::fromImage(image), hotSpot.x, hotSpot.y);
}
