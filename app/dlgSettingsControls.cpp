// The Options dialog's controls and their layout.

#include "dlgSettings.h"

#include "LinkLabel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <QVBoxLayout>

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

} // namespace

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
    MakeLink(lblFindModelLink, [this] { OnFindModelLink(); });

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
