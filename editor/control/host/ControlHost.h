#pragma once
// Creates the editor control by class id, as a host does: the component
// registry names the library, the library's class factory makes the control.
// When the class is not registered yet, the library installed next to the
// program is registered first.

#include "Dispatch.h"
#include "Registration.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace sonarch2 {

class CControlHost {
public:
    // Creates the control of `classId` inside `parent`. On failure Widget()
    // is null and Error() says why. Log() tells what was done on the way.
    bool Create(const QString& classId, QWidget* parent);

    QWidget* Widget() const { return m_widget; }
    CDispatch* Dispatch() const { return m_dispatch; }
    const QString& Error() const { return m_error; }
    const QStringList& Log() const { return m_log; }

    // Where the program looks for libSonarch2.so when nothing is registered:
    // beside the executable, in ../lib, and in the build tree.
    static QString DefaultLibrary();
    // Loads `library` and runs its DllRegisterServer / DllUnregisterServer.
    static HRESULT RegisterLibrary(const QString& library, bool unregister, QString* error);

private:
    QWidget* m_widget = nullptr;
    CDispatch* m_dispatch = nullptr;
    QString m_error;
    QStringList m_log;
};

}  // namespace sonarch2
