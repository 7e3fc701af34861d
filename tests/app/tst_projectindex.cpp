#include "app/ProjectIndex.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class ProjectIndexTest : public QObject
{
    Q_OBJECT

private slots:
    void indexBytes_areThreeAnsiLinesWithCrLf()
    {
        QCOMPARE(projectIndexBytes(QStringLiteral("Caf\u00e9 \u20ac")),
            QByteArray("Caf\xe9 \x80\\Front.jpg\r\nCaf\xe9 \x80\\Back.bmp\r\nCaf\xe9 \x80\\Back.rtf\r\n"));
        QCOMPARE(projectIndexBytes(QString()), QByteArray("\\Front.jpg\r\n\\Back.bmp\r\n\\Back.rtf\r\n"));
    }

    void nameOutsideTheCodePage_isWrittenAsUtf8WithBom_andReadBack()
    {
        const QString name = QStringLiteral("\u039c\u03bf\u03c5\u03c3\u03b9\u03ba\u03ae \u97f3\u697d");
        const QByteArray bytes = projectIndexBytes(name);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const ProjectIndexLines lines = parseProjectIndex(bytes, name);
        QCOMPARE(lines.front, name + QStringLiteral("\\Front.jpg"));
        QCOMPARE(lines.text, name + QStringLiteral("\\Back.rtf"));
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("front");
        QTest::addColumn<QString>("back");
        QTest::addColumn<QString>("text");
        QTest::newRow("relative, CR LF") << QByteArray("A\\Front.jpg\r\nA\\Back.bmp\r\nA\\Back.rtf\r\n")
                                         << "A" << "A\\Front.jpg" << "A\\Back.bmp" << "A\\Back.rtf";
        QTest::newRow("LF only, slashes") << QByteArray("A/Front.jpg\nA/Back.bmp\nA/Back.rtf")
                                          << "A" << "A/Front.jpg" << "A/Back.bmp" << "A/Back.rtf";
        QTest::newRow("short file") << QByteArray("A\\Front.jpg") << "A" << "A\\Front.jpg" << ""
                                    << "";
        QTest::newRow("old absolute form")
            << QByteArray("C:\\Program Files\\qz\\Rose 2002\\Front.jpg\r\n"
                          "C:\\Program Files\\qz\\Rose 2002\\Back.bmp\r\n"
                          "D:\\elsewhere\\Back.rtf\r\n")
            << "Rose 2002" << "Rose 2002\\Front.jpg" << "Rose 2002\\Back.bmp"
            << "D:\\elsewhere\\Back.rtf";
        QTest::newRow("name is case-sensitive")
            << QByteArray("C:\\x\\rose\\Front.jpg\r\n\r\n\r\n") << "Rose" << "C:\\x\\rose\\Front.jpg"
            << "" << "";
        QTest::newRow("one-character line is not old form")
            << QByteArray("C\r\n:\r\n") << "C" << "C" << ":" << "";
    }
    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        const ProjectIndexLines lines = parseProjectIndex(bytes, name);
        QTEST(lines.front, "front");
        QTEST(lines.back, "back");
        QTEST(lines.text, "text");
    }

    void oldForm_cutsAt255Characters()
    {
        const QString longTail = QString(300, QLatin1Char('x'));
        const QByteArray bytes = "C:\\N" + longTail.toLatin1() + "\r\nC:\\" + longTail.toLatin1();
        const ProjectIndexLines lines = parseProjectIndex(bytes, QStringLiteral("N"));
        QCOMPARE(lines.front.size(), 255);
        QVERIFY(lines.front.startsWith(QLatin1Char('N')));
        QCOMPARE(lines.back, QStringLiteral("C:\\") + longTail.left(252));
    }

    void readIndex_missingOrEmptyFirstLine_givesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(!readProjectIndex(dir.filePath(QStringLiteral("none.qlp")), QStringLiteral("none")));
        QFile empty(dir.filePath(QStringLiteral("empty.qlp")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.write("\r\nX\\Back.bmp\r\n");
        empty.close();
        QVERIFY(!readProjectIndex(empty.fileName(), QStringLiteral("empty")));
    }

    // Anything but three short lines is not an index and is not read further.
    void readIndex_notAnIndex_saysWhy_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("problem");
        QTest::newRow("a line longer than any path")
            << QByteArray("A\\Front.jpg\r\n") + QByteArray(4097, 'b') + "\r\n"
            << QStringLiteral("line 2 is longer than 4096 characters");
        QTest::newRow("a line as long as a path may be") << QByteArray(4096, 'a') + "\r\n"
                                                         << QString();
        QTest::newRow("larger than an index can be")
            << QByteArray(64 * 1024 + 1, 'a') << QStringLiteral("the file is larger than 64 KB");
    }
    void readIndex_notAnIndex_saysWhy()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("odd.qlp")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QString found = QStringLiteral("(not set)");
        const std::optional<ProjectIndexLines> lines
            = readProjectIndex(file.fileName(), QStringLiteral("odd"), &found);
        QCOMPARE(lines.has_value(), problem.isEmpty());
        QCOMPARE(found, problem);
    }

    void projectFilePath_acceptsBothSeparators()
    {
        const QString dataDir = QDir::toNativeSeparators(QStringLiteral("/data/"));
        const QString expected = QDir::toNativeSeparators(QStringLiteral("/data/A/Front.jpg"));
        QCOMPARE(projectFilePath(dataDir, QStringLiteral("A\\Front.jpg")), expected);
        QCOMPARE(projectFilePath(dataDir, QStringLiteral("A/Front.jpg")), expected);
    }

    // An index line may name no file outside the data folder.
    void projectFilePath_refusesLinesLeadingOut_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("followed");
        QTest::newRow("parent folders to a device") << "..\\..\\..\\..\\dev\\zero" << false;
        QTest::newRow("parent folder in the middle") << "A/../../etc/passwd" << false;
        QTest::newRow("parent folder at the end") << "A\\.." << false;
        QTest::newRow("dots in a name") << "A..B\\Front.jpg" << true;
        QTest::newRow("current folder") << ".\\A\\Front.jpg" << true;
        QTest::newRow("a leading separator stays inside") << "\\A\\Front.jpg" << true;
    }
    void projectFilePath_refusesLinesLeadingOut()
    {
        QFETCH(QString, line);
        QFETCH(bool, followed);
        QCOMPARE(projectFilePath(QStringLiteral("/data/"), line).has_value(), followed);
    }
};

QTEST_GUILESS_MAIN(ProjectIndexTest)
#include "tst_projectindex.moc"
