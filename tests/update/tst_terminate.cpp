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

#include <csignal>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

const QFileDevice::Permissions kOpenToAll = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup
    | QFileDevice::ReadOther | QFileDevice::ExeOther;

// Copies of a harmless program under the companion's name; every copy still
// running is killed and reaped when the set goes.
class Companions
{
public:
    ~Companions()
    {
        for (const auto& process : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                ::kill(pid_t(process->processId()), SIGKILL);
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
        QFile::setPermissions(folder, kOpenToAll);
        QFile::setPermissions(path, kOpenToAll);
        return path;
    }

    QProcess* start(const QString& path) { return run(path, { QStringLiteral("60") }); }

    // The copy ignores the request to end, as a busy program might.
    QProcess* startDeaf(const QString& path)
    {
        // An ignored signal stays ignored across exec, so the copy itself
        // (not a shell around it) is the process found by its path.
        return run(QStringLiteral("/bin/sh"),
            { QStringLiteral("-c"), QStringLiteral("trap '' TERM; exec \"$0\" 60"), path });
    }

    // Started under another user's identity (needs root).
    QProcess* startAsNobody(const QString& path)
    {
        return run(QStringLiteral("setpriv"),
            { QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                QStringLiteral("--clear-groups"), path, QStringLiteral("60") });
    }

private:
    QProcess* run(const QString& program, const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        process->start(program, arguments);
        if (!process->waitForStarted(5000))
            return nullptr;
        m_processes.push_back(std::move(process));
        return m_processes.back().get();
    }

    std::vector<std::unique_ptr<QProcess>> m_processes;
};

bool endsSoon(QProcess* process)
{
    return process->state() == QProcess::NotRunning || process->waitForFinished(5000);
}

// The signal that ended the process; 0 when it ended by itself.
int endingSignal(QProcess* process)
{
    return process->exitStatus() == QProcess::CrashExit ? process->exitCode() : 0;
}

// The process runs its executable once exec has happened; the shell of
// startDeaf takes a moment for that.
bool runsExecutable(QProcess* process, const QString& path)
{
    const QString link
        = QStringLiteral("/proc/") + QString::number(process->processId()) + QStringLiteral("/exe");
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (QFileInfo(link).symLinkTarget() == path)
            return true;
        QTest::qWait(20);
    }
    return false;
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
        QFile::setPermissions(m_root.path(), kOpenToAll);
        // Executables are listed by their real path, so the folders must be real too.
        const QString root = QFileInfo(m_root.path()).canonicalFilePath();
        m_startFolder = root + QStringLiteral("/Start");
        m_otherFolder = root + QStringLiteral("/Elsewhere");
        m_companion = Companions::install(m_startFolder, QStringLiteral("qzLayer_Sched"));
        m_otherCase = Companions::install(m_startFolder, QStringLiteral("qzlayer_sched"));
        m_stranger = Companions::install(m_otherFolder, QStringLiteral("qzLayer_Sched"));
        QVERIFY(!m_companion.isEmpty() && !m_otherCase.isEmpty() && !m_stranger.isEmpty());
    }

    void search_matchesTheExactPathOnly_data()
    {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<bool>("found");
        QTest::newRow("exact path") << "COMPANION" << true;
        QTest::newRow("path in lower case") << "companion" << false;
        QTest::newRow("trailing space") << "COMPANION " << false;
        QTest::newRow("bare file name") << "qzLayer_Sched" << false;
        QTest::newRow("folder") << "FOLDER" << false;
    }
    void search_matchesTheExactPathOnly()
    {
        QFETCH(QString, wanted);
        QFETCH(bool, found);
        Companions companions;
        QProcess* process = companions.start(m_companion);
        QProcess* otherCase = companions.start(m_otherCase);
        QVERIFY(process && otherCase);
        wanted.replace(QStringLiteral("COMPANION"), m_companion)
            .replace(QStringLiteral("companion"), m_companion.toLower())
            .replace(QStringLiteral("FOLDER"), m_startFolder);
        TTerminateForm terminator;

        const platform::ProcessHandle handle = terminator.GetpID(wanted);
        QCOMPARE(bool(handle), found);
        if (found)
            QCOMPARE(handle.processId(), process->processId());
    }

    void search_leavesAnotherCaseOfTheNameAlone()
    {
        Companions companions;
        QProcess* otherCase = companions.start(m_otherCase);
        QVERIFY(otherCase);
        TTerminateForm terminator;
        QVERIFY(!terminator.GetpID(m_companion));
        QVERIFY(!terminator.GetProcessHandleFromExe(QStringLiteral("qzLayer_Sched")));
        const platform::ProcessHandle byName
            = terminator.GetProcessHandleFromExe(QStringLiteral("qzlayer_sched"));
        QVERIFY(byName);
        QCOMPARE(byName.processId(), otherCase->processId());
    }

    void search_passesOverOtherUsersProcesses()
    {
        if (::getuid() != 0)
            QSKIP("starting a process as another user needs root");
        Companions companions;
        QProcess* foreign = companions.startAsNobody(m_companion);
        QVERIFY(foreign);
        QVERIFY(runsExecutable(foreign, m_companion));
        TTerminateForm terminator;
        QVERIFY(!terminator.GetpID(m_companion));
        QVERIFY(!platform::openProcess(foreign->processId()));
        QCOMPARE(foreign->state(), QProcess::Running);
    }

    void endProcess_asksFirst_andForcesOnlyAfterTheGracePeriod()
    {
        Companions companions;
        QProcess* willing = companions.start(m_companion);
        QProcess* deaf = companions.startDeaf(m_stranger);
        QVERIFY(willing && deaf);
        QVERIFY(runsExecutable(deaf, m_stranger));

        platform::ProcessHandle first = platform::openProcess(willing->processId());
        QVERIFY(first);
        EndProcess(first, 5000);
        QVERIFY(endsSoon(willing));
        QCOMPARE(endingSignal(willing), SIGTERM);

        platform::ProcessHandle second = platform::openProcess(deaf->processId());
        QVERIFY(second);
        EndProcess(second, 300);
        QVERIFY(endsSoon(deaf));
        QCOMPARE(endingSignal(deaf), SIGKILL);
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
        QVERIFY(!handle.askToEnd());
        QVERIFY(!handle.terminate(0));
        QCOMPARE(second->state(), QProcess::Running);
    }

    void install_endsEveryCompanionInStartFolder_only()
    {
        QTemporaryDir data;
        DataDir = data.path() + u'/';
        ProgNam = QStringLiteral("qzLayer");
        DownloadName = QStringLiteral("qzLayer101.deb");
        DownloadedB = true;
        Companions companions;
        QProcess* first = companions.start(m_companion);
        QProcess* second = companions.start(m_companion);
        QProcess* otherCase = companions.start(m_otherCase);
        QProcess* stranger = companions.start(m_stranger);
        QVERIFY(first && second && otherCase && stranger);

        platform::setShellHandler([](const platform::ShellRequest&) { return 33; });
        TVersionsForm form(QStringLiteral("https://127.0.0.1:9/versions.dat"));
        StartDir = m_startFolder + u'/'; // the form takes the current folder when created
        int closes = 0;
        form.setProgramExit({ [] { return true; },
            [&] {
                ++closes;
                // Both are ended by the time the program would quit.
                QVERIFY(endsSoon(first));
                QVERIFY(endsSoon(second));
            } });
        form.Install();
        platform::setShellHandler(nullptr);

        QCOMPARE(closes, 1);
        QCOMPARE(endingSignal(first), SIGTERM);
        QCOMPARE(endingSignal(second), SIGTERM);
        QCOMPARE(otherCase->state(), QProcess::Running);
        QCOMPARE(stranger->state(), QProcess::Running);
    }

private:
    QTemporaryDir m_root;
    QString m_startFolder;
    QString m_otherFolder;
    QString m_companion;
    QString m_otherCase;
    QString m_stranger;
};

QTEST_MAIN(TerminateTest)
#include "tst_terminate.moc"
