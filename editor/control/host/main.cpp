// sonarch2-host: creates the editor control by class id and drives it with a
// script, through its dispatch interface only.
//
//   sonarch2-host [--events] [--size WxH] [SCRIPT | -]
//   sonarch2-host --register LIB | --unregister LIB | --typelib

#include "ControlHost.h"
#include "ModalBoxCloser.h"
#include "ScriptRunner.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace sonarch2;

namespace {

int Usage(QTextStream& err)
{
    err << "usage: sonarch2-host [--events] [--size WxH] [SCRIPT | -]\n"
           "       sonarch2-host --register LIB | --unregister LIB | --typelib"
        << Qt::endl;
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    // Without a display the host runs on the offscreen platform.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY") &&
        !qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = app.arguments().mid(1);
    bool events = false;
    int width = 400, height = 200;
    QString script;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--typelib")) {
            CControlHost host;
            IClassFactory* factory = host.ClassFactory(QLatin1String(TypeLibIdentity::kClassId));
            ITypeInfo* typeInfo = nullptr;
            if (!factory || factory->GetTypeInfo(&typeInfo) != S_OK_) {
                err << host.Error() << Qt::endl;
                return 1;
            }
            for (const QString& line : DescribeTypeLib(ReadTypeInfo(typeInfo)))
                out << line << Qt::endl;
            typeInfo->Release();
            return 0;
        }
        if (a == QLatin1String("--register") || a == QLatin1String("--unregister")) {
            if (i + 1 >= args.size())
                return Usage(err);
            QString error;
            const HRESULT hr = CControlHost::RegisterLibrary(args[i + 1], a == QLatin1String("--unregister"), &error);
            out << (a == QLatin1String("--register") ? "DllRegisterServer" : "DllUnregisterServer") << " = "
                << QString::asprintf("0x%08X", static_cast<uint32_t>(hr)) << Qt::endl;
            if (!error.isEmpty())
                err << error << Qt::endl;
            return hr == S_OK_ ? 0 : 1;
        }
        if (a == QLatin1String("--events")) {
            events = true;
        } else if (a == QLatin1String("--size")) {
            const QStringList wh = i + 1 < args.size() ? args[++i].split(QLatin1Char('x')) : QStringList();
            bool okW = false, okH = false;
            if (wh.size() == 2) {
                width = wh[0].toInt(&okW);
                height = wh[1].toInt(&okH);
            }
            if (!okW || !okH || width <= 0 || height <= 0)
                return Usage(err);
        } else if (a.startsWith(QLatin1String("--")) || !script.isEmpty()) {
            return Usage(err);
        } else {
            script = a;
        }
    }

    QFile file;
    const bool fromStdin = script.isEmpty() || script == QLatin1String("-");
    const bool opened = fromStdin ? file.open(stdin, QIODevice::ReadOnly) : (file.setFileName(script), file.open(QIODevice::ReadOnly));
    if (!opened) {
        err << "cannot read " << script << Qt::endl;
        return 1;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));

    QWidget window;
    window.resize(width, height);
    CControlHost host;
    const std::unique_ptr<CControlClient> control = host.Create(QLatin1String(TypeLibIdentity::kClassId), &window);
    if (!control) {
        err << host.Error() << Qt::endl;
        return 1;
    }
    for (const QString& line : host.Log())
        err << line << Qt::endl;
    control->Widget()->setGeometry(0, 0, width, height);
    window.show();
    QCoreApplication::processEvents();

    std::unique_ptr<CModalBoxCloser> closer;
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        closer = std::make_unique<CModalBoxCloser>(err);

    CScriptRunner runner(*control, out, events);
    const int result = runner.Run(lines, err);
    out.flush();
    return result;
}
