#pragma once
// The audio processing window: hosts one editor control (ctlAudioEditor),
// created by class id and driven only through its dispatch interface, with
// a toolbar of file and edit commands, transport buttons, a progress bar and
// a time scale that follows the control's view. When it closes it hands the
// file last opened or saved in it to whoever listens to FileChosen.
//
// The window's code is split by job: frmAudioProcess.cpp builds it and
// handles the toolbar, transport and the control's events;
// frmAudioProcessFiles.cpp opens and saves files; frmAudioProcessRingtone.cpp
// makes ringtones and shows the loudness; frmAudioProcessClose.cpp decides
// what a close does while a call into the control is running.

#include "AudioProcessBusy.h"
#include "AudioProcessEditor.h"

#include <QMainWindow>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QTimer>

class CAudioProcessScale;
struct RingtoneChoice;
class QDialog;
class QFileDialog;
class QGroupBox;
class QLabel;
class QMessageBox;
class QProgressBar;
class QToolBar;

class frmAudioProcess : public QMainWindow
{
    Q_OBJECT

public:
    // The window deletes itself when it has closed.
    explicit frmAudioProcess(QWidget* parent = nullptr);
    ~frmAudioProcess() override;

    // The hosted control, or null when it could not be created (then
    // ControlError() says why and the window shows that in its place).
    QWidget* Editor() const { return ctlAudioEditor; }
    const QString& ControlError() const { return m_strControlError; }
    // Any property of the control by name, read through its interface; for
    // diagnostics and tests. Invalid when there is no such property.
    QVariant EditorProperty(const QString& name) { return m_calls.GetByName(name); }
    // Any method of the control by name, as the window's own calls run.
    QVariant EditorCall(const QString& name, const QVariantList& args = {}) { return m_calls.CallByName(name, args); }

    // dlgCommon's file name: the file last opened or saved through the dialog.
    const QString& CommonFileName() const { return m_strFileName; }
    bool IsPaused() const { return bPaused; }
    // True while a call into the control (or one of this window's own modal
    // dialogs) has not returned; a close waits for it.
    bool IsBusy() const { return m_busy.IsBusy(); }

    // Loads `fileName` with the format code of its extension; an empty name
    // or another extension loads nothing. True when the control loaded it.
    bool LoadByExtension(const QString& fileName);

signals:
    // On unload, when the window's file dialog holds a file name.
    void FileChosen(const QString& path);

public slots:
    void Play();
    void Pause();
    void Stop();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenus();
    void CreateToolbar();
    void CreateControls();
    void CreateEditor(QWidget* area);
    void FormLoad();

    void Open();
    void SaveAs();
    void SaveChosenFile(const QString& chosen, int code);
    bool ChooseFile(bool save, QString* chosenName);
    void ShowMessage(const QString& text);
    // A call that did nothing: says why, the player's activity or `otherwise`.
    void ShowFailure(const QString& whilePlaying, const QString& otherwise);

    void MakeRingtone();
    bool WriteRingtone(const RingtoneChoice& choice);
    QString SuggestedRingtoneName();
    // The loudness of the selection (or the document) is measured once the
    // window has been idle for a moment after an edit or a new selection.
    void LoudnessMayHaveChanged(bool edited);
    void UpdateLoudness();

    void OnControlEvent(int32_t event, const QVariantList& args);
    void ChangeView();

    void OnIdle();
    void Unload();

    // Open until a close is asked for; Closing while that close waits for
    // the window's busy steps to end; Unloaded once the control was closed
    // and the file handed over.
    enum class State { Open, Closing, Unloaded };

    CAudioProcessBusy m_busy;
    audioprocess::CAudioEditorCalls m_calls{m_busy};
    State m_state = State::Open;
    QString m_strControlError;
    QString m_strFileName;  // dlgCommon's file name; outlives each use of the dialog
    bool bPaused = false;

    QWidget* ctlAudioEditor = nullptr;
    QToolBar* tbrMenu = nullptr;
    QFileDialog* dlgCommon = nullptr;
    QPointer<QMessageBox> m_pMessage;
    QPointer<QDialog> m_pRingtoneDialog;
    QTimer m_loudnessTimer;
    bool m_bLoudnessStale = true;
    QPair<int32_t, int32_t> m_measuredSelection{-1, -1};
    QLabel* lblLoudness = nullptr;
    QProgressBar* pbrProgress = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* fraButtons = nullptr;
    CAudioProcessScale* m_pScale = nullptr;
};
