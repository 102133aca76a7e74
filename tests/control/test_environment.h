#pragma once
// The environment of the control and host tests: a private configuration and
// runtime directory (the user's component registry is never touched), the
// sound server kept reachable, and test files made by sox. Nothing of the
// library's insides is included here.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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
