#pragma once
// The Options dialog: edits the user's profile and stores it.
//
// It is built anew every time it is shown, so its lists are always read from
// CountryCodes.txt and MobileModels.txt as they are now. Shown modally from
// the main window's Options menu, or without modality at the first start
// (ShowSettingsAtFirstStart), when no profile exists yet.

#include "TextFiles.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class dlgSettings : public QDialog
{
    Q_OBJECT

public:
    // `mainWindow` is the owner; it is shown again once a profile is saved.
    // `dataFolder` holds the two list files; empty means the program's folder.
    explicit dlgSettings(QWidget* mainWindow = nullptr, const QString& dataFolder = QString());

    // The Full Number must be a non-empty run of decimal digits.
    static bool ValidatePhone(const QString& fullNumber);
    // An "@" from the second character on, and after it a "." from the
    // second character of the rest on.
    static bool ValidateEmail(const QString& email);

    // Removes leading zeros from the Mobile Number box and composes the Full
    // Number from the selected country's code and the box's text.
    void BuildFullNumber();

    // What Cancel does when no profile is stored: end the program. The
    // default exits the application's event loops.
    void SetEndProgram(std::function<void()> endProgram);

    qint32 SelectedCountryCode() const { return m_SelectedCountryCode; }
    qint32 CountryCode(int position) const;

signals:
    // A profile was saved and the dialog is closing.
    void profileSaved();

public slots:
    void reject() override; // Cancel, Escape and the window frame's close

private slots:
    void OnOK();
    void OnCountryChosen(int position);
    void OnFindModelLink();

private:
    // Building the controls (dlgSettingsControls.cpp).
    void CreateControls();

    // Lists, the Full Number and the profile between the store and the boxes
    // (dlgSettingsProfile.cpp).
    void LoadMobileModels();
    void LoadCountryCodes();
    void ParseCountryLine(const QString& line, int position);
    void ReadProfileIntoDialog();
    void ShowProfile();
    void ClearProfile();
    void SaveProfile();

    bool ConfirmSave();
    void Finish();
    QString DataFilePath(const QString& fileName) const;

    QPointer<QWidget> m_pMainWindow;
    QString m_strDataFolder;
    std::function<void()> m_fnEndProgram;

    std::array<qint32, kCountryTableSize> m_CountryCodeTable{};
    qint32 m_SelectedCountryCode = 0;
    qint16 m_nLastCountryIndex = 0;

    // Profile copies as read from the store.
    QString m_strName;
    QString m_strMobileNo;
    QString m_strEmail;
    QString m_strCreditCode;
    QString m_strMobileModel;
    QString m_strCountryName;

    QGroupBox* fraProfile = nullptr;
    QLineEdit* txtProfileName = nullptr;
    QComboBox* cboCountryCodes = nullptr;
    QLineEdit* txtMobileNo = nullptr;
    QLabel* lblMobileNo = nullptr;
    QLineEdit* txtEmail = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cboMobileModel = nullptr;
    QLabel* lblFindModelLink = nullptr;
    QLineEdit* txtCreditCode = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

// The first start: no profile is stored yet. Hides `mainWindow` and shows the
// Options dialog without modality; saving a profile brings the main window
// back, Cancel or closing the dialog ends the program. The dialog deletes
// itself when it closes.
dlgSettings* ShowSettingsAtFirstStart(QWidget* mainWindow);
