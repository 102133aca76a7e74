// The Make Ringtone dialog on the offscreen platform: times typed by the
// user, the targets' length limits, the OK button's state, the file name's
// extension and the values the dialog hands back.

#include "ModalAnswer.h"
#include "dlgMakeRingtone.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestMakeRingtone : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void selectionFillsTheTimes();
    void typedTimes_data();
    void typedTimes();
    void tooLongForAnIPhoneIsNotAccepted();
    void choiceHandedBack_data();
    void choiceHandedBack();
    void browseKeepsTheTargetsExtension();

private:
    template <typename T>
    T* Child(const char* name) const
    {
        return m_dialog->findChild<T*>(QString::fromLatin1(name));
    }
    QPushButton* OkButton() const { return Child<QDialogButtonBox>("buttons")->button(QDialogButtonBox::Ok); }
    // Replaces a box's text by typing, as a user does.
    static void Retype(QWidget* box, const QString& text)
    {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    // Clicks a check box where its box is drawn.
    static void Tick(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }
    // Picks the target by keyboard from the first entry down.
    void ChooseTarget(int index) const
    {
        auto* targets = Child<QComboBox>("cboTarget");
        targets->setFocus();
        QTest::keyClick(targets, Qt::Key_Home);
        for (int i = 0; i < index; ++i)
            QTest::keyClick(targets, Qt::Key_Down);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<dlgMakeRingtone> m_dialog;
};

void TestMakeRingtone::init()
{
    QVERIFY(m_dir.isValid());
    m_dialog = std::make_unique<dlgMakeRingtone>();
    m_dialog->SetSelection(0, 10, 60);
    m_dialog->SetFileName(m_dir.filePath(QStringLiteral("tone.wav")));
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
}

void TestMakeRingtone::cleanup()
{
    m_dialog.reset();
}

void TestMakeRingtone::selectionFillsTheTimes()
{
    QCOMPARE(Child<QLineEdit>("txtFileName")->text(), m_dir.filePath(QStringLiteral("tone.m4r")));
    m_dialog->SetSelection(5.25, 30.0, 60);
    QCOMPARE(Child<QLineEdit>("txtStart")->text(), QStringLiteral("00:05.250"));
    QCOMPARE(Child<QLineEdit>("txtEnd")->text(), QStringLiteral("00:30.000"));
    QCOMPARE(Child<QLabel>("lblLength")->text(), QStringLiteral("24.750 s (at most 40 s)"));
    m_dialog->SetSelection(61.5, 125.0, 600);
    QCOMPARE(Child<QLineEdit>("txtStart")->text(), QStringLiteral("01:01.500"));
    QCOMPARE(Child<QLineEdit>("txtEnd")->text(), QStringLiteral("02:05.000"));
    QVERIFY(!OkButton()->isEnabled());  // 63.5 s is too long for an iPhone
}

void TestMakeRingtone::typedTimes_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("ok");
    QTest::newRow("iPhone, 25 s") << 0 << "00:05.000" << "00:30.000" << "25.000 s (at most 40 s)" << "" << true;
    QTest::newRow("iPhone, just 40 s") << 0 << "0:10" << "0:50.000" << "40.000 s (at most 40 s)" << "" << true;
    QTest::newRow("iPhone, 40.001 s") << 0 << "00:10.000" << "00:50.001" << "40.001 s (at most 40 s)"
                                      << "An iPhone ringtone can be at most 40 seconds long." << false;
    QTest::newRow("MP3, 45 s warns") << 2 << "00:00.000" << "00:45.000" << "45.000 s (30 s advised)"
                                     << "Longer than 30 seconds: many phones stop a ringtone there." << true;
    QTest::newRow("Android, 30 s") << 1 << "00:15" << "00:45" << "30.000 s (30 s advised)" << "" << true;
    QTest::newRow("tenths") << 3 << "0:52.5" << "1:00" << "7.500 s (30 s advised)" << "" << true;
    QTest::newRow("past the sound's end") << 3 << "0:52.5" << "1:00.001" << "7.501 s (30 s advised)"
                                          << "The sound ends at 01:00.000." << false;
    QTest::newRow("end before start") << 4 << "00:20.000" << "00:10.000" << "none"
                                      << "The end must come after the start." << false;
    QTest::newRow("end typed halfway") << 4 << "00:05.000" << "00:3" << "none" << "Type the end as mm:ss.mmm."
                                       << false;
    QTest::newRow("letters are not taken") << 4 << "0a0:0b5.x25" << "00:09.5" << "4.250 s (30 s advised)" << ""
                                           << true;
}

void TestMakeRingtone::typedTimes()
{
    QFETCH(int, target);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, length);
    QFETCH(QString, status);
    QFETCH(bool, ok);
    ChooseTarget(target);
    Retype(Child<QLineEdit>("txtStart"), start);
    Retype(Child<QLineEdit>("txtEnd"), end);
    QCOMPARE(Child<QLabel>("lblLength")->text(), length);
    QCOMPARE(Child<QLabel>("lblStatus")->text(), status);
    QCOMPARE(OkButton()->isEnabled(), ok);
}

