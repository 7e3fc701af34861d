#include "platform/Settings.h"

#include <QSettings>

namespace platform {

namespace {

const QString kSection = QStringLiteral("Defaults");

class DefaultsGroup
{
public:
    DefaultsGroup()
#ifdef Q_OS_WIN
        : m_settings(QStringLiteral("HKEY_CURRENT_USER\\Software\\qzLayer"), QSettings::NativeFormat)
#else
        : m_settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("qzLayer"),
              QStringLiteral("qzLayer"))
#endif
    {
        m_settings.beginGroup(kSection);
    }
    QSettings& operator*() { return m_settings; }
    QSettings* operator->() { return &m_settings; }

private:
    QSettings m_settings;
};

bool isDecimalInteger(const QString& text)
{
    bool ok = false;
    text.toInt(&ok, 10);
    return ok;
}

} // namespace

QString Settings::readString(const QString& name, const QString& defaultValue)
{
    DefaultsGroup group;
    return group->value(name, defaultValue).toString();
}

void Settings::writeString(const QString& name, const QString& value)
{
    DefaultsGroup group;
    group->setValue(name, value);
}

void Settings::remove(const QString& name)
{
    DefaultsGroup group;
    group->remove(name);
}

int Settings::readInteger(const QString& name, int defaultValue)
{
    const QString text = readString(name, QString());
    return isDecimalInteger(text) ? text.toInt() : defaultValue;
}

void Settings::writeInteger(const QString& name, int value)
{
    writeString(name, QString::number(value));
}

} // namespace platform
