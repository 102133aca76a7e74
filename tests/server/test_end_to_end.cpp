// The whole path on one machine: the program's main window sends a ringtone
// with its own upload code to a running vrt-sendd, and shows the service's
// answers. Only the window's public controls are used.

#include "AppConfig.h"
#include "ModalAnswer.h"
#include "ProfileStore.h"
#include "ServerProcess.h"
#include "Storage.h"
#include "frmKTX.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace sendd_test;

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sendReachesTheServiceAndThePhonePage();

private:
    void StoreProfile(const QString& creditCode);
    void ChooseFile(frmKTX& window, const QString& path);
    QString Send(frmKTX& window, const QString& name);

    QTemporaryDir m_dir;
    ScratchDir m_data;
    std::unique_ptr<ServerProcess> m_server;
    std::unique_ptr<sendd::Storage> m_storage;
};

void TestEndToEnd::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    const QString config = m_dir.filePath(QStringLiteral("config"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);

    const std::string database = FreshDatabase("sqlite", m_data.Path());
    m_storage = std::make_unique<sendd::Storage>(database, 1);
    m_storage->AddCredit("CODE1", 1);
    m_server = std::make_unique<ServerProcess>(m_data.Path(), database);
    qputenv(kEnvUploadAddress, QByteArray::fromStdString(m_server->BaseUrl()));
    qputenv(kEnvHomePage, "http://www.maker.example");
    qputenv(kEnvBuyPage, "http://www.maker.example/buy");
}

void TestEndToEnd::StoreProfile(const QString& creditCode)
{
    const QPair<const char*, QString> values[] = {
        {"Name", "Ann"}, {"MobileNo", "447700900123"}, {"Email", "ann@example.org"},
        {"CreditCode", creditCode}, {"MobileModel", "0"}, {"CountryName", "0"},
    };
    for (const auto& [name, value] : values)
        QVERIFY(CreateRegistryValue(RegistryType::String, QString::fromLatin1(name), value));
}

void TestEndToEnd::ChooseFile(frmKTX& window, const QString& path)
{
    ModalAnswer<QFileDialog> open([&path](QFileDialog* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog*>(dialog)->accept();
    });
    window.findChild<QPushButton*>(QStringLiteral("cmdOpen"))->click();
    QVERIFY(open.Seen());
}

QString TestEndToEnd::Send(frmKTX& window, const QString& name)
{
    ModalAnswer<QInputDialog> prompt([&name](QInputDialog* dialog) {
        dialog->setTextValue(name);
        dialog->accept();
    });
    window.findChild<QPushButton*>(QStringLiteral("cmdUpload"))->click();
    auto* feedback = window.findChild<QLabel*>(QStringLiteral("lblFeedBack"));
    // The send waits in a local event loop; allow for a busy machine.
    auto* upload = window.findChild<QPushButton*>(QStringLiteral("cmdUpload"));
    if (!QTest::qWaitFor([upload] { return upload->isEnabled(); }, 120000))
        return QStringLiteral("(still sending)");
    return prompt.Seen() ? feedback->text() : QStringLiteral("(no name prompt)");
}

void TestEndToEnd::sendReachesTheServiceAndThePhonePage()
{
    const std::string wav = MakeWav(60000, 11);
    const QString path = m_dir.filePath(QStringLiteral("evening.wav"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(wav.data(), static_cast<qint64>(wav.size())), static_cast<qint64>(wav.size()));
    }
    StoreProfile(QStringLiteral("CODE1"));
    frmKTX window;
    window.Start();
    ChooseFile(window, path);

    QCOMPARE(Send(window, QStringLiteral("Evening")), QStringLiteral("Operation Successful"));
    const auto ringtones = m_storage->Ringtones();
    QCOMPARE(ringtones.size(), std::size_t{1});
    QCOMPARE(ringtones[0].fileName, std::string("Evening.wav"));
    QCOMPARE(ringtones[0].mobileNo, std::string("447700900123"));
    QCOMPARE(ReadFile(m_data.Path() / "files" / ringtones[0].storedPath), wav);
    QCOMPARE(m_storage->Balance("CODE1"), std::optional<std::int64_t>(0));
    QCOMPARE(Get(m_server->Port(), "/d/" + ringtones[0].token).status, 200);

    // The balance is spent now.
    QCOMPARE(Send(window, QStringLiteral("Again")),
             QStringLiteral("Your balance is zero. To send the ringtone to your phone, please buy a Credit Code "
                            "from http://www.maker.example/buy or press Buy button"));
    // A code the service does not know.
    StoreProfile(QStringLiteral("WRONG-CODE"));
    QCOMPARE(Send(window, QStringLiteral("Third")),
             QStringLiteral("Invalid Credit Code, Please get credit code from http://www.maker.example"));
    QCOMPARE(m_storage->Ringtones().size(), std::size_t{1});
}

QTEST_MAIN(TestEndToEnd)
#include "test_end_to_end.moc"
