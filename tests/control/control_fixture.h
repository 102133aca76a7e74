#pragma once
// Shared set-up of the tests that look inside the control: controls created
// through the class factory as a host creates them, and calls by name on
// the control's dispatch layer.

#include "CSonarch2Ctrl.h"
#include "Dispatch.h"
#include "TypeLib.h"
#include "test_environment.h"

#include <memory>

// The library's exports, linked here with the control's objects.
extern "C" sonarch2::HRESULT DllGetClassObject(const char* request, sonarch2::IClassFactory** factory);
extern "C" sonarch2::HRESULT DllCanUnloadNow();

namespace control_test {

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
    sonarch2::IClassFactory* factory = nullptr;
    const std::string request = sonarch2::ClassObjectRequest(sonarch2::TypeLibIdentity::kClassId);
    if (DllGetClassObject(request.c_str(), &factory) != sonarch2::S_OK_ || !factory)
        return h;
    h.window = std::make_unique<QWidget>();
    h.window->resize(width, height);
    sonarch2::IControl* created = nullptr;
    if (factory->CreateInstance(h.window.get(), &created) != sonarch2::S_OK_ || !created)
        return h;
    h.control = qobject_cast<CSonarch2Ctrl*>(created->Widget());
    created->Release();  // the control keeps its own reference
    if (!h.control)
        return h;
    h.dispatch = h.control->Dispatch();
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
