#include "SendService.h"

#include "AudioProbe.h"
#include "ConnectionStream.h"
#include "Pages.h"
#include "Random.h"
#include "UploadCheck.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <fstream>
#include <iostream>
#include <memory>

namespace sendd {
namespace {

using httplib::Request;
using httplib::Response;

void Refuse(Response& res, const char* error, const std::string& reason)
{
    std::cerr << "vrt-sendd: refused an upload (" << error << "): " << reason << std::endl;
    res.status = 400;
    res.set_header("ERROR", error);
    res.set_content(reason + "\n", "text/plain; charset=utf-8");
}

void CloseAfterAnswer(Response& res)
{
    res.set_header("Connection", "close");
    if (ConnectionStream* stream = ConnectionStream::Current())
        stream->RequestClose();
}

void ServerFault(Response& res, const std::string& what)
{
    std::cerr << "vrt-sendd: " << what << std::endl;
    res.status = 500;
    res.set_content("the ringtone could not be stored\n", "text/plain; charset=utf-8");
}

// The announced body length; one too large to count counts as the largest.
std::uint64_t ContentLength(const Request& req)
{
    const std::string text = req.get_header_value("Content-Length");
    std::uint64_t length = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        if (length > (UINT64_MAX - 9) / 10)
            return UINT64_MAX;
        length = length * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return length;
}

bool IsLoopback(const std::string& address)
{
    return address.starts_with("127.") || address == "::1" || address.starts_with("::ffff:127.");
}

std::string DecodeBase64(const std::string& text)
{
    std::string out(text.size(), '\0');
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (n < 0)
        return {};
    // EVP_DecodeBlock counts the padding as zero bytes.
    std::size_t padding = 0;
    for (auto c = text.rbegin(); c != text.rend() && *c == '=' && padding < 2; ++c)
        ++padding;
    out.resize(static_cast<std::size_t>(n) - std::min(padding, static_cast<std::size_t>(n)));
    return out;
}

} // namespace

SendService::SendService(ServiceConfig config, Storage& storage, FileStore& files, std::function<void()> stored)
    : m_config(std::move(config)), m_storage(storage), m_files(files), m_stored(std::move(stored))
{
}

void SendService::Install(httplib::Server& server)
{
    server.set_payload_max_length(m_config.maxBytes);
    server.set_pre_routing_handler([this](const Request& req, Response& res) { return BeforeRouting(req, res); });
    server.set_expect_100_continue_handler([this](const Request& req, Response& res) {
        if (ContentLength(req) > m_config.maxBytes) {
            res.status = 413;
            CloseAfterAnswer(res);
            return 413;
        }
        return 100;
    });
    server.Post(kUploadPath, [this](const Request& req, Response& res, const httplib::ContentReader& reader) {
        Upload(req, res, reader);
    });
    server.Get(R"(/d/([0-9a-f]{32}))", [this](const Request& req, Response& res) { PhonePage(req, res); });
    server.Get(R"(/d/([0-9a-f]{32})/file)", [this](const Request& req, Response& res) { SendFile(req, res, false); });
    server.Get(R"(/d/([0-9a-f]{32})/download)",
               [this](const Request& req, Response& res) { SendFile(req, res, true); });
    server.Get("/admin", [this](const Request& req, Response& res) { Admin(req, res); });
    server.set_error_handler([](const Request&, Response& res) {
        if (res.status == 404)
            res.set_content(NotFoundPage(), "text/html; charset=utf-8");
    });
    server.set_exception_handler([](const Request&, Response& res, std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& error) {
            ServerFault(res, error.what());
        }
    });
}

httplib::Server::HandlerResponse SendService::BeforeRouting(const Request& req, Response& res)
{
    const bool hasBody = req.has_header("Content-Length") || req.has_header("Transfer-Encoding");
    if (ConnectionStream* stream = ConnectionStream::Current(); stream && hasBody)
        stream->StartBody(static_cast<std::size_t>(std::min<std::uint64_t>(
            ContentLength(req), m_config.maxBytes)));
    if (!hasBody)
        return httplib::Server::HandlerResponse::Unhandled;
    // Refused from the announced length alone: the body is never read.
    if (ContentLength(req) > m_config.maxBytes) {
        res.status = 413;
        res.set_content("the body is larger than " + std::to_string(m_config.maxBytes) + " bytes\n",
                        "text/plain; charset=utf-8");
        CloseAfterAnswer(res);
        return httplib::Server::HandlerResponse::Handled;
    }
    if (req.path != kUploadPath)
        return httplib::Server::HandlerResponse::Unhandled;
    const char* refusal = nullptr;
    if (!req.has_header("Content-Length") || req.has_header("Transfer-Encoding"))
        refusal = "the body must come with a Content-Length";
    else if (req.has_header("Content-Encoding"))
        refusal = "the body must not be encoded";
    else if (req.is_multipart_form_data())
        refusal = "the body must be the file itself, not a form";
    if (!refusal)
        return httplib::Server::HandlerResponse::Unhandled;
    Refuse(res, "REQUEST", refusal);
    CloseAfterAnswer(res);
    return httplib::Server::HandlerResponse::Handled;
}

