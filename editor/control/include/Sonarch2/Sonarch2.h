#pragma once
// Everything a host needs to create and drive the Sonarch2 editor control.
// The library implements the abstract interfaces below; a host holds only
// interface pointers that it got from DllGetClassObject, reaches members by
// DISPID (ask GetIDsOfNames, or list them with GetTypeInfo) and receives the
// events through an IEventSink. No implementation detail crosses this line.

#include <cstdint>
#include <string>

class QWidget;

namespace sonarch2 {

using HRESULT = int32_t;
constexpr HRESULT S_OK_ = 0;
constexpr HRESULT S_FALSE_ = 1;
constexpr HRESULT SELFREG_E_TYPELIB = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT E_NOINTERFACE_ = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER_ = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_INVALIDARG_ = static_cast<HRESULT>(0x80070057u);

// Results of GetIDsOfNames and Invoke.
namespace hr {
constexpr uint32_t Ok = 0x00000000u;
constexpr uint32_t MemberNotFound = 0x80020003u;   // DISP_E_MEMBERNOTFOUND
constexpr uint32_t TypeMismatch = 0x80020005u;     // DISP_E_TYPEMISMATCH
constexpr uint32_t UnknownName = 0x80020006u;      // DISP_E_UNKNOWNNAME
constexpr uint32_t BadParamCount = 0x8002000Eu;    // DISP_E_BADPARAMCOUNT
constexpr uint32_t Overflow = 0x8002000Au;         // DISP_E_OVERFLOW
constexpr uint32_t SetNotSupported = 0x800A017Fu;  // CTL_E_SETNOTSUPPORTED
constexpr uint32_t GetNotSupported = 0x800A018Au;  // CTL_E_GETNOTSUPPORTED
constexpr uint32_t Exception = 0x80020009u;        // DISP_E_EXCEPTION
constexpr uint32_t IllegalFunctionCall = 0x800A0005u;  // CTL_E_ILLEGALFUNCTIONCALL: a value the property refuses
}  // namespace hr

// Identity of the library, its classes and interfaces. Fixed once chosen.
struct TypeLibIdentity {
    static constexpr const char* kLibraryName = "SONARCH2Lib";
    static constexpr const char* kLibraryHelp = "Sonarch2 ActiveX Control module";
    static constexpr const char* kLibraryVersion = "1.0";
    static constexpr int kLocale = 0x409;
    static constexpr const char* kLibraryId = "{6B0C3E52-5A7D-4E21-9C1B-7F3A2D8E4B01}";
    static constexpr const char* kClassId = "{6B0C3E52-5A7D-4E21-9C1B-7F3A2D8E4B02}";
    static constexpr const char* kClassName = "Sonarch2";
    static constexpr const char* kClassHelp = "Sonarch2 Control";
    static constexpr const char* kProgId = "SONARCH2.Sonarch2Ctrl.1";
    static constexpr const char* kDispatchId = "{6B0C3E52-5A7D-4E21-9C1B-7F3A2D8E4B03}";
    static constexpr const char* kDispatchName = "_DSonarch2";
    static constexpr const char* kDispatchHelp = "Dispatch interface for Sonarch2 Control";
    static constexpr const char* kEventsId = "{6B0C3E52-5A7D-4E21-9C1B-7F3A2D8E4B04}";
    static constexpr const char* kEventsName = "_DSonarch2Events";
    static constexpr const char* kEventsHelp = "Event interface for Sonarch2 Control";
    static constexpr const char* kPropPageId = "{6B0C3E52-5A7D-4E21-9C1B-7F3A2D8E4B05}";
    static constexpr const char* kPropPageProgId = "SONARCH2.Sonarch2PropPage.1";
    static constexpr uint32_t kMiscStatus = 0x20191;
};

// Automation types as they cross the interface. Colours are 0x00BBGGRR.
enum class VarType : int32_t { Void, I4, R4, R8, Bool, Bstr, Color };

// One value crossing the interface; `type` says which field holds it.
// Strings are ANSI text in the host's locale.
struct Variant {
    VarType type = VarType::Void;
    int32_t lVal = 0;
    float fltVal = 0.0f;
    double dblVal = 0.0;
    bool boolVal = false;
    uint32_t colorVal = 0;
    std::string bstrVal;

