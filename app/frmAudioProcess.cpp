#include "frmAudioProcess.h"

#include "AudioProcessIcons.h"
#include "AudioProcessScale.h"
#include "ColourScheme.h"
#include "ControlHost.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>
#include <tuple>

using namespace audioprocess;

namespace {

const QString kCaption = QStringLiteral("Vanto Mobile Ringtones - Audio File Processing");
// Colours cross the interface as 0x00BBGGRR.
constexpr uint kWhite = 0x00FFFFFFu;
constexpr uint kBlue = 0x00FF0000u;

}  // namespace

frmAudioProcess::frmAudioProcess(QWidget* parent) : QMainWindow(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmAudioProcess"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kCaption);
    CreateControls();
    CreateToolbar();
    CreateMenus();
    m_busy.SetOnIdle([this] { OnIdle(); });
    m_loudnessTimer.setSingleShot(true);
    m_loudnessTimer.setInterval(300);
    connect(&m_loudnessTimer, &QTimer::timeout, this, &frmAudioProcess::UpdateLoudness);
    FormLoad();
    // A quit that arrives while the window is busy is refused by its close;
    // it is carried out once the window has closed (frmAudioProcessClose.cpp).
    qApp->installEventFilter(this);
}

frmAudioProcess::~frmAudioProcess()
{
    // The control is a child and is destroyed after this window's members:
    // nothing it does on the way out may reach them.
    m_calls.Detach();
}

void frmAudioProcess::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Make &Ringtone..."), this, &frmAudioProcess::MakeRingtone)
        ->setObjectName(QStringLiteral("MakeRingtone"));
    file->addSeparator();
    file->addAction(QStringLiteral("&Exit"), this, &QWidget::close)->setObjectName(QStringLiteral("Exit"));
}

void frmAudioProcess::CreateToolbar()
{
    tbrMenu = addToolBar(QStringLiteral("Toolbar"));
    tbrMenu->setObjectName(QStringLiteral("tbrMenu"));
    tbrMenu->setMovable(false);
    tbrMenu->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbrMenu->setIconSize(QSize(24, 24));
    tbrMenu->setAutoFillBackground(true);
    const auto call = [this](Member member, const QVariantList& args = {}) {
        return [this, member, args] { m_calls.Call(member, args); };
    };
    // Each button's key is its caption, object name and data; a separator
    // comes before Copy, Undo and Make Ringtone.
    const QList<QPair<QString, std::function<void()>>> buttons{
        {QStringLiteral("New"), call(Member::NewFile, {2, 44100, 16})},
        {QStringLiteral("Open"), [this] { Open(); }},
        {QStringLiteral("Save As"), [this] { SaveAs(); }},
        {QStringLiteral("Copy"), call(Member::Copy)},
        {QStringLiteral("Cut"), call(Member::Cut)},
        {QStringLiteral("Paste"), call(Member::Paste)},
        {QStringLiteral("Delete"), call(Member::Delete)},
        {QStringLiteral("Undo"), call(Member::Undo)},
        {QStringLiteral("Zoom In"), call(Member::ZoomIn)},
        {QStringLiteral("Zoom Out"), call(Member::ZoomOut)},
        {QStringLiteral("Make Ringtone"), [this] { MakeRingtone(); }},
    };
    for (const auto& [key, run] : buttons) {
        QAction* button = tbrMenu->addAction(AudioProcessIcon(key), key, this, run);
        button->setObjectName(key);
        button->setData(key);
        if (key == QLatin1String("Copy") || key == QLatin1String("Undo") || key == QLatin1String("Make Ringtone"))
            tbrMenu->insertSeparator(button);
    }
}

void frmAudioProcess::CreateControls()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    // The waveform with its time scale right under it, the same width.
    auto* editorArea = new QWidget(central);
    auto* editorLayout = new QVBoxLayout(editorArea);
    editorLayout->setContentsMargins(0, 0, 0, 0);
    editorLayout->setSpacing(0);
    CreateEditor(editorArea);
    m_pScale = new CAudioProcessScale(editorArea);
    editorLayout->addWidget(m_pScale);
    lblLoudness = new QLabel(editorArea);
    lblLoudness->setObjectName(QStringLiteral("lblLoudness"));
    lblLoudness->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    editorLayout->addWidget(lblLoudness);
    layout->addWidget(editorArea, 1);

    auto* bottom = new QHBoxLayout;
    auto* progressColumn = new QVBoxLayout;
    Label1 = new QLabel(QStringLiteral("File Progress"), central);
    Label1->setObjectName(QStringLiteral("Label1"));
    pbrProgress = new QProgressBar(central);
    pbrProgress->setObjectName(QStringLiteral("pbrProgress"));
    pbrProgress->setRange(0, 100);
    pbrProgress->setValue(0);
    pbrProgress->setTextVisible(false);
    progressColumn->addWidget(Label1);
    progressColumn->addWidget(pbrProgress);
    bottom->addLayout(progressColumn, 1);

    fraButtons = new QGroupBox(central);
    fraButtons->setObjectName(QStringLiteral("fraButtons"));
    auto* buttons = new QHBoxLayout(fraButtons);
    const QList<std::tuple<QString, QString, void (frmAudioProcess::*)()>> transport{
        {QStringLiteral("cmdPlay"), QStringLiteral("Play"), &frmAudioProcess::Play},
        {QStringLiteral("cmdPause"), QStringLiteral("Pause"), &frmAudioProcess::Pause},
        {QStringLiteral("cmdStop"), QStringLiteral("Stop"), &frmAudioProcess::Stop}};
    for (const auto& [name, text, slot] : transport) {
        auto* button = new QPushButton(text, fraButtons);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this, slot);
        buttons->addWidget(button);
    }
    bottom->addWidget(fraButtons);
    layout->addLayout(bottom);

    setCentralWidget(central);

    dlgCommon = new QFileDialog(this);
    dlgCommon->setObjectName(QStringLiteral("dlgCommon"));
    dlgCommon->setWindowModality(Qt::WindowModal);
    resize(760, 460);
}

