#pragma once
// Posting a ringtone to the sending service and reading its answer.
// The request runs on the caller's thread; while it is under way a local event
// loop keeps the windows painting and lets Abort() end it.

#include "UploadRequest.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
struct AppConfig;

enum class UploadResult {
    Success,           // 200
    InvalidCreditCode, // 400, ERROR "CREDITCODE"
    ZeroBalance,       // 400, ERROR "BALANCE"
    OtherRefusal,      // 400 with any other ERROR value
    ConnectionError,   // any other status, no answer, time-out, bad address or value
    Cancelled,         // Abort() was called
};

// The outcome for an answer: status and "ERROR" header as received (either
// may be missing when no HTTP answer came).
UploadResult ClassifyAnswer(std::optional<int> status, const std::optional<QByteArray>& errorHeader);

// The text for lblFeedBack; nothing for a result that leaves the label as it is.
std::optional<QString> FeedbackText(UploadResult result, const AppConfig& config);

// Shown, instead of sending, when a header value holds a control character.
QString ControlCharacterText(const QByteArray& header);

class CRingtoneUploader : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultTransferTimeout{60000};
    // At most this much of an answer's body is held at a time.
    static constexpr qint64 kAnswerBufferSize = 64 * 1024;

    explicit CRingtoneUploader(QObject* parent = nullptr);

    // A transfer that makes no progress for this long ends as ConnectionError,
    // and so does an answer that is not complete this long after the upload.
    void SetTransferTimeout(std::chrono::milliseconds timeout);

    // POSTs body with exactly these headers, in order, and waits for the whole
    // answer. Returns Cancelled when Abort() ended it.
    UploadResult Send(const QUrl& url, const HeaderList& headers, const QByteArray& body);

    // Ends the request under way, if any.
    void Abort();
    bool IsSending() const { return !m_reply.isNull(); }

private:
    QNetworkAccessManager* m_manager;
    QPointer<QNetworkReply> m_reply;
    std::chrono::milliseconds m_timeout = kDefaultTransferTimeout;
    bool m_aborted = false;
};