    static Variant I4(int32_t v) { Variant r; r.type = VarType::I4; r.lVal = v; return r; }
    static Variant R4(float v) { Variant r; r.type = VarType::R4; r.fltVal = v; return r; }
    static Variant R8(double v) { Variant r; r.type = VarType::R8; r.dblVal = v; return r; }
    static Variant Bool(bool v) { Variant r; r.type = VarType::Bool; r.boolVal = v; return r; }
    static Variant Color(uint32_t v) { Variant r; r.type = VarType::Color; r.colorVal = v; return r; }
    static Variant Bstr(std::string v) { Variant r; r.type = VarType::Bstr; r.bstrVal = std::move(v); return r; }
};

enum class InvokeKind : int32_t { Method, PropertyGet, PropertyPut };
enum class MemberKind : int32_t { Property, Method, Event };

struct ParamDesc {
    const char* name;
    VarType type;
};

// One member of the type library. The texts and the parameter array belong
// to the library and stay valid while it is loaded.
struct MemberDesc {
    int32_t dispid = 0;
    MemberKind kind = MemberKind::Method;
    const char* name = nullptr;
    VarType type = VarType::Void;  // property type, or result type
    bool readOnly = false;         // properties only
    int32_t paramCount = 0;
    const ParamDesc* params = nullptr;
};

// Event identifiers of _DSonarch2Events.
enum EventDispId : int32_t {
    EventChangeMouse = 1,
    EventChangePlayer = 2,
    EventChangeView = 3,
    EventProgress = 4,
};

// Reference counting: an object lives while anyone holds a reference.
class IUnknown {
public:
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

// The member list: the dispatch interface's properties and methods, then
// the events, each in DISPID order.
class ITypeInfo : public IUnknown {
public:
    virtual int32_t GetMemberCount() = 0;
    virtual HRESULT GetMember(int32_t index, MemberDesc* member) = 0;

protected:
    ~ITypeInfo() = default;
};

// Implemented by the host. The control calls it on the host's thread, from
// inside whatever call or window event caused the event.
class IEventSink {
public:
    virtual void OnEvent(int32_t dispid, const Variant* args, int32_t argCount) = 0;

protected:
    ~IEventSink() = default;
};

class IDispatch : public IUnknown {
public:
    virtual HRESULT GetTypeInfo(ITypeInfo** typeInfo) = 0;
    // DISPIDs of the names, case-insensitively; hr::UnknownName when any is
    // unknown (its slot then holds -1, DISPID_UNKNOWN).
    virtual uint32_t GetIDsOfNames(const char* const* names, int32_t count, int32_t* dispids) = 0;
    // `result` may be null. Arguments are coerced to the member's types by
    // the rules of automation.
    virtual uint32_t Invoke(int32_t dispid, InvokeKind kind, const Variant* args, int32_t argCount,
                            Variant* result) = 0;

protected:
    ~IDispatch() = default;
};

// The control: its dispatch interface, its event connection point and the
// widget a host embeds. The widget belongs to the parent given at creation;
// once it is gone, Widget() is null and Invoke answers hr::MemberNotFound.
class IControl : public IDispatch {
public:
    virtual QWidget* Widget() = 0;
    // The sink stays the host's; it must outlive its advice (Unadvise, or
    // the end of the widget). The cookie is never 0.
    virtual HRESULT Advise(IEventSink* sink, uint32_t* cookie) = 0;
    virtual HRESULT Unadvise(uint32_t cookie) = 0;

protected:
    ~IControl() = default;
};

class IClassFactory : public IUnknown {
public:
    // A new control inside `parent`, which owns its widget.
    virtual HRESULT CreateInstance(QWidget* parent, IControl** control) = 0;
    // The type library without a control.
    virtual HRESULT GetTypeInfo(ITypeInfo** typeInfo) = 0;

protected:
    ~IClassFactory() = default;
};

}  // namespace sonarch2

namespace sonarch2 {

// The revision of the interfaces of this header. Any change to one of its
// classes, virtual functions or structs takes a new id. A host asks
// DllGetClassObject for the class together with the revision it was built
// with; a library of another revision answers E_NOINTERFACE_, one older
// than revision ids CLASS_E_CLASSNOTAVAILABLE, so a host never calls into a
// layout it does not know (the registry is shared by every build on a machine).
constexpr const char* kInterfaceId = "{6B0C3E52-5A7D-4E21-9C1B-7F3A2D8E4B10}";

// What a host passes to DllGetClassObject: the class id followed by the
// interface revision, "{class}{interface}".
inline std::string ClassObjectRequest(const char* classId, const char* interfaceId = kInterfaceId)
{
    return std::string(classId) + interfaceId;
}

}  // namespace sonarch2

// The library's four exports.
extern "C" {
using PFN_DllRegisterServer = sonarch2::HRESULT (*)();
using PFN_DllUnregisterServer = sonarch2::HRESULT (*)();
// The factory for ClassObjectRequest(classId): CLASS_E_CLASSNOTAVAILABLE for
// another class, E_NOINTERFACE_ for another interface revision.
using PFN_DllGetClassObject = sonarch2::HRESULT (*)(const char* request, sonarch2::IClassFactory** factory);
// S_OK when no control of this library is alive, S_FALSE otherwise.
using PFN_DllCanUnloadNow = sonarch2::HRESULT (*)();
}
