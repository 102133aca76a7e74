#include "AppConfig.h"

#include <QSettings>

namespace {

// Kept apart from the profile values so that a profile save never touches it.
QSettings ConfigurationFile()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope,
                     QStringLiteral("VRT"), QStringLiteral("VantoRingtone"));
}

QString Value(const QSettings& settings, const char* key, const char* envName,
              const char* fallback)
{
    if (qEnvironmentVariableIsSet(envName))
        return qEnvironmentVariable(envName);
    return settings.value(QLatin1String(key), QString::fromLatin1(fallback)).toString();
}

} // namespace

AppConfig AppConfig::Load()
{
    QSettings settings = ConfigurationFile();
    settings.beginGroup(QStringLiteral("Configuration"));
    AppConfig config;
    config.uploadAddress = Value(settings, "UploadAddress", kEnvUploadAddress,
                                 "http://send.vanto-mobile.example");
    config.homePage = Value(settings, "HomePage", kEnvHomePage, "http://www.vanto-mobile.example");
    config.helpPage = Value(settings, "HelpPage", kEnvHelpPage,
                            "http://www.vanto-mobile.example/help.html");
    config.buyPage = Value(settings, "BuyPage", kEnvBuyPage,
                           "http://www.vanto-mobile.example/buy.html");
    config.phoneListPage = Value(settings, "PhoneListPage", kEnvPhoneListPage,
                                 "http://www.vanto-mobile.example/phones.html");
    config.recorderCommand = Value(settings, "RecorderCommand", kEnvRecorderCommand,
                                   "gnome-sound-recorder");
    return config;
}

QString AppConfig::Location()
{
    return ConfigurationFile().fileName();
}

QUrl AppConfig::UploadUrl() const
{
    QUrl url(uploadAddress.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return {};
    url.setPath(QString::fromLatin1(kUploadPath));
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}
