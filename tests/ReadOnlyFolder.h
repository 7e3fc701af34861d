#pragma once

#include <QFile>
#include <QString>

#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

// Makes a folder read-only for as long as it lives, for root too: root
// writes anywhere by its capability to override permissions, which the
// calling thread gives up meanwhile. holds() tells whether writing into the
// folder really fails; where it does not, the test cannot show what it wants.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(QString folder)
        : m_folder(std::move(folder))
        , m_permissions(QFile::permissions(m_folder))
    {
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner);
        setOverride(false);
        QFile probe(m_folder + QStringLiteral("/.probe"));
        m_holds = !probe.open(QIODevice::WriteOnly);
        if (!m_holds)
            probe.remove();
    }
    ~ReadOnlyFolder()
    {
        setOverride(true);
        QFile::setPermissions(m_folder, m_permissions);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool holds() const { return m_holds; }

private:
    // Only the effective set changes: the capability stays permitted, so it
    // can be taken up again.
    static void setOverride(bool on)
    {
#ifdef Q_OS_LINUX
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        __user_cap_data_struct data[2] {};
        if (::syscall(SYS_capget, &header, data) != 0)
            return;
        const __u32 bit = 1u << CAP_DAC_OVERRIDE;
        if (on)
            data[0].effective |= data[0].permitted & bit;
        else
            data[0].effective &= ~bit;
        ::syscall(SYS_capset, &header, data);
#else
        Q_UNUSED(on);
#endif
    }

    QString m_folder;
    QFile::Permissions m_permissions;
    bool m_holds = false;
};
