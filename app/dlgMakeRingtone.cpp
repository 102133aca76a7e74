#include "dlgMakeRingtone.h"

#include "ColourScheme.h"
#include "FileDialogCompletion.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {

const QStringList kFadeCurves{QStringLiteral("Linear"), QStringLiteral("Exponential"), QStringLiteral("Equal power"),
                              QStringLiteral("S-curve")};

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QDoubleSpinBox* NewSpinBox(QWidget* parent, const char* name, double low, double high, double value,
                           const QString& suffix)
{
    auto* box = Named(new QDoubleSpinBox(parent), name);
    box->setRange(low, high);
    box->setDecimals(1);
    box->setSingleStep(0.5);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
}

QString Seconds(qint64 ms)
{
    return QString::number(static_cast<double>(ms) / 1000.0, 'f', 3) + QStringLiteral(" s");
}

} // namespace

dlgMakeRingtone::dlgMakeRingtone(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgMakeRingtone"));
    setWindowTitle(QStringLiteral("Make Ringtone"));
    CreateControls();
    ApplyColourScheme(this, {});

    connect(cboTarget, &QComboBox::currentIndexChanged, this, &dlgMakeRingtone::TargetChanged);
    for (QLineEdit* box : {txtStart, txtEnd, txtFileName})
        connect(box, &QLineEdit::textChanged, this, &dlgMakeRingtone::Update);
    connect(txtFileName, &QLineEdit::editingFinished, this, &dlgMakeRingtone::ForceExtension);
    for (QDoubleSpinBox* box : {spnFadeIn, spnFadeOut})
        connect(box, &QDoubleSpinBox::valueChanged, this, &dlgMakeRingtone::Update);
    connect(chkNormalise, &QCheckBox::toggled, this, &dlgMakeRingtone::Update);
    connect(cmdBrowse, &QPushButton::clicked, this, &dlgMakeRingtone::Browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &dlgMakeRingtone::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &dlgMakeRingtone::reject);
    TargetChanged();
}

void dlgMakeRingtone::CreateControls()
{
    cboTarget = Named(new QComboBox(this), "cboTarget");
    for (const RingtoneTargetInfo& info : RingtoneTargets())
        cboTarget->addItem(QString::fromLatin1(info.caption));
    chkLoop = Named(new QCheckBox(QStringLiteral("Loop seamlessly on Android"), this), "chkLoop");

    // Partial times are allowed while typing; Update() says what is wrong.
    auto* timeTyping = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\s*\\d{0,4}(:\\d{0,2}(\\.\\d{0,3})?)?\\s*")), this);
    txtStart = Named(new QLineEdit(this), "txtStart");
    txtEnd = Named(new QLineEdit(this), "txtEnd");
    for (QLineEdit* box : {txtStart, txtEnd}) {
        box->setValidator(timeTyping);
        box->setPlaceholderText(QStringLiteral("mm:ss.mmm"));
    }
    lblLength = Named(new QLabel(this), "lblLength");
    lblStatus = Named(new QLabel(this), "lblStatus");
    lblStatus->setWordWrap(true);

    spnFadeIn = NewSpinBox(this, "spnFadeIn", 0, 10, 0, QStringLiteral(" s"));
    spnFadeOut = NewSpinBox(this, "spnFadeOut", 0, 10, 0, QStringLiteral(" s"));
    cboFadeCurve = Named(new QComboBox(this), "cboFadeCurve");
    cboFadeCurve->addItems(kFadeCurves);

    chkNormalise = Named(new QCheckBox(QStringLiteral("Normalise loudness"), this), "chkNormalise");
    chkNormalise->setChecked(true);
    spnLufs = NewSpinBox(this, "spnLufs", -40, -5, -16, QStringLiteral(" LUFS"));
    spnTruePeak = NewSpinBox(this, "spnTruePeak", -9, 0, -1, QStringLiteral(" dBTP"));
    chkSnap = Named(new QCheckBox(QStringLiteral("Snap to zero crossings"), this), "chkSnap");

    txtFileName = Named(new QLineEdit(this), "txtFileName");
    cmdBrowse = Named(new QPushButton(QStringLiteral("Browse..."), this), "cmdBrowse");
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(txtFileName, 1);
    fileRow->addWidget(cmdBrowse);

    buttons = Named(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this), "buttons");
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Target"), cboTarget);
    form->addRow(QString(), chkLoop);
    form->addRow(QStringLiteral("Start"), txtStart);
    form->addRow(QStringLiteral("End"), txtEnd);
    form->addRow(QStringLiteral("Length"), lblLength);
    form->addRow(lblStatus);
    form->addRow(QStringLiteral("Fade in"), spnFadeIn);
    form->addRow(QStringLiteral("Fade out"), spnFadeOut);
    form->addRow(QStringLiteral("Fade curve"), cboFadeCurve);
    form->addRow(QString(), chkNormalise);
    form->addRow(QStringLiteral("Loudness"), spnLufs);
    form->addRow(QStringLiteral("Peak ceiling"), spnTruePeak);
    form->addRow(QString(), chkSnap);
    form->addRow(QStringLiteral("File name"), fileRow);
    form->addRow(buttons);
    setMinimumWidth(440);
}

void dlgMakeRingtone::SetSelection(double beginSeconds, double endSeconds, double documentSeconds)
{
    const auto ms = [](double seconds) { return static_cast<qint64>(std::llround(std::max(seconds, 0.0) * 1000)); };
    m_nDocumentMs = ms(documentSeconds);
    txtStart->setText(FormatRingtoneTime(ms(beginSeconds)));
    txtEnd->setText(FormatRingtoneTime(ms(endSeconds)));
}

