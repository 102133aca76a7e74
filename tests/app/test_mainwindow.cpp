// The main window on the offscreen platform: its controls, the Open dialog,
// web links, the recorder, and the whole send command against a real HTTP
// server on 127.0.0.1.

#include "AppConfig.h"
#include "ColourScheme.h"
#include "LoopbackHttpServer.h"
#include "ModalAnswer.h"
#include "ProfileStore.h"
#include "Upload.h"
#include "dlgSettings.h"
#include "frmAbout.h"
#include "frmKTX.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <functional>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QString kCancelled = QStringLiteral("Uploading Canceled By The User");
const QString kConnectionError = QStringLiteral(
    "Connection error, please make sure your Internet connection is active or buy a credit code");

// Runs `check` repeatedly while the window is busy until it returns true.
class WhileBusy
{
public:
    explicit WhileBusy(std::function<bool()> check)
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this, check] {
            if (check()) {
                m_poll.stop();
                m_done = true;
            }
        });
        m_poll.start(10);
    }
    bool Done() const { return m_done; }

private:
    QTimer m_poll;
    bool m_done = false;
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int Count() const { return m_count; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_count;
        return false;
    }

private:
    int m_count = 0;
};

// Types `text` key by key into whatever has the keyboard in `window`.
void TypeText(QWindow* window, const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

// A click that takes the way of a real one: through the window system to the
// window, where an open popup would get it first.
void ClickAsUser(QWidget* widget)
{
    QWidget* window = widget->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, widget->mapTo(window, widget->rect().center()));
}

// One second of a tone in the format the name's extension says, made by ffmpeg.
bool MakeSound(const QString& path)
{
    QStringList arguments{"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=1"};
    if (path.endsWith(QStringLiteral(".m4r"), Qt::CaseInsensitive))
        arguments << "-c:a" << "aac" << "-f" << "ipod";
    arguments << path;
    return QProcess::execute(QStringLiteral("ffmpeg"), arguments) == 0;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

public slots:
    // Web pages land here instead of in a browser.
    void openUrl(const QUrl& url) { m_openedUrls.append(url); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void startWithoutProfileShowsOptionsInstead();
    void controlsMenusAndCaptions();
    void aboutBox();
    void optionsDialogIsModal();
    void fileExtensionOf_data();
    void fileExtensionOf();
    void suggestedRingtoneName();
    void openDialogFilterAndCancel();
    void openByTypingThePath_data();
    void openByTypingThePath();
    void longPathKeepsTheFileNameInSight();
    void webLinks();
    void soundRecorderMissingIsSaid();
    void soundRecorderIsStarted();

    void sendWithoutFileSaysSo();
    void sendCommandGoesThroughItsStates();
    void cancelInTheNamePromptSendsNothing_data();
    void cancelInTheNamePromptSendsNothing();
    void cancelSendingAbortsTheRequest();
    void answersReachTheFeedbackLabel_data();
    void answersReachTheFeedbackLabel();
    void silentServerGivesConnectionError();
    void unreadableFileIsNotSent_data();
    void unreadableFileIsNotSent();
    void controlCharacterInProfileIsNotSent();
    void unconvertibleModelIsNotSent();
    void exitClosesEveryWindowAndEndsTheProgram();
    void exitWhileSendingAbortsTheRequest();

private:
    void StoreProfile(const QString& creditCode = QStringLiteral("CODE123456"),
                      const QString& mobileModel = QStringLiteral("0"));
    void ClearProfile();
    QString WriteFile(const QString& name, const QByteArray& bytes);
    // Presses Send and answers the name prompt with `name` (nullopt: Cancel).
    void SendAs(frmKTX& window, const std::optional<QString>& name);

    template <typename T>
    static T* Child(const QObject& parent, const char* name)
    {
        return parent.findChild<T*>(QString::fromLatin1(name));
    }

    QTemporaryDir m_dir;
    LoopbackHttpServer m_server;
    std::unique_ptr<frmKTX> m_window;
    QList<QUrl> m_openedUrls;
};

void TestMainWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    const QString config = m_dir.filePath(QStringLiteral("config"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QVERIFY(m_server.isListening());
    qputenv(kEnvUploadAddress, m_server.BaseAddress().toLatin1());
    qputenv(kEnvHomePage, "http://www.maker.example");
    qputenv(kEnvHelpPage, "http://www.maker.example/help");
    qputenv(kEnvBuyPage, "http://www.maker.example/buy");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
}

void TestMainWindow::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

void TestMainWindow::init()
{
    m_server.AnswerWith(200);
    m_openedUrls.clear();
    StoreProfile();
    m_window = std::make_unique<frmKTX>();
}

void TestMainWindow::cleanup()
{
    m_window.reset();
}

void TestMainWindow::StoreProfile(const QString& creditCode, const QString& mobileModel)
{
    QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("Name"), QStringLiteral("Ann")));
    QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("MobileNo"), QStringLiteral("447700900123")));
    QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("Email"), QStringLiteral("ann@example.org")));
    QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("CreditCode"), creditCode));
    QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("MobileModel"), mobileModel));
    QVERIFY(CreateRegistryValue(RegistryType::String, QStringLiteral("CountryName"), QStringLiteral("0")));
}

