// The Options dialog's look: its controls and captions, the colour scheme,
// the hand cursor and the phone-list link.

#include "AppConfig.h"
#include "ColourScheme.h"
#include "HyperlinkCursor.h"
#include "dlgSettings.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void handle(const QUrl& url) { urls.append(url); }
};

class TestSettingsLink : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_store;

    static bool WriteFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    static QLabel* CaptionOf(QWidget* dialog, QWidget* field)
    {
        for (QLabel* label : dialog->findChildren<QLabel*>())
            if (label->buddy() == field)
                return label;
        return nullptr;
    }

private slots:
    void init()
    {
        m_store = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_store->path());
    }

    void controlsAndCaptions()
    {
        dlgSettings dialog(nullptr, QStringLiteral(VRT_TEST_DATA_DIR));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Vanto Mobile Ringtone - Options"));
        auto* frame = dialog.findChild<QGroupBox*>(QStringLiteral("fraProfile"));
        QVERIFY(frame);
        QCOMPARE(frame->title(), QStringLiteral("Profile"));

        const QList<QPair<const char*, QString>> fields = {
            {"txtProfileName", "Name"},      {"cboCountryCodes", "Country && Operator"},
            {"txtMobileNo", "Mobile Number"}, {"txtEmail", "E-Mail"},
            {"cboMobileModel", "Mobile Model"}, {"txtCreditCode", "Credit Code"},
        };
        for (const auto& [name, caption] : fields) {
            auto* field = dialog.findChild<QWidget*>(QString::fromLatin1(name));
            QVERIFY2(field, name);
            QCOMPARE(field->parentWidget(), frame);
            QLabel* label = CaptionOf(&dialog, field);
            QVERIFY2(label, name);
            QCOMPARE(label->text(), caption);
        }
        QCOMPARE(CaptionOf(&dialog, dialog.findChild<QWidget*>(QStringLiteral("txtEmail")))->objectName(),
                 QStringLiteral("Label1"));
        auto* full = dialog.findChild<QLabel*>(QStringLiteral("lblMobileNo"));
        QVERIFY(full);
        QVERIFY(!(full->textInteractionFlags() & Qt::TextEditable));
        bool fullCaption = false;
        for (QLabel* label : frame->findChildren<QLabel*>())
            fullCaption = fullCaption || label->text() == QStringLiteral("Full Number");
        QVERIFY(fullCaption);
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblFindModelLink"))->text(), QStringLiteral("Cant Find My Phone"));
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("OKButton"))->text(), QStringLiteral("&OK"));
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("CancelButton"))->text(), QStringLiteral("&Cancel"));
        // The shipped lists fill the dialog.
        QVERIFY(dialog.findChild<QComboBox*>(QStringLiteral("cboCountryCodes"))->count() >= 100);
        QVERIFY(dialog.findChild<QComboBox*>(QStringLiteral("cboMobileModel"))->count() >= 20);
    }

    void colourScheme()
    {
        QCOMPARE(SchemeColour(), QColor(62, 69, 249));
        QCOMPARE(SchemeColour().rgb() & 0xFFFFFF, 0x3E45F9u);
        dlgSettings dialog(nullptr, QStringLiteral(VRT_TEST_DATA_DIR));
        auto* frame = dialog.findChild<QGroupBox*>(QStringLiteral("fraProfile"));
        for (QWidget* widget : {static_cast<QWidget*>(&dialog), static_cast<QWidget*>(frame)}) {
            QCOMPARE(widget->palette().color(QPalette::Window), QColor(62, 69, 249));
            QVERIFY(widget->autoFillBackground());
        }
        // What is painted: a pixel of the dialog's background.
        dialog.resize(dialog.sizeHint());
        const QImage image = dialog.grab().toImage();
        QCOMPARE(QColor(image.pixel(2, image.height() - 2)), QColor(62, 69, 249));
    }

    void applyColourSchemeToAWindowAndItsFrames()
    {
        QWidget window;
        auto* a = new QWidget(&window);
        auto* b = new QWidget(&window);
        auto* untouched = new QWidget(&window);
        ApplyColourScheme(&window, {a, b, nullptr}, QColor(1, 2, 3));
        QCOMPARE(window.palette().color(QPalette::Window), QColor(1, 2, 3));
        QCOMPARE(a->palette().color(QPalette::Window), QColor(1, 2, 3));
        QCOMPARE(b->palette().color(QPalette::Window), QColor(1, 2, 3));
        QVERIFY(a->autoFillBackground() && b->autoFillBackground());
        QVERIFY(!untouched->autoFillBackground());
    }

    void shippedCursorHasItsHotSpot()
    {
        const QCursor cursor = LoadHyperlinkCursor(QStringLiteral(VRT_TEST_DATA_DIR "/Hyperlink.cur"));
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), QPoint(5, 1));
        const QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(32, 32));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);           // transparent corner
        QCOMPARE(image.pixel(5, 1), qRgba(0, 0, 0, 255));   // outline at the finger tip
        QCOMPARE(image.pixel(5, 2), qRgba(255, 255, 255, 255)); // white fill below it
    }

    void cursorFallsBackToThePointingHand_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("text") << QByteArray("not a cursor at all, just some text");
        QByteArray icon(22, '\0');
        icon[2] = 1; // an icon, not a cursor
        icon[4] = 1;
        QTest::newRow("icon header") << icon;
        QByteArray truncated(22, '\0');
        truncated[2] = 2;
        truncated[4] = 1;
        QTest::newRow("header without image") << truncated;
    }

    void cursorFallsBackToThePointingHand()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(QStringLiteral("Hyperlink.cur"));
        if (!bytes.isNull())
            QVERIFY(WriteFile(path, bytes));
        QCOMPARE(LoadHyperlinkCursor(path).shape(), Qt::PointingHandCursor);
    }

    void linkGetsTheCursorFromTheDataFolder()
    {
        {
            dlgSettings dialog(nullptr, QStringLiteral(VRT_TEST_DATA_DIR));
            const QCursor cursor = dialog.findChild<QLabel*>(QStringLiteral("lblFindModelLink"))->cursor();
            QCOMPARE(cursor.shape(), Qt::BitmapCursor);
            QCOMPARE(cursor.hotSpot(), QPoint(5, 1));
        }
        QTemporaryDir empty;
        dlgSettings dialog(nullptr, empty.path());
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblFindModelLink"))->cursor().shape(),
                 Qt::PointingHandCursor);
    }

    void linkOpensThePhoneListAndChangesColour()
    {
        qputenv(kEnvPhoneListPage, "http://phones.vanto-mobile.example/list.html");
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "handle");
        dlgSettings dialog(nullptr, QStringLiteral(VRT_TEST_DATA_DIR));
        dialog.show();
        auto* link = dialog.findChild<QLabel*>(QStringLiteral("lblFindModelLink"));
        const QColor unvisited = link->palette().color(QPalette::WindowText);
        QTest::mouseClick(link, Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        qunsetenv(kEnvPhoneListPage);
        QCOMPARE(recorder.urls, QList<QUrl>{QUrl(QStringLiteral("http://phones.vanto-mobile.example/list.html"))});
        // The visited colour differs and stays readable on the blue.
        const QColor visited = link->palette().color(QPalette::WindowText);
        QVERIFY(visited != unvisited);
        QCOMPARE(visited, VisitedLinkOn(SchemeColour()));
        QVERIFY(ContrastRatio(visited, link->palette().color(QPalette::Window)) >= 4.5);
    }
};

QTEST_MAIN(TestSettingsLink)
#include "test_settings_link.moc"