void dlgMakeRingtone::SetFileName(const QString& fileName)
{
    txtFileName->setText(fileName);
    ForceExtension();
}

const RingtoneTargetInfo& dlgMakeRingtone::Target() const
{
    const auto& targets = RingtoneTargets();
    const int index = cboTarget->currentIndex();
    return index >= 0 && index < static_cast<int>(targets.size()) ? targets[static_cast<std::size_t>(index)]
                                                                   : targets.front();
}

std::optional<qint64> dlgMakeRingtone::BeginMs() const
{
    return ParseRingtoneTime(txtStart->text());
}

std::optional<qint64> dlgMakeRingtone::EndMs() const
{
    return ParseRingtoneTime(txtEnd->text());
}

void dlgMakeRingtone::TargetChanged()
{
    chkLoop->setEnabled(Target().target == RingtoneTarget::Android);
    ForceExtension();
    Update();
}

void dlgMakeRingtone::ForceExtension()
{
    const QString forced = WithExtension(txtFileName->text().trimmed(), QString::fromLatin1(Target().extension));
    if (forced != txtFileName->text())
        txtFileName->setText(forced);
}

QString dlgMakeRingtone::Problem() const
{
    const std::optional<qint64> begin = BeginMs();
    const std::optional<qint64> end = EndMs();
    if (!begin)
        return QStringLiteral("Type the start as mm:ss.mmm.");
    if (!end)
        return QStringLiteral("Type the end as mm:ss.mmm.");
    if (*end <= *begin)
        return QStringLiteral("The end must come after the start.");
    if (m_nDocumentMs > 0 && *end > m_nDocumentMs)
        return QStringLiteral("The sound ends at %1.").arg(FormatRingtoneTime(m_nDocumentMs));
    const qint64 length = *end - *begin;
    if (Target().hardLimit && length > Target().limitMs)
        return QStringLiteral("An iPhone ringtone can be at most %1 seconds long.").arg(Target().limitMs / 1000);
    const qint64 fades = std::llround((spnFadeIn->value() + spnFadeOut->value()) * 1000);
    if (fades > length)
        return QStringLiteral("The fades are longer than the ringtone.");
    if (txtFileName->text().trimmed().isEmpty())
        return QStringLiteral("Choose a file name.");
    return QString();
}

void dlgMakeRingtone::Update()
{
    const RingtoneTargetInfo& target = Target();
    const std::optional<qint64> begin = BeginMs();
    const std::optional<qint64> end = EndMs();
    const qint64 length = begin && end ? *end - *begin : 0;
    const QString limit = target.hardLimit ? QStringLiteral("at most %1 s") : QStringLiteral("%1 s advised");
    lblLength->setText(length > 0 ? Seconds(length) + QStringLiteral(" (") + limit.arg(target.limitMs / 1000)
                                       + QLatin1Char(')')
                                  : QStringLiteral("none"));

    const QString problem = Problem();
    QString status = problem;
    if (problem.isEmpty() && !target.hardLimit && length > target.limitMs)
        status = QStringLiteral("Longer than %1 seconds: many phones stop a ringtone there.")
                     .arg(target.limitMs / 1000);
    lblStatus->setText(status);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(problem.isEmpty());
    spnLufs->setEnabled(chkNormalise->isChecked());
    spnTruePeak->setEnabled(chkNormalise->isChecked());
}

void dlgMakeRingtone::Browse()
{
    const RingtoneTargetInfo& target = Target();
    const QString extension = QString::fromLatin1(target.extension);
    QFileDialog dialog(this, QStringLiteral("Save Ringtone As"));
    dialog.setObjectName(QStringLiteral("dlgRingtoneFile"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("%1 (*.%2)").arg(QString::fromLatin1(target.caption), extension));
    dialog.setDefaultSuffix(extension);
    if (!txtFileName->text().isEmpty())
        dialog.selectFile(txtFileName->text());
    const int answer = dialog.exec();
    CloseCompletionPopup(&dialog);
    if (answer == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        txtFileName->setText(WithExtension(dialog.selectedFiles().constFirst(), extension));
}

void dlgMakeRingtone::accept()
{
    ForceExtension();
    if (Problem().isEmpty())
        QDialog::accept();
}

RingtoneChoice dlgMakeRingtone::Choice() const
{
    const RingtoneTargetInfo& target = Target();
    RingtoneChoice choice;
    choice.target = target.target;
    choice.formatCode = target.formatCode;
    choice.oggLoop = target.target == RingtoneTarget::Android && chkLoop->isChecked();
    choice.beginSeconds = static_cast<double>(BeginMs().value_or(0)) / 1000.0;
    choice.endSeconds = static_cast<double>(EndMs().value_or(0)) / 1000.0;
    choice.fadeInSeconds = spnFadeIn->value();
    choice.fadeOutSeconds = spnFadeOut->value();
    choice.fadeCurve = cboFadeCurve->currentIndex();
    choice.normalise = chkNormalise->isChecked();
    choice.targetLufs = spnLufs->value();
    choice.truePeakDb = spnTruePeak->value();
    choice.snapToZero = chkSnap->isChecked();
    choice.fileName = WithExtension(txtFileName->text().trimmed(), QString::fromLatin1(target.extension));
    return choice;
}