void TestMainWindow::ClearProfile()
{
    QFile::remove(ProfileStoreLocation());
    QString mobileNo;
    QVERIFY(!ReadRegistryValue(QStringLiteral("MobileNo"), RegistryType::String, mobileNo));
}

QString TestMainWindow::WriteFile(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void TestMainWindow::SendAs(frmKTX& window, const std::optional<QString>& name)
{
    ModalAnswer<QInputDialog> prompt([name](QInputDialog* dialog) {
        if (!name) {
            dialog->reject();
            return;
        }
        dialog->setTextValue(*name);
        dialog->accept();
    });
    Child<QPushButton>(window, "cmdUpload")->click();
    QVERIFY(prompt.Seen());
}

void TestMainWindow::startWithoutProfileShowsOptionsInstead()
{
    ClearProfile();
    frmKTX window;
    window.Start();
    QVERIFY(!window.isVisible());
    auto* options = window.findChild<dlgSettings*>();
    QVERIFY(options);
    QVERIFY(options->isVisible());
    QVERIFY(!options->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr); // start-up does not block
    options->SetEndProgram([] {});
    delete options;
}

void TestMainWindow::controlsMenusAndCaptions()
{
    frmKTX& w = *m_window;
    w.Start();
    QVERIFY(w.isVisible());
    QCOMPARE(w.windowTitle(), QStringLiteral("Vanto Mobile Ringtones \u2013 Polyphonic and Real Tone Creator"));

    const QList<QPair<const char*, QString>> buttons = {
        {"cmdOpen", "Open"}, {"cmdUpload", "Send"}, {"cmdCancelUpload", "Cancel Sending"},
        {"cmdSoundProcess", "Audio Edit"}, {"cmdRecord", "Sound Recorder"}, {"cmdBuy", "Buy"},
        {"cmdPlay", "Play"}, {"cmdPause", "Pause"}, {"cmdStop", "Stop"},
    };
    for (const auto& [name, caption] : buttons) {
        auto* button = Child<QPushButton>(w, name);
        QVERIFY2(button, name);
        QCOMPARE(button->text(), caption);
        QVERIFY2(button->isVisible(), name);
    }
    const QList<QPair<const char*, const char*>> placement = {
        {"cmdOpen", "Frame1"}, {"cmdUpload", "Frame1"}, {"cmdCancelUpload", "Frame1"}, {"lblFeedBack", "Frame1"},
        {"cmdSoundProcess", "Frame2"}, {"cmdRecord", "Frame2"}, {"cmdPlay", "Frame4"},
        {"Label1", "Frame5"}, {"cmdBuy", "Frame6"},
    };
    for (const auto& [control, frame] : placement) {
        auto* parentFrame = Child<QGroupBox>(w, frame);
        QVERIFY2(parentFrame, frame);
        QVERIFY2(parentFrame->findChild<QWidget*>(QString::fromLatin1(control)), control);
    }
    QCOMPARE(Child<QLabel>(w, "lblTiitle1")->text(), QStringLiteral("File Name"));
    QCOMPARE(Child<QLabel>(w, "lblFileName")->text(), QString());
    QCOMPARE(Child<QLabel>(w, "lblFeedBack")->text(), QString());
    QCOMPARE(Child<QLabel>(w, "Label1")->text(), QStringLiteral("Visit http://www.maker.example"));
    QVERIFY(Child<QMediaPlayer>(w, "mpKTX"));
    QVERIFY(Child<QFileDialog>(w, "dlgOpenFile"));

    // Idle state.
    QVERIFY(Child<QPushButton>(w, "cmdUpload")->isEnabled());
    QVERIFY(!Child<QPushButton>(w, "cmdCancelUpload")->isEnabled());

    // Menus, with their items and separators in order.
    const QList<QAction*> menus = w.menuBar()->actions();
    QCOMPARE(menus.size(), 3);
    const QStringList titles = {"&File", "&Tools", "&Help"};
    const QList<QStringList> items = {
        {"Open:&Open", "-", "Exit:&Exit"},
        {"AudioEdit:&Audio Edit", "rcdsnd:&Record Sound", "-", "Options:&Options"},
        {"Online_Help:&Online Help", "-", "About:&About Vanto Mobile"},
    };
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(menus.at(i)->text(), titles.at(i));
        QStringList got;
        for (QAction* item : menus.at(i)->menu()->actions())
            got.append(item->isSeparator() ? QStringLiteral("-") : item->objectName() + u':' + item->text());
        QCOMPARE(got, items.at(i));
    }

    // Audio Edit is always offered: the audio processing window itself says
    // when the editor component cannot be loaded.
    QVERIFY(w.findChild<QAction*>(QStringLiteral("AudioEdit"))->isEnabled());
    QVERIFY(Child<QPushButton>(w, "cmdSoundProcess")->isEnabled());

    // One background colour for the window and its frames.
    const QColor scheme(62, 69, 249);
    QCOMPARE(w.palette().color(w.backgroundRole()), scheme);
    for (const char* frame : {"Frame1", "Frame2", "Frame4", "Frame5", "Frame6"}) {
        auto* f = Child<QGroupBox>(w, frame);
        QCOMPARE(f->palette().color(f->backgroundRole()), scheme);
    }
    QVERIFY(Child<QLabel>(w, "Label1")->testAttribute(Qt::WA_SetCursor));
}

