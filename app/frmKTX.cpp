#include "frmKTX.h"

#include "ColourScheme.h"
#include "DialogFilters.h"
#include "HyperlinkCursor.h"
#include "ProfileStore.h"
#include "Upload.h"
#include "dlgSettings.h"
#include "frmAbout.h"
#include "frmAudioProcess.h"

#include <QApplication>
#include <QAudioOutput>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMediaPlayer>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QTime>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("Vanto Mobile Ringtones \u2013 Polyphonic and Real Tone Creator");
const QString kMessageTitle = QStringLiteral("Vanto Mobile");
const QString kCancelledText = QStringLiteral("Uploading Canceled By The User");
const QString kOpenFilter = QStringLiteral(
    "All Supported Files|*.wav;*.mp3;*.mid;*.cda|Wave File|*.wav|MP3|*.mp3|Midi File|*.mid|CD Audio|*.cda");

QPushButton* NewButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QLabel* NewLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QGroupBox* NewFrame(const QString& name, const QString& title, QWidget* parent)
{
    auto* frame = new QGroupBox(title, parent);
    frame->setObjectName(name);
    return frame;
}

QString MinutesSeconds(qint64 ms)
{
    return QStringLiteral("%1:%2").arg(ms / 60000).arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

frmKTX::frmKTX(QWidget* parent)
    : QMainWindow(parent), m_config(AppConfig::Load()), m_pUploader(new CRingtoneUploader(this))
{
    setObjectName(QStringLiteral("frmKTX"));
    setWindowTitle(kCaption);
    setMinimumWidth(520);
    CreateControls();
    CreateMenus();
    SetIdleButtons();
}

frmKTX::~frmKTX()
{
    m_pUploader->Abort();
}

void frmKTX::CreateMenus()
{
    auto addAction = [this](QMenu* menu, const QString& name, const QString& caption, auto slot) {
        QAction* action = menu->addAction(caption, this, slot);
        action->setObjectName(name);
        return action;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    actOpen = addAction(file, QStringLiteral("Open"), QStringLiteral("&Open"), &frmKTX::Open);
    file->addSeparator();
    actExit = addAction(file, QStringLiteral("Exit"), QStringLiteral("&Exit"), &frmKTX::Exit);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    actAudioEdit = addAction(tools, QStringLiteral("AudioEdit"), QStringLiteral("&Audio Edit"),
                             &frmKTX::AudioEdit);
    actRecordSound = addAction(tools, QStringLiteral("rcdsnd"), QStringLiteral("&Record Sound"),
                               &frmKTX::RecordSound);
    tools->addSeparator();
    actOptions = addAction(tools, QStringLiteral("Options"), QStringLiteral("&Options"), &frmKTX::Options);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    actOnlineHelp = addAction(help, QStringLiteral("Online_Help"), QStringLiteral("&Online Help"),
                              &frmKTX::OnlineHelp);
    help->addSeparator();
    actAbout = addAction(help, QStringLiteral("About"), QStringLiteral("&About Vanto Mobile"),
                         &frmKTX::About);
}

void frmKTX::CreateControls()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* fileRow = new QHBoxLayout;
    lblTiitle1 = NewLabel(QStringLiteral("lblTiitle1"), QStringLiteral("File Name"), central);
    lblFileName = NewLabel(QStringLiteral("lblFileName"), QString(), central);
    lblFileName->setTextFormat(Qt::PlainText);
    lblFileName->setMinimumWidth(360);
    // A long path must not widen the window.
    lblFileName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblFileName->setFrameShape(QFrame::StyledPanel);
    lblFileName->setAutoFillBackground(true);
    lblFileName->setBackgroundRole(QPalette::Base);
    fileRow->addWidget(lblTiitle1);
    fileRow->addWidget(lblFileName, 1);
    layout->addLayout(fileRow);

    Frame1 = NewFrame(QStringLiteral("Frame1"), QStringLiteral("Send"), central);
    cmdOpen = NewButton(QStringLiteral("cmdOpen"), QStringLiteral("Open"), Frame1);
    cmdUpload = NewButton(QStringLiteral("cmdUpload"), QStringLiteral("Send"), Frame1);
    cmdCancelUpload = NewButton(QStringLiteral("cmdCancelUpload"), QStringLiteral("Cancel Sending"), Frame1);
    lblFeedBack = NewLabel(QStringLiteral("lblFeedBack"), QString(), Frame1);
    lblFeedBack->setTextFormat(Qt::PlainText);
    lblFeedBack->setWordWrap(true);
    lblFeedBack->setMinimumHeight(40);
    lblFeedBack->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* frame1Layout = new QVBoxLayout(Frame1);
    auto* sendRow = new QHBoxLayout;
    sendRow->addWidget(cmdOpen);
    sendRow->addWidget(cmdUpload);
    sendRow->addWidget(cmdCancelUpload);
    sendRow->addStretch();
    frame1Layout->addLayout(sendRow);
    frame1Layout->addWidget(lblFeedBack);
    layout->addWidget(Frame1);

    auto* middleRow = new QHBoxLayout;
    Frame2 = NewFrame(QStringLiteral("Frame2"), QStringLiteral("Tools"), central);
    cmdSoundProcess = NewButton(QStringLiteral("cmdSoundProcess"), QStringLiteral("Audio Edit"), Frame2);
    cmdRecord = NewButton(QStringLiteral("cmdRecord"), QStringLiteral("Sound Recorder"), Frame2);
    auto* frame2Layout = new QVBoxLayout(Frame2);
    frame2Layout->addWidget(cmdSoundProcess);
    frame2Layout->addWidget(cmdRecord);
    middleRow->addWidget(Frame2);

    Frame4 = NewFrame(QStringLiteral("Frame4"), QStringLiteral("Preview"), central);
    auto* frame4Layout = new QVBoxLayout(Frame4);
    frame4Layout->addWidget(CreatePreviewControls());
    middleRow->addWidget(Frame4, 1);
    layout->addLayout(middleRow);

    auto* bottomRow = new QHBoxLayout;
    Frame5 = NewFrame(QStringLiteral("Frame5"), QString(), central);
    Label1 = NewLabel(QStringLiteral("Label1"), QStringLiteral("Visit ") + m_config.homePage, Frame5);
    QFont linkFont = Label1->font();
    linkFont.setUnderline(true);
    Label1->setFont(linkFont);
    Label1->installEventFilter(this);
    auto* frame5Layout = new QVBoxLayout(Frame5);
    frame5Layout->addWidget(Label1);
    bottomRow->addWidget(Frame5, 1);

    Frame6 = NewFrame(QStringLiteral("Frame6"), QString(), central);
    cmdBuy = NewButton(QStringLiteral("cmdBuy"), QStringLiteral("Buy"), Frame6);
    auto* frame6Layout = new QVBoxLayout(Frame6);
    frame6Layout->addWidget(cmdBuy);
    bottomRow->addWidget(Frame6);
    layout->addLayout(bottomRow);

    setCentralWidget(central);

    dlgOpenFile = new QFileDialog(this, QStringLiteral("Open"));
    dlgOpenFile->setObjectName(QStringLiteral("dlgOpenFile"));
    dlgOpenFile->setFileMode(QFileDialog::ExistingFile);
    dlgOpenFile->setAcceptMode(QFileDialog::AcceptOpen);

    connect(cmdOpen, &QPushButton::clicked, this, &frmKTX::Open);
    connect(cmdUpload, &QPushButton::clicked, this, &frmKTX::Upload);
    connect(cmdCancelUpload, &QPushButton::clicked, this, &frmKTX::CancelUpload);
    connect(cmdSoundProcess, &QPushButton::clicked, this, &frmKTX::AudioEdit);
    connect(cmdRecord, &QPushButton::clicked, this, &frmKTX::RecordSound);
    connect(cmdBuy, &QPushButton::clicked, this, &frmKTX::Buy);
}

QWidget* frmKTX::CreatePreviewControls()
{
    auto* panel = new QWidget(Frame4);
    mpKTX = new QMediaPlayer(this);
    mpKTX->setObjectName(QStringLiteral("mpKTX"));
    m_pAudioOutput = new QAudioOutput(this);
    mpKTX->setAudioOutput(m_pAudioOutput);

    cmdPlay = NewButton(QStringLiteral("cmdPlay"), QStringLiteral("Play"), panel);
    cmdPause = NewButton(QStringLiteral("cmdPause"), QStringLiteral("Pause"), panel);
    cmdStop = NewButton(QStringLiteral("cmdStop"), QStringLiteral("Stop"), panel);
    sldPosition = new QSlider(Qt::Horizontal, panel);
    sldPosition->setObjectName(QStringLiteral("sldPosition"));
    lblPosition = NewLabel(QStringLiteral("lblPosition"), MinutesSeconds(0) + QStringLiteral(" / ")
                           + MinutesSeconds(0), panel);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdPlay);
    buttons->addWidget(cmdPause);
    buttons->addWidget(cmdStop);
    layout->addLayout(buttons);
    auto* position = new QHBoxLayout;
    position->addWidget(sldPosition, 1);
    position->addWidget(lblPosition);
    layout->addLayout(position);

    connect(cmdPlay, &QPushButton::clicked, mpKTX, &QMediaPlayer::play);
    connect(cmdPause, &QPushButton::clicked, mpKTX, &QMediaPlayer::pause);
    connect(cmdStop, &QPushButton::clicked, mpKTX, &QMediaPlayer::stop);
    connect(sldPosition, &QSlider::sliderMoved, mpKTX, &QMediaPlayer::setPosition);
    connect(mpKTX, &QMediaPlayer::positionChanged, this, &frmKTX::UpdatePreviewPosition);
    connect(mpKTX, &QMediaPlayer::durationChanged, this, &frmKTX::UpdatePreviewPosition);
    connect(mpKTX, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString& text) {
                lblPosition->setText(QStringLiteral("Cannot play: ") + text);
            });
    return panel;
}

