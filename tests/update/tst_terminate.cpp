#include "update/Terminate.h"

#include "platform/Shell.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "update/GetVersions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

// Copies of a harmless program under the companion's name; every copy still
// running is killed and reaped when the set goes.
class Companions
{
public:
    ~Companions()
    {
        for (const auto& process : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    // Places the program in the folder under the given name.
    static QString install(const QString& folder, const QString& name)
    {
        const QString path = folder + u'/' + name;
        if (!QDir().mkpath(folder) || !QFile::copy(QStringLiteral("/bin/sleep"), path))
            return {};
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
        return path;
    }

    QProcess* start(const QString& path)
    {
        auto process = std::make_unique<QProcess>();
        process->start(path, { QStringLiteral("60") });
        if (!process->waitForStarted(5000))
            return nullptr;
        m_processes.push_back(std::move(process));
        return m_processes.back().get();
    }

private:
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

bool endsSoon(QProcess* process)
{
    return process->state() == QProcess::NotRunning || process->waitForFinished(5000);
}

} // namespace

class TerminateTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_root.isValid());
        // Executables are listed by their real path, so the folders must be real too.
        const QString root = QFileInfo(m_root.path()).canonicalFilePath();
        m_startFolder = root + QStringLiteral("/Start");
        m_otherFolder = root + QStringLiteral("/Elsewhere");
        m_companion = Companions::install(m_startFolder, QStringLiteral("qzLayer_Sched"));
        m_stranger = Companions::install(m_otherFolder, QStringLiteral("qzLayer_Sched"));
        QVERIFY(!m_companion.isEmpty() && !m_stranger.isEmpty());
    }

    void search_matchesFullPathInAnyCaseWithSpaces_notBareName()
    {
        Companions companions;
        QProcess* process = companions.start(m_companion);
        QVERIFY(process);
        TTerminateForm terminator;

        const platform::ProcessHandle found
            = terminator.GetpID(m_companion.toLower() + QStringLiteral(" "));
        QVERIFY(found);
        QCOMPARE(found.processId(), process->processId());
        QVERIFY(!terminator.GetpID(QStringLiteral("qzLayer_Sched")));
        QVERIFY(!terminator.GetpID(m_startFolder));
    }

    void nameOnlySearch_matchesExecutableFileName()
    {
        Companions companions;
        QProcess* process = companions.start(m_companion);
        QVERIFY(process);
        TTerminateForm terminator;
        const platform::ProcessHandle found
            = terminator.GetProcessHandleFromExe(QStringLiteral(" qzlayer_sched"));
        QVERIFY(found);
        QCOMPARE(found.processId(), process->processId());
    }

    void search_withoutRunningCompanion_findsNothing()
    {
        TTerminateForm terminator;
        QVERIFY(!terminator.GetpID(m_companion));
    }

    void handle_endsItsProcess_andNeverAnotherOnceItHasEnded()
    {
        Companions companions;
        QProcess* first = companions.start(m_companion);
        QVERIFY(first);
        TTerminateForm terminator;
        platform::ProcessHandle handle = terminator.GetpID(m_companion);
        QVERIFY(handle);
        QVERIFY(handle.terminate(0));
        QVERIFY(handle.waitForExit(5000));
        QVERIFY(endsSoon(first));
        QCOMPARE(first->exitStatus(), QProcess::CrashExit);

        // The process is gone and reaped; the handle still refers to it only.
        QProcess* second = companions.start(m_companion);
        QVERIFY(second);
        QVERIFY(!handle.terminate(0));
        QCOMPARE(second->state(), QProcess::Running);
    }

    void install_endsEveryCompanionInStartFolder_only()
    {
        QTemporaryDir data;
        DataDir = data.path() + u'/';
        ProgNam = QStringLiteral("qzLayer");
        StartDir = m_startFolder + u'/';
        DownloadName = QStringLiteral("qzLayer101.exe");
        DownloadedB = true;
        Companions companions;
        QProcess* first = companions.start(m_companion);
        QProcess* second = companions.start(m_companion);
        QProcess* stranger = companions.start(m_stranger);
        QVERIFY(first && second && stranger);

        platform::setShellHandler([](const platform::ShellRequest&) { return 33; });
        TVersionsForm form(QStringLiteral("http://127.0.0.1:9/versions.dat"));
        StartDir = m_startFolder + u'/'; // the form takes the current folder when created
        int quits = 0;
        form.setQuitHandler([&] {
            ++quits;
            // Both are ended by the time the program would quit.
            QVERIFY(endsSoon(first));
            QVERIFY(endsSoon(second));
        });
        form.Install();
        platform::setShellHandler(nullptr);

        QCOMPARE(quits, 1);
        QCOMPARE(first->state(), QProcess::NotRunning);
        QCOMPARE(second->state(), QProcess::NotRunning);
        QCOMPARE(stranger->state(), QProcess::Running);
    }

private:
    QTemporaryDir m_root;
    QString m_startFolder;
    QString m_otherFolder;
    QString m_companion;
    QString m_stranger;
};

QTEST_MAIN(TerminateTest)
#include "tst_terminate.moc"
