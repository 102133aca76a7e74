#include "frmKTX.h"

#include "ColourScheme.h"
#include "HyperlinkCursor.h"
#include "LinkLabel.h"
#include "ProfileStore.h"
#include "Upload.h"
#include "dlgSettings.h"
#include "frmAbout.h"
#include "frmAudioProcess.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

// The window's controls are built in frmKTXLayout.cpp, the chosen file is
// previewed in frmKTXPreview.cpp and sent in frmKTXSend.cpp.

frmKTX::frmKTX(QWidget* parent)
    : QMainWindow(parent), m_config(AppConfig::Load()), m_pUploader(new CRingtoneUploader(this))
{
    setObjectName(QStringLiteral("frmKTX"));
    setWindowTitle(QStringLiteral("Vanto Mobile Ringtones \u2013 Polyphonic and Real Tone Creator"));
    setMinimumWidth(520);
    CreateControls();
    CreateMenus();
    MakeLink(Label1, [this] { VisitHomePage(); });
    SetIdleButtons();
}

frmKTX::~frmKTX()
{
    m_pUploader->Abort();
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

void frmKTX::RecordSound()
{
    const QStringList parts = QProcess::splitCommand(m_config.recorderCommand);
    const QString program = parts.isEmpty() ? QString() : QStandardPaths::findExecutable(parts.first());
    const QString title = QString::fromLatin1(kMessageTitle);
    if (program.isEmpty()) {
        QMessageBox::information(
            this, title,
            QStringLiteral("No sound recorder is installed (looked for \"%1\").\n\nInstall one, for "
                           "example gnome-sound-recorder, or name your recorder as RecorderCommand "
                           "in the [Configuration] group of %2.")
                .arg(m_config.recorderCommand, AppConfig::Location()));
        return;
    }
    if (!QProcess::startDetached(program, parts.mid(1))) {
        QMessageBox::warning(this, title,
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
    MarkLinkVisited(Label1);
}

void frmKTX::OpenWebPage(const QString& address)
{
    QDesktopServices::openUrl(QUrl(address));
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