void frmAudioProcess::CreateEditor(QWidget* area)
{
    sonarch2::CControlHost host;
    std::unique_ptr<sonarch2::CControlClient> control =
        host.Create(QString::fromLatin1(sonarch2::TypeLibIdentity::kClassId), area);
    QWidget* widget = control ? control->Widget() : nullptr;
    if (control && m_calls.Attach(std::move(control), &m_strControlError)) {
        for (const QString& line : host.Log())
            qInfo().noquote() << "Sonarch2:" << line;
        ctlAudioEditor = widget;
        ctlAudioEditor->setObjectName(QStringLiteral("ctlAudioEditor"));
        ctlAudioEditor->setMinimumSize(320, 160);
        ctlAudioEditor->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        area->layout()->addWidget(ctlAudioEditor);
        m_calls.Advise([this](int32_t event, const QVariantList& args) { OnControlEvent(event, args); });
        return;
    }
    delete widget;  // a control whose interface the window cannot use
    if (m_strControlError.isEmpty())
        m_strControlError = host.Error();
    qWarning().noquote() << "The audio editor could not be created:" << m_strControlError;
    auto* missing = new QLabel(QStringLiteral("The audio editor could not be started.\n%1").arg(m_strControlError),
                               area);
    missing->setObjectName(QStringLiteral("lblEditorMissing"));
    missing->setAlignment(Qt::AlignCenter);
    missing->setWordWrap(true);
    missing->setAutoFillBackground(true);
    missing->setBackgroundRole(QPalette::Base);
    missing->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    area->layout()->addWidget(missing);
}

void frmAudioProcess::FormLoad()
{
    ApplyColourScheme(this, {fraButtons});
    // Dark text is hard to read on the scheme's blue.
    for (QWidget* label : QList<QWidget*>{Label1, m_pScale, lblLoudness}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(palette);
    }
    QPalette toolbarPalette = tbrMenu->palette();
    toolbarPalette.setColor(QPalette::Window, palette().color(QPalette::Button));
    tbrMenu->setPalette(toolbarPalette);

    m_calls.Put(Member::BackColor, kWhite);
    m_calls.Put(Member::WaveColor, kBlue);
}

// --- Transport -----------------------------------------------------------------------------

void frmAudioProcess::Play()
{
    if (!bPaused)
        m_calls.Call(Member::Play);
}

void frmAudioProcess::Pause()
{
    m_calls.Call(bPaused ? Member::Continue : Member::Pause);
    bPaused = !bPaused;
}

void frmAudioProcess::Stop()
{
    m_calls.Call(Member::Stop);
    bPaused = false;
}

// --- Control events -------------------------------------------------------------------------

void frmAudioProcess::OnControlEvent(int32_t event, const QVariantList& args)
{
    if (event == sonarch2::EventChangeView) {
        ChangeView();
        LoudnessMayHaveChanged(true);
    } else if (event == sonarch2::EventChangeMouse) {
        LoudnessMayHaveChanged(false);
    } else if (event == sonarch2::EventProgress && !args.isEmpty()) {
        pbrProgress->setValue(static_cast<int>(std::lround(args.constFirst().toFloat())));
    }
}

void frmAudioProcess::ChangeView()
{
    const int32_t begin = m_calls.Get(Member::ViewBegin).toInt();
    const int32_t end = m_calls.Get(Member::ViewEnd).toInt();
    const auto frames = CAudioProcessScale::MarkFrames(begin, end);
    for (int k = 0; k < CAudioProcessScale::kMarks; ++k) {
        const float seconds = m_calls.Call(Member::SamplesToTime, {frames.at(static_cast<std::size_t>(k))}).toFloat();
        m_pScale->Label(k)->setText(CAudioProcessScale::FormatSeconds(seconds));
    }
    m_pScale->PlaceMarks();
}

