#include "ControlEvents.h"

namespace {
IControlEvents g_nullSink;
}

IControlEvents* g_pControl = &g_nullSink;

void SetControlEvents(IControlEvents* sink)
{
    g_pControl = sink ? sink : &g_nullSink;
}
