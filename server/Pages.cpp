#include "Pages.h"

#include "QrSvg.h"

#include <cctype>
#include <cstdio>
#include <ctime>

namespace sendd {
namespace {

constexpr char kStyle[] =
    "<style>body{font-family:sans-serif;margin:0;padding:1em;max-width:40em;background:#f4f5ff;color:#111}"
    "h1{font-size:1.4em;color:#3e45f9;word-break:break-all}table{border-collapse:collapse;width:100%}"
    "td,th{border-bottom:1px solid #ccd;padding:.3em;text-align:left;vertical-align:top;word-break:break-all}"
    "a.button{display:inline-block;margin:1em 0;padding:.8em 1.4em;background:#3e45f9;color:#fff;"
    "text-decoration:none;border-radius:.4em;font-size:1.2em}audio{width:100%}</style>";

std::string Head(const std::string& title)
{
    return "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>"
        + HtmlEscape(title) + "</title>" + kStyle + "</head><body>";
}

std::string Duration(std::int64_t ms)
{
    if (ms <= 0)
        return "unknown";
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>((ms / 1000) % 60));
    return text;
}

std::string Size(std::int64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, bytes >= 1024 ? "%.1f KB" : "%.0f bytes",
                  bytes >= 1024 ? static_cast<double>(bytes) / 1024 : static_cast<double>(bytes));
    return text;
}

std::string Time(std::int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc);
    return text;
}

std::string Cell(const std::string& text) { return "<td>" + HtmlEscape(text) + "</td>"; }

bool IsAsciiSafe(unsigned char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; }

} // namespace

std::string HtmlEscape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string ContentDisposition(const std::string& kind, const std::string& fileName)
{
    std::string plain, encoded;
    for (unsigned char c : fileName) {
        plain += IsAsciiSafe(c) ? static_cast<char>(c) : '_';
        if (std::isalnum(c) || c == '.' || c == '-' || c == '_') {
            encoded += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            encoded += hex;
        }
    }
    return kind + "; filename=\"" + plain + "\"; filename*=UTF-8''" + encoded;
}

std::string RingtoneLink(const std::string& publicUrl, const std::string& token)
{
    return publicUrl + "/d/" + token;
}

std::string DeliveryText(const std::string& fileName, const std::string& link)
{
    return "Your ringtone " + fileName + " is ready: " + link;
}

std::string PhonePage(const Ringtone& r)
{
    const std::string base = "/d/" + r.token;
    const bool iphone = r.fileType == "m4r";
    return Head(r.fileName) + "<h1>" + HtmlEscape(r.fileName) + "</h1><table>"
        + "<tr><th>Length</th>" + Cell(Duration(r.durationMs)) + "</tr>"
        + "<tr><th>Format</th>" + Cell(r.fileType) + "</tr>"
        + "<tr><th>Size</th>" + Cell(Size(r.sizeBytes)) + "</tr></table>"
        + "<p><audio controls preload=\"none\" src=\"" + base + "/file\"></audio></p>"
        + "<p><a class=\"button\" id=\"download\" href=\"" + base + "/download\" download>Download</a></p><p>"
        + (iphone ? "On iPhone: open the downloaded file with GarageBand or drag it into Finder's Tones list, "
                    "then choose it in Settings &gt; Sounds &amp; Haptics &gt; Ringtone."
                  : "On Android: download, then in Settings &gt; Sound &gt; Phone ringtone choose it from the "
                    "Downloads folder. On iPhone, ask for the .m4r version.")
        + "</p></body></html>";
}

std::string NotFoundPage()
{
    return Head("Not found")
        + "<h1>Ringtone not found</h1><p>This link is not known here. Check that it was copied whole.</p>"
          "</body></html>";
}

std::string AdminPage(const std::vector<CreditCode>& credits, const std::vector<Ringtone>& ringtones,
                      const std::vector<Delivery>& deliveries, const std::string& publicUrl)
{
    std::string page = Head("vrt-sendd admin") + "<h1>Credit codes</h1><table><tr><th>Code</th><th>Balance</th></tr>";
    for (const CreditCode& c : credits)
        page += "<tr>" + Cell(c.code) + Cell(std::to_string(c.balance)) + "</tr>";
    page += "</table><h1>Ringtones</h1><table><tr><th>Link</th><th>Name</th><th>Mobile</th><th>Code</th>"
            "<th>Size</th><th>Time</th></tr>";
    for (const Ringtone& r : ringtones) {
        const std::string link = RingtoneLink(publicUrl, r.token);
        page += "<tr><td><a class=\"ringtone-link\" href=\"" + HtmlEscape(link) + "\">" + HtmlEscape(link)
            + "</a><br>" + QrSvg(link) + "</td>" + Cell(r.fileName) + Cell(r.mobileNo) + Cell(r.creditCode)
            + Cell(Size(r.sizeBytes)) + Cell(Time(r.createdAt)) + "</tr>";
    }
    page += "</table><h1>Outbox</h1><table><tr><th>Mobile</th><th>Text</th><th>Status</th><th>Attempts</th>"
            "<th>Last error</th></tr>";
    for (const Delivery& d : deliveries)
        page += "<tr>" + Cell(d.mobileNo) + Cell(d.message) + Cell(d.status) + Cell(std::to_string(d.attempts))
            + Cell(d.lastError) + "</tr>";
    return page + "</table></body></html>";
}

} // namespace sendd
