#pragma once
// The component's type library: every property, method and event of its
// automation interface with its dispatch identifier, parameters and result.
// Hosts bind by these numbers; they never change.

#include <QString>
#include <QVector>

#include <cstdint>

namespace sonarch2 {

// Automation types as they cross the interface.
enum class VarType { Void, I4, R4, R8, Bool, Bstr, Color };

enum class MemberKind { Property, Method, Event };

struct ParamInfo {
    const char* name;
    VarType type;
};

struct MemberInfo {
    int32_t dispid;
    MemberKind kind;
    const char* name;
    VarType type;                  // property type, or method/event result type
    bool readOnly = false;         // properties only
    QVector<ParamInfo> params;     // methods and events
};

// Standard results of the dispatch layer (HRESULT values).
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
}  // namespace hr

// Identity of the library, its classes and interfaces.
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

// Event identifiers.
enum EventDispId : int32_t {
    EventChangeMouse = 1,
    EventChangePlayer = 2,
    EventChangeView = 3,
    EventProgress = 4,
};

// All members of the dispatch interface, then the events, in DISPID order.
const QVector<MemberInfo>& DispatchMembers();
const QVector<MemberInfo>& EventMembers();

// Finds a member by DISPID or (case-insensitively) by name; null if none.
const MemberInfo* FindMember(int32_t dispid);
const MemberInfo* FindMember(const QString& name);

QString TypeName(VarType type);
// One line per member, then the events, as the script host's --typelib prints.
QStringList DescribeTypeLib();

}  // namespace sonarch2
