// Reading and splitting the program's text files, and the shipped lists.

#include "TextFiles.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

class TestTextFiles : public QObject
{
    Q_OBJECT

private:
    static QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
    {
        const QString path = QDir(dir.path()).filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        return path;
    }

private slots:
    void linesEndInCrLf_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QString() << QStringList{};
        QTest::newRow("one line") << QStringLiteral("Nokia 3310\r\n") << QStringList{"Nokia 3310"};
        QTest::newRow("unterminated tail ignored")
            << QStringLiteral("a\r\nb\r\nc") << QStringList{"a", "b"};
        QTest::newRow("only unterminated") << QStringLiteral("no line end") << QStringList{};
        QTest::newRow("LF alone is not a line end") << QStringLiteral("a\nb\n") << QStringList{};
        QTest::newRow("CR inside a line kept") << QStringLiteral("a\rb\r\n") << QStringList{"a\rb"};
        QTest::newRow("empty lines are entries")
            << QStringLiteral("\r\nx\r\n\r\n") << QStringList{"", "x", ""};
        QTest::newRow("trailing blanks trimmed")
            << QStringLiteral("  lead kept  \r\ntabs\t \t\r\n") << QStringList{"  lead kept", "tabs"};
    }

    void linesEndInCrLf()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(SplitTextLines(text), lines);
        QCOMPARE(ParseMobileModels(text), lines);
    }

    void splitStopsAtMaxLines()
    {
        QCOMPARE(SplitTextLines(QStringLiteral("a\r\nb\r\nc\r\n"), 2), (QStringList{"a", "b"}));
        QCOMPARE(SplitTextLines(QStringLiteral("a\r\n"), 0), QStringList{});
    }

    void countryLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("text and code") << QStringLiteral("United Kingdom - O2,44") << QStringLiteral("United Kingdom - O2") << 44;
        QTest::newRow("letters for code") << QStringLiteral("Atlantis,abc") << QStringLiteral("Atlantis") << 0;
        QTest::newRow("no comma") << QStringLiteral("Nowhere 44") << QStringLiteral("Nowhere 44") << 0;
        QTest::newRow("split at first comma") << QStringLiteral("Korea, South,82") << QStringLiteral("Korea") << 0;
        QTest::newRow("empty code") << QStringLiteral("Blank,") << QStringLiteral("Blank") << 0;
        QTest::newRow("blank before code") << QStringLiteral("Spain, 34") << QStringLiteral("Spain") << 34;
        QTest::newRow("negative") << QStringLiteral("Odd,-5") << QStringLiteral("Odd") << -5;
        QTest::newRow("largest") << QStringLiteral("Big,2147483647") << QStringLiteral("Big") << 2147483647;
        QTest::newRow("too large") << QStringLiteral("Huge,2147483648") << QStringLiteral("Huge") << 0;
        QTest::newRow("empty line") << QString() << QString() << 0;
    }

    void countryLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, text);
        QFETCH(int, code);
        const CountryEntry entry = ParseCountryLine(line);
        QCOMPARE(entry.text, text);
        QCOMPARE(entry.code, code);
    }

    void countryListHoldsAtMost501()
    {
        QString text;
        for (int i = 0; i < 600; ++i)
            text += QStringLiteral("Country %1,%2\r\n").arg(i).arg(i + 1);
        const QList<CountryEntry> entries = ParseCountryCodes(text);
        QCOMPARE(entries.size(), 501);
        QCOMPARE(entries.last().text, QStringLiteral("Country 500"));
        QCOMPARE(entries.last().code, 501);
        // The model list has no such table behind it.
        QCOMPARE(ParseMobileModels(text).size(), 600);
    }

    void readsAFileWhole()
    {
        QTemporaryDir dir;
        const QByteArray bytes("Nokia 6230\r\nSiemens C65  \r\npartial");
        const QString path = WriteFile(dir, QStringLiteral("MobileModels.txt"), bytes);
        bool ok = false;
        const QString text = ReadTextFileAt(path, &ok);
        QVERIFY(ok);
        QCOMPARE(text.toUtf8(), bytes);
        QCOMPARE(ParseMobileModels(text), (QStringList{"Nokia 6230", "Siemens C65"}));
    }

    void missingFileIsEmpty()
    {
        QTemporaryDir dir;
        bool ok = true;
        QVERIFY(ReadTextFileAt(QDir(dir.path()).filePath(QStringLiteral("none.txt")), &ok).isEmpty());
        QVERIFY(!ok);
        ok = true;
        QVERIFY(ReadTextFile(QStringLiteral("no-such-file-of-vanto.txt"), &ok).isEmpty());
        QVERIFY(!ok);
        // A folder in the file's place is not readable text either.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("CountryCodes.txt")));
        ok = true;
        QVERIFY(ReadTextFileAt(QDir(dir.path()).filePath(QStringLiteral("CountryCodes.txt")), &ok).isEmpty());
        QVERIFY(!ok);
    }

    void singleByteTextThatIsNotUtf8()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir, QStringLiteral("CountryCodes.txt"), QByteArray("C\xf4te d'Ivoire,225\r\n"));
        const QList<CountryEntry> entries = ParseCountryCodes(ReadTextFileAt(path));
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].text, QStringLiteral("C\u00f4te d'Ivoire"));
        QCOMPARE(entries[0].code, 225);
    }

    void shippedCountryList()
    {
        QFile file(QStringLiteral(VRT_TEST_DATA_DIR "/CountryCodes.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n")); // no bare LF
        const QList<CountryEntry> entries = ParseCountryCodes(QString::fromLatin1(bytes));
        QVERIFY(entries.size() >= 100);
        QVERIFY(entries.size() <= kCountryTableSize);
        QSet<QString> names;
        for (const CountryEntry& entry : entries) {
            QVERIFY2(!entry.text.isEmpty(), "empty country name");
            QVERIFY2(entry.code >= 1 && entry.code <= 999, qPrintable(entry.text));
            names.insert(entry.text);
        }
        QCOMPARE(names.size(), entries.size());
        const auto codeOf = [&](const QString& name) {
            for (const CountryEntry& entry : entries)
                if (entry.text == name)
                    return entry.code;
            return -1;
        };
        QCOMPARE(codeOf(QStringLiteral("United Kingdom")), 44);
        QCOMPARE(codeOf(QStringLiteral("Germany")), 49);
        QCOMPARE(codeOf(QStringLiteral("India")), 91);
        QCOMPARE(codeOf(QStringLiteral("Brazil")), 55);
        QCOMPARE(codeOf(QStringLiteral("United States")), 1);
    }

    void shippedModelList()
    {
        QFile file(QStringLiteral(VRT_TEST_DATA_DIR "/MobileModels.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        const QStringList models = ParseMobileModels(QString::fromLatin1(bytes));
        QVERIFY(models.size() >= 20);
        QCOMPARE(models.size(), bytes.count("\r\n"));
        for (const QString& model : models) {
            QVERIFY(!model.isEmpty());
            QVERIFY2(!model.contains(u','), qPrintable(model));
        }
        QVERIFY(models.contains(QStringLiteral("Nokia 6230")));
    }
};

QTEST_MAIN(TestTextFiles)
#include "test_textfiles.moc"
