// The audio processing window: opening and saving files through its dialog.

#include "frmAudioProcess.h"

#include "AudioProcessFormats.h"
#include "FileDialogCompletion.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

using namespace audioprocess;

namespace {

// What a file looked like before a save, to tell afterwards whether the save
// wrote it.
struct FileStamp {
    bool exists = false;
    QDateTime modified;
    qint64 size = -1;

    static FileStamp Of(const QString& path)
    {
        const QFileInfo info(path);
        if (!info.isFile())
            return {};
        return {true, info.lastModified(), info.size()};
    }
};

bool SaveWasWritten(const QString& chosen, const FileStamp& before, const QDateTime& started,
                    const QString& reported)
{
    if (reported.isEmpty())
        return false;
    const FileStamp after = FileStamp::Of(reported);
    if (!after.exists)
        return false;
    if (reported == chosen)
        return !before.exists || after.modified != before.modified || after.size != before.size;
    // The control replaced the extension: a file under that name counts when
    // it was modified since the save began (file times come from a coarse
    // clock that may lag the system clock by a tick).
    return after.modified >= started.addMSecs(-100);
}

}  // namespace

bool frmAudioProcess::ChooseFile(bool save, QString* chosenName)
{
    const CAudioProcessBusy::Scope busy(m_busy);
    dlgCommon->setNameFilters(DialogNameFilters());
    dlgCommon->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlgCommon->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlgCommon->setWindowTitle(save ? QStringLiteral("Save As") : QStringLiteral("Open"));
    if (!m_strFileName.isEmpty())
        dlgCommon->selectFile(m_strFileName);

    const int answer = dlgCommon->exec();
    CloseCompletionPopup(dlgCommon);
    const bool chosen =
        answer == QDialog::Accepted && !dlgCommon->selectedFiles().isEmpty() && m_state == State::Open;
    if (chosen)
        *chosenName = dlgCommon->selectedFiles().constFirst();
    // Cancel keeps the earlier name but does nothing with it: reloading or
    // re-saving on Cancel would throw away edits or overwrite a file the user
    // just decided not to write.
    return chosen;
}

void frmAudioProcess::Open()
{
    // The dialog keeps a name only when its file was opened: a failed open
    // must not hand a broken file to the main window.
    QString name;
    if (ChooseFile(false, &name) && LoadByExtension(name))
        m_strFileName = name;
}

bool frmAudioProcess::LoadByExtension(const QString& fileName)
{
    const FormatCode code = LoadFormatOf(fileName);
    if (code == FormatNone)
        return false;
    const CAudioProcessBusy::Scope busy(m_busy);
    const QVariant result = m_calls.Call(Member::Load, {fileName, static_cast<int>(code)});
    const bool loaded = result.toInt() != 0;
    if (!loaded && m_state == State::Open && m_calls.IsAttached()) {
        const QString name = QDir::toNativeSeparators(fileName);
        ShowFailure(
            QStringLiteral("%1 was not opened: the editor is playing or recording. Press Stop first.").arg(name),
            QStringLiteral("The file %1 could not be opened. It may be damaged, or not a sound file.").arg(name));
    }
    return loaded;
}

void frmAudioProcess::SaveAs()
{
    QString name;
    if (!ChooseFile(true, &name))
        return;
    const CAudioProcessBusy::Scope busy(m_busy);
    // A name typed without an extension takes the selected filter's.
    name = WithFilterExtension(name, dlgCommon->selectedNameFilter());
    const FormatCode code = SaveFormatOf(name);
    if (code == FormatNone) {
        ShowMessage(QStringLiteral("Nothing was saved: %1 does not end in .mp3, .wav, .ogg, .wma, .raw, .m4a or .m4r.")
                        .arg(QDir::toNativeSeparators(name)));
        return;
    }
    SaveChosenFile(name, code);
}

void frmAudioProcess::SaveChosenFile(const QString& chosen, int code)
{
    const FileStamp before = FileStamp::Of(chosen);
    const QDateTime started = QDateTime::currentDateTime();
    m_calls.Call(Member::SaveAs, {chosen, code});
    if (!m_calls.IsAttached())
        return;
    const QString reported = m_calls.Get(Member::FileName).toString();
    if (SaveWasWritten(chosen, before, started, reported)) {
        // SONG.OGG is written as SONG.ogg: remember the file that exists.
        m_strFileName = reported;
        return;
    }
    if (m_state != State::Open)
        return;
    ShowFailure(QStringLiteral("Nothing was saved: the editor is playing or recording. Press Stop first."),
                QStringLiteral("The save failed: %1 was not written.")
                    .arg(QDir::toNativeSeparators(reported.isEmpty() ? chosen : reported)));
}

void frmAudioProcess::ShowMessage(const QString& text)
{
    const CAudioProcessBusy::Scope busy(m_busy);
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("msgAudioProcess"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_pMessage = box;
    box->exec();
}

void frmAudioProcess::ShowFailure(const QString& whilePlaying, const QString& otherwise)
{
    ShowMessage(m_calls.Get(Member::PlayerStatus).toInt() != 0 ? whilePlaying : otherwise);
}
