// The profile store over QSettings: round trips, the 255-byte read buffer,
// numbers, missing keys and values, and the messages of failed writes.

#include "ProfileStore.h"
#include "test_profile_modal.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestProfile : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString StoreFile() const { return QDir(m_dir->path()).filePath(QStringLiteral("VRT.ini")); }
    static QString Repeat(char c, int n) { return QString(n, QLatin1Char(c)); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir->path());
    }

    void storeLivesInTheTemporaryFolder()
    {
        QCOMPARE(ProfileStoreLocation(), StoreFile());
    }

    void missingKeyReadsFalseSilently()
    {
        ModalBoxAnswerer boxes;
        QString value = QStringLiteral("old");
        QVERIFY(!ReadRegistryValue(QStringLiteral("MobileNo"), RegistryType::String, value));
        QCOMPARE(value, QStringLiteral("old"));
        QVariant variant(7);
        QVERIFY(!ReadRegistryValue(QStringLiteral("MobileNo"), RegistryType::String, variant));
        QCOMPARE(variant, QVariant(7));
        QTest::qWait(30);
        QVERIFY(boxes.seen.isEmpty());
        QVERIFY(!QFile::exists(StoreFile()));
    }

    void missingValueReadsFalseSilently()
    {
        ModalBoxAnswerer boxes;
        QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("Email"), QStringLiteral("a@b.cd")));
        QString value = QStringLiteral("old");
        QVERIFY(!ReadRegistryValue(QStringLiteral("MobileNo"), RegistryType::String, value));
        QCOMPARE(value, QStringLiteral("old"));
        QTest::qWait(30);
        QVERIFY(boxes.seen.isEmpty());
    }

    void stringsRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("digits") << QStringLiteral("44123");
        QTest::newRow("empty") << QString();
        QTest::newRow("comma") << QStringLiteral("Smith, Ann");
        QTest::newRow("at sign first") << QStringLiteral("@home");
        QTest::newRow("ini syntax") << QStringLiteral("[General]\nx=y;z # not a comment");
        QTest::newRow("blanks kept") << QStringLiteral("  padded  ");
        QTest::newRow("quotes and backslash") << QStringLiteral("say \"hi\" C:\\x");
        QTest::newRow("non-ASCII") << QStringLiteral("Zoë Müller");
        QTest::newRow("255 bytes") << Repeat('x', 255);
    }

    void stringsRoundTrip()
    {
        QFETCH(QString, text);
        QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("Name"), text));
        QVariant read;
        QVERIFY(ReadRegistryValue(QStringLiteral("Name"), RegistryType::String, read));
        QCOMPARE(read.typeId(), QMetaType::QString);
        QCOMPARE(read.toString(), text);
        // Overwrite through the existing key as well.
        const QString other = text + QStringLiteral("1");
        QVERIFY(SetRegistryValue(QStringLiteral("Name"), RegistryType::String, other));
        QString again = QStringLiteral("unchanged");
        const bool fits = other.toUtf8().size() <= 255;
        QCOMPARE(ReadRegistryValue(QStringLiteral("Name"), RegistryType::String, again), fits);
        QCOMPARE(again, fits ? other : QStringLiteral("unchanged"));
    }

    void valueLongerThan255BytesCannotBeRead()
    {
        QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("CreditCode"), Repeat('C', 256)));
        QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("Name"), QString(128, QChar(0xE9))));
        QString value = QStringLiteral("kept");
        QVERIFY(!ReadRegistryValue(QStringLiteral("CreditCode"), RegistryType::String, value));
        QCOMPARE(value, QStringLiteral("kept"));
        QVERIFY(!ReadRegistryValue(QStringLiteral("Name"), RegistryType::String, value)); // 256 UTF-8 bytes
        QCOMPARE(value, QStringLiteral("kept"));
        // The value itself was stored whole.
        QSettings raw(StoreFile(), QSettings::IniFormat);
        QCOMPARE(raw.value(QStringLiteral("CreditCode")).toString(), Repeat('C', 256));
    }

    void profileRoundTrip()
    {
        const QList<QPair<QString, QString>> profile = {
            {QStringLiteral("Name"), QStringLiteral("Ann Smith")},
            {QStringLiteral("MobileNo"), QStringLiteral("447700900123")},
            {QStringLiteral("Email"), QStringLiteral("ann@example.org")},
            {QStringLiteral("CreditCode"), Repeat('K', 300)},
            {QStringLiteral("MobileModel"), QStringLiteral("3")},
            {QStringLiteral("CountryName"), QStringLiteral("0")},
        };
        for (const auto& [name, value] : profile)
            QVERIFY(CreateRegistryValue(RegistryType::String, name, value));
        for (const auto& [name, value] : profile) {
            QString read = QStringLiteral("before");
            const bool ok = ReadRegistryValue(name, RegistryType::String, read);
            if (value.size() > 255) {
                QVERIFY(!ok);
                QCOMPARE(read, QStringLiteral("before"));
            } else {
                QVERIFY2(ok, qPrintable(name));
                QCOMPARE(read, value);
            }
        }
        // The INI file holds the plain texts under the values' names.
        QFile file(StoreFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY(content.contains("MobileNo=447700900123"));
        QVERIFY(content.contains("CountryName=0"));
    }

    void numbersRoundTrip()
    {
        QVERIFY(CreateRegistryValue(RegistryType::Number, QStringLiteral("Count"), -123456));
        QVariant read;
        QVERIFY(ReadRegistryValue(QStringLiteral("Count"), RegistryType::Number, read));
        QCOMPARE(read.typeId(), QMetaType::Int);
        QCOMPARE(read.toInt(), -123456);
        // A string read of a stored number reports the number.
        QString text;
        QVERIFY(ReadRegistryValue(QStringLiteral("Count"), RegistryType::String, text));
        QCOMPARE(text, QStringLiteral("-123456"));
    }

    void numberBufferHoldsFourBytes()
    {
        QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("Short"), QStringLiteral("abcd")));
        QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("Long"), QStringLiteral("abcde")));
        QVariant read;
        QVERIFY(ReadRegistryValue(QStringLiteral("Short"), RegistryType::Number, read));
        QCOMPARE(read.toString(), QStringLiteral("abcd"));
        read = QVariant();
        QVERIFY(!ReadRegistryValue(QStringLiteral("Long"), RegistryType::Number, read));
        QVERIFY(!read.isValid());
    }

    void otherStoredKindReadsAsOne()
    {
        {
            QSettings raw(StoreFile(), QSettings::IniFormat);
            raw.setValue(QStringLiteral("Odd"), QStringList{QStringLiteral("a"), QStringLiteral("b")});
        }
        QVariant read;
        QVERIFY(ReadRegistryValue(QStringLiteral("Odd"), RegistryType::String, read));
        QCOMPARE(read, QVariant(qint32(1)));
    }

    void otherWriteTypeWritesNothing()
    {
        QVERIFY(CreateRegistryValue(3, QStringLiteral("Binary"), QByteArray("xyz")));
        QVERIFY(QFile::exists(StoreFile())); // the key was created
        QVariant read;
        QVERIFY(!ReadRegistryValue(QStringLiteral("Binary"), RegistryType::String, read));
    }

    void setNeedsAnExistingKey()
    {
        ModalBoxAnswerer boxes;
        QVERIFY(!SetRegistryValue(QStringLiteral("Name"), RegistryType::String, QStringLiteral("x")));
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
        QCOMPARE(boxes.seen[0].title, QStringLiteral("ODBC Registry"));
        QCOMPARE(boxes.seen[0].text,
                 QStringLiteral("Error Opening Registry Key Entry:\r\nKey/Path=Software\\VRT\r\nDLL Returned=1"));
        QVERIFY(!QFile::exists(StoreFile()));
    }

    void createReportsAKeyThatCannotBeMade()
    {
        // The store's folder would have to be made inside a plain file.
        const QString blocker = QDir(m_dir->path()).filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, blocker + QStringLiteral("/sub"));

        ModalBoxAnswerer boxes;
        QVERIFY(!CreateRegistryValue(RegistryType::String, QStringLiteral("Name"), QStringLiteral("x")));
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
        QCOMPARE(boxes.seen[0].title, ApplicationTitle());
        QCOMPARE(boxes.seen[0].text, QStringLiteral("Error Creating Registry Key Entry:\r\nKey=\r\nDLL Returned=1"));
    }

    void writeFailuresAreReported()
    {
        // The key exists, but its file cannot be written: it is a folder.
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("VRT.ini")));

        ModalBoxAnswerer boxes;
        QVERIFY(!CreateRegistryValue(RegistryType::String, QStringLiteral("Email"), QStringLiteral("x")));
        QVERIFY(!SetRegistryValue(QStringLiteral("CreditCode"), RegistryType::String, QStringLiteral("y")));
        QCOMPARE(boxes.seen.size(), 2);
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
        QCOMPARE(boxes.seen[0].title, ApplicationTitle());
        QCOMPARE(boxes.seen[0].text, QStringLiteral("Error Creating Registry Key Entry:\r\nKey=Email\r\nDLL Returned=1"));
        QCOMPARE(boxes.seen[1].icon, QMessageBox::Warning);
        QCOMPARE(boxes.seen[1].title, QStringLiteral("ODBC Registry"));
        QCOMPARE(boxes.seen[1].text,
                 QStringLiteral("Error Setting Registry Key Entry:\r\nKey=CreditCode\r\nDLL Returned=1"));
    }
};

QTEST_MAIN(TestProfile)
#include "test_profile.moc"
