#pragma once
// Shared set-up of the control tests: a private configuration and runtime
// directory (the user's component registry is never touched), the sound
// server kept reachable, controls created through the class factory as a
// host creates them, test files made by sox, and calls by name.

#include "CSonarch2Ctrl.h"
#include "ComponentApi.h"
#include "Dispatch.h"
#include "TypeLib.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace control_test {

// The PulseAudio socket as a client with the present environment finds it:
// the runtime directory, or the link that the server leaves in the
// configuration directory when there is none.
inline QString FindPulseSocket()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/pulse/native")))
        return runtime + QStringLiteral("/pulse/native");
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    const QDir pulse(config + QStringLiteral("/pulse"));
    for (const QFileInfo& link : pulse.entryInfoList({QStringLiteral("*-runtime")}, QDir::AllEntries | QDir::System)) {
        const QString socket = link.canonicalFilePath() + QStringLiteral("/native");
        if (QFileInfo::exists(socket))
            return socket;
    }
    return QString();
}

// Constructed before QApplication.
class Environment {
public:
    Environment()
    {
        if (!qEnvironmentVariableIsSet("PULSE_SERVER")) {
            const QString socket = FindPulseSocket();
            if (!socket.isEmpty())
                qputenv("PULSE_SERVER", ("unix:" + socket).toLocal8Bit());
        }
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }
    QString ConfigDir() const { return m_config.path(); }
    QString RegistryFile() const { return m_config.path() + QStringLiteral("/VRT/Components.ini"); }

private:
    QTemporaryDir m_config;
    QTemporaryDir m_runtime;
};

inline Environment* g_pEnvironment = nullptr;

// Makes a sine file with sox; `frames` frames at 44100 Hz.
inline QString MakeTone(const QString& dir, const QString& name, int frames, int channels = 2,
                        const QString& extra = QString())
{
    const QString path = dir + QLatin1Char('/') + name;
    QStringList args{QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-n"), QStringLiteral("-c"),
                     QString::number(channels), QStringLiteral("-b"), QStringLiteral("16")};
    if (!extra.isEmpty())
        args << extra.split(QLatin1Char(' '));
    args << path << QStringLiteral("synth") << QStringLiteral("%1s").arg(frames) << QStringLiteral("sine")
         << QStringLiteral("440") << QStringLiteral("vol") << QStringLiteral("0.5");
    QProcess sox;
    sox.start(QStringLiteral("sox"), args);
    if (!sox.waitForFinished(20000) || sox.exitCode() != 0)
        return QString();
    return path;
}

// A control created by class id through the library's class factory, inside
// a shown 400 x 200 window, painted once so that the view has its bounds.
struct Hosted {
    std::unique_ptr<QWidget> window;
    QPointer<CSonarch2Ctrl> control;
    sonarch2::CDispatch* dispatch = nullptr;
};

inline Hosted CreateHosted(int width = 400, int height = 200)
{
    Hosted h;
    sonarch2::ISonarch2Factory* factory = nullptr;
    if (DllGetClassObject(sonarch2::TypeLibIdentity::kClassId, &factory) != sonarch2::S_OK_ || !factory)
        return h;
    h.window = std::make_unique<QWidget>();
    h.window->resize(width, height);
    QWidget* widget = factory->CreateInstance(h.window.get(), &h.dispatch);
    h.control = qobject_cast<CSonarch2Ctrl*>(widget);
    if (!h.control)
        return h;
    h.control->setGeometry(0, 0, width, height);
    h.window->show();
    if (!QTest::qWaitForWindowExposed(h.window.get()))
        h.control = nullptr;
    QCoreApplication::processEvents();
    return h;
}

inline sonarch2::InvokeResult Call(sonarch2::CDispatch* d, const QString& name, sonarch2::InvokeKind kind,
                                   const QVariantList& args = {})
{
    QVector<int32_t> ids;
    if (d->GetIDsOfNames({name}, &ids) != sonarch2::hr::Ok)
        return {sonarch2::hr::UnknownName, {}};
    return d->Invoke(ids.front(), kind, args);
}

inline QVariant Get(sonarch2::CDispatch* d, const QString& name)
{
    return Call(d, name, sonarch2::InvokeKind::PropertyGet).value;
}

inline uint32_t Put(sonarch2::CDispatch* d, const QString& name, const QVariant& value)
{
    return Call(d, name, sonarch2::InvokeKind::PropertyPut, {value}).hr;
}

inline QVariant Run(sonarch2::CDispatch* d, const QString& name, const QVariantList& args = {})
{
    return Call(d, name, sonarch2::InvokeKind::Method, args).value;
}

}  // namespace control_test

// Sets up the environment before QApplication, then runs the test object.
#define CONTROL_TEST_MAIN(TestObject)                     \
    int main(int argc, char** argv)                       \
    {                                                     \
        control_test::Environment environment;            \
        control_test::g_pEnvironment = &environment;      \
        QApplication app(argc, argv);                     \
        TestObject test;                                  \
        return QTest::qExec(&test, argc, argv);           \
    }
