// The document's copy and paste through the system clipboard (QClipboard,
// MIME type "audio/wav"), on the offscreen platform.
#include "QtWaveClipboard.h"
#include "wave/CRMWave.h"
#include "wave/WaveFormat.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtTest>

#include <fstream>
#include <iterator>

namespace {

std::vector<uint8_t> Ramp(std::size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

std::vector<uint8_t> FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

class QtClipboardTest : public QObject {
    Q_OBJECT

private slots:
    void copyPlacesWaveImage()
    {
        CQtWaveClipboard clipboard;
        CRMWave wave;
        wave.SetClipboard(&clipboard);
        const auto bytes = Ramp(4000);
        QVERIFY(wave.CreateNew(2, 22050, 16));
        QVERIFY(wave.WriteData(bytes.data(), bytes.size()));
        wave.UpdateLength();
        wave.m_nSelBegin = 100;
        wave.m_nSelEnd = 300;
        QVERIFY(wave.CopyToClipboard());

        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        QVERIFY(mime);
        QVERIFY(mime->hasFormat("audio/wav"));
        const QByteArray image = mime->data("audio/wav");
        QCOMPARE(image.size(), 46 + 800);
        QCOMPARE(image.left(4), QByteArray("RIFF"));
        QCOMPARE(image.mid(8, 4), QByteArray("WAVE"));
        const auto* raw = reinterpret_cast<const uint8_t*>(image.constData());
        QCOMPARE(WaveFormat::FromBytes(raw + 20).nSamplesPerSec, 22050u);
        QVERIFY(std::equal(bytes.begin() + 400, bytes.begin() + 1200, raw + 46));
    }

    void pasteIntoAnotherDocument()
    {
        CQtWaveClipboard clipboard;
        CRMWave source;
        CRMWave target;
        source.SetClipboard(&clipboard);
        target.SetClipboard(&clipboard);
        const auto a = Ramp(2000);
        const std::vector<uint8_t> b(400, 0x55);
        QVERIFY(source.CreateNew(2, 44100, 16));
        QVERIFY(source.WriteData(a.data(), a.size()));
        source.UpdateLength();
        QVERIFY(target.CreateNew(2, 44100, 16));
        QVERIFY(target.WriteData(b.data(), b.size()));
        target.UpdateLength();

        source.m_nSelBegin = 10;
        source.m_nSelEnd = 20;
        QVERIFY(source.CopyToClipboard());
        target.m_nCursor = 50;
        QVERIFY(target.PasteFromClipboard());
        QCOMPARE(target.m_nLength, 110);
        QCOMPARE(target.m_nSelBegin, 50);
        QCOMPARE(target.m_nSelEnd, 60);

        std::vector<uint8_t> expected(b.begin(), b.begin() + 200);
        expected.insert(expected.end(), a.begin() + 40, a.begin() + 80);
        expected.insert(expected.end(), b.begin() + 200, b.end());
        QCOMPARE(FileBytes(target.GetPath()), expected);
    }

    void pasteWithoutWaveDoesNothing()
    {
        QGuiApplication::clipboard()->setText("just text");
        CQtWaveClipboard clipboard;
        QVERIFY(!clipboard.GetWaveImage());
        CRMWave wave;
        wave.SetClipboard(&clipboard);
        QVERIFY(wave.CreateNew(2, 44100, 16));
        QVERIFY(!wave.PasteFromClipboard());
        QCOMPARE(wave.m_nLength, 0);
    }
};

QTEST_MAIN(QtClipboardTest)
#include "QtClipboardTest.moc"
