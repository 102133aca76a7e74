#include "frmAudioProcess.h"

#include "AudioProcessFormats.h"
#include "AudioProcessIcons.h"
#include "AudioProcessScale.h"
#include "ColourScheme.h"
#include "ControlHost.h"
#include "FileDialogCompletion.h"
#include "TypeLib.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
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

using namespace audioprocess;

namespace {

const QString kCaption = QStringLiteral("Vanto Mobile Ringtones - Audio File Processing");
const QStringList kToolbarKeys{QStringLiteral("New"),    QStringLiteral("Open"),    QStringLiteral("Save As"),
                               QStringLiteral("Copy"),   QStringLiteral("Cut"),     QStringLiteral("Paste"),
                               QStringLiteral("Delete"), QStringLiteral("Undo"),    QStringLiteral("Zoom In"),
                               QStringLiteral("Zoom Out")};

// Colours cross the interface as 0x00BBGGRR.
constexpr uint kWhite = 0x00FFFFFFu;
constexpr uint kBlue = 0x00FF0000u;

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

frmAudioProcess::frmAudioProcess(QWidget* parent) : QMainWindow(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmAudioProcess"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kCaption);
    CreateControls();
    CreateToolbar();
    CreateMenus();
    m_calls.SetOnReturn([this] { OnIdle(); });
    FormLoad();
    // A quit that arrives while the control is busy is refused by this
    // window's close; it is carried out once the window has closed.
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
    actExit = file->addAction(QStringLiteral("&Exit"), this, &frmAudioProcess::Exit);
    actExit->setObjectName(QStringLiteral("Exit"));
}

void frmAudioProcess::CreateToolbar()
{
    tbrMenu = addToolBar(QStringLiteral("Toolbar"));
    tbrMenu->setObjectName(QStringLiteral("tbrMenu"));
    tbrMenu->setMovable(false);
    tbrMenu->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbrMenu->setIconSize(QSize(24, 24));
    tbrMenu->setAutoFillBackground(true);
    for (const QString& key : kToolbarKeys) {
        QAction* button = tbrMenu->addAction(AudioProcessIcon(key), key);
        button->setObjectName(key);
        button->setData(key);
        if (key == QLatin1String("Copy") || key == QLatin1String("Undo"))
            tbrMenu->insertSeparator(button);
    }
    connect(tbrMenu, &QToolBar::actionTriggered, this, &frmAudioProcess::ToolbarClicked);
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
    auto button = [this](const QString& name, const QString& text, void (frmAudioProcess::*slot)()) {
        auto* b = new QPushButton(text, fraButtons);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    cmdPlay = button(QStringLiteral("cmdPlay"), QStringLiteral("Play"), &frmAudioProcess::Play);
    cmdPause = button(QStringLiteral("cmdPause"), QStringLiteral("Pause"), &frmAudioProcess::Pause);
    cmdStop = button(QStringLiteral("cmdStop"), QStringLiteral("Stop"), &frmAudioProcess::Stop);
    buttons->addWidget(cmdPlay);
    buttons->addWidget(cmdPause);
    buttons->addWidget(cmdStop);
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
    if (host.Create(QString::fromLatin1(sonarch2::TypeLibIdentity::kClassId), area)) {
        for (const QString& line : host.Log())
            qInfo().noquote() << "Sonarch2:" << line;
        ctlAudioEditor = host.Widget();
        ctlAudioEditor->setObjectName(QStringLiteral("ctlAudioEditor"));
        ctlAudioEditor->setMinimumSize(320, 160);
        ctlAudioEditor->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        area->layout()->addWidget(ctlAudioEditor);
        m_calls.Attach(ctlAudioEditor, host.Dispatch());
        m_calls.Advise([this](int32_t event, const QVariantList& args) { OnControlEvent(event, args); });
        return;
    }
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
    for (QWidget* label : QList<QWidget*>{Label1, m_pScale}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(palette);
    }
    QPalette toolbarPalette = tbrMenu->palette();
    toolbarPalette.setColor(QPalette::Window, palette().color(QPalette::Button));
    tbrMenu->setPalette(toolbarPalette);

    m_calls.Put(dispid::BackColor, kWhite);
    m_calls.Put(dispid::WaveColor, kBlue);
}

bool frmAudioProcess::IsBusy() const
{
    return m_calls.IsRunning() || m_nBusy > 0;
}

// --- Toolbar -----------------------------------------------------------------------------

void frmAudioProcess::ToolbarClicked(QAction* button)
{
    const QString key = button->data().toString();
    if (key == QLatin1String("New"))
        m_calls.Call(dispid::NewFile, {2, 44100, 16});
    else if (key == QLatin1String("Open"))
        Open();
    else if (key == QLatin1String("Save As"))
        SaveAs();
    else if (key == QLatin1String("Copy"))
        m_calls.Call(dispid::Copy);
    else if (key == QLatin1String("Cut"))
        m_calls.Call(dispid::Cut);
    else if (key == QLatin1String("Paste"))
        m_calls.Call(dispid::Paste);
    else if (key == QLatin1String("Delete"))
        m_calls.Call(dispid::Delete);
    else if (key == QLatin1String("Undo"))
        m_calls.Call(dispid::Undo);
    else if (key == QLatin1String("Zoom In"))
        m_calls.Call(dispid::ZoomIn);
    else if (key == QLatin1String("Zoom Out"))
        m_calls.Call(dispid::ZoomOut);
}

bool frmAudioProcess::ChooseFile(bool save, QString* chosenName)
{
    dlgCommon->setNameFilters(DialogNameFilters());
    dlgCommon->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlgCommon->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlgCommon->setWindowTitle(save ? QStringLiteral("Save As") : QStringLiteral("Open"));
    if (!m_strFileName.isEmpty())
        dlgCommon->selectFile(m_strFileName);

    ++m_nBusy;
    const int answer = dlgCommon->exec();
    --m_nBusy;
    CloseCompletionPopup(dlgCommon);
    const bool chosen = answer == QDialog::Accepted && !dlgCommon->selectedFiles().isEmpty() && !m_bCloseRequested;
    if (chosen)
        *chosenName = dlgCommon->selectedFiles().constFirst();
    OnIdle();
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
    ++m_nBusy;
    const QVariant result = m_calls.Call(dispid::Load, {fileName, static_cast<int>(code)});
    const bool loaded = result.toInt() != 0;
    if (!loaded && !m_bCloseRequested && m_calls.IsAttached()) {
        const QString name = QDir::toNativeSeparators(fileName);
        if (m_calls.Get(dispid::PlayerStatus).toInt() != 0)
            ShowMessage(QStringLiteral("%1 was not opened: the editor is playing or recording. Press Stop first.")
                            .arg(name));
        else
            ShowMessage(QStringLiteral("The file %1 could not be opened. It may be damaged, or not a sound file.")
                            .arg(name));
    }
    --m_nBusy;
    OnIdle();
    return loaded;
}

void frmAudioProcess::SaveAs()
{
    QString name;
    if (!ChooseFile(true, &name))
        return;
    const FormatCode code = SaveFormatOf(name);
    if (code == FormatNone)
        return;
    ++m_nBusy;
    SaveChosenFile(name, code);
    --m_nBusy;
    OnIdle();
}

void frmAudioProcess::SaveChosenFile(const QString& chosen, int code)
{
    const FileStamp before = FileStamp::Of(chosen);
    const QDateTime started = QDateTime::currentDateTime();
    m_calls.Call(dispid::SaveAs, {chosen, code});
    if (!m_calls.IsAttached())
        return;
    const QString reported = m_calls.Get(dispid::FileName).toString();
    if (SaveWasWritten(chosen, before, started, reported)) {
        // SONG.OGG is written as SONG.ogg: remember the file that exists.
        m_strFileName = reported;
        return;
    }
    if (m_bCloseRequested)
        return;
    if (m_calls.Get(dispid::PlayerStatus).toInt() != 0)
        ShowMessage(QStringLiteral("Nothing was saved: the editor is playing or recording. Press Stop first."));
    else
        ShowMessage(QStringLiteral("The save failed: %1 was not written.")
                        .arg(QDir::toNativeSeparators(reported.isEmpty() ? chosen : reported)));
}

void frmAudioProcess::ShowMessage(const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, kCaption, text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("msgAudioProcess"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_pMessage = box;
    ++m_nBusy;
    box->exec();
    --m_nBusy;
    OnIdle();
}

// --- Transport -----------------------------------------------------------------------------

void frmAudioProcess::Play()
{
    if (!bPaused)
        m_calls.Call(dispid::Play);
}

void frmAudioProcess::Pause()
{
    if (bPaused) {
        m_calls.Call(dispid::Continue);
        bPaused = false;
    } else {
        m_calls.Call(dispid::Pause);
        bPaused = true;
    }
}

void frmAudioProcess::Stop()
{
    m_calls.Call(dispid::Stop);
    bPaused = false;
}

void frmAudioProcess::Exit()
{
    close();
}

// --- Control events -------------------------------------------------------------------------

void frmAudioProcess::OnControlEvent(int32_t event, const QVariantList& args)
{
    if (event == sonarch2::EventChangeView)
        ChangeView();
    else if (event == sonarch2::EventProgress && !args.isEmpty())
        Progress(args.constFirst().toFloat());
}

void frmAudioProcess::Progress(float percent)
{
    pbrProgress->setValue(static_cast<int>(std::lround(percent)));
}

void frmAudioProcess::ChangeView()
{
    const int32_t begin = m_calls.Get(dispid::ViewBegin).toInt();
    const int32_t end = m_calls.Get(dispid::ViewEnd).toInt();
    const auto frames = CAudioProcessScale::MarkFrames(begin, end);
    for (int k = 0; k < CAudioProcessScale::kMarks; ++k) {
        const float seconds = m_calls.Call(dispid::SamplesToTime, {frames.at(static_cast<std::size_t>(k))}).toFloat();
        m_pScale->Label(k)->setText(CAudioProcessScale::FormatSeconds(seconds));
    }
    m_pScale->PlaceMarks();
}

// --- Closing -------------------------------------------------------------------------------

void frmAudioProcess::closeEvent(QCloseEvent* event)
{
    if (m_bUnloaded) {
        event->accept();
        return;
    }
    if (IsBusy()) {
        // A call into the control is still on the stack (this close runs
        // from inside it): destroying the control now would pull it out from
        // under its own call. Bring the call to an end and close after it.
        event->ignore();
        if (m_bCloseRequested)
            return;
        m_bCloseRequested = true;
        if (m_calls.IsPlayerRunning())
            m_calls.Call(dispid::Stop);
        if (dlgCommon->isVisible())
            dlgCommon->reject();
        if (m_pMessage)
            m_pMessage->reject();
        return;
    }
    Unload();
    event->accept();
    if (m_bQuitRequested)
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

bool frmAudioProcess::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::Quit && IsBusy() && !m_bUnloaded)
        m_bQuitRequested = true;
    return QMainWindow::eventFilter(watched, event);
}

void frmAudioProcess::OnIdle()
{
    if (m_bCloseRequested && !IsBusy() && !m_bUnloaded)
        close();
}

void frmAudioProcess::Unload()
{
    m_bUnloaded = true;
    m_calls.Call(dispid::Close);
    if (!m_strFileName.isEmpty())
        emit FileChosen(m_strFileName);
}
