#include "dlgSettings.h"

#include "AppConfig.h"
#include "ColourScheme.h"
#include "HyperlinkCursor.h"
#include "LinkLabel.h"
#include "ProfileStore.h"
#include "ProgramFolder.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace {

int ShowMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                QMessageBox::StandardButtons buttons = QMessageBox::Ok)
{
    QMessageBox box(icon, title, text, buttons, parent);
    return box.exec();
}

} // namespace

dlgSettings::dlgSettings(QWidget* mainWindow, const QString& dataFolder)
    : QDialog(mainWindow)
    , m_pMainWindow(mainWindow)
    , m_strDataFolder(dataFolder)
    , m_fnEndProgram([] { QCoreApplication::exit(0); })
{
    CreateControls();

    // Load, in this order; a step that fails leaves the next one to run.
    lblFindModelLink->setCursor(LoadHyperlinkCursor(DataFilePath(QStringLiteral("Hyperlink.cur"))));
    ApplyColourScheme(this, {fraProfile});
    LoadMobileModels();
    LoadCountryCodes();
    m_SelectedCountryCode = m_CountryCodeTable[0];
    m_nLastCountryIndex = 0;

    ReadRegistryValue(QString::fromLatin1(ProfileValue::MobileNo), RegistryType::String, m_strMobileNo);
    if (!m_strMobileNo.isEmpty()) {
        ReadProfileIntoDialog();
        ShowProfile();
        // Selected and focused, so that a new code simply types over it.
        txtCreditCode->selectAll();
        txtCreditCode->setFocus();
    } else {
        ClearProfile();
    }

    connect(cboCountryCodes, &QComboBox::currentIndexChanged, this, &dlgSettings::OnCountryChosen);
    connect(txtMobileNo, &QLineEdit::textChanged, this, &dlgSettings::BuildFullNumber);
    connect(OKButton, &QPushButton::clicked, this, &dlgSettings::OnOK);
    connect(CancelButton, &QPushButton::clicked, this, &dlgSettings::reject);
}

QString dlgSettings::DataFilePath(const QString& fileName) const
{
    if (m_strDataFolder.isEmpty())
        return ProgramFilePath(fileName);
    return QDir(m_strDataFolder).filePath(fileName);
}

bool dlgSettings::ValidatePhone(const QString& fullNumber)
{
    if (fullNumber.isEmpty())
        return false;
    for (const QChar c : fullNumber) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool dlgSettings::ValidateEmail(const QString& email)
{
    const qsizetype at = email.indexOf(u'@', 1);
    if (at < 0)
        return false;
    const QString rest = email.mid(at + 1);
    return rest.indexOf(u'.', 1) >= 0;
}

void dlgSettings::OnOK()
{
    if (lblMobileNo->text().isEmpty() || txtEmail->text().isEmpty() || txtCreditCode->text().isEmpty()) {
        ShowMessage(this, QMessageBox::Information, ApplicationTitle(), QStringLiteral("Please fill all fields"));
        return;
    }
    if (!ValidatePhone(lblMobileNo->text())) {
        ShowMessage(this, QMessageBox::Critical, ApplicationTitle(),
                    QStringLiteral("The Phone Number filed is invalid. Only numbers allowed"));
        txtMobileNo->selectAll();
        txtMobileNo->setFocus();
        return;
    }
    if (!ValidateEmail(txtEmail->text())) {
        ShowMessage(this, QMessageBox::Critical, ApplicationTitle(), QStringLiteral("The E-Mial field is invalid."));
        txtEmail->selectAll();
        txtEmail->setFocus();
        return;
    }
    if (!ConfirmSave())
        return;
    SaveProfile();
    Finish();
}

bool dlgSettings::ConfirmSave()
{
    const int answer = ShowMessage(
        this, QMessageBox::Warning, QStringLiteral("Vanto Mobile"),
        QStringLiteral("If phone number or email is incorrect, you will not receive ringtones. To Proceed press "
                       "Yes, to edit the registration press No"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        return true;
    txtProfileName->setFocus();
    return false;
}

void dlgSettings::Finish()
{
    if (m_pMainWindow)
        m_pMainWindow->show();
    emit profileSaved();
    accept();
}

void dlgSettings::reject()
{
    QString stored;
    ReadRegistryValue(QString::fromLatin1(ProfileValue::MobileNo), RegistryType::String, stored);
    QDialog::reject();
    if (stored.isEmpty() && m_fnEndProgram)
        m_fnEndProgram(); // there is no profile to send with
}

void dlgSettings::SetEndProgram(std::function<void()> endProgram)
{
    m_fnEndProgram = std::move(endProgram);
}

void dlgSettings::OnFindModelLink()
{
    QDesktopServices::openUrl(QUrl(AppConfig::Load().phoneListPage));
    MarkLinkVisited(lblFindModelLink);
}

dlgSettings* ShowSettingsAtFirstStart(QWidget* mainWindow)
{
    auto* dialog = new dlgSettings(mainWindow);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    if (mainWindow)
        mainWindow->hide();
    dialog->setModal(false);
    dialog->show();
    return dialog;
}
