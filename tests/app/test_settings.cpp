// The Options dialog: lists, the Full Number, every validation message, the
// confirmation question, saving, Cancel and the first start.

#include "ProfileStore.h"
#include "dlgSettings.h"
#include "test_profile_modal.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString kConfirmText = QStringLiteral(
    "If phone number or email is incorrect, you will not receive ringtones. To Proceed press Yes, to edit the "
    "registration press No");

template <class T>
T* Child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

QString Stored(const char* name)
{
    QString value = QStringLiteral("<missing>");
    ReadRegistryValue(QString::fromLatin1(name), RegistryType::String, value);
    return value;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_store;
    std::unique_ptr<QTemporaryDir> m_data;
    int m_nEndProgram = 0;

    // A dialog on the test's data files, shown and active.
    std::unique_ptr<dlgSettings> Open(QWidget* mainWindow = nullptr, const QString& folder = QString())
    {
        auto dialog = std::make_unique<dlgSettings>(mainWindow, folder.isEmpty() ? m_data->path() : folder);
        dialog->SetEndProgram([this] { ++m_nEndProgram; });
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        if (!QTest::qWaitForWindowActive(dialog.get()))
            qWarning("dialog did not become active");
        return dialog;
    }

    static void Fill(dlgSettings& dialog, const QString& name, const QString& local, const QString& email,
                     const QString& credit)
    {
        Child<QLineEdit>(&dialog, "txtProfileName")->setText(name);
        Child<QLineEdit>(&dialog, "txtMobileNo")->clear();
        QTest::keyClicks(Child<QLineEdit>(&dialog, "txtMobileNo"), local);
        Child<QLineEdit>(&dialog, "txtEmail")->setText(email);
        Child<QLineEdit>(&dialog, "txtCreditCode")->setText(credit);
    }

    // The offscreen platform does not give activation back to the dialog when
    // a message box closes, so check the dialog's focus widget, then
    // activate the dialog and check the real focus.
    static bool HasFocusAfterBox(dlgSettings& dialog, QWidget* widget)
    {
        if (dialog.focusWidget() != widget)
            return false;
        QApplication::setActiveWindow(&dialog);
        return QTest::qWaitFor([widget] { return widget->hasFocus(); }, 2000);
    }

    static void ClickOK(dlgSettings& dialog) { QTest::mouseClick(Child<QPushButton>(&dialog, "OKButton"), Qt::LeftButton); }

    // Saves a profile through the dialog, answering Yes.
    void SaveProfile(const QString& local, int model = 0)
    {
        auto dialog = Open();
        Fill(*dialog, QStringLiteral("Ann"), local, QStringLiteral("ann@example.org"), QStringLiteral("CODE123"));
        Child<QComboBox>(dialog.get(), "cboMobileModel")->setCurrentIndex(model);
        ModalBoxAnswerer boxes({QMessageBox::Yes});
        ClickOK(*dialog);
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }

private slots:
    void init()
    {
        m_store = std::make_unique<QTemporaryDir>();
        m_data = std::make_unique<QTemporaryDir>();
        QVERIFY(m_store->isValid() && m_data->isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_store->path());
        QVERIFY(WriteFile(QDir(m_data->path()).filePath(QStringLiteral("CountryCodes.txt")),
                          "United Kingdom,44\r\nNo Code Land\r\nAtlantis,abc\r\nUnited States,1  \r\nTail,99"));
        QVERIFY(WriteFile(QDir(m_data->path()).filePath(QStringLiteral("MobileModels.txt")),
                          "Nokia 6230\r\nSiemens C65 \r\nSony Ericsson K750i\r\n"));
        m_nEndProgram = 0;
    }

    void loadsTheListsAndANewProfile()
    {
        auto dialog = Open();
        auto* countries = Child<QComboBox>(dialog.get(), "cboCountryCodes");
        QCOMPARE(countries->count(), 4);
        QCOMPARE(countries->itemText(0), QStringLiteral("United Kingdom"));
        QCOMPARE(countries->itemText(1), QStringLiteral("No Code Land"));
        QCOMPARE(countries->itemText(2), QStringLiteral("Atlantis"));
        QCOMPARE(countries->itemText(3), QStringLiteral("United States"));
        QCOMPARE(countries->currentIndex(), 0);
        QCOMPARE(dialog->CountryCode(0), 44);
        QCOMPARE(dialog->CountryCode(1), 0);
        QCOMPARE(dialog->CountryCode(2), 0);
        QCOMPARE(dialog->CountryCode(3), 1);
        QCOMPARE(dialog->SelectedCountryCode(), 44);

        auto* models = Child<QComboBox>(dialog.get(), "cboMobileModel");
        QCOMPARE(models->count(), 3);
        QCOMPARE(models->itemText(1), QStringLiteral("Siemens C65"));
        QCOMPARE(models->currentIndex(), 0);

        QCOMPARE(Child<QLineEdit>(dialog.get(), "txtProfileName")->text(), QString());
        QCOMPARE(Child<QLineEdit>(dialog.get(), "txtMobileNo")->text(), QString());
        QCOMPARE(Child<QLabel>(dialog.get(), "lblMobileNo")->text(), QString());
        QCOMPARE(Child<QLineEdit>(dialog.get(), "txtCreditCode")->text(), QStringLiteral("XXXXXXXXXX"));
    }

    void leadingZerosLeaveTheBox()
    {
        auto dialog = Open();
        auto* box = Child<QLineEdit>(dialog.get(), "txtMobileNo");
        auto* full = Child<QLabel>(dialog.get(), "lblMobileNo");
        QTest::keyClicks(box, QStringLiteral("007"));
        QCOMPARE(box->text(), QStringLiteral("7"));
        QCOMPARE(full->text(), QStringLiteral("447"));
        box->clear();
        QTest::keyClicks(box, QStringLiteral("0123"));
        QCOMPARE(box->text(), QStringLiteral("123"));
        QCOMPARE(full->text(), QStringLiteral("44123"));
        box->clear();
        QTest::keyClicks(box, QStringLiteral("000"));
        QCOMPARE(box->text(), QString());
        QCOMPARE(full->text(), QStringLiteral("44"));
        // A pasted number loses all its leading zeros at once.
        box->setText(QStringLiteral("00020"));
        QCOMPARE(box->text(), QStringLiteral("20"));
        QCOMPARE(full->text(), QStringLiteral("4420"));
    }

    void countryChoiceRebuildsTheNumber()
    {
        auto dialog = Open();
        auto* countries = Child<QComboBox>(dialog.get(), "cboCountryCodes");
        auto* full = Child<QLabel>(dialog.get(), "lblMobileNo");
        QTest::keyClicks(Child<QLineEdit>(dialog.get(), "txtMobileNo"), QStringLiteral("0123"));
        countries->setCurrentIndex(3);
        QCOMPARE(dialog->SelectedCountryCode(), 1);
        QCOMPARE(full->text(), QStringLiteral("1123"));
        countries->setCurrentIndex(1); // code 0: the local number alone
        QCOMPARE(full->text(), QStringLiteral("123"));
        countries->setCurrentIndex(2); // code that is not a number
        QCOMPARE(full->text(), QStringLiteral("123"));
        countries->setCurrentIndex(0);
        QCOMPARE(full->text(), QStringLiteral("44123"));
    }

    void missingListFiles()
    {
        QTemporaryDir empty;
        {
            auto dialog = Open(nullptr, empty.path());
            QCOMPARE(Child<QComboBox>(dialog.get(), "cboCountryCodes")->count(), 0);
            QCOMPARE(Child<QComboBox>(dialog.get(), "cboMobileModel")->count(), 0);
            QCOMPARE(dialog->SelectedCountryCode(), 0);
            Fill(*dialog, QString(), QStringLiteral("07700900123"), QStringLiteral("a@b.cd"), QStringLiteral("C"));
            QCOMPARE(Child<QLabel>(dialog.get(), "lblMobileNo")->text(), QStringLiteral("7700900123"));
            ModalBoxAnswerer boxes({QMessageBox::Yes});
            ClickOK(*dialog);
            QCOMPARE(boxes.seen.size(), 1);
        }
        QCOMPARE(Stored(ProfileValue::MobileNo), QStringLiteral("7700900123"));
        QCOMPARE(Stored(ProfileValue::MobileModel), QStringLiteral("-1"));
        // Reopened with a model list, "-1" selects no model.
        auto dialog = Open();
        QCOMPARE(Child<QComboBox>(dialog.get(), "cboMobileModel")->count(), 3);
        QCOMPARE(Child<QComboBox>(dialog.get(), "cboMobileModel")->currentIndex(), -1);
    }

    void malformedListFiles()
    {
        QTemporaryDir bad;
        // LF-only lines: the whole file is one unterminated piece, so no entries.
        QVERIFY(WriteFile(QDir(bad.path()).filePath(QStringLiteral("CountryCodes.txt")), "Spain,34\nFrance,33\n"));
        QVERIFY(WriteFile(QDir(bad.path()).filePath(QStringLiteral("MobileModels.txt")), QByteArray("\0\xff\r\n", 4)));
        auto dialog = Open(nullptr, bad.path());
        QCOMPARE(Child<QComboBox>(dialog.get(), "cboCountryCodes")->count(), 0);
        QCOMPARE(Child<QComboBox>(dialog.get(), "cboMobileModel")->count(), 1);
    }

    void fillAllFields_data()
    {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("credit");
        QTest::addColumn<int>("country");
        QTest::newRow("no number") << QString() << "a@b.cd" << "C" << 1;
        QTest::newRow("no e-mail") << "123" << QString() << "C" << 0;
        QTest::newRow("no credit code") << "123" << "a@b.cd" << QString() << 0;
    }

    void fillAllFields()
    {
        QFETCH(QString, local);
        QFETCH(QString, email);
        QFETCH(QString, credit);
        QFETCH(int, country);
        auto dialog = Open();
        Child<QComboBox>(dialog.get(), "cboCountryCodes")->setCurrentIndex(country);
        Fill(*dialog, QStringLiteral("Ann"), local, email, credit);
        ModalBoxAnswerer boxes;
        ClickOK(*dialog);
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Information);
        QCOMPARE(boxes.seen[0].title, ApplicationTitle());
        QCOMPARE(boxes.seen[0].text, QStringLiteral("Please fill all fields"));
        QCOMPARE(boxes.seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(dialog->isVisible());
        QVERIFY(!QFile::exists(ProfileStoreLocation()));
    }

    void emptyNameIsAllowed()
    {
        {
            auto dialog = Open();
            Fill(*dialog, QString(), QStringLiteral("123"), QStringLiteral("a@b.cd"), QStringLiteral("C"));
            ModalBoxAnswerer boxes({QMessageBox::Yes});
            ClickOK(*dialog);
            QCOMPARE(boxes.seen.size(), 1);
            QCOMPARE(boxes.seen[0].text, kConfirmText);
            QVERIFY(!dialog->isVisible());
        }
        QCOMPARE(Stored(ProfileValue::Name), QString());
        QCOMPARE(Stored(ProfileValue::MobileNo), QStringLiteral("44123"));
    }

    void invalidPhoneNumber()
    {
        auto dialog = Open();
        Fill(*dialog, QStringLiteral("Ann"), QStringLiteral("12a4"), QStringLiteral("a@b.cd"), QStringLiteral("C"));
        QCOMPARE(Child<QLabel>(dialog.get(), "lblMobileNo")->text(), QStringLiteral("4412a4"));
        ModalBoxAnswerer boxes;
        ClickOK(*dialog);
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Critical);
        QCOMPARE(boxes.seen[0].title, ApplicationTitle());
        QCOMPARE(boxes.seen[0].text, QStringLiteral("The Phone Number filed is invalid. Only numbers allowed"));
        auto* box = Child<QLineEdit>(dialog.get(), "txtMobileNo");
        QVERIFY(HasFocusAfterBox(*dialog, box));
        QCOMPARE(box->selectedText(), QStringLiteral("12a4"));
        QVERIFY(dialog->isVisible());
        QVERIFY(!QFile::exists(ProfileStoreLocation()));
    }

    void invalidEmail()
    {
        auto dialog = Open();
        Fill(*dialog, QStringLiteral("Ann"), QStringLiteral("123"), QStringLiteral("ann@example"), QStringLiteral("C"));
        ModalBoxAnswerer boxes;
        ClickOK(*dialog);
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Critical);
        QCOMPARE(boxes.seen[0].title, ApplicationTitle());
        QCOMPARE(boxes.seen[0].text, QStringLiteral("The E-Mial field is invalid."));
        auto* box = Child<QLineEdit>(dialog.get(), "txtEmail");
        QVERIFY(HasFocusAfterBox(*dialog, box));
        QCOMPARE(box->selectedText(), QStringLiteral("ann@example"));
        QVERIFY(!QFile::exists(ProfileStoreLocation()));
    }

    void validatePhone_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("valid");
        QTest::newRow("digits") << "447700900123" << true;
        QTest::newRow("one digit") << "7" << true;
        QTest::newRow("long run") << QString(200, QLatin1Char('9')) << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("letter") << "44a" << false;
        QTest::newRow("sign") << "+44" << false;
        QTest::newRow("blank") << "44 1" << false;
        QTest::newRow("decimal point") << "4.4" << false;
        QTest::newRow("other digits") << QStringLiteral("\u0664\u0665") << false;
    }

    void validatePhone()
    {
        QFETCH(QString, number);
        QFETCH(bool, valid);
        QCOMPARE(dlgSettings::ValidatePhone(number), valid);
    }

    void validateEmail_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "ann@example.org" << true;
        QTest::newRow("begins with its only @") << "@example.org" << false;
        QTest::newRow("no @") << "ann.example.org" << false;
        QTest::newRow("one character after @") << "ann@x" << false;
        QTest::newRow("only . first after @") << "ann@.org" << false;
        QTest::newRow(". second after @") << "ann@x.org" << true;
        QTest::newRow(". last") << "ann@xy." << true;
        QTest::newRow("no . after @") << "ann.b@example" << false;
        QTest::newRow("@ later after a leading @") << "@a@b.c" << true;
        QTest::newRow("empty") << QString() << false;
    }

    void validateEmail()
    {
        QFETCH(QString, email);
        QFETCH(bool, valid);
        QCOMPARE(dlgSettings::ValidateEmail(email), valid);
    }

    void confirmationNoKeepsTheDialogOpen()
    {
        auto dialog = Open();
        Fill(*dialog, QStringLiteral("Ann"), QStringLiteral("123"), QStringLiteral("a@b.cd"), QStringLiteral("C"));
        Child<QLineEdit>(dialog.get(), "txtEmail")->setFocus();
        ModalBoxAnswerer boxes({QMessageBox::No});
        ClickOK(*dialog);
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
        QCOMPARE(boxes.seen[0].title, QStringLiteral("Vanto Mobile"));
        QCOMPARE(boxes.seen[0].text, kConfirmText);
        QCOMPARE(boxes.seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(dialog->isVisible());
        QVERIFY(HasFocusAfterBox(*dialog, Child<QLineEdit>(dialog.get(), "txtProfileName")));
        QVERIFY(!QFile::exists(ProfileStoreLocation()));
    }

    void saveWritesTheProfileAndShowsTheMainWindow()
    {
        QWidget mainWindow;
        auto dialog = Open(&mainWindow);
        QVERIFY(!mainWindow.isVisible());
        QSignalSpy saved(dialog.get(), &dlgSettings::profileSaved);
        Fill(*dialog, QStringLiteral("Ann Smith"), QStringLiteral("07700 900"), QStringLiteral("ann@example.org"),
             QStringLiteral("K-42"));
        Child<QComboBox>(dialog.get(), "cboCountryCodes")->setCurrentIndex(3);
        Child<QLineEdit>(dialog.get(), "txtMobileNo")->setText(QStringLiteral("7700900123"));
        Child<QComboBox>(dialog.get(), "cboMobileModel")->setCurrentIndex(2);
        ModalBoxAnswerer boxes({QMessageBox::Yes});
        ClickOK(*dialog);
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(saved.count(), 1);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(mainWindow.isVisible());

        QCOMPARE(Stored(ProfileValue::Name), QStringLiteral("Ann Smith"));
        QCOMPARE(Stored(ProfileValue::MobileNo), QStringLiteral("17700900123"));
        QCOMPARE(Stored(ProfileValue::Email), QStringLiteral("ann@example.org"));
        QCOMPARE(Stored(ProfileValue::CreditCode), QStringLiteral("K-42"));
        QCOMPARE(Stored(ProfileValue::MobileModel), QStringLiteral("2"));
        QCOMPARE(Stored(ProfileValue::CountryName), QStringLiteral("0"));
        QSettings raw(ProfileStoreLocation(), QSettings::IniFormat);
        QCOMPARE(raw.allKeys().size(), 6);
    }

    void reopenShowsTheStoredProfile()
    {
        SaveProfile(QStringLiteral("0123"), 1);
        auto dialog = Open();
        QCOMPARE(Child<QLabel>(dialog.get(), "lblMobileNo")->text(), QStringLiteral("44123"));
        QCOMPARE(Child<QLineEdit>(dialog.get(), "txtMobileNo")->text(), QString());
        QCOMPARE(Child<QComboBox>(dialog.get(), "cboCountryCodes")->currentIndex(), 0);
        QCOMPARE(Child<QLineEdit>(dialog.get(), "txtProfileName")->text(), QStringLiteral("Ann"));
        QCOMPARE(Child<QLineEdit>(dialog.get(), "txtEmail")->text(), QStringLiteral("ann@example.org"));
        auto* credit = Child<QLineEdit>(dialog.get(), "txtCreditCode");
        QCOMPARE(credit->text(), QStringLiteral("CODE123"));
        QCOMPARE(credit->selectedText(), QStringLiteral("CODE123"));
        QTRY_VERIFY(credit->hasFocus()); // ready to be typed over
        QCOMPARE(Child<QComboBox>(dialog.get(), "cboMobileModel")->currentIndex(), 1);
    }

    void saveOverAnExistingProfile()
    {
        SaveProfile(QStringLiteral("0123"));
        {
            auto dialog = Open();
            Child<QLineEdit>(dialog.get(), "txtEmail")->setText(QStringLiteral("new@example.org"));
            ModalBoxAnswerer boxes({QMessageBox::Yes});
            ClickOK(*dialog);
            QCOMPARE(boxes.seen.size(), 1); // only the question: every write succeeded
        }
        QCOMPARE(Stored(ProfileValue::Email), QStringLiteral("new@example.org"));
        QCOMPARE(Stored(ProfileValue::MobileNo), QStringLiteral("44123"));
    }

    void storedValueOutOfRangeSelectsNoModel()
    {
        QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("MobileNo"), QStringLiteral("44123")));
        QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("MobileModel"), QStringLiteral("7")));
        auto dialog = Open();
        QCOMPARE(Child<QComboBox>(dialog.get(), "cboMobileModel")->currentIndex(), -1);
        // Missing values leave the boxes empty.
        QCOMPARE(Child<QLineEdit>(dialog.get(), "txtEmail")->text(), QString());
        QCOMPARE(Child<QLineEdit>(dialog.get(), "txtCreditCode")->text(), QString());
    }

    void boxesTakeNoMoreThanTheStoreCanReadBack()
    {
        {
            auto dialog = Open();
            Fill(*dialog, QString(), QString(300, QLatin1Char('5')), QStringLiteral("a@b.cd"), QString());
            QTest::keyClicks(Child<QLineEdit>(dialog.get(), "txtProfileName"), QString(300, QLatin1Char('N')));
            QTest::keyClicks(Child<QLineEdit>(dialog.get(), "txtCreditCode"), QString(300, QLatin1Char('C')));
            QCOMPARE(Child<QLineEdit>(dialog.get(), "txtProfileName")->text().size(), 255);
            QVERIFY(Child<QLabel>(dialog.get(), "lblMobileNo")->text().size() <= 255);
            ModalBoxAnswerer boxes({QMessageBox::Yes});
            ClickOK(*dialog);
        }
        QCOMPARE(Stored(ProfileValue::Name), QString(255, QLatin1Char('N')));
        QCOMPARE(Stored(ProfileValue::CreditCode), QString(255, QLatin1Char('C')));
        QCOMPARE(Stored(ProfileValue::MobileNo), QStringLiteral("44") + QString(240, QLatin1Char('5')));
    }

    void lengthIsCountedInStoredBytes()
    {
        {
            auto dialog = Open();
            Fill(*dialog, QString(), QStringLiteral("1"), QStringLiteral("a@b.cd"), QStringLiteral("C"));
            auto* name = Child<QLineEdit>(dialog.get(), "txtProfileName");
            for (int i = 0; i < 200; ++i) // two bytes each
                QTest::sendKeyEvent(QTest::Click, name, Qt::Key_Eacute, QString(QChar(0xE9)), Qt::NoModifier);
            QCOMPARE(name->text(), QString(127, QChar(0xE9)));
            QTest::keyClicks(name, QStringLiteral("z"));
            QCOMPARE(name->text().toUtf8().size(), 255);
            ModalBoxAnswerer boxes({QMessageBox::Yes});
            ClickOK(*dialog);
        }
        QCOMPARE(Stored(ProfileValue::Name), QString(127, QChar(0xE9)) + QStringLiteral("z"));
    }

    void failedWritesAreEachReportedAndTheDialogCloses()
    {
        // The store's file cannot be written: it is a folder. "MobileNo"
        // cannot be read, so every value goes through CreateRegistryValue.
        QVERIFY(QDir(m_store->path()).mkdir(QStringLiteral("VRT.ini")));
        QWidget mainWindow;
        auto dialog = Open(&mainWindow);
        Fill(*dialog, QStringLiteral("Ann"), QStringLiteral("123"), QStringLiteral("a@b.cd"), QStringLiteral("C"));
        ModalBoxAnswerer boxes({QMessageBox::Yes});
        ClickOK(*dialog);
        QCOMPARE(boxes.seen.size(), 7);
        const QStringList order = {"Name", "MobileNo", "Email", "CreditCode", "MobileModel", "CountryName"};
        for (int i = 0; i < order.size(); ++i) {
            QCOMPARE(boxes.seen[i + 1].text, QStringLiteral("Error Creating Registry Key Entry:\r\nKey=%1\r\nDLL Returned=1")
                                                 .arg(order[i]));
        }
        QVERIFY(!dialog->isVisible());
        QVERIFY(mainWindow.isVisible());
    }

    void cancelWithoutAProfileEndsTheProgram()
    {
        auto dialog = Open();
        Fill(*dialog, QStringLiteral("Ann"), QStringLiteral("123"), QStringLiteral("a@b.cd"), QStringLiteral("C"));
        QTest::mouseClick(Child<QPushButton>(dialog.get(), "CancelButton"), Qt::LeftButton);
        QCOMPARE(m_nEndProgram, 1);
        QVERIFY(!dialog->isVisible());
        QVERIFY(!QFile::exists(ProfileStoreLocation()));
    }

    void cancelWithAProfileSavesNothing()
    {
        SaveProfile(QStringLiteral("123"));
        auto dialog = Open();
        Child<QLineEdit>(dialog.get(), "txtEmail")->setText(QStringLiteral("other@example.org"));
        QTest::mouseClick(Child<QPushButton>(dialog.get(), "CancelButton"), Qt::LeftButton);
        QCOMPARE(m_nEndProgram, 0);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(Stored(ProfileValue::Email), QStringLiteral("ann@example.org"));
    }

    void closingTheWindowIsCancel()
    {
        auto dialog = Open();
        QVERIFY(dialog->close());
        QCOMPARE(m_nEndProgram, 1);
        auto again = Open();
        QTest::keyClick(again.get(), Qt::Key_Escape);
        QCOMPARE(m_nEndProgram, 2);
        QVERIFY(!again->isVisible());
    }

    void firstStartSaves()
    {
        QWidget mainWindow;
        mainWindow.show();
        QPointer<dlgSettings> dialog = ShowSettingsAtFirstStart(&mainWindow);
        QVERIFY(dialog);
        QVERIFY(!mainWindow.isVisible());
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        dialog->SetEndProgram([this] { ++m_nEndProgram; });
        Fill(*dialog, QStringLiteral("Bo"), QStringLiteral("0612345678"), QStringLiteral("bo@example.org"),
             QStringLiteral("XXXXXXXXXX"));
        ModalBoxAnswerer boxes({QMessageBox::Yes});
        ClickOK(*dialog);
        QCOMPARE(boxes.seen.size(), 1);
        QVERIFY(mainWindow.isVisible());
        QTRY_VERIFY(dialog.isNull()); // unloaded
        QCOMPARE(m_nEndProgram, 0);
        // No list files beside the test program: the local number alone.
        QCOMPARE(Stored(ProfileValue::MobileNo), QStringLiteral("612345678"));
    }

    void firstStartCancelEndsTheProgram()
    {
        QWidget mainWindow;
        mainWindow.show();
        QPointer<dlgSettings> dialog = ShowSettingsAtFirstStart(&mainWindow);
        dialog->SetEndProgram([this] { ++m_nEndProgram; });
        QTest::mouseClick(Child<QPushButton>(dialog, "CancelButton"), Qt::LeftButton);
        QCOMPARE(m_nEndProgram, 1);
        QVERIFY(!mainWindow.isVisible());
        QTRY_VERIFY(dialog.isNull());
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
