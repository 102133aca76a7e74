#include "ControlCall.h"

#include "CSonarch2Ctrl.h"

CControlCall::CControlCall(CSonarch2Ctrl& control) : m_parts(control.Parts()), m_control(&control) {}

bool CControlCall::FireChangeView()
{
    return Alive() && m_control->EmitEvent(sonarch2::EventChangeView);
}

CControlCall::WorkScope::WorkScope(CControlCall& call, bool longWork)
    : m_parts(call.Parts()), m_bOwner(longWork && !call.Parts().m_bWorking)
{
    if (m_bOwner)
        m_parts.m_bWorking = true;
}

CControlCall::WorkScope::~WorkScope()
{
    if (m_bOwner)
        m_parts.m_bWorking = false;
}
