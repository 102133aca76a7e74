// Choosing the file to send and previewing it.

#include "frmKTX.h"

#include "DialogFilters.h"
#include "ElidedLabel.h"
#include "FileDialogCompletion.h"

#include <QFileDialog>
#include <QLabel>
#include <QMediaPlayer>
#include <QSlider>
#include <QUrl>

namespace {

const QString kOpenFilter = QStringLiteral(
    "All Supported Files|*.wav;*.mp3;*.m4a;*.m4r;*.mid;*.cda|Wave File|*.wav|MP3|*.mp3|"
    "AAC Audio|*.m4a|iPhone Ringtone|*.m4r|Midi File|*.mid|CD Audio|*.cda");

QString MinutesSeconds(qint64 ms)
{
    return QStringLiteral("%1:%2").arg(ms / 60000).arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QStringList frmKTX::OpenDialogFilters()
{
    return NameFiltersFrom(kOpenFilter);
}

void frmKTX::Open()
{
    dlgOpenFile->setNameFilters(OpenDialogFilters());
    const int answer = dlgOpenFile->exec();
    CloseCompletionPopup(dlgOpenFile);
    if (answer == QDialog::Accepted && !dlgOpenFile->selectedFiles().isEmpty())
        m_strOpenFileName = dlgOpenFile->selectedFiles().constFirst();
    ShowFileName(m_strOpenFileName);
    Preview(m_strOpenFileName);
}

void frmKTX::SetChosenFile(const QString& path)
{
    m_strOpenFileName = path;
    ShowFileName(path);
    dlgOpenFile->selectFile(path);
}

void frmKTX::ShowFileName(const QString& path)
{
    lblFileName->SetFullText(path);
}

void frmKTX::Preview(const QString& path)
{
    if (path.isEmpty()) {
        mpKTX->stop();
        mpKTX->setSource(QUrl());
        return;
    }
    mpKTX->setSource(QUrl::fromLocalFile(path));
    mpKTX->play();
}

void frmKTX::UpdatePreviewPosition()
{
    sldPosition->setRange(0, static_cast<int>(mpKTX->duration()));
    if (!sldPosition->isSliderDown())
        sldPosition->setValue(static_cast<int>(mpKTX->position()));
    lblPosition->setText(MinutesSeconds(mpKTX->position()) + QStringLiteral(" / ")
                         + MinutesSeconds(mpKTX->duration()));
}
