#include "support/ProjectName.h"
#include "support/Support.h"

#include <QTest>

// One rule for every save that names a project.
class ProjectNameTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { sLanguage.clear(); }

    void problem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refused");
        QTest::newRow("ordinary") << QStringLiteral("Velmora Last Rose Of Summer 2002") << false;
        QTest::newRow("empty: the data folder itself") << QString() << false;
        QTest::newRow("accents and symbols")
            << QStringLiteral("Caf\u00e9 \u266b (live) & more!") << false;
        QTest::newRow("dots inside") << QStringLiteral("Vol. 2...") << false;
        QTest::newRow("spaces around") << QStringLiteral("  Spaced  ") << false;
        QTest::newRow("slash") << QStringLiteral("AC/DC") << true;
        QTest::newRow("backslash") << QStringLiteral("A\\B") << true;
        QTest::newRow("colon") << QStringLiteral("Side A: B") << true;
        QTest::newRow("only dots") << QStringLiteral("..") << true;
        QTest::newRow("line feed") << QStringLiteral("Line1\nLine2") << true;
        QTest::newRow("carriage return") << QStringLiteral("Line1\r") << true;
        QTest::newRow("tab") << QStringLiteral("\tIndented") << true;
        QTest::newRow("nul") << QString(QStringLiteral("A") + QChar(0) + QStringLiteral("B"))
                             << true;
        QTest::newRow("delete and C1 controls") << QStringLiteral("A\u007f\u0085B") << true;
        QTest::newRow("line separator") << QStringLiteral("A\u2028B") << true;
    }
    void problem()
    {
        QFETCH(QString, name);
        QFETCH(bool, refused);
        const QString problem = projectNameProblem(name);
        QCOMPARE(!problem.isEmpty(), refused);
        if (refused)
            QVERIFY(problem.startsWith(u'"' + name + u'"'));
    }

    void problem_isSaidInTheUsersLanguage()
    {
        sLanguage = QStringLiteral("NLD");
        QVERIFY(projectNameProblem(QStringLiteral("A\nB")).contains(QStringLiteral("projectnaam")));
    }
};

QTEST_GUILESS_MAIN(ProjectNameTest)
#include "tst_projectname.moc"
