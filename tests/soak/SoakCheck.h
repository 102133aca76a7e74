#pragma once
// Comparing the control's document with the model, and loading raw data
// into both.

#include "EditModel.h"
#include "SoakControl.h"

#include <QString>

#include <vector>

namespace soak {

// The control's document, saved as raw into `dir`, and its length, selection,
// cursor, format and view, against the model. Empty when all agree.
QString CheckAgainst(SoakControl& control, const EditModel& model, const QString& dir);

// Loads `bytes` as raw data of `format` into the control and the model.
QString LoadRawInto(SoakControl& control, EditModel& model, const QString& dir, std::vector<uint8_t> bytes,
                    const PcmFormat& format);

}  // namespace soak
