#pragma once
// Creates the editor control by class id, as a host does: the component
// registry names the library, the library's class factory makes the control.
// When the class is not registered yet, the library installed next to the
// program is registered first.

#include "ControlClient.h"

#include <QString>
#include <QStringList>

#include <memory>

class QWidget;

namespace sonarch2 {

class CControlHost {
public:
    // Creates the control of `classId` inside `parent`. On failure the
    // result is null and Error() says why. Log() tells what was done on the way.
    std::unique_ptr<CControlClient> Create(const QString& classId, QWidget* parent);
    // The class factory of `classId` (static in its library), or null.
    IClassFactory* ClassFactory(const QString& classId);

    const QString& Error() const { return m_error; }
    const QStringList& Log() const { return m_log; }

    // Where the program looks for libSonarch2.so when nothing is registered:
    // beside the executable, in ../lib, and in the build tree.
    static QString DefaultLibrary();
    // Loads `library` and runs its DllRegisterServer / DllUnregisterServer.
    static HRESULT RegisterLibrary(const QString& library, bool unregister, QString* error);

private:
    QString m_error;
    QStringList m_log;
};

}  // namespace sonarch2
