#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <future>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using platform::readRegularFile;

class FilesTest : public QObject
{
    Q_OBJECT

private slots:
    void readRegularFile_readsUpToTheLimit_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("read");
        QTest::newRow("empty") << 0 << true;
        QTest::newRow("at the limit") << 1000 << true;
        QTest::newRow("one byte over") << 1001 << false;
    }
    void readRegularFile_readsUpToTheLimit()
    {
        QFETCH(int, size);
        QFETCH(bool, read);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("file"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'x'));
        file.close();
        QString reason;
        const std::optional<QByteArray> bytes = readRegularFile(path, 1000, &reason);
        QCOMPARE(bytes.has_value(), read);
        if (read)
            QCOMPARE(bytes->size(), size);
        else
            QCOMPARE(reason, QStringLiteral("the file is larger than 1000 bytes"));
    }

    // Only regular files are read: a pipe would block for ever and a device
    // such as /dev/zero never ends.
    void readRegularFile_refusesAnythingElseAtOnce_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing"
                                 << "the file does not exist";
        QTest::newRow("folder") << "folder"
                                << "it is a folder, not a file";
#ifdef Q_OS_UNIX
        QTest::newRow("pipe") << "pipe"
                              << "it is a pipe or a device, not a file";
        QTest::newRow("endless device") << "device"
                                        << "it is a pipe or a device, not a file";
        QTest::newRow("link to an endless device") << "link"
                                                   << "it is a pipe or a device, not a file";
#endif
    }
    void readRegularFile_refusesAnythingElseAtOnce()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("entry"));
        std::atomic<bool> done { false };
        std::future<void> unblock;
        if (kind == u"folder")
            QVERIFY(QDir().mkdir(path));
#ifdef Q_OS_UNIX
        if (kind == u"pipe") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            // Should the reader wait for a writer, one comes after a while and
            // writes nothing, so that a failing test ends.
            unblock = std::async(std::launch::async, [path, &done] {
                for (int waited = 0; waited < 30 && !done; ++waited)
                    QThread::msleep(100);
                const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0)
                    ::close(fd);
            });
        }
        if (kind == u"device")
            path = QStringLiteral("/dev/zero");
        if (kind == u"link")
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
#endif
        QString found;
        const std::optional<QByteArray> bytes = readRegularFile(path, 64 * 1024 * 1024, &found);
        done = true;
        QVERIFY(!bytes);
        QCOMPARE(found, reason);
    }

    void sizeText_namesKilobytesAndMegabytes()
    {
        QCOMPARE(platform::sizeText(64 * 1024), QStringLiteral("64 KB"));
        QCOMPARE(platform::sizeText(16 * 1024 * 1024), QStringLiteral("16 MB"));
    }
};

QTEST_GUILESS_MAIN(FilesTest)
#include "tst_files.moc"
