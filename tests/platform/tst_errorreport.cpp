#include "platform/ErrorReport.h"

#include <QPushButton>
#include <QTest>

using namespace platform;

class ErrorReportTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_reports.clear();
        setErrorPresenter([this](const QString& text) { m_reports << text; });
    }
    void cleanup() { setErrorPresenter(nullptr); }

    void reportText_addsFullStopOnlyWhenMissing_data()
    {
        QTest::addColumn<QString>("raised");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no stop") << "Cannot open file x" << "Cannot open file x.";
        QTest::newRow("has stop") << "Disk full." << "Disk full.";
        QTest::newRow("empty") << "" << ".";
    }
    void reportText_addsFullStopOnlyWhenMissing()
    {
        QFETCH(QString, raised);
        QFETCH(QString, shown);
        QCOMPARE(errorReportText(raised), shown);
    }

    void reportText_outsideTextIsKeptReadable_data()
    {
        QTest::addColumn<QString>("raised");
        QTest::addColumn<QString>("shown");
        const QString folder = QStringLiteral("/home/user/UserData/qzLayer/");
        const QString longLine = QString(200, u'x') + QStringLiteral("\\Front.jpg");
        QTest::newRow("short quote kept") << "Cannot open \"" + folder + "A/Front.jpg\""
                                          << "Cannot open \"" + folder + "A/Front.jpg\".";
        const QString longPath = folder + longLine;
        QTest::newRow("long quote keeps its start and its file name")
            << "Cannot open \"" + longPath + "\": no such file"
            << "Cannot open \"" + longPath.left(39) + QChar(0x2026) + longPath.right(80)
                + "\": no such file.";
        QTest::newRow("line break inside quotes shows")
            << QStringLiteral("\"Line1\nLine2\" cannot be used")
            << QStringLiteral("\"Line1\u23CELine2\" cannot be used.");
        QTest::newRow("other control characters inside quotes")
            << QStringLiteral("\"a\tb\x01\" bad") << QStringLiteral("\"a\uFFFDb\uFFFD\" bad.");
        QTest::newRow("line breaks outside quotes stay") << QStringLiteral(
            "Two problems:\nfirst\nsecond") << QStringLiteral("Two problems:\nfirst\nsecond.");
        QTest::newRow("unmatched quote")
            << QStringLiteral("Bad \"name") << QStringLiteral("Bad \"name.");
        const QString note = QStringLiteral("\U0001F3B5");
        QTest::newRow("surrogate pairs at the cuts stay whole")
            << u'"' + QString(38, u'a') + note + QString(100, u'c') + note + QString(79, u'b')
                + u'"'
            << u'"' + QString(38, u'a') + QChar(0x2026) + QString(79, u'b') + QStringLiteral("\".");
    }
    void reportText_outsideTextIsKeptReadable()
    {
        QFETCH(QString, raised);
        QFETCH(QString, shown);
        QCOMPARE(errorReportText(raised), shown);
    }

    // A message quoting a whole line of a hostile file once crashed the
    // message box; whatever is raised, the report stays a readable size.
    void reportText_anyLengthAndLineCount_isBounded_data()
    {
        QTest::addColumn<QString>("raised");
        QTest::newRow("one huge quoted line")
            << "Cannot open \"" + QString(10'000'000, u'a') + "\": too long";
        QTest::newRow("one huge unquoted line") << QString(1'000'000, u'b');
        QTest::newRow("many lines") << QStringLiteral("line\n").repeated(10'000);
        QTest::newRow("many quotes") << QStringLiteral("\"x\" ").repeated(100'000);
    }
    void reportText_anyLengthAndLineCount_isBounded()
    {
        QFETCH(QString, raised);
        QVERIFY(!runGuarded([&] { throw UserError(raised); }));
        QCOMPARE(m_reports.size(), 1);
        const QStringList lines = m_reports.constFirst().split(u'\n');
        QVERIFY(lines.size() <= kReportLines);
        for (const QString& line : lines)
            QVERIFY(line.size() <= kReportLineLength + 1); // and a full stop
    }

    void errorInClickHandler_endsHandlerAndIsReported()
    {
        QPushButton button;
        bool reachedAfterError = false;
        QObject::connect(&button, &QPushButton::clicked, &button, guarded([&] {
            throw UserError(QStringLiteral("Picture cannot be loaded"));
            reachedAfterError = true;
        }));
        QTest::mouseClick(&button, Qt::LeftButton);
        QVERIFY(!reachedAfterError);
        QCOMPARE(m_reports, QStringList { QStringLiteral("Picture cannot be loaded.") });

        // The program goes on: the next click is handled (and reported) again.
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(m_reports.size(), 2);
    }

    void standardExceptions_areReportedToo()
    {
        QVERIFY(!runGuarded([] { throw std::runtime_error("bad value"); }));
        QVERIFY(runGuarded([] {}));
        QCOMPARE(m_reports, QStringList { QStringLiteral("bad value.") });
    }

private:
    QStringList m_reports;
};

QTEST_MAIN(ErrorReportTest)
#include "tst_errorreport.moc"