void TestMainWindow::aboutBox()
{
    ModalAnswer<frmAbout> about([](frmAbout* box) {
        QCOMPARE(box->windowTitle(), QStringLiteral("Vanto Mobile Ringtone - About"));
        QCOMPARE(box->findChild<QLabel*>(QStringLiteral("lblTitle"))->text(),
                 QStringLiteral("Vanto Mobile Ringtone \u2013 Polyphonic and Real Tone Creator."));
        QCOMPARE(box->findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 3.0"));
        QVERIFY(!box->findChild<QLabel*>(QStringLiteral("lblDescription"))->text().isEmpty());
        QCOMPARE(box->palette().color(box->backgroundRole()), QColor(62, 69, 249));
        box->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    m_window->findChild<QAction*>(QStringLiteral("About"))->trigger();
    QVERIFY(about.Seen());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void TestMainWindow::optionsDialogIsModal()
{
    m_window->Start();
    ModalAnswer<dlgSettings> options([this](dlgSettings* dialog) {
        QCOMPARE(dialog->parentWidget(), m_window.get());
        QVERIFY(dialog->isModal());
        dialog->reject(); // a profile is stored: Cancel only closes
    });
    m_window->findChild<QAction*>(QStringLiteral("Options"))->trigger();
    QVERIFY(options.Seen());
}

void TestMainWindow::fileExtensionOf_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::newRow("wav") << "/home/ann/song.wav" << ".wav";
    QTest::newRow("four letters") << "/music/clip.mpeg" << ".mpeg";
    QTest::newRow("first dot of the five") << "/x/a.b.c" << ".b.c";
    QTest::newRow("no dot in the last five") << "/x/abcdefgh" << "defgh";
    QTest::newRow("five letters after the dot") << "/x/tone.abcde" << "abcde";
    QTest::newRow("short") << "a.mp" << ".mp";
    QTest::newRow("empty") << "" << "";
}

void TestMainWindow::fileExtensionOf()
{
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QCOMPARE(frmKTX::FileExtensionOf(path), extension);
}

void TestMainWindow::suggestedRingtoneName()
{
    QCOMPARE(frmKTX::SuggestedRingtoneName(QTime(14, 5, 9)), QStringLiteral("MyTone0509"));
    QCOMPARE(frmKTX::SuggestedRingtoneName(QTime(0, 59, 59)), QStringLiteral("MyTone5959"));
    QCOMPARE(frmKTX::SuggestedRingtoneName(QTime(23, 0, 0)).size(), 10);
}

void TestMainWindow::openDialogFilterAndCancel()
{
    QCOMPARE(frmKTX::OpenDialogFilters(),
             QStringList({"All Supported Files (*.wav *.mp3 *.m4a *.m4r *.mid *.cda)", "Wave File (*.wav)",
                          "MP3 (*.mp3)", "AAC Audio (*.m4a)", "iPhone Ringtone (*.m4r)", "Midi File (*.mid)",
                          "CD Audio (*.cda)"}));
    ModalAnswer<QFileDialog> open([](QFileDialog* dialog) {
        QCOMPARE(dialog->objectName(), QStringLiteral("dlgOpenFile"));
        QCOMPARE(dialog->nameFilters(), frmKTX::OpenDialogFilters());
        dialog->reject();
    });
    Child<QPushButton>(*m_window, "cmdOpen")->click();
    QVERIFY(open.Seen());
    QCOMPARE(Child<QLabel>(*m_window, "lblFileName")->text(), QString());

    // With nothing chosen, Send says so.
    ModalAnswer<QMessageBox> message([](QMessageBox* box) {
        QCOMPARE(box->text(), QStringLiteral("No file to upload"));
        box->accept();
    });
    Child<QPushButton>(*m_window, "cmdUpload")->click();
    QVERIFY(message.Seen());
}

void TestMainWindow::openByTypingThePath_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::newRow("wav") << "chosen.wav" << ".wav";
    QTest::newRow("m4a") << "song.m4a" << ".m4a";
    QTest::newRow("upper-case m4r") << "TONE.M4R" << ".M4R";
}

void TestMainWindow::openByTypingThePath()
{
    QFETCH(QString, name);
    QFETCH(QString, extension);
    const QString path = m_dir.filePath(name);
    QVERIFY2(MakeSound(path), qPrintable(path));
    frmKTX& w = *m_window;
    w.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    bool offered = false;
    ModalAnswer<QFileDialog> open([&](QFileDialog* dialog) {
        [&] {
            QCOMPARE(dialog->objectName(), QStringLiteral("dlgOpenFile"));
            auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(nameBox);
            QTRY_VERIFY(nameBox->hasFocus());
            TypeText(dialog->windowHandle(), path);
            // The dialog's completion list offers the file: the filter lets it through.
            QTRY_VERIFY(nameBox->completer()->popup()->isVisible());
            offered = true;
            QTest::keyClick(dialog->windowHandle(), Qt::Key_Return);
        }();
        if (!offered)
            dialog->reject();
    });
    ClickAsUser(Child<QPushButton>(w, "cmdOpen"));
    QTRY_VERIFY(open.Seen());
    QTRY_VERIFY(!Child<QFileDialog>(w, "dlgOpenFile")->isVisible());
    QVERIFY(offered);
    QCOMPARE(Child<QLabel>(w, "lblFileName")->toolTip(), path);
    QCOMPARE(frmKTX::FileExtensionOf(path), extension);

    // The preview reads it.
    auto* player = Child<QMediaPlayer>(w, "mpKTX");
    QCOMPARE(player->source(), QUrl::fromLocalFile(path));
    QTRY_VERIFY_WITH_TIMEOUT(player->duration() > 500, 20000);
    QCOMPARE(player->error(), QMediaPlayer::NoError);
    Child<QPushButton>(w, "cmdStop")->click();

    // Nothing is left on screen to swallow the next click: it reaches Send.
    ModalAnswer<QInputDialog> prompt([](QInputDialog* dialog) { dialog->reject(); });
    ClickAsUser(Child<QPushButton>(w, "cmdUpload"));
    QTRY_VERIFY(prompt.Seen());
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
    QCOMPARE(Child<QLabel>(w, "lblFeedBack")->text(), kCancelled);

    // Cancel in the dialog keeps the choice.
    ModalAnswer<QFileDialog> cancel([](QFileDialog* dialog) { dialog->reject(); });
    Child<QPushButton>(w, "cmdOpen")->click();
    QVERIFY(cancel.Seen());
    QCOMPARE(Child<QLabel>(w, "lblFileName")->toolTip(), path);
}

void TestMainWindow::longPathKeepsTheFileNameInSight()
{
    frmKTX& w = *m_window;
    auto* label = Child<QLabel>(w, "lblFileName");
    const QString path = QStringLiteral("/home/ann/") + QStringLiteral("a long folder name/").repeated(12)
        + QStringLiteral("my ringtone.wav");
    // Not on screen yet, the label has no width to shorten the path to.
    w.SetChosenFile(path);
    QCOMPARE(label->text(), path);

    w.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QString shown = label->text();
    QVERIFY2(shown != path && shown.contains(QChar(0x2026)), qPrintable(shown));
    QVERIFY2(shown.startsWith(QStringLiteral("/home/")) && shown.endsWith(QStringLiteral("my ringtone.wav")),
             qPrintable(shown));
    QVERIFY(label->fontMetrics().horizontalAdvance(shown) <= label->contentsRect().width());
    QCOMPARE(label->toolTip(), path);

    // A wider window shows more of it; a short path is shown whole.
    w.resize(w.width() + 300, w.height());
    QTRY_VERIFY(label->text().size() > shown.size());
    w.SetChosenFile(QStringLiteral("/tmp/a.wav"));
    QCOMPARE(label->text(), QStringLiteral("/tmp/a.wav"));
}

void TestMainWindow::webLinks()
{
    m_window->findChild<QAction*>(QStringLiteral("Online_Help"))->trigger();
    Child<QPushButton>(*m_window, "cmdBuy")->click();
    auto* label1 = Child<QLabel>(*m_window, "Label1");
    m_window->Start();
    const QColor unvisited = label1->palette().color(QPalette::WindowText);
    QTest::mouseClick(label1, Qt::LeftButton);
    QCOMPARE(m_openedUrls, QList<QUrl>({QUrl("http://www.maker.example/help"), QUrl("http://www.maker.example/buy"),
                                        QUrl("http://www.maker.example")}));
    // A clicked link changes colour and stays readable on the blue.
    const QColor visited = label1->palette().color(QPalette::WindowText);
    QVERIFY(visited != unvisited);
    QCOMPARE(visited, VisitedLinkOn(SchemeColour()));
    QVERIFY(ContrastRatio(visited, label1->palette().color(QPalette::Window)) >= 4.5);
}

void TestMainWindow::soundRecorderMissingIsSaid()
{
    qputenv(kEnvRecorderCommand, "no-such-sound-recorder-here --record");
    frmKTX window;
    qunsetenv(kEnvRecorderCommand);
    ModalAnswer<QMessageBox> message([](QMessageBox* box) {
        QVERIFY(box->text().startsWith(QStringLiteral("No sound recorder is installed")));
        QVERIFY(box->text().contains(QStringLiteral("no-such-sound-recorder-here")));
        box->accept();
    });
    Child<QPushButton>(window, "cmdRecord")->click();
    QVERIFY(message.Seen());
}

void TestMainWindow::soundRecorderIsStarted()
{
    const QString marker = m_dir.filePath(QStringLiteral("recorder-ran"));
    const QString script = WriteFile(QStringLiteral("recorder.sh"), "#!/bin/sh\necho \"$1\" > \"$2\"\n");
    QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv(kEnvRecorderCommand, QStringLiteral("\"%1\" started \"%2\"").arg(script, marker).toUtf8());
    frmKTX window;
    qunsetenv(kEnvRecorderCommand);
    window.findChild<QAction*>(QStringLiteral("rcdsnd"))->trigger();
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    const auto written = [&marker] {
        QFile result(marker);
        return result.open(QIODevice::ReadOnly) ? result.readAll() : QByteArray();
    };
    QTRY_COMPARE(written(), QByteArray("started\n"));
}

void TestMainWindow::sendWithoutFileSaysSo()
{
    ModalAnswer<QMessageBox> message([](QMessageBox* box) {
        QCOMPARE(box->windowTitle(), QStringLiteral("Vanto Mobile"));
        QCOMPARE(box->text(), QStringLiteral("No file to upload"));
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
        box->accept();
    });
    const int before = m_server.Connections();
    Child<QPushButton>(*m_window, "cmdUpload")->click();
    QVERIFY(message.Seen());
    QCOMPARE(m_server.Connections(), before);
    QVERIFY(Child<QPushButton>(*m_window, "cmdUpload")->isEnabled());
}

void TestMainWindow::sendCommandGoesThroughItsStates()
{
    frmKTX& w = *m_window;
    w.Start();
    QByteArray bytes(9000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i % 251);
    const QString path = WriteFile(QStringLiteral("song.wav"), bytes);
    w.SetChosenFile(path);
    QCOMPARE(Child<QLabel>(w, "lblFileName")->toolTip(), path);
    Child<QLabel>(w, "lblFeedBack")->setText(QStringLiteral("earlier outcome"));

    auto* upload = Child<QPushButton>(w, "cmdUpload");
    auto* cancel = Child<QPushButton>(w, "cmdCancelUpload");
    auto* feedback = Child<QLabel>(w, "lblFeedBack");

    // The profile is read at send time: change it after the window started.
    StoreProfile(QStringLiteral("FRESHCODE1"));
    m_server.NeverAnswer();
    const qsizetype before = m_server.Requests().size();

    bool promptChecked = false;
    ModalAnswer<QInputDialog> prompt([&](QInputDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Ringtone Name"));
        QCOMPARE(dialog->labelText(),
                 QStringLiteral("Enter ringtone name. Please dont use spaces, dots or invalid characters.\n\n"
                                "WARNING: Large ringtones may not arrive or work with your phone. Please send "
                                "ringtones smaller than 10 KB."));
        QVERIFY(QRegularExpression(QStringLiteral("^MyTone[0-5][0-9][0-5][0-9]$"))
                    .match(dialog->textValue()).hasMatch());
        // Name prompt open.
        QVERIFY(upload->isEnabled());
        QVERIFY(cancel->isEnabled());
        QCOMPARE(feedback->text(), QString());
        promptChecked = true;
        dialog->setTextValue(QStringLiteral("ring"));
        dialog->accept();
    });
    // Reading and sending: the window keeps painting meanwhile. Once the
    // request is at the server, ask for a repaint of the feedback label and
    // answer only after the label has really been painted.
    bool sendingChecked = false;
    int paintsWhileSending = -1;
    PaintCounter paints(feedback);
    WhileBusy sending([&] {
        if (m_server.Requests().size() == before)
            return false;
        if (paintsWhileSending < 0) {
            sendingChecked = !upload->isEnabled() && cancel->isEnabled()
                && feedback->text() == QStringLiteral("Sending Data");
            paintsWhileSending = paints.Count();
            feedback->update();
            return false;
        }
        if (paints.Count() == paintsWhileSending)
            return false;
        m_server.AnswerWaiting(200);
        return true;
    });
    upload->click();
    QVERIFY(promptChecked);
    QVERIFY(sending.Done());
    QVERIFY(sendingChecked);

    // Idle again, with the outcome.
    QCOMPARE(feedback->text(), QStringLiteral("Operation Successful"));
    QVERIFY(upload->isEnabled());
    QVERIFY(!cancel->isEnabled());

    QCOMPARE(m_server.Requests().size(), before + 1);
    const RecordedRequest& request = m_server.Requests().constLast();
    QCOMPARE(request.requestLine, QByteArray("POST /ktx-pro/ZodiZedere.do HTTP/1.1"));
    QCOMPARE(request.header("CreditCode"), std::optional<QByteArray>("FRESHCODE1"));
    QCOMPARE(request.header("MobileNo"), std::optional<QByteArray>("447700900123"));
    QCOMPARE(request.header("MobileModel"), std::optional<QByteArray>(ModelNameAt(0).toUtf8()));
    QCOMPARE(request.header("CountryName"), std::optional<QByteArray>("None"));
    QCOMPARE(request.header("Email"), std::optional<QByteArray>("ann@example.org"));
    QCOMPARE(request.header("FileName"), std::optional<QByteArray>("ring.wav"));
    QCOMPARE(request.header("FileLength"), std::optional<QByteArray>("9000"));
    QCOMPARE(request.body, bytes);
}

void TestMainWindow::cancelInTheNamePromptSendsNothing_data()
{
    QTest::addColumn<bool>("pressCancel");
    QTest::newRow("Cancel") << true;
    QTest::newRow("empty name") << false;
}

void TestMainWindow::cancelInTheNamePromptSendsNothing()
{
    QFETCH(bool, pressCancel);
    m_window->SetChosenFile(WriteFile(QStringLiteral("a.wav"), "RIFF"));
    const int before = m_server.Connections();
    SendAs(*m_window, pressCancel ? std::nullopt : std::optional<QString>(QString()));
    QCOMPARE(Child<QLabel>(*m_window, "lblFeedBack")->text(), kCancelled);
    QVERIFY(Child<QPushButton>(*m_window, "cmdUpload")->isEnabled());
    QVERIFY(!Child<QPushButton>(*m_window, "cmdCancelUpload")->isEnabled());
    QTest::qWait(50);
    QCOMPARE(m_server.Connections(), before);
}

void TestMainWindow::cancelSendingAbortsTheRequest()
{
    frmKTX& w = *m_window;
    w.Start();
    w.SetChosenFile(WriteFile(QStringLiteral("b.mp3"), QByteArray(5000, 'b')));
    m_server.NeverAnswer();
    const qsizetype before = m_server.Requests().size();
    const int disconnectionsBefore = m_server.Disconnections();
    WhileBusy clickCancel([&] {
        if (m_server.Requests().size() == before)
            return false;
        QTest::mouseClick(Child<QPushButton>(w, "cmdCancelUpload"), Qt::LeftButton);
        return true;
    });
    QElapsedTimer clock;
    clock.start();
    SendAs(w, QStringLiteral("tone"));
    QVERIFY(clickCancel.Done());
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(Child<QLabel>(w, "lblFeedBack")->text(), kCancelled);
    QVERIFY(Child<QPushButton>(w, "cmdUpload")->isEnabled());
    QVERIFY(!Child<QPushButton>(w, "cmdCancelUpload")->isEnabled());
    QVERIFY(!w.Uploader().IsSending());
    QCOMPARE(m_server.Requests().constLast().header("FileName"), std::optional<QByteArray>("tone.mp3"));
    // The connection really was dropped.
    QTRY_COMPARE(m_server.Disconnections(), disconnectionsBefore + 1);
}

void TestMainWindow::answersReachTheFeedbackLabel_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("200") << 200 << QByteArray() << "Operation Successful";
    QTest::newRow("400 CREDITCODE") << 400 << QByteArray("CREDITCODE")
                                    << "Invalid Credit Code, Please get credit code from http://www.maker.example";
    QTest::newRow("400 BALANCE") << 400 << QByteArray("BALANCE")
                                 << "Your balance is zero. To send the ringtone to your phone, please buy a Credit "
                                    "Code from http://www.maker.example/buy or press Buy button";
    QTest::newRow("400 balance keeps Sending Data") << 400 << QByteArray("balance") << "Sending Data";
    QTest::newRow("400 without ERROR") << 400 << QByteArray() << kConnectionError;
    QTest::newRow("500") << 500 << QByteArray() << kConnectionError;
}

void TestMainWindow::answersReachTheFeedbackLabel()
{
    QFETCH(int, status);
    QFETCH(QByteArray, error);
    QFETCH(QString, text);
    m_server.AnswerWith(status, error.isEmpty() ? std::nullopt : std::optional<QByteArray>(error));
    m_window->SetChosenFile(WriteFile(QStringLiteral("c.wav"), "RIFF0000WAVE"));
    const qsizetype before = m_server.Requests().size();
    SendAs(*m_window, QStringLiteral("tone"));
    QCOMPARE(m_server.Requests().size(), before + 1);
    QCOMPARE(Child<QLabel>(*m_window, "lblFeedBack")->text(), text);
    QVERIFY(Child<QPushButton>(*m_window, "cmdUpload")->isEnabled());
    QVERIFY(!Child<QPushButton>(*m_window, "cmdCancelUpload")->isEnabled());
}

void TestMainWindow::silentServerGivesConnectionError()
{
    m_server.NeverAnswer();
    m_window->Uploader().SetTransferTimeout(300ms);
    m_window->SetChosenFile(WriteFile(QStringLiteral("d.wav"), "RIFF"));
    QElapsedTimer clock;
    clock.start();
    SendAs(*m_window, QStringLiteral("tone"));
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(Child<QLabel>(*m_window, "lblFeedBack")->text(), kConnectionError);
    QVERIFY(Child<QPushButton>(*m_window, "cmdUpload")->isEnabled());
}

void TestMainWindow::unreadableFileIsNotSent_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("gone.wav"));
    QTest::newRow("a folder") << m_dir.path();
}

