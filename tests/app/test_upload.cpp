// The upload against a real HTTP server on 127.0.0.1: what goes on the wire,
// and how each answer of the service is read.

#include "AppConfig.h"
#include "LoopbackHttpServer.h"
#include "Upload.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSslCertificate>
#include <QSslKey>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace std::chrono_literals;

namespace {

RingtoneUpload SampleUpload(const QByteArray& body)
{
    RingtoneUpload upload;
    upload.creditCode = QStringLiteral("AB12CD34EF");
    upload.mobileNo = QStringLiteral("447700900123");
    upload.mobileModel = QStringLiteral("2");
    upload.countryName = QStringLiteral("0");
    upload.email = QStringLiteral("ann@example.org");
    upload.fileName = QStringLiteral("ring.wav");
    upload.fileLength = QString::number(body.size());
    upload.body = body;
    return upload;
}

QByteArray EveryByteValue(qsizetype size)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) % 256);
    return bytes;
}

// The seven headers the program sets, as they arrived: from "CreditCode" on.
HeaderList SetHeaders(const RecordedRequest& request)
{
    for (qsizetype i = 0; i < request.headers.size(); ++i)
        if (request.headers.at(i).first == "CreditCode")
            return request.headers.mid(i, 7);
    return {};
}

QUrl UrlOf(const LoopbackHttpServer& server)
{
    return QUrl(server.BaseAddress() + QString::fromLatin1(kUploadPath));
}

} // namespace

class TestUpload : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sendsSevenHeadersInOrderAndTheExactBody();
    void mobileModelIsTheLineOfTheModelsFile_data();
    void mobileModelIsTheLineOfTheModelsFile();
    void modelValueThatIsNotA16BitNumberIsRefused_data();
    void modelValueThatIsNotA16BitNumberIsRefused();
    void controlCharactersAreRefusedPerHeader_data();
    void controlCharactersAreRefusedPerHeader();
    void modelLineWithALoneLineFeedIsRefused();
    void answers_data();
    void answers();
    void refusedConnectionIsAConnectionError();
    void silentServerTimesOut();
    void abortEndsTheRequestAndClosesTheConnection();
    void httpsWorksLikeHttp();
    void configurationDefaultsAndOverride();
    void uploadUrlKeepsTheFixedPath();

private:
    QTemporaryDir m_dir;
    QString m_modelsFile;
    AppConfig m_config;
};

void TestUpload::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));

    m_modelsFile = m_dir.filePath(QStringLiteral("MobileModels.txt"));
    QFile models(m_modelsFile);
    QVERIFY(models.open(QIODevice::WriteOnly));
    models.write("Nokia 3310\r\nSiemens C55   \r\nSony Ericsson T610\r\n\r\nMotorola RAZR V3");
    models.close();

    m_config.homePage = QStringLiteral("http://www.maker.example");
    m_config.buyPage = QStringLiteral("http://www.maker.example/buy");
}

void TestUpload::sendsSevenHeadersInOrderAndTheExactBody()
{
    LoopbackHttpServer server;
    QVERIFY(server.isListening());
    const QByteArray body = EveryByteValue(9000);
    const RingtoneUpload upload = SampleUpload(body);

    const HeaderBuildResult built = BuildUploadHeaders(upload, m_modelsFile);
    QVERIFY(std::holds_alternative<HeaderList>(built));
    CRingtoneUploader uploader;
    QCOMPARE(uploader.Send(UrlOf(server), std::get<HeaderList>(built), body), UploadResult::Success);

    QCOMPARE(server.Requests().size(), 1);
    const RecordedRequest& request = server.Requests().constFirst();
    QCOMPARE(request.requestLine, QByteArray("POST /ktx-pro/ZodiZedere.do HTTP/1.1"));

    const QList<QPair<QByteArray, QByteArray>> expected = {
        {"CreditCode", "AB12CD34EF"},
        {"MobileNo", "447700900123"},
        {"MobileModel", "Sony Ericsson T610"},
        {"CountryName", "None"},
        {"Email", "ann@example.org"},
        {"FileName", "ring.wav"},
        {"FileLength", "9000"},
    };
    // The seven come together, exactly as set, right after the Host line that
    // HTTP/1.1 puts first; what follows is added by the network layer.
    QVERIFY(request.headers.size() > expected.size());
    QCOMPARE(request.headers.constFirst().first, QByteArray("Host"));
    QCOMPARE(request.headers.mid(1, expected.size()), expected);
    for (const auto& [name, value] : expected) {
        int count = 0;
        for (const auto& header : request.headers)
            count += header.first.compare(name, Qt::CaseInsensitive) == 0 ? 1 : 0;
        QCOMPARE(count, 1);
    }
    QVERIFY(request.raw.contains("\r\nCreditCode: AB12CD34EF\r\nMobileNo: 447700900123\r\n"
                                 "MobileModel: Sony Ericsson T610\r\nCountryName: None\r\n"
                                 "Email: ann@example.org\r\nFileName: ring.wav\r\nFileLength: 9000\r\n"));
    QCOMPARE(request.header("Content-Length"), std::optional<QByteArray>("9000"));
    QCOMPARE(request.header("Host"), std::optional<QByteArray>("127.0.0.1:" + QByteArray::number(server.serverPort())));
    QCOMPARE(request.body.size(), body.size());
    QCOMPARE(request.body, body);
    QVERIFY(request.raw.endsWith(body));
}

