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