void TestMainWindow::unreadableFileIsNotSent()
{
    QFETCH(QString, path);
    m_window->SetChosenFile(path);
    const int before = m_server.Connections();
    SendAs(*m_window, QStringLiteral("tone"));
    const QString text = Child<QLabel>(*m_window, "lblFeedBack")->text();
    QVERIFY2(text.startsWith(QStringLiteral("Not sent: the file ")) && text.contains(path), qPrintable(text));
    QVERIFY(Child<QPushButton>(*m_window, "cmdUpload")->isEnabled());
    QVERIFY(!Child<QPushButton>(*m_window, "cmdCancelUpload")->isEnabled());
    QTest::qWait(50);
    QCOMPARE(m_server.Connections(), before);
}

void TestMainWindow::controlCharacterInProfileIsNotSent()
{
    StoreProfile(QStringLiteral("CODE\r\nInjected: 1"));
    QString stored;
    QVERIFY(ReadRegistryValue(QStringLiteral("CreditCode"), RegistryType::String, stored));
    QCOMPARE(stored, QStringLiteral("CODE\r\nInjected: 1"));
    m_window->SetChosenFile(WriteFile(QStringLiteral("e.wav"), "RIFF"));
    const int before = m_server.Connections();
    SendAs(*m_window, QStringLiteral("tone"));
    QCOMPARE(Child<QLabel>(*m_window, "lblFeedBack")->text(), ControlCharacterText("CreditCode"));
    QVERIFY(Child<QPushButton>(*m_window, "cmdUpload")->isEnabled());
    QTest::qWait(50);
    QCOMPARE(m_server.Connections(), before);

    // The ringtone name is checked the same way.
    StoreProfile();
    SendAs(*m_window, QStringLiteral("to\tne"));
    QCOMPARE(Child<QLabel>(*m_window, "lblFeedBack")->text(), ControlCharacterText("FileName"));
    QCOMPARE(m_server.Connections(), before);
}

