#include "dlgSettings.h"

#include "AppConfig.h"
#include "ColourScheme.h"
#include "HyperlinkCursor.h"
#include "ProfileStore.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QValidator>
#include <QUrl>
#include <QVBoxLayout>

#include "ProgramFolder.h"

namespace {

// A stored string longer than 255 bytes cannot be read back, so the boxes
// take no more. The local number leaves room for the longest country code.
constexpr int kMaxValueBytes = 255;
constexpr int kMaxLocalNumberLength = 240;

// Refuses an edit that would make the text longer than the store can read.
class StoredLengthValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        return input.toUtf8().size() <= kMaxValueBytes ? Acceptable : Invalid;
    }
};

const char kNewCreditCode[] = "XXXXXXXXXX";

// Makes a label react to clicks like a link.
class ClickFilter : public QObject
{
public:
    ClickFilter(QObject* parent, std::function<void()> onClick)
        : QObject(parent), m_fnOnClick(std::move(onClick))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_fnOnClick();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_fnOnClick;
};

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

void dlgSettings::CreateControls()
{
    setObjectName(QStringLiteral("dlgSettings"));
    setWindowTitle(QStringLiteral("Vanto Mobile Ringtone - Options"));

    fraProfile = new QGroupBox(QStringLiteral("Profile"), this);
    fraProfile->setObjectName(QStringLiteral("fraProfile"));

    auto named = [](QWidget* widget, const char* name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    txtProfileName = new QLineEdit(fraProfile);
    cboCountryCodes = new QComboBox(fraProfile);
    txtMobileNo = new QLineEdit(fraProfile);
    lblMobileNo = new QLabel(fraProfile);
    txtEmail = new QLineEdit(fraProfile);
    cboMobileModel = new QComboBox(fraProfile);
    lblFindModelLink = new QLabel(QStringLiteral("Cant Find My Phone"), fraProfile);
    txtCreditCode = new QLineEdit(fraProfile);
    named(txtProfileName, "txtProfileName");
    named(cboCountryCodes, "cboCountryCodes");
    named(txtMobileNo, "txtMobileNo");
    named(lblMobileNo, "lblMobileNo");
    named(txtEmail, "txtEmail");
    named(cboMobileModel, "cboMobileModel");
    named(lblFindModelLink, "lblFindModelLink");
    named(txtCreditCode, "txtCreditCode");

    for (QLineEdit* box : {txtProfileName, txtEmail, txtCreditCode})
        box->setValidator(new StoredLengthValidator(box));
    txtMobileNo->setMaxLength(kMaxLocalNumberLength);
    lblMobileNo->setFrameShape(QFrame::Panel);
    lblMobileNo->setFrameShadow(QFrame::Sunken);
    lblMobileNo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblMobileNo->setMinimumHeight(txtMobileNo->sizeHint().height());
    QFont linkFont = lblFindModelLink->font();
    linkFont.setUnderline(true);
    lblFindModelLink->setFont(linkFont);
    lblFindModelLink->installEventFilter(new ClickFilter(lblFindModelLink, [this] { OnFindModelLink(); }));

    auto* grid = new QGridLayout(fraProfile);
    int row = 0;
    auto addRow = [&](const char* caption, QWidget* field, const char* labelName = nullptr) {
        auto* label = new QLabel(QString::fromUtf8(caption), fraProfile);
        if (labelName)
            label->setObjectName(QString::fromLatin1(labelName));
        if (field->focusPolicy() != Qt::NoFocus)
            label->setBuddy(field); // a buddy label shows "&&" as "&"
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
        return label;
    };
    addRow("Name", txtProfileName);
    addRow("Country && Operator", cboCountryCodes);
    addRow("Mobile Number", txtMobileNo);
    addRow("Full Number", lblMobileNo);
    Label1 = addRow("E-Mail", txtEmail, "Label1");
    addRow("Mobile Model", cboMobileModel);
    grid->addWidget(lblFindModelLink, row - 1, 2);
    addRow("Credit Code", txtCreditCode);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 260);

    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    named(OKButton, "OKButton");
    named(CancelButton, "CancelButton");
    OKButton->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraProfile);
    layout->addLayout(buttons);
}

QString dlgSettings::DataFilePath(const QString& fileName) const
{
    if (m_strDataFolder.isEmpty())
        return ProgramFilePath(fileName);
    return QDir(m_strDataFolder).filePath(fileName);
}

void dlgSettings::LoadMobileModels()
{
    cboMobileModel->addItems(ParseMobileModels(ReadTextFileAt(DataFilePath(QStringLiteral("MobileModels.txt")))));
    if (cboMobileModel->count() > 0)
        cboMobileModel->setCurrentIndex(0);
}

