#pragma once
// The program's main window: pick a file, preview it, start the sound
// recorder, edit the profile, and send the file as a ringtone.

#include "AppConfig.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>
#include <QStringList>

class CRingtoneUploader;
class ElidedLabel;
class QAction;
class QAudioOutput;
class QFileDialog;
class QGroupBox;
class QLabel;
class QMediaPlayer;
class QPushButton;
class QSlider;
class QTime;

class frmKTX : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmKTX(QWidget* parent = nullptr);
    ~frmKTX() override;

    // The start-up sequence: colours, link cursor, profile. Shows the window,
    // or, when no profile is stored yet, the Options dialog in its place.
    void Start();

    // Makes `path` the file that is sent next (label and Open dialog's file
    // name), as the audio processing window does when it closes.
    void SetChosenFile(const QString& path);

    // The extension the ringtone is sent with: from the first "." among the
    // path's last five characters; all five when they hold no ".".
    static QString FileExtensionOf(const QString& path);
    // "MyTone" followed by the minutes and seconds of `now`.
    static QString SuggestedRingtoneName(const QTime& now);
    // The Open dialog's filter, as name filters.
    static QStringList OpenDialogFilters();

    CRingtoneUploader& Uploader() { return *m_pUploader; }
    const AppConfig& Config() const { return m_config; }

public slots:
    void Open();
    void RecordSound();
    void AudioEdit();
    void Options();
    void About();
    void OnlineHelp();
    void Buy();
    void VisitHomePage();
    void Upload();
    void CancelUpload();
    void Exit();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    static constexpr char kMessageTitle[] = "Vanto Mobile";

    void CreateMenus();
    void CreateControls();
    QWidget* CreatePreviewControls();
    void LoadProfile();
    QString PromptRingtoneName();
    bool ReadRingtoneFile();
    void SendRingtone();
    void OpenWebPage(const QString& address);
    void ShowFileName(const QString& path);
    void Preview(const QString& path);
    void SetIdleButtons();
    void UpdatePreviewPosition();

    AppConfig m_config;
    CRingtoneUploader* m_pUploader;

    // Profile copies.
    QString m_strMobileNo;
    QString m_strEmail;
    QString m_strCreditCode;
    QString m_strMobileModel;
    QString m_strCountryName;

    // The ringtone being sent.
    QString m_strFileName;
    QString m_strFileLength;
    QByteArray m_body;

    // The Open dialog's current file name; the source of the extension. The
    // file itself is the one lblFileName shows.
    QString m_strOpenFileName;

    QAction* actOpen = nullptr;
    QAction* actExit = nullptr;
    QAction* actAudioEdit = nullptr;
    QAction* actRecordSound = nullptr;
    QAction* actOptions = nullptr;
    QAction* actOnlineHelp = nullptr;
    QAction* actAbout = nullptr;

    QLabel* lblTiitle1 = nullptr;
    ElidedLabel* lblFileName = nullptr;
    QGroupBox* Frame1 = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdUpload = nullptr;
    QPushButton* cmdCancelUpload = nullptr;
    QLabel* lblFeedBack = nullptr;
    QGroupBox* Frame2 = nullptr;
    QPushButton* cmdSoundProcess = nullptr;
    QPushButton* cmdRecord = nullptr;
    QGroupBox* Frame4 = nullptr;
    QMediaPlayer* mpKTX = nullptr;
    QAudioOutput* m_pAudioOutput = nullptr;
    QPushButton* cmdPlay = nullptr;
    QPushButton* cmdPause = nullptr;
    QPushButton* cmdStop = nullptr;
    QSlider* sldPosition = nullptr;
    QLabel* lblPosition = nullptr;
    QGroupBox* Frame5 = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* Frame6 = nullptr;
    QPushButton* cmdBuy = nullptr;
    QFileDialog* dlgOpenFile = nullptr;
};