void TestUpload::mobileModelIsTheLineOfTheModelsFile_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("first") << "0" << QByteArray("Nokia 3310");
    QTest::newRow("trailing blanks removed") << "1" << QByteArray("Siemens C55");
    QTest::newRow("third line") << "2" << QByteArray("Sony Ericsson T610");
    QTest::newRow("empty line") << "3" << QByteArray("");
    QTest::newRow("unterminated last line is no line") << "4" << QByteArray("");
    QTest::newRow("past the end") << "32767" << QByteArray("");
    QTest::newRow("no model chosen") << "-1" << QByteArray("");
}

void TestUpload::mobileModelIsTheLineOfTheModelsFile()
{
    QFETCH(QString, stored);
    QFETCH(QByteArray, sent);
    LoopbackHttpServer server;
    RingtoneUpload upload = SampleUpload("x");
    upload.mobileModel = stored;
    const HeaderBuildResult built = BuildUploadHeaders(upload, m_modelsFile);
    QVERIFY(std::holds_alternative<HeaderList>(built));
    CRingtoneUploader uploader;
    QCOMPARE(uploader.Send(UrlOf(server), std::get<HeaderList>(built), upload.body), UploadResult::Success);
    QCOMPARE(server.Requests().size(), 1);
    // An empty model still goes out, as an empty header.
    const HeaderList headers = SetHeaders(server.Requests().constFirst());
    QCOMPARE(headers.value(2), qMakePair(QByteArray("MobileModel"), sent));
    QCOMPARE(headers.value(3), qMakePair(QByteArray("CountryName"), QByteArray("None")));
}

void TestUpload::modelValueThatIsNotA16BitNumberIsRefused_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QByteArray>("header");
    QTest::newRow("empty model") << "" << "0" << QByteArray("MobileModel");
    QTest::newRow("letters") << "two" << "0" << QByteArray("MobileModel");
    QTest::newRow("too large") << "32768" << "0" << QByteArray("MobileModel");
    QTest::newRow("fraction") << "2.5" << "0" << QByteArray("MobileModel");
    QTest::newRow("country letters") << "1" << "UK" << QByteArray("CountryName");
}

void TestUpload::modelValueThatIsNotA16BitNumberIsRefused()
{
    QFETCH(QString, model);
    QFETCH(QString, country);
    QFETCH(QByteArray, header);
    RingtoneUpload upload = SampleUpload("x");
    upload.mobileModel = model;
    upload.countryName = country;
    const HeaderBuildResult built = BuildUploadHeaders(upload, m_modelsFile);
    QVERIFY(std::holds_alternative<UnconvertibleValue>(built));
    QCOMPARE(std::get<UnconvertibleValue>(built).header, header);
    QCOMPARE(ToInt16(QStringLiteral(" -32768 ")), std::optional<qint16>(-32768));
}

