// The Options dialog's lists, the Full Number, and the profile's way between
// the store and the boxes.

#include "dlgSettings.h"

#include "ProfileStore.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

const char kNewCreditCode[] = "XXXXXXXXXX";

} // namespace

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

void dlgSettings::SaveProfile()
{
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
}
