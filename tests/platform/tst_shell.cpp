#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeScript(const QString& path, const QByteArray& body)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body + '\n');
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}

} // namespace

class ShellTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_page = m_folder.filePath(QStringLiteral("help.html"));
        QFile page(m_page);
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html><body>Help</body></html>");
    }

    // The desktop is asked with xdg-mime which program shows the target; a
    // fake one answers here, on a PATH that holds nothing else.
    void noProgramForPagesOrFiles_isReportedAsSuch_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("desktopChoice");
        QTest::addColumn<bool>("xWwwBrowser");
        QTest::addColumn<QByteArray>("browserVariable");
        QTest::addColumn<bool>("noProgram");
        const QString page = QStringLiteral("@page#en-1100");
        const QString site = QStringLiteral("http://www.qzlayer.example/");
        QTest::newRow("help page, no browser")
            << page << QByteArray() << false << QByteArray() << true;
        QTest::newRow("help page, the desktop's browser")
            << page << QByteArray("firefox-esr.desktop") << false << QByteArray() << false;
        QTest::newRow("help page, x-www-browser")
            << page << QByteArray() << true << QByteArray() << false;
        QTest::newRow("help page, BROWSER")
            << page << QByteArray() << false << QByteArray("w3m") << false;
        QTest::newRow("web site, no browser")
            << site << QByteArray() << false << QByteArray() << true;
        QTest::newRow("mail, not asked") << QStringLiteral("mailto:someone@qzlayer.example")
                                         << QByteArray() << false << QByteArray() << false;
    }
    void noProgramForPagesOrFiles_isReportedAsSuch()
    {
        QFETCH(QString, target);
        QFETCH(QByteArray, desktopChoice);
        QFETCH(bool, xWwwBrowser);
        QFETCH(QByteArray, browserVariable);
        QFETCH(bool, noProgram);

        QTemporaryDir bin;
        QVERIFY(bin.isValid());
        writeScript(bin.filePath(QStringLiteral("xdg-mime")),
            "[ \"$1 $2\" = \"query default\" ] && echo '" + desktopChoice + "'");
        if (xWwwBrowser)
            writeScript(bin.filePath(QStringLiteral("x-www-browser")), "exit 0");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()));
        qputenv("BROWSER", browserVariable);
        target.replace(QStringLiteral("@page"), QUrl::fromLocalFile(m_page).toString());

        const int result = platform::shellExecute({ target, QString() });

        qputenv("PATH", path);
        qunsetenv("BROWSER");
        if (noProgram)
            QCOMPARE(result, platform::kShellNoAssociation);
        else
            QVERIFY(result != platform::kShellNoAssociation);
    }

private:
    QTemporaryDir m_folder;
    QString m_page;
};

QTEST_MAIN(ShellTest)
#include "tst_shell.moc"
