#pragma once

#include "platform/Http.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>

#include <memory>

class HashingFile;

// Fetches an installer into a file and checks it against the size and the
// SHA-256 the catalogue gives, while the event loop goes on. Only a verified
// installer stays on disk: a download that fails, is cancelled or does not
// verify leaves no file behind.
class InstallerDownload : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        Verified, // the file is there and matches size and hash
        Failed, // nothing usable arrived (no connection, an error answer, a stall...)
        NotVerified, // something arrived, but not the installer the catalogue describes
        WriteFailed, // the file could not be written; errorText() tells why
        Cancelled,
    };
    Q_ENUM(Outcome)

    explicit InstallerDownload(QObject* parent = nullptr);
    // A download still running is cancelled, without a signal.
    ~InstallerDownload() override;

    // Starts fetching the address into the file at path, replacing it.
    // Throws platform::UserError when the file cannot be created.
    void start(const QString& address, const QString& path, qint32 sizeKiB,
        const QByteArray& sha256, const platform::HttpOptions& options);
    // Stops the download and removes its file; finished() follows at once.
    void cancel();
    bool isRunning() const { return m_transfer.isRunning(); }
    qint64 bytesReceived() const { return m_transfer.bytesReceived(); }
    QString errorText() const { return m_errorText; }

signals:
    void progress(qint64 bytesReceived);
    void finished(InstallerDownload::Outcome outcome);

private:
    void transferFinished();
    Outcome judge() const;

    platform::HttpTransfer m_transfer;
    std::unique_ptr<HashingFile> m_file;
    QString m_path;
    qint32 m_sizeKiB = 0;
    QByteArray m_sha256;
    QString m_errorText;
};
