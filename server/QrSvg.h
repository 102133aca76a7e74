#pragma once
// A QR code of a text as an inline SVG element (libqrencode).

#include <string>

namespace sendd {

// Empty when the text cannot be encoded.
std::string QrSvg(const std::string& text, int moduleSize = 4);

} // namespace sendd
