#pragma once

#include "platform/Environment.h"

#include <QStringList>

#include <functional>

// An environment whose every answer the test chooses; it notes which probes
// were asked, in order.
class FakeEnvironment : public platform::Environment
{
public:
    int languageId = 0x0409;
    platform::VersionRecord version { 2, 10, 0, {} };
    QString desktop;
    QString profile;
    int countryCode = 31;
    std::function<platform::TimeZoneRules(int year)> rules
        = [](int) { return platform::TimeZoneRules {}; };
    QDateTime moment;
    std::function<platform::DriveKind(const QString& path)> drive
        = [](const QString&) { return platform::DriveKind::Fixed; };
    mutable QStringList asked;

    int userDefaultLanguageId() const override
    {
        asked << QStringLiteral("language");
        return languageId;
    }
    platform::VersionRecord versionRecord() const override
    {
        asked << QStringLiteral("version");
        return version;
    }
    QString desktopFolder() const override
    {
        asked << QStringLiteral("desktop");
        return desktop;
    }
    QString profileFolder() const override { return profile; }
    int userCountryCode() const override
    {
        asked << QStringLiteral("country");
        return countryCode;
    }
    platform::TimeZoneRules timeZoneRules(int year) const override
    {
        asked << QStringLiteral("time zone");
        return rules(year);
    }
    QDateTime now() const override
    {
        asked << QStringLiteral("now");
        return moment;
    }
    platform::DriveKind driveKind(const QString& path) const override { return drive(path); }
};

// Installs a fake environment for the lifetime of the scope.
class ScopedFakeEnvironment
{
public:
    ScopedFakeEnvironment()
    {
        auto fake = std::make_unique<FakeEnvironment>();
        m_fake = fake.get();
        m_previous = platform::setEnvironment(std::move(fake));
    }
    ~ScopedFakeEnvironment() { platform::setEnvironment(std::move(m_previous)); }
    ScopedFakeEnvironment(const ScopedFakeEnvironment&) = delete;
    ScopedFakeEnvironment& operator=(const ScopedFakeEnvironment&) = delete;

    FakeEnvironment* operator->() const { return m_fake; }

private:
    FakeEnvironment* m_fake = nullptr;
    std::unique_ptr<platform::Environment> m_previous;
};
