#include "QtWaveClipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cerrno>
#include <memory>

int CQtWaveClipboard::PutWaveImage(const std::vector<uint8_t>& image)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return ENODEV;
    auto mime = std::make_unique<QMimeData>();
    mime->setData(kMimeType, QByteArray(reinterpret_cast<const char*>(image.data()),
                                        static_cast<qsizetype>(image.size())));
    clipboard->setMimeData(mime.release());  // the clipboard takes ownership
    const QMimeData* placed = clipboard->mimeData();
    return placed && placed->hasFormat(kMimeType) ? 0 : EIO;
}

std::optional<std::vector<uint8_t>> CQtWaveClipboard::GetWaveImage()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* mime = clipboard ? clipboard->mimeData() : nullptr;
    if (!mime || !mime->hasFormat(kMimeType))
        return std::nullopt;
    const QByteArray data = mime->data(kMimeType);
    return std::vector<uint8_t>(data.begin(), data.end());
}