void frmKTX::UpdatePreviewPosition()
{
    sldPosition->setRange(0, static_cast<int>(mpKTX->duration()));
    if (!sldPosition->isSliderDown())
        sldPosition->setValue(static_cast<int>(mpKTX->position()));
    lblPosition->setText(MinutesSeconds(mpKTX->position()) + QStringLiteral(" / ")
                         + MinutesSeconds(mpKTX->duration()));
}

void frmKTX::Start()
{
    ApplyColourScheme(this, {Frame1, Frame2, Frame4, Frame5, Frame6});
    Label1->setCursor(LoadHyperlinkCursor());

    QString mobileNo;
    ReadRegistryValue(QString::fromLatin1(ProfileValue::MobileNo), RegistryType::String, mobileNo);
    m_strMobileNo = mobileNo;
    if (mobileNo.isEmpty()) {
        ShowSettingsAtFirstStart(this);
        return;
    }
    LoadProfile();
    show();
}

void frmKTX::LoadProfile()
{
    const auto read = [](const char* name, QString& field) {
        ReadRegistryValue(QString::fromLatin1(name), RegistryType::String, field);
    };
    read(ProfileValue::MobileNo, m_strMobileNo);
    read(ProfileValue::Email, m_strEmail);
    read(ProfileValue::CreditCode, m_strCreditCode);
    read(ProfileValue::CountryName, m_strCountryName);
    read(ProfileValue::MobileModel, m_strMobileModel);
}

