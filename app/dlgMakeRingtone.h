#pragma once
// The Make Ringtone dialog: the user picks a target phone or file type, the
// range by typed times, fades, loudness and the file name. It only collects
// the choice; the caller makes the file from Choice() once exec() accepted.
//
//   dlgMakeRingtone dialog(this);
//   dialog.SetSelection(beginSeconds, endSeconds, documentSeconds);
//   dialog.SetFileName(suggestedPath);
//   if (dialog.exec() == QDialog::Accepted) { const RingtoneChoice c = dialog.Choice(); ... }

#include "RingtoneTargets.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

struct RingtoneChoice
{
    RingtoneTarget target = RingtoneTarget::IPhone;
    int formatCode = 7;         // 7 M4R, 2 Ogg Vorbis, 1 MP3, 6 M4A, 4 WAV
    bool oggLoop = false;       // Android only: the file asks to be looped
    double beginSeconds = 0;
    double endSeconds = 0;
    double fadeInSeconds = 0;   // 0: none
    double fadeOutSeconds = 0;
    int fadeCurve = 0;          // 0 linear, 1 exponential, 2 equal power, 3 S-curve
    bool normalise = true;
    double targetLufs = -16;
    double truePeakDb = -1;
    bool snapToZero = false;
    QString fileName;           // with the target's extension

    double LengthSeconds() const { return endSeconds - beginSeconds; }
    // The loudness argument as the editor takes it: 0 means no normalisation.
    double TargetLufsArgument() const { return normalise ? targetLufs : 0; }
};

class dlgMakeRingtone : public QDialog
{
    Q_OBJECT

public:
    explicit dlgMakeRingtone(QWidget* parent = nullptr);

    // The range the dialog starts with (usually the selection; the whole
    // sound when nothing is selected) and the sound's length, which the end
    // may not pass.
    void SetSelection(double beginSeconds, double endSeconds, double documentSeconds);
    // The suggested file; its extension follows the target.
    void SetFileName(const QString& fileName);

    RingtoneChoice Choice() const;

public slots:
    void accept() override;  // refused while the choice cannot be made

private slots:
    void TargetChanged();
    void Update();
    void Browse();

private:
    void CreateControls();
    // Why the choice cannot be made yet; empty when it can.
    QString Problem() const;
    const RingtoneTargetInfo& Target() const;
    std::optional<qint64> BeginMs() const;
    std::optional<qint64> EndMs() const;
    void ForceExtension();

    qint64 m_nDocumentMs = 0;

    QComboBox* cboTarget = nullptr;
    QCheckBox* chkLoop = nullptr;
    QLineEdit* txtStart = nullptr;
    QLineEdit* txtEnd = nullptr;
    QLabel* lblLength = nullptr;
    QLabel* lblStatus = nullptr;
    QDoubleSpinBox* spnFadeIn = nullptr;
    QDoubleSpinBox* spnFadeOut = nullptr;
    QComboBox* cboFadeCurve = nullptr;
    QCheckBox* chkNormalise = nullptr;
    QDoubleSpinBox* spnLufs = nullptr;
    QDoubleSpinBox* spnTruePeak = nullptr;
    QCheckBox* chkSnap = nullptr;
    QLineEdit* txtFileName = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QDialogButtonBox* buttons = nullptr;
};
