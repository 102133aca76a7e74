// Text on the program's blue: every window draws its labels, frame titles,
// check boxes and menu titles in colours that reach a contrast of 4.5:1
// against what is really painted behind them. Measured on the rendered
// pixels, so that whatever colour role a widget or the style picks is what
// gets checked.

#include "ColourScheme.h"
#include "ProfileStore.h"
#include "dlgMakeRingtone.h"
#include "dlgSettings.h"
#include "frmAbout.h"
#include "frmAudioProcess.h"
#include "frmKTX.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QStyleOptionGroupBox>
#include <QStyleOptionSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

struct InkOnGround
{
    QString where;
    QColor ground;  // the most frequent colour of the text's area
    QColor ink;     // the pixel that stands out most from it
    double Ratio() const { return ContrastRatio(ink, ground); }
};

InkOnGround Measure(const QString& where, QWidget* widget, const QRect& area)
{
    const QImage image = widget->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb ground = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            ground = it.key();
        }
    InkOnGround result{where, QColor(ground), QColor(ground)};
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (ContrastRatio(QColor(it.key()), result.ground) > result.Ratio())
            result.ink = QColor(it.key());
    return result;
}

QRect GroupTitleArea(QGroupBox* box)
{
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.lineWidth = 1;
    option.textAlignment = box->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    return box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
}

template <typename Button>
QRect ButtonTextArea(Button* button, QStyle::SubElement element)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(element, &option, button);
}

// Every piece of text the window draws straight on a background of its own.
QList<InkOnGround> TextsOf(QWidget* window)
{
    QList<InkOnGround> texts;
    const auto shown = [window](QWidget* w) { return w->isVisibleTo(window) && w->width() > 0; };
    for (QLabel* label : window->findChildren<QLabel*>())
        if (shown(label) && !label->text().isEmpty())
            texts.append(Measure(label->objectName() + u' ' + label->text(), label, label->contentsRect()));
    for (QGroupBox* box : window->findChildren<QGroupBox*>())
        if (shown(box) && !box->title().isEmpty())
            texts.append(Measure(QStringLiteral("frame ") + box->title(), box, GroupTitleArea(box)));
    for (QCheckBox* box : window->findChildren<QCheckBox*>())
        if (shown(box))
            texts.append(Measure(box->objectName() + u' ' + box->text(), box,
                                 ButtonTextArea(box, QStyle::SE_CheckBoxContents)));
    for (QRadioButton* button : window->findChildren<QRadioButton*>())
        if (shown(button))
            texts.append(Measure(button->objectName() + u' ' + button->text(), button,
                                 ButtonTextArea(button, QStyle::SE_RadioButtonContents)));
    if (auto* main = qobject_cast<QMainWindow*>(window); main && main->menuWidget())
        for (QAction* menu : main->menuBar()->actions())
            texts.append(Measure(QStringLiteral("menu ") + menu->text(), main->menuBar(),
                                 main->menuBar()->actionGeometry(menu)));
    return texts;
}

// The arrows of spin boxes, drawn on their own buttons.
QList<InkOnGround> ArrowsOf(QWidget* window)
{
    QList<InkOnGround> arrows;
    for (QAbstractSpinBox* box : window->findChildren<QAbstractSpinBox*>()) {
        QStyleOptionSpinBox option;
        option.initFrom(box);
        option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame;
        option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
        option.buttonSymbols = box->buttonSymbols();
        const QRect up = box->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, box);
        // The middle of the button: the arrow, without the box's frame.
        QRect middle(0, 0, up.width() / 2 + 1, up.height() / 2 + 1);
        middle.moveCenter(up.center());
        arrows.append(Measure(box->objectName() + QStringLiteral(" up arrow"), box, middle));
    }
    return arrows;
}

} // namespace

class TestReadableText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void contrastRatio();
    void everyWindow_data();
    void everyWindow();

private:
    QTemporaryDir m_dir;
};

void TestReadableText::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QStandardPaths::setTestModeEnabled(true);
    const QString config = m_dir.filePath(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(config));
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    // With a profile, the main window starts on itself.
    QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("MobileNo"), QStringLiteral("447700900123")));
}