void TestMainWindow::unconvertibleModelIsNotSent()
{
    StoreProfile(QStringLiteral("CODE123456"), QStringLiteral("Nokia"));
    m_window->SetChosenFile(WriteFile(QStringLiteral("f.wav"), "RIFF"));
    const int before = m_server.Connections();
    SendAs(*m_window, QStringLiteral("tone"));
    QCOMPARE(Child<QLabel>(*m_window, "lblFeedBack")->text(), kConnectionError);
    QTest::qWait(50);
    QCOMPARE(m_server.Connections(), before);
}

void TestMainWindow::exitClosesEveryWindowAndEndsTheProgram()
{
    m_window->Start();
    QWidget other;
    other.show();
    QTimer::singleShot(0, this, [this] { m_window->findChild<QAction*>(QStringLiteral("Exit"))->trigger(); });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [] { QApplication::exit(99); });
    guard.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!m_window->isVisible());
    QVERIFY(!other.isVisible());
}

void TestMainWindow::exitWhileSendingAbortsTheRequest()
{
    m_window->Start();
    m_window->SetChosenFile(WriteFile(QStringLiteral("g.wav"), "RIFF"));
    m_server.NeverAnswer();
    const qsizetype before = m_server.Requests().size();
    const int disconnectionsBefore = m_server.Disconnections();
    bool sendReturned = false;
    QTimer::singleShot(0, this, [&] {
        SendAs(*m_window, QStringLiteral("tone"));
        sendReturned = true;
    });
    WhileBusy exitWhenSent([&] {
        if (m_server.Requests().size() == before)
            return false;
        m_window->findChild<QAction*>(QStringLiteral("Exit"))->trigger();
        return true;
    });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [] { QApplication::exit(99); });
    guard.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(exitWhenSent.Done());
    QVERIFY(sendReturned);
    QVERIFY(!m_window->Uploader().IsSending());
    QTRY_COMPARE(m_server.Disconnections(), disconnectionsBefore + 1);
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
