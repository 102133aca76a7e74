#pragma once
// The component's type library: the one list of the members of its
// automation interface. Each row gives the DISPID, name, types and
// parameters a host sees, which calls a busy control refuses, and the
// function that runs the member. Hosts bind by these numbers; they never
// change. New members take DISPIDs from 70 up.

#include "Sonarch2/Sonarch2.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVector>

#include <cstdint>

class CControlCall;

namespace sonarch2 {

using ParamInfo = ParamDesc;

// When a member refuses to run. Refused methods answer 0 (nothing for void
// ones), refused property writes are ignored; neither fires an event.
enum class Guard {
    None,  // always runs: getters, the view, the transport, conversions
    Work,  // refused while a long document call (below) runs
    Busy,  // refused also while the player plays or records
};

// Runs a member on a call whose arguments are already coerced to its types.
using MemberThunk = QVariant (*)(CControlCall& call, const QVariantList& args);

struct MemberInfo {
    int32_t dispid;
    MemberKind kind;
    const char* name;
    VarType type;                  // property type, or method/event result type
    bool readOnly = false;         // properties only
    QVector<ParamInfo> params;     // methods and events
    Guard guard = Guard::None;     // methods, and property writes
    bool longWork = false;         // a call that reads or rewrites the document at length
    MemberThunk call = nullptr;    // the method, or the property's getter
    MemberThunk put = nullptr;     // the property's setter
};

// All members of the dispatch interface, then the events, in DISPID order.
const QVector<MemberInfo>& DispatchMembers();
const QVector<MemberInfo>& EventMembers();

// Finds a member by DISPID or (case-insensitively) by name; null if none.
const MemberInfo* FindMember(int32_t dispid);
const MemberInfo* FindMember(const QString& name);

// The type library as a host reads it.
ITypeInfo* TypeInfo();

}  // namespace sonarch2
