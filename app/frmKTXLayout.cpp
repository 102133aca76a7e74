// The main window's menus, frames and controls.

#include "frmKTX.h"

#include "ElidedLabel.h"

#include <QAudioOutput>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

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

} // namespace

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
    lblFileName = new ElidedLabel(central);
    lblFileName->setObjectName(QStringLiteral("lblFileName"));
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
    lblPosition = NewLabel(QStringLiteral("lblPosition"), QString(), panel);
    UpdatePreviewPosition();

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
