#pragma once
// Addresses and commands that belong to the installation rather than to the
// user's profile: the sending service's host, the maker's web pages and the
// sound recorder. Each value comes, in order of precedence, from an
// environment variable (used by the tests), the "Configuration" group of the
// program's settings file, or a compiled-in default under the reserved
// ".example" domain.

#include <QString>
#include <QUrl>

// The upload always goes to this path on the configured host.
inline constexpr char kUploadPath[] = "/ktx-pro/ZodiZedere.do";

struct AppConfig
{
    QString uploadAddress;   // scheme, host and optional port, e.g. "http://send.vanto-mobile.example"
    QString homePage;        // the maker's web address, also quoted in answer texts
    QString helpPage;
    QString buyPage;         // where the service's credit is bought
    QString phoneListPage;   // list of supported phones
    QString recorderCommand; // program and arguments of the sound recorder

    // Reads the configuration as described above.
    static AppConfig Load();
    // The settings file that holds the "Configuration" group.
    static QString Location();

    // The upload address with the fixed path; invalid when the configured
    // address is not an absolute http or https URL.
    QUrl UploadUrl() const;
};

// Environment variables that override the stored values.
inline constexpr char kEnvUploadAddress[] = "VRT_UPLOAD_ADDRESS";
inline constexpr char kEnvHomePage[] = "VRT_HOME_PAGE";
inline constexpr char kEnvHelpPage[] = "VRT_HELP_PAGE";
inline constexpr char kEnvBuyPage[] = "VRT_BUY_PAGE";
inline constexpr char kEnvPhoneListPage[] = "VRT_PHONE_LIST_PAGE";
inline constexpr char kEnvRecorderCommand[] = "VRT_RECORDER_COMMAND";
