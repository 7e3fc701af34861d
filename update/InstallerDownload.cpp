#include "update/InstallerDownload.h"

#include "platform/ErrorReport.h"
#include "update/Catalogue.h"

#include <QCryptographicHash>
#include <QDir>

namespace {

constexpr qint64 kBytesPerKiB = 1024;

} // namespace

// A file that works out the SHA-256 of what is written to it on the way, so
// the installer never has to be read back.
class HashingFile : public QIODevice
{
public:
    explicit HashingFile(const QString& path)
        : m_file(path)
        , m_hash(QCryptographicHash::Sha256)
    {
    }

    bool openForWriting()
    {
        return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)
            && open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    QString fileErrorString() const { return m_file.errorString(); }
    QByteArray sha256() const { return m_hash.result(); }

    void close() override
    {
        m_file.close();
        QIODevice::close();
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (m_file.write(data, size) != size) {
            setErrorString(m_file.errorString());
            return -1;
        }
        m_hash.addData(QByteArrayView(data, size));
        return size;
    }

private:
    QFile m_file;
    QCryptographicHash m_hash;
};

InstallerDownload::InstallerDownload(QObject* parent)
    : QObject(parent)
{
    connect(&m_transfer, &platform::HttpTransfer::progress, this,
        [this](qint64 received) { emit progress(received); });
    connect(
        &m_transfer, &platform::HttpTransfer::finished, this, &InstallerDownload::transferFinished);
}

InstallerDownload::~InstallerDownload()
{
    if (isRunning()) {
        m_transfer.blockSignals(true);
        m_transfer.cancel();
        m_file->close();
        QFile::remove(m_path);
    }
}

void InstallerDownload::start(const QString& address, const QString& path, qint32 sizeKiB,
    const QByteArray& sha256, const platform::HttpOptions& options)
{
    cancel();
    m_path = path;
    m_sizeKiB = sizeKiB;
    m_sha256 = sha256;
    m_errorText.clear();
    auto file = std::make_unique<HashingFile>(path);
    if (!file->openForWriting()) {
        throw platform::UserError(QStringLiteral("Cannot create the file ")
            + QDir::toNativeSeparators(path) + QStringLiteral(": ") + file->fileErrorString());
    }
    m_file = std::move(file);
    platform::HttpOptions limited = options;
    // Anything longer than the catalogue says is not the installer: stop at once.
    limited.maxBodyBytes = qint64(sizeKiB) * kBytesPerKiB;
    m_transfer.get(address, limited, m_file.get());
}

void InstallerDownload::cancel()
{
    m_transfer.cancel();
}

InstallerDownload::Outcome InstallerDownload::judge() const
{
    switch (m_transfer.error()) {
    case platform::HttpError::None:
        break;
    case platform::HttpError::TooLarge:
        return Outcome::NotVerified;
    case platform::HttpError::WriteFailed:
        return Outcome::WriteFailed;
    case platform::HttpError::Cancelled:
        return Outcome::Cancelled;
    default:
        return Outcome::Failed;
    }
    const qint64 received = m_transfer.bytesReceived();
    if (received < kBytesPerKiB)
        return Outcome::Failed; // not even one KiB: nothing arrived worth judging
    if (!installerSizeMatches(received, m_sizeKiB) || m_file->sha256() != m_sha256)
        return Outcome::NotVerified;
    return Outcome::Verified;
}

void InstallerDownload::transferFinished()
{
    const Outcome outcome = judge();
    if (outcome == Outcome::WriteFailed) {
        m_errorText = QStringLiteral("The installer ") + QDir::toNativeSeparators(m_path)
            + QStringLiteral(" cannot be written: ") + m_file->errorString();
    }
    m_file->close();
    m_file.reset();
    if (outcome != Outcome::Verified)
        QFile::remove(m_path);
    emit finished(outcome);
}