void TestUpload::controlCharactersAreRefusedPerHeader_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("header");
    const QString split = QStringLiteral("X\r\nInjected: yes");
    QTest::newRow("credit code CR LF") << 0 << split << QByteArray("CreditCode");
    QTest::newRow("mobile no LF") << 1 << QStringLiteral("4477\n00") << QByteArray("MobileNo");
    QTest::newRow("email CR") << 4 << QStringLiteral("a@b.c\r") << QByteArray("Email");
    QTest::newRow("file name tab") << 5 << QStringLiteral("ring\t.wav") << QByteArray("FileName");
    QTest::newRow("file length NUL") << 6 << QStringLiteral("9") + QChar(0) << QByteArray("FileLength");
    QTest::newRow("email DEL") << 4 << QStringLiteral("a@b.c\x7f") << QByteArray("Email");
    QTest::newRow("credit code C1 NEL") << 0 << QString(QChar(0x85)) << QByteArray("CreditCode");
}

void TestUpload::controlCharactersAreRefusedPerHeader()
{
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(QByteArray, header);
    RingtoneUpload upload = SampleUpload("x");
    QString* fields[] = {&upload.creditCode, &upload.mobileNo, &upload.mobileModel, &upload.countryName,
                         &upload.email, &upload.fileName, &upload.fileLength};
    *fields[field] = value;
    const HeaderBuildResult built = BuildUploadHeaders(upload, m_modelsFile);
    QVERIFY(std::holds_alternative<ControlCharacter>(built));
    QCOMPARE(std::get<ControlCharacter>(built).header, header);
    const QString text = ControlCharacterText(header);
    QVERIFY2(text.startsWith(QStringLiteral("Not sent: ")), qPrintable(text));
    if (header == "FileName")
        QVERIFY(text.contains(QStringLiteral("ringtone name")));
    else
        QVERIFY(text.contains(QString::fromLatin1(header)) && text.contains(QStringLiteral("Tools > Options")));

    // Other characters outside ASCII are fine and go out as UTF-8.
    upload = SampleUpload("x");
    upload.email = QStringLiteral("j\u00FCrgen@example.org");
    const HeaderBuildResult ok = BuildUploadHeaders(upload, m_modelsFile);
    QVERIFY(std::holds_alternative<HeaderList>(ok));
    QCOMPARE(std::get<HeaderList>(ok).value(4).second, QByteArray("j\xC3\xBCrgen@example.org"));
}

void TestUpload::modelLineWithALoneLineFeedIsRefused()
{
    const QString path = m_dir.filePath(QStringLiteral("BadModels.txt"));
    QFile models(path);
    QVERIFY(models.open(QIODevice::WriteOnly));
    models.write("Nokia 3310\r\nBad\nModel\r\n");
    models.close();
    RingtoneUpload upload = SampleUpload("x");
    upload.mobileModel = QStringLiteral("1");
    const HeaderBuildResult built = BuildUploadHeaders(upload, path);
    QVERIFY(std::holds_alternative<ControlCharacter>(built));
    QCOMPARE(std::get<ControlCharacter>(built).header, QByteArray("MobileModel"));
    QVERIFY(ControlCharacterText("MobileModel").contains(QStringLiteral("MobileModels.txt")));
    upload.mobileModel = QStringLiteral("0");
    QVERIFY(std::holds_alternative<HeaderList>(BuildUploadHeaders(upload, path)));
}

void TestUpload::answers_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("error");
    QTest::addColumn<bool>("sendError");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    const QString connection = QStringLiteral(
        "Connection error, please make sure your Internet connection is active or buy a credit code");
    QTest::newRow("200") << 200 << QByteArray() << false << int(UploadResult::Success)
                         << "Operation Successful";
    QTest::newRow("200 with ERROR is not read") << 200 << QByteArray("BALANCE") << true
                                                << int(UploadResult::Success) << "Operation Successful";
    QTest::newRow("400 CREDITCODE") << 400 << QByteArray("CREDITCODE") << true
                                    << int(UploadResult::InvalidCreditCode)
                                    << "Invalid Credit Code, Please get credit code from http://www.maker.example";
    QTest::newRow("400 BALANCE") << 400 << QByteArray("BALANCE") << true << int(UploadResult::ZeroBalance)
                                 << "Your balance is zero. To send the ringtone to your phone, please buy a "
                                    "Credit Code from http://www.maker.example/buy or press Buy button";
    QTest::newRow("400 balance") << 400 << QByteArray("balance") << true << int(UploadResult::OtherRefusal)
                                 << QString();
    QTest::newRow("400 without ERROR") << 400 << QByteArray() << false << int(UploadResult::ConnectionError)
                                       << connection;
    QTest::newRow("500") << 500 << QByteArray() << false << int(UploadResult::ConnectionError) << connection;
    QTest::newRow("500 BALANCE") << 500 << QByteArray("BALANCE") << true << int(UploadResult::ConnectionError)
                                 << connection;
    QTest::newRow("404") << 404 << QByteArray() << false << int(UploadResult::ConnectionError) << connection;
}

