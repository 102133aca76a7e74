// The audio processing window: the Make Ringtone command, and the loudness
// and true peak shown under the scale.

#include "frmAudioProcess.h"

#include "dlgMakeRingtone.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>

using namespace audioprocess;

namespace {

// The range a ringtone starts from: the selection, or the whole sound.
struct SoundRange {
    double begin = 0;
    double end = 0;
    double length = 0;
};

}  // namespace

QString frmAudioProcess::SuggestedRingtoneName()
{
    // Next to the sound, under a name of its own: the suggestion must never
    // be the sound's own file, whatever the target's extension.
    QString source = m_calls.Get(Member::FileName).toString();
    if (source.isEmpty())
        source = m_strFileName;
    if (source.isEmpty())
        return QDir::home().filePath(QStringLiteral("ringtone.m4r"));
    const QFileInfo info(source);
    return info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(" ringtone.m4r"));
}

void frmAudioProcess::MakeRingtone()
{
    if (!m_calls.IsAttached() || m_state != State::Open)
        return;
    const CAudioProcessBusy::Scope busy(m_busy);
    const int32_t frames = m_calls.Get(Member::WaveLength).toInt();
    const int32_t rate = m_calls.Get(Member::SamplesPerSec).toInt();
    if (frames <= 0 || rate <= 0) {
        ShowMessage(QStringLiteral("There is no sound to make a ringtone from. Open or record a sound first."));
        return;
    }
    SoundRange range{0, static_cast<double>(frames) / rate, static_cast<double>(frames) / rate};
    const int32_t selBegin = m_calls.Get(Member::SelectBegin).toInt();
    const int32_t selEnd = m_calls.Get(Member::SelectEnd).toInt();
    if (selEnd > selBegin && selBegin >= 0 && selEnd <= frames) {
        range.begin = static_cast<double>(selBegin) / rate;
        range.end = static_cast<double>(selEnd) / rate;
    }

    dlgMakeRingtone dialog(this);
    dialog.SetSelection(range.begin, range.end, range.length);
    dialog.SetFileName(SuggestedRingtoneName());
    m_pRingtoneDialog = &dialog;
    const int answer = dialog.exec();
    m_pRingtoneDialog = nullptr;
    if (answer != QDialog::Accepted || m_state != State::Open || !m_calls.IsAttached())
        return;
    RingtoneChoice choice = dialog.Choice();
    choice.fileName = QFileInfo(choice.fileName).absoluteFilePath();
    if (WriteRingtone(choice))
        m_strFileName = choice.fileName;  // handed to the main window on close, as Save As does
}

bool frmAudioProcess::WriteRingtone(const RingtoneChoice& choice)
{
    const QString name = QDir::toNativeSeparators(choice.fileName);
    const QString source = m_calls.Get(Member::FileName).toString();
    if (!source.isEmpty() && QFileInfo(source).absoluteFilePath() == choice.fileName) {
        ShowMessage(QStringLiteral("No ringtone was made: %1 is the sound being edited. Choose another file name.")
                        .arg(name));
        return false;
    }
    m_calls.Put(Member::FadeCurve, choice.fadeCurve);
    m_calls.Put(Member::SnapToZero, choice.snapToZero);
    m_calls.Put(Member::OggLoop, choice.oggLoop);
    pbrProgress->setValue(0);
    const QVariant written = m_calls.Call(
        Member::MakeRingtone,
        {choice.fileName, choice.formatCode, static_cast<float>(choice.beginSeconds),
         static_cast<float>(choice.endSeconds), static_cast<float>(choice.fadeInSeconds),
         static_cast<float>(choice.fadeOutSeconds), static_cast<float>(choice.TargetLufsArgument()),
         static_cast<float>(choice.truePeakDb)});
    if (!m_calls.IsAttached() || m_state != State::Open)
        return false;
    if (written.toInt() == 1 && QFileInfo(choice.fileName).isFile())
        return true;
    ShowFailure(QStringLiteral("No ringtone was made: the editor is playing or recording. Press Stop first."),
                QStringLiteral("The ringtone %1 could not be made. Check that the folder can be written to "
                               "and that the range holds sound.")
                    .arg(name));
    return false;
}

// --- Loudness ------------------------------------------------------------------------------

void frmAudioProcess::LoudnessMayHaveChanged(bool edited)
{
    if (edited)
        m_bLoudnessStale = true;
    m_loudnessTimer.start();  // restarted by every event: measures once things settle
}

void frmAudioProcess::UpdateLoudness()
{
    if (m_state != State::Open || !m_calls.IsAttached())
        return;
    if (IsBusy()) {
        m_loudnessTimer.start();
        return;
    }
    const QPair<int32_t, int32_t> selection{m_calls.Get(Member::SelectBegin).toInt(),
                                            m_calls.Get(Member::SelectEnd).toInt()};
    if (!m_bLoudnessStale && selection == m_measuredSelection)
        return;
    m_bLoudnessStale = false;
    m_measuredSelection = selection;
    if (m_calls.Get(Member::WaveLength).toInt() <= 0) {
        lblLoudness->clear();
        return;
    }
    const float lufs = m_calls.Get(Member::Loudness).toFloat();
    const float truePeak = m_calls.Get(Member::TruePeak).toFloat();
    lblLoudness->setText(QStringLiteral("Loudness %1 LUFS   True peak %2 dBTP")
                             .arg(QString::number(lufs, 'f', 1), QString::number(truePeak, 'f', 1)));
}
