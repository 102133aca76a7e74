#pragma once
// The HTML the service shows: the phone page of a ringtone, the page for an
// unknown link, and the admin overview. Pages carry no external assets.

#include "Storage.h"

#include <string>
#include <vector>

namespace sendd {

std::string HtmlEscape(const std::string& text);

// "attachment" or "inline" with the name, safe for any name.
std::string ContentDisposition(const std::string& kind, const std::string& fileName);

std::string PhonePage(const Ringtone& ringtone);
std::string NotFoundPage();
std::string AdminPage(const std::vector<CreditCode>& credits, const std::vector<Ringtone>& ringtones,
                      const std::vector<Delivery>& deliveries, const std::string& publicUrl);

// The link a ringtone is delivered with.
std::string RingtoneLink(const std::string& publicUrl, const std::string& token);
std::string DeliveryText(const std::string& fileName, const std::string& link);

} // namespace sendd