void SendService::Upload(const Request& req, Response& res, const httplib::ContentReader& reader)
{
    const auto checked = CheckUploadHeaders([&req](const char* name) -> std::optional<std::string> {
        if (!req.has_header(name))
            return std::nullopt;
        return req.get_header_value(name);
    });
    if (const auto* reason = std::get_if<std::string>(&checked)) {
        // Read and drop the body (bounded by the size limit), so that the client
        // sees the answer and the connection stays usable.
        reader([](const char*, std::size_t) { return true; });
        Refuse(res, "REQUEST", *reason);
        return;
    }
    const UploadHeaders& h = std::get<UploadHeaders>(checked);

    std::unique_ptr<IncomingFile> incoming = m_files.Receive();
    bool written = true;
    const bool received = reader([&](const char* data, std::size_t size) {
        written = incoming->Append(data, size);
        return written;
    });
    if (!received && written) {
        // The client went away or was too slow: whoever is still there must
        // not read this as a success.
        res.status = 408;
        res.set_content("the body did not arrive in time\n", "text/plain; charset=utf-8");
        CloseAfterAnswer(res);
        return;
    }
    if (!written || !incoming->Finish())
        return ServerFault(res, "cannot write " + incoming->TempPath().string());
    if (incoming->Size() != h.fileLength)
        return Refuse(res, "REQUEST",
                      "FileLength is " + std::to_string(h.fileLength) + " but the body has "
                          + std::to_string(incoming->Size()) + " bytes");
    const ProbeResult probe = ProbeAudio(incoming->TempPath().string(), h.extension);
    if (!probe.accepted)
        return Refuse(res, "REQUEST", probe.reason);

    Ringtone ringtone{RandomToken(), h.creditCode, h.mobileNo, h.mobileModel, h.email, h.fileName, h.extension,
                      static_cast<std::int64_t>(incoming->Size()), incoming->Sha256Hex(), {}, NowSeconds(),
                      probe.durationMs};
    ringtone.storedPath = m_files.StoredPathFor(ringtone.token, h.extension);
    const auto finalPath = m_files.Absolute(ringtone.storedPath);
    const std::string text = DeliveryText(h.fileName, RingtoneLink(m_config.publicUrl, ringtone.token));
    switch (m_storage.ChargeAndStore(
        ringtone, text, [&] { incoming->PlaceAt(finalPath); }, [&] { std::filesystem::remove(finalPath); })) {
    case ChargeOutcome::UnknownCode:
        return Refuse(res, "CREDITCODE", "the credit code is not known");
    case ChargeOutcome::ZeroBalance:
        return Refuse(res, "BALANCE", "the credit code's balance is zero");
    case ChargeOutcome::Stored:
        break;
    }
    if (m_stored)
        m_stored();
    res.status = 200;
    res.set_content("stored " + ringtone.token + "\n", "text/plain; charset=utf-8");
}

void SendService::PhonePage(const Request& req, Response& res)
{
    const auto ringtone = m_storage.FindRingtone(req.matches[1]);
    if (!ringtone) {
        res.status = 404;
        return;
    }
    res.set_header("Cache-Control", "no-store");
    res.set_content(sendd::PhonePage(*ringtone), "text/html; charset=utf-8");
}

void SendService::SendFile(const Request& req, Response& res, bool download)
{
    const auto ringtone = m_storage.FindRingtone(req.matches[1]);
    auto file = ringtone ? std::make_shared<std::ifstream>(m_files.Absolute(ringtone->storedPath), std::ios::binary)
                         : nullptr;
    if (!file || !*file) {
        res.status = 404;
        return;
    }
    res.set_header("Content-Disposition",
                   ContentDisposition(download ? "attachment" : "inline", ringtone->fileName));
    res.set_content_provider(static_cast<std::size_t>(ringtone->sizeBytes), ContentTypeFor(ringtone->fileType),
                             [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 char buffer[64 * 1024];
                                 file->seekg(static_cast<std::streamoff>(offset));
                                 file->read(buffer, static_cast<std::streamsize>(std::min(length, sizeof buffer)));
                                 const auto got = file->gcount();
                                 return got > 0 && sink.write(buffer, static_cast<std::size_t>(got));
                             });
}

bool SendService::AdminAllowed(const Request& req, Response& res) const
{
    if (m_config.adminPassword.empty()) {
        if (IsLoopback(req.remote_addr))
            return true;
        res.status = 403;
        res.set_content("the admin page is served to this machine only\n", "text/plain; charset=utf-8");
        return false;
    }
    const std::string auth = req.get_header_value("Authorization");
    if (auth.starts_with("Basic ")) {
        const std::string credentials = DecodeBase64(auth.substr(6));
        const auto colon = credentials.find(':');
        const std::string password = colon == std::string::npos ? std::string() : credentials.substr(colon + 1);
        if (password.size() == m_config.adminPassword.size()
            && CRYPTO_memcmp(password.data(), m_config.adminPassword.data(), password.size()) == 0)
            return true;
    }
    res.status = 401;
    res.set_header("WWW-Authenticate", "Basic realm=\"vrt-sendd\"");
    return false;
}

void SendService::Admin(const Request& req, Response& res)
{
    if (!AdminAllowed(req, res))
        return;
    res.set_header("Cache-Control", "no-store");
    res.set_content(AdminPage(m_storage.Credits(), m_storage.Ringtones(), m_storage.Deliveries(), m_config.publicUrl),
                    "text/html; charset=utf-8");
}

} // namespace sendd