void TestMakeRingtone::tooLongForAnIPhoneIsNotAccepted()
{
    Retype(Child<QLineEdit>("txtStart"), QStringLiteral("00:01.000"));
    Retype(Child<QLineEdit>("txtEnd"), QStringLiteral("00:42.000"));
    QTest::keyClick(Child<QLineEdit>("txtEnd"), Qt::Key_Return);
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));

    // The same range as an MP3 is allowed, with a warning; the name follows.
    ChooseTarget(2);
    QVERIFY(OkButton()->isEnabled());
    QVERIFY(!Child<QLabel>("lblStatus")->text().isEmpty());
    QCOMPARE(Child<QLineEdit>("txtFileName")->text(), m_dir.filePath(QStringLiteral("tone.mp3")));

    // Fades longer than the ringtone are refused too.
    Retype(Child<QLineEdit>("txtEnd"), QStringLiteral("00:08.000"));
    Retype(Child<QDoubleSpinBox>("spnFadeIn"), QStringLiteral("4"));
    Retype(Child<QDoubleSpinBox>("spnFadeOut"), QStringLiteral("4"));
    QCOMPARE(Child<QLabel>("lblStatus")->text(), QStringLiteral("The fades are longer than the ringtone."));
    QVERIFY(!OkButton()->isEnabled());
}

void TestMakeRingtone::choiceHandedBack_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("formatCode");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("loop");
    QTest::addColumn<int>("curve");
    QTest::addColumn<bool>("normalise");
    QTest::newRow("iPhone") << 0 << 7 << "m4r" << false << 0 << true;
    QTest::newRow("Android, looped") << 1 << 2 << "ogg" << true << 1 << true;
    QTest::newRow("MP3") << 2 << 1 << "mp3" << false << 2 << false;
    QTest::newRow("M4A") << 3 << 6 << "m4a" << false << 3 << true;
    QTest::newRow("WAV") << 4 << 4 << "wav" << false << 0 << false;
}

void TestMakeRingtone::choiceHandedBack()
{
    QFETCH(int, target);
    QFETCH(int, formatCode);
    QFETCH(QString, extension);
    QFETCH(bool, loop);
    QFETCH(int, curve);
    QFETCH(bool, normalise);
    ChooseTarget(target);
    QCOMPARE(Child<QCheckBox>("chkLoop")->isEnabled(), target == 1);
    if (loop)
        Tick(Child<QCheckBox>("chkLoop"));
    Retype(Child<QLineEdit>("txtStart"), QStringLiteral("00:02.125"));
    Retype(Child<QLineEdit>("txtEnd"), QStringLiteral("00:27.000"));
    Retype(Child<QDoubleSpinBox>("spnFadeIn"), QStringLiteral("1.5"));
    Retype(Child<QDoubleSpinBox>("spnFadeOut"), QStringLiteral("2"));
    auto* curves = Child<QComboBox>("cboFadeCurve");
    curves->setFocus();
    for (int i = 0; i < curve; ++i)
        QTest::keyClick(curves, Qt::Key_Down);
    if (!normalise)
        Tick(Child<QCheckBox>("chkNormalise"));
    QCOMPARE(Child<QDoubleSpinBox>("spnLufs")->isEnabled(), normalise);
    Tick(Child<QCheckBox>("chkSnap"));
    Retype(Child<QLineEdit>("txtFileName"), m_dir.filePath(QStringLiteral("ring")));

    QTest::mouseClick(OkButton(), Qt::LeftButton);
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    const RingtoneChoice c = m_dialog->Choice();
    QCOMPARE(c.formatCode, formatCode);
    QCOMPARE(c.oggLoop, loop);
    QCOMPARE(c.beginSeconds, 2.125);
    QCOMPARE(c.endSeconds, 27.0);
    QCOMPARE(c.LengthSeconds(), 24.875);
    QCOMPARE(c.fadeInSeconds, 1.5);
    QCOMPARE(c.fadeOutSeconds, 2.0);
    QCOMPARE(c.fadeCurve, curve);
    QCOMPARE(c.normalise, normalise);
    QCOMPARE(c.targetLufs, -16.0);
    QCOMPARE(c.truePeakDb, -1.0);
    QCOMPARE(c.TargetLufsArgument(), normalise ? -16.0 : 0.0);
    QVERIFY(c.snapToZero);
    QCOMPARE(c.fileName, m_dir.filePath(QStringLiteral("ring.") + extension));
}

void TestMakeRingtone::browseKeepsTheTargetsExtension()
{
    bool typed = false;
    ModalAnswer<QFileDialog> save([&](QFileDialog* dialog) {
        [&] {
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("iPhone ringtone (.m4r) (*.m4r)")});
            auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(nameBox);
            Retype(nameBox, QStringLiteral("bell.wav"));
            typed = true;
            QTest::keyClick(nameBox, Qt::Key_Return);
        }();
        if (!typed)
            dialog->reject();
    });
    QTest::mouseClick(Child<QPushButton>("cmdBrowse"), Qt::LeftButton);
    QVERIFY(save.Seen());
    QVERIFY(typed);
    QCOMPARE(Child<QLineEdit>("txtFileName")->text(), m_dir.filePath(QStringLiteral("bell.m4r")));
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
}

QTEST_MAIN(TestMakeRingtone)
#include "test_makeringtone.moc"