void TestReadableText::contrastRatio()
{
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    QCOMPARE(ContrastRatio(black, white), 21.0);
    QCOMPARE(ContrastRatio(white, black), 21.0);
    QCOMPARE(ContrastRatio(SchemeColour(), SchemeColour()), 1.0);
    // Black and red on the blue read badly; white and light yellow do not.
    QVERIFY(qAbs(ContrastRatio(black, SchemeColour()) - 3.42) < 0.01);
    QVERIFY(qAbs(ContrastRatio(QColor(255, 0, 0), SchemeColour()) - 1.53) < 0.01);
    QVERIFY(qAbs(ContrastRatio(white, SchemeColour()) - 6.13) < 0.01);
    QCOMPARE(ReadableTextOn(SchemeColour()), white);
    QCOMPARE(ReadableTextOn(QColor(240, 240, 200)), black);
    QVERIFY(ContrastRatio(VisitedLinkOn(SchemeColour()), SchemeColour()) >= 4.5);
    QVERIFY(ContrastRatio(VisitedLinkOn(white), white) >= 4.5);
}

void TestReadableText::everyWindow_data()
{
    using Make = std::function<std::unique_ptr<QWidget>()>;
    QTest::addColumn<Make>("make");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("main window") << Make([] {
        auto window = std::make_unique<frmKTX>();
        window->Start();
        window->findChild<QLabel*>(QStringLiteral("lblFeedBack"))->setText(QStringLiteral("Operation Successful"));
        return std::unique_ptr<QWidget>(std::move(window));
    }) << QStringList{"lblTiitle1 File Name", "lblFeedBack Operation Successful", "frame Send", "frame Preview",
                      "menu &File"};
    QTest::newRow("About box") << Make([] { return std::unique_ptr<QWidget>(new frmAbout); })
                               << QStringList{"lblVersion Version 3.0"};
    QTest::newRow("Options") << Make([] {
        return std::unique_ptr<QWidget>(new dlgSettings(nullptr, QStringLiteral(VRT_TEST_DATA_DIR)));
    }) << QStringList{"frame Profile", "lblFindModelLink Cant Find My Phone", "Label1 E-Mail"};
    QTest::newRow("Make Ringtone") << Make([] {
        auto dialog = std::make_unique<dlgMakeRingtone>();
        dialog->SetSelection(0, 45, 60);
        dialog->SetFileName(QStringLiteral("/tmp/tone"));
        QTest::keyClick(dialog->findChild<QComboBox*>(QStringLiteral("cboTarget")), Qt::Key_Down);
        return std::unique_ptr<QWidget>(std::move(dialog));
    }) << QStringList{"chkLoop Loop seamlessly on Android", "chkSnap Snap to zero crossings",
                      "lblStatus Longer than 30 seconds: many phones stop a ringtone there."};
    QTest::newRow("audio processing") << Make([] { return std::unique_ptr<QWidget>(new frmAudioProcess); })
                                      << QStringList{"menu &File"};
}

void TestReadableText::everyWindow()
{
    using Make = std::function<std::unique_ptr<QWidget>()>;
    QFETCH(Make, make);
    QFETCH(QStringList, expected);
    std::unique_ptr<QWidget> window = make();
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // The background stays the scheme's blue.
    QCOMPARE(window->palette().color(QPalette::Window), SchemeColour());

    const QList<InkOnGround> texts = TextsOf(window.get());
    QStringList seen;
    int onTheBlue = 0;
    for (const InkOnGround& text : texts) {
        seen.append(text.where);
        onTheBlue += text.ground == SchemeColour() ? 1 : 0;
        QVERIFY2(text.Ratio() >= 4.5, qPrintable(QStringLiteral("%1: %2 on %3 is %4:1")
                                                       .arg(text.where, text.ink.name(), text.ground.name())
                                                       .arg(text.Ratio(), 0, 'f', 2)));
    }
    // Arrows are no text, but they must not vanish either (3:1 for graphics).
    for (const InkOnGround& arrow : ArrowsOf(window.get()))
        QVERIFY2(arrow.Ratio() >= 3.0, qPrintable(QStringLiteral("%1: %2 on %3 is %4:1")
                                                        .arg(arrow.where, arrow.ink.name(), arrow.ground.name())
                                                        .arg(arrow.Ratio(), 0, 'f', 2)));
    for (const QString& name : expected)
        QVERIFY2(seen.contains(name), qPrintable(name + QStringLiteral(" not among ") + seen.join(u'|')));
    QVERIFY(onTheBlue > 0);
    window->close();
}

QTEST_MAIN(TestReadableText)
#include "test_readable_text.moc"