void TestUpload::answers()
{
    QFETCH(int, status);
    QFETCH(QByteArray, error);
    QFETCH(bool, sendError);
    QFETCH(int, result);
    QFETCH(QString, text);

    LoopbackHttpServer server;
    server.AnswerWith(status, sendError ? std::optional<QByteArray>(error) : std::nullopt);
    const RingtoneUpload upload = SampleUpload("RIFF....WAVE");
    const HeaderBuildResult built = BuildUploadHeaders(upload, m_modelsFile);
    QVERIFY(std::holds_alternative<HeaderList>(built));
    CRingtoneUploader uploader;
    const UploadResult got = uploader.Send(UrlOf(server), std::get<HeaderList>(built), upload.body);
    QCOMPARE(int(got), result);
    QCOMPARE(server.Requests().size(), 1);
    const std::optional<QString> shown = FeedbackText(got, m_config);
    QCOMPARE(shown.has_value(), !text.isEmpty());
    if (shown)
        QCOMPARE(*shown, text);
}

void TestUpload::refusedConnectionIsAConnectionError()
{
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    } // closed again: nothing listens on the port now
    const HeaderBuildResult built = BuildUploadHeaders(SampleUpload("x"), m_modelsFile);
    CRingtoneUploader uploader;
    const QUrl url(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(QString::fromLatin1(kUploadPath)));
    QCOMPARE(uploader.Send(url, std::get<HeaderList>(built), "x"), UploadResult::ConnectionError);
    QVERIFY(!uploader.IsSending());
}

