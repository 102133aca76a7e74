#pragma once
// The service's HTTP routes: the upload, the phone page with its file, and
// the admin overview.

#include "FileStore.h"
#include "Storage.h"

#include <httplib.h>

#include <cstdint>
#include <functional>
#include <string>

namespace sendd {

inline constexpr char kUploadPath[] = "/ktx-pro/ZodiZedere.do";

struct ServiceConfig
{
    std::string publicUrl;           // scheme, host and port the links carry
    std::uint64_t maxBytes = 10 * 1024 * 1024;
    std::string adminPassword;       // empty: admin page for loopback clients only
};

class SendService
{
public:
    SendService(ServiceConfig config, Storage& storage, FileStore& files, std::function<void()> stored);

    void Install(httplib::Server& server);

private:
    httplib::Server::HandlerResponse BeforeRouting(const httplib::Request& req, httplib::Response& res);
    void Upload(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader);
    void PhonePage(const httplib::Request& req, httplib::Response& res);
    void SendFile(const httplib::Request& req, httplib::Response& res, bool download);
    void Admin(const httplib::Request& req, httplib::Response& res);
    bool AdminAllowed(const httplib::Request& req, httplib::Response& res) const;

    ServiceConfig m_config;
    Storage& m_storage;
    FileStore& m_files;
    std::function<void()> m_stored;
};

} // namespace sendd
