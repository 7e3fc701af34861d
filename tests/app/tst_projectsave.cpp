#include "app/ProjectSave.h"

#include "platform/ErrorReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <map>

// A save is all or nothing even when the program is killed part way. The
// killed program is this test executable itself, started again as a child
// that saves a project: tests kill it at random moments, or at each step of
// the save in turn, and then open the project as the program would.

namespace {

const QString kName = QStringLiteral("Killed Album");
const QStringList kProjectFiles
    = { QStringLiteral("Front.jpg"), QStringLiteral("Back.bmp"), QStringLiteral("Back.rtf") };

using Files = std::map<QString, QByteArray>;

// The content of one version of the project: each file large enough that
// writing it takes a while, and different in every version.
Files versionFiles(char version)
{
    Files files;
    for (const QString& file : kProjectFiles)
        files[file] = QByteArray(256 * 1024, version) + file.toUtf8();
    files[kName + QStringLiteral(".qlp")] = QByteArray("index of version ") + version;
    return files;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the project's four files hold, missing ones left out.
Files projectOnDisk(const QString& dataDir)
{
    Files files;
    for (const QString& file : kProjectFiles) {
        const QString path = dataDir + kName + u'/' + file;
        if (QFileInfo::exists(path))
            files[file] = readBytes(path);
    }
    const QString index = dataDir + kName + QStringLiteral(".qlp");
    if (QFileInfo::exists(index))
        files[kName + QStringLiteral(".qlp")] = readBytes(index);
    return files;
}

// Everything under the data folder, hidden entries too.
QStringList entriesUnder(const QString& folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << QDir(folder).relativeFilePath(it.next());
    entries.sort();
    return entries;
}

void saveVersion(const QString& dataDir, char version)
{
    const Files files = versionFiles(version);
    ProjectSave save(dataDir, kName);
    for (const QString& file : kProjectFiles) {
        save.stage(file, [&](const QString& path) {
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly)
                || out.write(files.at(file)) != files.at(file).size())
                throw platform::UserError(QStringLiteral("cannot write ") + path);
        });
    }
    save.stage(QString(), [&](const QString& path) {
        QFile out(path);
        const QByteArray& bytes = files.at(kName + QStringLiteral(".qlp"));
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            throw platform::UserError(QStringLiteral("cannot write ") + path);
    });
    save.commit();
}

// The child: saves version 'N' over whatever is there. With a step number it
// kills itself right after that step; otherwise every step takes a little
// longer, as on a slow disk, so that random kills land in every part.
int runSavingChild(const QString& dataDir, int killAtStep)
{
    int steps = 0;
    ProjectSave::setStepHookForTesting([&](const QString&) {
        if (++steps == killAtStep)
            std::raise(SIGKILL);
        if (killAtStep == 0)
            QThread::msleep(3);
    });
    QFile out;
    out.open(stdout, QIODevice::WriteOnly);
    out.write("saving\n");
    out.flush();
    saveVersion(dataDir, 'N');
    return 0;
}

} // namespace

class ProjectSaveTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        m_dataDir = m_folder->path() + u'/';
        ProjectSave::setStepHookForTesting({});
    }

    void save_writesEveryFileAndLeavesNothingElse()
    {
        saveVersion(m_dataDir, 'O');
        QVERIFY(projectOnDisk(m_dataDir) == versionFiles('O'));
        QCOMPARE(entriesUnder(m_dataDir),
            (QStringList { kName, kName + QStringLiteral(".qlp"),
                kName + QStringLiteral("/Back.bmp"), kName + QStringLiteral("/Back.rtf"),
                kName + QStringLiteral("/Front.jpg") }));
    }

    void failedSave_leavesOldProjectAndNoNewFolder()
    {
        const auto failingSave = [this] {
            ProjectSave save(m_dataDir, kName);
            save.stage(kProjectFiles[0], [](const QString& path) {
                QFile out(path);
                QVERIFY(out.open(QIODevice::WriteOnly));
                out.write("half a picture");
            });
            save.stage(kProjectFiles[1],
                [](const QString&) { throw platform::UserError(QStringLiteral("disk full")); });
        };
        QVERIFY_THROWS_EXCEPTION(platform::UserError, failingSave());
        QCOMPARE(entriesUnder(m_dataDir), QStringList());

        saveVersion(m_dataDir, 'O');
        const QStringList before = entriesUnder(m_dataDir);
        QVERIFY_THROWS_EXCEPTION(platform::UserError, failingSave());
        QVERIFY(projectOnDisk(m_dataDir) == versionFiles('O'));
        QCOMPARE(entriesUnder(m_dataDir), before);
    }

    void saveInProgressElsewhere_isLeftAlone()
    {
        saveVersion(m_dataDir, 'O');
        const Files newer = versionFiles('N');
        ProjectSave save(m_dataDir, kName);
        save.stage(kProjectFiles[0], [&](const QString& path) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(newer.at(kProjectFiles[0]));
        });
        // Another copy of the program opens the project meanwhile.
        finishInterruptedSave(m_dataDir, kName);
        save.commit();
        QCOMPARE(projectOnDisk(m_dataDir).at(kProjectFiles[0]), newer.at(kProjectFiles[0]));
        QCOMPARE(
            projectOnDisk(m_dataDir).at(kProjectFiles[1]), versionFiles('O').at(kProjectFiles[1]));
    }

    // Leftovers are removed, but a link that only looks like one is never
    // followed: removing through it would empty the folder it points to.
    void leftovers_areRemovedButLinksNotFollowed()
    {
        saveVersion(m_dataDir, 'O');
        const QString folder = m_dataDir + kName + u'/';
        QTemporaryDir elsewhere;
        QFile precious(elsewhere.filePath(QStringLiteral("precious")));
        QVERIFY(precious.open(QIODevice::WriteOnly));
        precious.close();
        QVERIFY(QFile::link(elsewhere.path(), folder + QStringLiteral(".saving-link0000")));
        QVERIFY(QDir().mkpath(folder + QStringLiteral(".saving-old0000/sub")));
        QFile stray(m_dataDir + kName + QStringLiteral(".qlp.saving-gone0000"));
        QVERIFY(stray.open(QIODevice::WriteOnly));
        stray.close();

        finishInterruptedSave(m_dataDir, kName);

        QVERIFY(QFileInfo::exists(precious.fileName()));
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral(".saving-old0000")));
        QVERIFY(!stray.exists());
        QVERIFY(projectOnDisk(m_dataDir) == versionFiles('O'));
    }

    // After a kill at any point, opening finds the whole old project or the
    // whole new one, and nothing of the save is left.
    void killedSave_isOldOrNewAfterOpening_data()
    {
        QTest::addColumn<bool>("hadOldVersion");
        QTest::newRow("over an existing project") << true;
        QTest::newRow("a new project") << false;
    }
    void killedSave_isOldOrNewAfterOpening()
    {
        QFETCH(bool, hadOldVersion);
        const Files oldFiles = hadOldVersion ? versionFiles('O') : Files();
        const Files newFiles = versionFiles('N');
        const qint64 saveTime = timeOfOneSave();
        int oldOnes = 0, newOnes = 0;

        // Every step in turn, then random moments.
        constexpr int kStepsOfASave = 11;
        constexpr int kRandomKills = 40;
        for (int round = 1; round <= kStepsOfASave + kRandomKills; ++round) {
            QDir(m_dataDir).removeRecursively();
            QDir().mkpath(m_dataDir);
            if (hadOldVersion)
                saveVersion(m_dataDir, 'O');
            if (round <= kStepsOfASave)
                runChild(round, -1);
            else
                runChild(0, QRandomGenerator::global()->bounded(saveTime + 1));

            finishInterruptedSave(m_dataDir, kName);
            const Files found = projectOnDisk(m_dataDir);
            const bool isOld = found == oldFiles;
            const bool isNew = found == newFiles;
            QVERIFY2(isOld || isNew,
                qPrintable(QStringLiteral("round %1 left a mixed project").arg(round)));
            (isNew ? newOnes : oldOnes)++;
            const QStringList expected = isNew || hadOldVersion ? QStringList { kName,
                kName + QStringLiteral(".qlp"), kName + QStringLiteral("/Back.bmp"),
                kName + QStringLiteral("/Back.rtf"), kName + QStringLiteral("/Front.jpg") }
                                                                : QStringList();
            QCOMPARE(entriesUnder(m_dataDir), expected);
        }
        // Both outcomes happened, so the kills did land before and after the
        // point where a save becomes complete.
        QVERIFY(oldOnes > 0);
        QVERIFY(newOnes > 0);
    }

private:
    // Milliseconds a slow save takes in a child, from its start to its end.
    qint64 timeOfOneSave()
    {
        QDir(m_dataDir).removeRecursively();
        QDir().mkpath(m_dataDir);
        QElapsedTimer timer;
        QProcess child;
        startChild(child, 0);
        timer.start();
        child.waitForFinished(30000);
        return timer.elapsed();
    }

    void startChild(QProcess& child, int killAtStep)
    {
        child.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--saving-child"), m_dataDir, QString::number(killAtStep) });
        QVERIFY(child.waitForStarted());
        // It says when it begins the save, after starting up.
        while (!child.canReadLine() && child.state() == QProcess::Running)
            child.waitForReadyRead(5000);
    }

    // Runs the child until it kills itself at the step, or kills it after
    // delay milliseconds; the child is gone (not a zombie) afterwards.
    void runChild(int killAtStep, qint64 delay)
    {
        QProcess child;
        startChild(child, killAtStep);
        if (delay >= 0) {
            QThread::msleep(quint64(delay));
            child.kill();
        }
        child.waitForFinished(30000);
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_dataDir;
};

int main(int argc, char* argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--saving-child") == 0)
        return runSavingChild(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    QCoreApplication application(argc, argv);
    ProjectSaveTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_projectsave.moc"