void dlgSettings::LoadCountryCodes()
{
    const QString text = ReadTextFileAt(DataFilePath(QStringLiteral("CountryCodes.txt")));
    const QStringList lines = SplitTextLines(text, kCountryTableSize);
    for (int position = 0; position < lines.size(); ++position)
        ParseCountryLine(lines[position], position);
    if (cboCountryCodes->count() > 0)
        cboCountryCodes->setCurrentIndex(0);
}

void dlgSettings::ParseCountryLine(const QString& line, int position)
{
    const CountryEntry entry = ::ParseCountryLine(line);
    cboCountryCodes->addItem(entry.text);
    m_CountryCodeTable[static_cast<std::size_t>(position)] = entry.code;
}

qint32 dlgSettings::CountryCode(int position) const
{
    if (position < 0 || position >= kCountryTableSize)
        return 0;
    return m_CountryCodeTable[static_cast<std::size_t>(position)];
}

void dlgSettings::ReadProfileIntoDialog()
{
    using namespace ProfileValue;
    const int text = RegistryType::String;
    ReadRegistryValue(QString::fromLatin1(Name), text, m_strName);
    ReadRegistryValue(QString::fromLatin1(MobileNo), text, m_strMobileNo);
    ReadRegistryValue(QString::fromLatin1(Email), text, m_strEmail);
    ReadRegistryValue(QString::fromLatin1(CreditCode), text, m_strCreditCode);
    ReadRegistryValue(QString::fromLatin1(MobileModel), text, m_strMobileModel);
    ReadRegistryValue(QString::fromLatin1(CountryName), text, m_strCountryName);
}

void dlgSettings::ShowProfile()
{
    txtProfileName->setText(m_strName);
    lblMobileNo->setText(m_strMobileNo);
    txtEmail->setText(m_strEmail);
    txtCreditCode->setText(m_strCreditCode);
    bool isNumber = false;
    const int model = m_strMobileModel.toInt(&isNumber);
    // A position the list does not have (the file changed, or "-1") selects nothing.
    cboMobileModel->setCurrentIndex(isNumber && model >= 0 && model < cboMobileModel->count() ? model : -1);
}

void dlgSettings::ClearProfile()
{
    txtProfileName->clear();
    txtMobileNo->clear();
    lblMobileNo->clear();
    txtCreditCode->setText(QString::fromLatin1(kNewCreditCode));
    if (cboMobileModel->count() > 0)
        cboMobileModel->setCurrentIndex(0);
}

void dlgSettings::OnCountryChosen(int position)
{
    if (position < 0 || position == m_nLastCountryIndex)
        return;
    m_SelectedCountryCode = CountryCode(position);
    BuildFullNumber();
    m_nLastCountryIndex = static_cast<qint16>(position);
}

void dlgSettings::BuildFullNumber()
{
    {
        const QSignalBlocker quiet(txtMobileNo);
        while (txtMobileNo->text().startsWith(u'0'))
            txtMobileNo->setText(txtMobileNo->text().mid(1));
    }
    const QString prefix = m_SelectedCountryCode == 0 ? QString() : QString::number(m_SelectedCountryCode);
    lblMobileNo->setText(prefix + txtMobileNo->text());
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
    if (!SaveProfile())
        return;
    Finish();
}

bool dlgSettings::SaveProfile()
{
    const int answer = ShowMessage(
        this, QMessageBox::Warning, QStringLiteral("Vanto Mobile"),
        QStringLiteral("If phone number or email is incorrect, you will not receive ringtones. To Proceed press "
                       "Yes, to edit the registration press No"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        txtProfileName->setFocus();
        return false;
    }

    QString stored;
    ReadRegistryValue(QString::fromLatin1(ProfileValue::MobileNo), RegistryType::String, stored);
    const bool exists = !stored.isEmpty();
    auto write = [exists](const char* name, const QString& value) {
        const QString key = QString::fromLatin1(name);
        // Each failed write has shown its message; the save goes on.
        if (exists)
            SetRegistryValue(key, RegistryType::String, value);
        else
            CreateRegistryValue(RegistryType::String, key, value);
    };
    write(ProfileValue::Name, txtProfileName->text());
    write(ProfileValue::MobileNo, lblMobileNo->text());
    write(ProfileValue::Email, txtEmail->text());
    write(ProfileValue::CreditCode, txtCreditCode->text());
    write(ProfileValue::MobileModel, QString::number(cboMobileModel->currentIndex()));
    write(ProfileValue::CountryName, QStringLiteral("0"));
    return true;
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
    QPalette palette = lblFindModelLink->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    lblFindModelLink->setPalette(palette);
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