void TestUpload::silentServerTimesOut()
{
    LoopbackHttpServer server;
    server.NeverAnswer();
    const HeaderBuildResult built = BuildUploadHeaders(SampleUpload("x"), m_modelsFile);
    CRingtoneUploader uploader;
    uploader.SetTransferTimeout(400ms);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(uploader.Send(UrlOf(server), std::get<HeaderList>(built), "x"), UploadResult::ConnectionError);
    QVERIFY2(clock.elapsed() >= 350, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(server.Requests().size(), 1); // the request did arrive; only the answer is missing
    QCOMPARE(CRingtoneUploader::kDefaultTransferTimeout, 60000ms);
}

void TestUpload::abortEndsTheRequestAndClosesTheConnection()
{
    LoopbackHttpServer server;
    server.NeverAnswer();
    const HeaderBuildResult built = BuildUploadHeaders(SampleUpload("x"), m_modelsFile);
    CRingtoneUploader uploader;
    // Abort from inside the wait, as the Cancel button does, once the
    // request has reached the server.
    QTimer poll;
    connect(&poll, &QTimer::timeout, &uploader, [&] {
        if (!server.Requests().isEmpty())
            uploader.Abort();
    });
    poll.start(10);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(uploader.Send(UrlOf(server), std::get<HeaderList>(built), "x"), UploadResult::Cancelled);
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(!uploader.IsSending());
    QTRY_COMPARE(server.Disconnections(), 1);

    // The same object serves the next send.
    poll.stop();
    server.AnswerWith(200);
    QCOMPARE(uploader.Send(UrlOf(server), std::get<HeaderList>(built), "x"), UploadResult::Success);
}

void TestUpload::httpsWorksLikeHttp()
{
    const QString key = m_dir.filePath(QStringLiteral("key.pem"));
    const QString cert = m_dir.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert, "-days", "2",
                   "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
    if (!openssl.waitForStarted())
        QSKIP("openssl is not installed");
    QVERIFY(openssl.waitForFinished(30000));
    QCOMPARE(openssl.exitCode(), 0);

    QFile certFile(cert), keyFile(key);
    QVERIFY(certFile.open(QIODevice::ReadOnly));
    QVERIFY(keyFile.open(QIODevice::ReadOnly));
    const QSslCertificate certificate(&certFile, QSsl::Pem);
    const QSslKey privateKey(&keyFile, QSsl::Rsa, QSsl::Pem);
    QVERIFY(!certificate.isNull());
    QVERIFY(!privateKey.isNull());

    QSslConfiguration serverSide = QSslConfiguration::defaultConfiguration();
    serverSide.setLocalCertificate(certificate);
    serverSide.setPrivateKey(privateKey);
    // The client trusts our test certificate like any installed authority.
    QSslConfiguration clientSide = QSslConfiguration::defaultConfiguration();
    clientSide.addCaCertificate(certificate);
    QSslConfiguration::setDefaultConfiguration(clientSide);

    LoopbackHttpServer server;
    server.UseTls(serverSide);
    server.AnswerWith(400, QByteArray("BALANCE"));
    QVERIFY(server.BaseAddress().startsWith(QLatin1String("https://")));
    const QByteArray body = EveryByteValue(3000);
    const HeaderBuildResult built = BuildUploadHeaders(SampleUpload(body), m_modelsFile);
    CRingtoneUploader uploader;
    QCOMPARE(uploader.Send(UrlOf(server), std::get<HeaderList>(built), body), UploadResult::ZeroBalance);
    QCOMPARE(server.Requests().size(), 1);
    QCOMPARE(server.Requests().constFirst().requestLine, QByteArray("POST /ktx-pro/ZodiZedere.do HTTP/1.1"));
    QCOMPARE(SetHeaders(server.Requests().constFirst()), std::get<HeaderList>(built));
    QCOMPARE(server.Requests().constFirst().headers.value(1).first, QByteArray("CreditCode"));
    QCOMPARE(server.Requests().constFirst().body, body);
    QVERIFY(server.Requests().constFirst().encrypted);
}

void TestUpload::configurationDefaultsAndOverride()
{
    qunsetenv(kEnvUploadAddress);
    qunsetenv(kEnvHomePage);
    const AppConfig defaults = AppConfig::Load();
    for (const QString& address : {defaults.uploadAddress, defaults.homePage, defaults.helpPage,
                                   defaults.buyPage, defaults.phoneListPage}) {
        QVERIFY2(QUrl(address).host().endsWith(QLatin1String(".example")), qPrintable(address));
    }
    QVERIFY(!defaults.recorderCommand.isEmpty());

    {
        QSettings stored(AppConfig::Location(), QSettings::IniFormat);
        stored.setValue(QStringLiteral("Configuration/HomePage"), QStringLiteral("http://stored.example"));
        stored.setValue(QStringLiteral("Configuration/UploadAddress"), QStringLiteral("http://up.example:8080"));
    }
    QVERIFY(AppConfig::Location().startsWith(m_dir.path()));
    QCOMPARE(AppConfig::Load().homePage, QStringLiteral("http://stored.example"));
    QCOMPARE(AppConfig::Load().UploadUrl(), QUrl(QStringLiteral("http://up.example:8080/ktx-pro/ZodiZedere.do")));

    qputenv(kEnvHomePage, "http://env.example");
    qputenv(kEnvUploadAddress, "http://127.0.0.1:1234");
    const AppConfig overridden = AppConfig::Load();
    QCOMPARE(overridden.homePage, QStringLiteral("http://env.example"));
    QCOMPARE(overridden.UploadUrl(), QUrl(QStringLiteral("http://127.0.0.1:1234/ktx-pro/ZodiZedere.do")));
    qunsetenv(kEnvHomePage);
    qunsetenv(kEnvUploadAddress);
}

void TestUpload::uploadUrlKeepsTheFixedPath()
{
    AppConfig config;
    config.uploadAddress = QStringLiteral("https://send.example/other/path?x=1#f");
    QCOMPARE(config.UploadUrl(), QUrl(QStringLiteral("https://send.example/ktx-pro/ZodiZedere.do")));
    config.uploadAddress = QStringLiteral("ftp://send.example");
    QVERIFY(!config.UploadUrl().isValid());
    config.uploadAddress = QStringLiteral("not an address");
    QVERIFY(!config.UploadUrl().isValid());

    // An unusable address fails at once, without any network traffic.
    CRingtoneUploader uploader;
    QCOMPARE(uploader.Send(config.UploadUrl(), {}, "x"), UploadResult::ConnectionError);
}

QTEST_GUILESS_MAIN(TestUpload)
#include "test_upload.moc"
