#include "QrSvg.h"

#include <qrencode.h>

#include <memory>

namespace sendd {
namespace {

struct QrFree
{
    void operator()(QRcode* code) const { QRcode_free(code); }
};

} // namespace

std::string QrSvg(const std::string& text, int moduleSize)
{
    std::unique_ptr<QRcode, QrFree> code(QRcode_encodeString8bit(text.c_str(), 0, QR_ECLEVEL_M));
    if (!code)
        return {};
    const int quiet = 4; // the blank margin scanners need
    const int side = code->width + 2 * quiet;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"qr\" role=\"img\" aria-label=\"QR code\""
                      " width=\"" + std::to_string(side * moduleSize) + "\" height=\""
        + std::to_string(side * moduleSize) + "\" viewBox=\"0 0 " + std::to_string(side) + " "
        + std::to_string(side) + "\" shape-rendering=\"crispEdges\"><rect width=\"100%\" height=\"100%\""
                                 " fill=\"#fff\"/><path fill=\"#000\" d=\"";
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x)
            if (code->data[y * code->width + x] & 1)
                svg += "M" + std::to_string(x + quiet) + " " + std::to_string(y + quiet) + "h1v1h-1z";
    svg += "\"/></svg>";
    return svg;
}

} // namespace sendd
