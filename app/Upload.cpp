#include "Upload.h"

#include "AppConfig.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

UploadResult ClassifyAnswer(std::optional<int> status, const std::optional<QByteArray>& errorHeader)
{
    if (status == 200)
        return UploadResult::Success;
    if (status != 400 || !errorHeader)
        return UploadResult::ConnectionError;
    if (*errorHeader == "CREDITCODE")
        return UploadResult::InvalidCreditCode;
    if (*errorHeader == "BALANCE")
        return UploadResult::ZeroBalance;
    return UploadResult::OtherRefusal;
}

std::optional<QString> FeedbackText(UploadResult result, const AppConfig& config)
{
    switch (result) {
    case UploadResult::Success:
        return QStringLiteral("Operation Successful");
    case UploadResult::InvalidCreditCode:
        return QStringLiteral("Invalid Credit Code, Please get credit code from ") + config.homePage;
    case UploadResult::ZeroBalance:
        return QStringLiteral("Your balance is zero. To send the ringtone to your phone, please buy "
                              "a Credit Code from ")
            + config.buyPage + QStringLiteral(" or press Buy button");
    case UploadResult::ConnectionError:
        return QStringLiteral("Connection error, please make sure your Internet connection is "
                              "active or buy a credit code");
    case UploadResult::OtherRefusal:
    case UploadResult::Cancelled:
        break;
    }
    return std::nullopt;
}

QString ControlCharacterText(const QByteArray& header)
{
    const QString problem = QStringLiteral(" holds a line break or another control character. ");
    if (header == "FileName")
        return QStringLiteral("Not sent: the ringtone name") + problem
            + QStringLiteral("Please send again under another name.");
    if (header == "MobileModel")
        return QStringLiteral("Not sent: the phone model in MobileModels.txt") + problem
            + QStringLiteral("Please correct that file.");
    return QStringLiteral("Not sent: the profile's %1").arg(QString::fromLatin1(header)) + problem
        + QStringLiteral("Please correct it in Tools > Options.");
}

namespace {

// Qt sometimes finishes without an error when the connection is reset in the
// middle of a body of announced length. Only a plain (not re-encoded) body
// can be measured against its Content-Length.
bool BodyCameShort(const QNetworkReply& reply, qint64 received)
{
    if (reply.hasRawHeader("Content-Encoding"))
        return false;
    const QVariant announced = reply.header(QNetworkRequest::ContentLengthHeader);
    return announced.isValid() && received < announced.toLongLong();
}

} // namespace

CRingtoneUploader::CRingtoneUploader(QObject* parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this))
{
}

void CRingtoneUploader::SetTransferTimeout(std::chrono::milliseconds timeout)
{
    m_timeout = timeout;
}

UploadResult CRingtoneUploader::Send(const QUrl& url, const HeaderList& headers,
                                     const QByteArray& body)
{
    if (IsSending() || !url.isValid())
        return UploadResult::ConnectionError;

    QNetworkRequest request(url);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    // Without a type of its own Qt would label the raw file as a form.
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/octet-stream"));
    // HTTP/2 would send the header names in lower case.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setTransferTimeout(static_cast<int>(m_timeout.count()));

    m_aborted = false;
    QNetworkReply* reply = m_manager->post(request, body);
    m_reply = reply;
    // The body is never read; it is dropped as it comes, so that an endless
    // one cannot fill the memory. Its length is counted to tell a complete
    // answer from one cut short.
    reply->setReadBufferSize(kAnswerBufferSize);
    qint64 bodyReceived = 0;
    connect(reply, &QNetworkReply::readyRead, reply,
            [reply, &bodyReceived] { bodyReceived += reply->skip(reply->bytesAvailable()); });

    // The transfer time-out ends a silent exchange, but a server that keeps
    // trickling or streaming makes progress for ever. Once the upload is out,
    // the whole answer must come within the same time.
    QTimer answerDeadline;
    answerDeadline.setSingleShot(true);
    answerDeadline.setTimerType(Qt::PreciseTimer);
    bool answerTooSlow = false;
    connect(&answerDeadline, &QTimer::timeout, reply, [reply, &answerTooSlow] {
        answerTooSlow = true;
        reply->abort();
    });
    connect(reply, &QNetworkReply::uploadProgress, &answerDeadline, [&answerDeadline] { answerDeadline.start(); });
    answerDeadline.start(m_timeout);

    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    answerDeadline.stop();
    disconnect(reply, &QNetworkReply::readyRead, reply, nullptr);

    m_reply.clear();
    reply->deleteLater();
    if (!reply->isFinished()) {
        // The application is quitting and left every event loop.
        reply->abort();
        return UploadResult::Cancelled;
    }
    if (m_aborted)
        return UploadResult::Cancelled;
    if (answerTooSlow || BodyCameShort(*reply, bodyReceived + reply->skip(reply->bytesAvailable())))
        return UploadResult::ConnectionError;

    // Errors below 200 are transport failures (refused, time-out, TLS, ...);
    // a status seen before one of them is not a complete answer.
    if (reply->error() > QNetworkReply::NoError && reply->error() < QNetworkReply::ContentAccessDenied)
        return UploadResult::ConnectionError;

    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    std::optional<int> status;
    if (statusAttribute.isValid())
        status = statusAttribute.toInt();
    std::optional<QByteArray> errorHeader;
    if (reply->hasRawHeader("ERROR"))
        errorHeader = reply->rawHeader("ERROR");
    return ClassifyAnswer(status, errorHeader);
}

void CRingtoneUploader::Abort()
{
    if (!m_reply)
        return;
    m_aborted = true;
    m_reply->abort();
}
