// The send command: name prompt, reading the file, the upload and its outcome.

#include "frmKTX.h"

#include "ElidedLabel.h"
#include "Upload.h"

#include <QFile>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTime>

namespace {

const QString kCancelledText = QStringLiteral("Uploading Canceled By The User");

} // namespace

QString frmKTX::SuggestedRingtoneName(const QTime& now)
{
    return QStringLiteral("MyTone") + now.toString(QStringLiteral("mmss"));
}

QString frmKTX::FileExtensionOf(const QString& path)
{
    const QString tail = path.right(5);
    const qsizetype dot = tail.indexOf(QLatin1Char('.'));
    return dot < 0 ? tail : tail.mid(dot);
}

QString frmKTX::PromptRingtoneName()
{
    QInputDialog prompt(this);
    prompt.setObjectName(QStringLiteral("RingtoneNamePrompt"));
    prompt.setWindowTitle(QStringLiteral("Ringtone Name"));
    prompt.setLabelText(QStringLiteral(
        "Enter ringtone name. Please dont use spaces, dots or invalid characters.\n\n"
        "WARNING: Large ringtones may not arrive or work with your phone. Please send ringtones "
        "smaller than 10 KB."));
    prompt.setTextValue(SuggestedRingtoneName(QTime::currentTime()));
    if (prompt.exec() != QDialog::Accepted)
        return QString();
    return prompt.textValue();
}

void frmKTX::Upload()
{
    if (lblFileName->FullText().isEmpty()) {
        QMessageBox::information(this, QString::fromLatin1(kMessageTitle), QStringLiteral("No file to upload"));
        return;
    }
    lblFeedBack->clear();
    cmdCancelUpload->setEnabled(true);
    LoadProfile();

    const QString name = PromptRingtoneName();
    if (name.isEmpty()) {
        lblFeedBack->setText(kCancelledText);
        SetIdleButtons();
        return;
    }
    m_strFileName = name + FileExtensionOf(m_strOpenFileName);
    cmdUpload->setEnabled(false);

    if (!ReadRingtoneFile()) {
        lblFeedBack->setText(QStringLiteral("Not sent: the file %1 cannot be read.").arg(lblFileName->FullText()));
        SetIdleButtons();
        return;
    }
    lblFeedBack->setText(QStringLiteral("Sending Data"));
    SendRingtone();
    SetIdleButtons();
}

bool frmKTX::ReadRingtoneFile()
{
    LoadProfile();
    m_body.clear();
    m_strFileLength.clear();
    QFile file(lblFileName->FullText());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray body = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    m_body = std::move(body);
    m_strFileLength = QString::number(m_body.size());
    return true;
}

void frmKTX::SendRingtone()
{
    RingtoneUpload upload;
    upload.creditCode = m_strCreditCode;
    upload.mobileNo = m_strMobileNo;
    upload.mobileModel = m_strMobileModel;
    upload.countryName = m_strCountryName;
    upload.email = m_strEmail;
    upload.fileName = m_strFileName;
    upload.fileLength = m_strFileLength;

    const HeaderBuildResult headers = BuildUploadHeaders(upload);
    UploadResult result = UploadResult::ConnectionError;
    if (const auto* unsafe = std::get_if<ControlCharacter>(&headers)) {
        lblFeedBack->setText(ControlCharacterText(unsafe->header));
        return;
    }
    if (const auto* list = std::get_if<HeaderList>(&headers))
        result = m_pUploader->Send(m_config.UploadUrl(), *list, m_body);
    if (const std::optional<QString> text = FeedbackText(result, m_config))
        lblFeedBack->setText(*text);
}

void frmKTX::CancelUpload()
{
    m_pUploader->Abort();
    lblFeedBack->setText(kCancelledText);
    SetIdleButtons();
}

void frmKTX::SetIdleButtons()
{
    cmdUpload->setEnabled(true);
    cmdCancelUpload->setEnabled(false);
}