void frmKTX::SetChosenFile(const QString& path)
{
    m_strOpenFileName = path;
    ShowFileName(path);
    dlgOpenFile->selectFile(path);
}

QStringList frmKTX::OpenDialogFilters()
{
    return NameFiltersFrom(kOpenFilter);
}

void frmKTX::Open()
{
    dlgOpenFile->setNameFilters(OpenDialogFilters());
    if (dlgOpenFile->exec() == QDialog::Accepted && !dlgOpenFile->selectedFiles().isEmpty())
        m_strOpenFileName = dlgOpenFile->selectedFiles().constFirst();
    ShowFileName(m_strOpenFileName);
    Preview(m_strOpenFileName);
}

void frmKTX::ShowFileName(const QString& path)
{
    lblFileName->setText(path);
    lblFileName->setToolTip(path);
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

void frmKTX::RecordSound()
{
    const QStringList parts = QProcess::splitCommand(m_config.recorderCommand);
    const QString program = parts.isEmpty() ? QString() : QStandardPaths::findExecutable(parts.first());
    if (program.isEmpty()) {
        QMessageBox::information(
            this, kMessageTitle,
            QStringLiteral("No sound recorder is installed (looked for \"%1\").\n\nInstall one, for "
                           "example gnome-sound-recorder, or name your recorder as RecorderCommand "
                           "in the [Configuration] group of %2.")
                .arg(m_config.recorderCommand, AppConfig::Location()));
        return;
    }
    if (!QProcess::startDetached(program, parts.mid(1))) {
        QMessageBox::warning(this, kMessageTitle,
                             QStringLiteral("The sound recorder \"%1\" could not be started.")
                                 .arg(m_config.recorderCommand));
    }
}

void frmKTX::AudioEdit()
{
    // One audio processing window at a time; it deletes itself when closed.
    auto* window = findChild<frmAudioProcess*>();
    if (!window) {
        window = new frmAudioProcess(this);
        connect(window, &frmAudioProcess::FileChosen, this, &frmKTX::SetChosenFile);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void frmKTX::Options()
{
    dlgSettings dialog(this);
    dialog.exec();
}

void frmKTX::About()
{
    frmAbout dialog(this);
    dialog.exec();
}

void frmKTX::OnlineHelp()
{
    OpenWebPage(m_config.helpPage);
}

void frmKTX::Buy()
{
    OpenWebPage(m_config.buyPage);
}

void frmKTX::VisitHomePage()
{
    OpenWebPage(m_config.homePage);
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label1->setPalette(palette);
}

void frmKTX::OpenWebPage(const QString& address)
{
    QDesktopServices::openUrl(QUrl(address));
}

bool frmKTX::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        VisitHomePage();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

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
    if (lblFileName->text().isEmpty()) {
        QMessageBox::information(this, kMessageTitle, QStringLiteral("No file to upload"));
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
        lblFeedBack->setText(QStringLiteral("Not sent: the file %1 cannot be read.").arg(lblFileName->text()));
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
    QFile file(lblFileName->text());
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

void frmKTX::Exit()
{
    close();
}

void frmKTX::closeEvent(QCloseEvent* event)
{
    m_pUploader->Abort();
    mpKTX->stop();
    event->accept();
    // Closing the main window ends the program, whatever else is open.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible())
            window->close();
    QCoreApplication::quit();
}
