#include "dialogs/About.h"
#include "dialogs/AuthorInfo.h"
#include "dialogs/BevelPanel.h"
#include "dialogs/DialogLayout.h"
#include "dialogs/MessForm.h"
#include "platform/Shell.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "support/UpdateCheckSetting.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QUrl>
#include <QUrlQuery>

namespace {

const QString kCrLf = QStringLiteral("%0D%0A");

QString encoded(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

void useLanguage(const QString& language)
{
    sLanguage = language;
    const bool dutch = language == QLatin1String("NLD");
    Version = dutch ? QStringLiteral("versie 1.00d") : QStringLiteral("version 1.00c");
    Copyright = QStringLiteral("Copyright 2002 Voorbeeld");
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formCreate_placesCentredControls();
    void mailLink_isTheExactDutchAddress();
    void mailLink_reachesMailProgramIntact_data();
    void mailLink_reachesMailProgramIntact();
    void homeButton_opensHomePage();
    void failingShell_showsTimedMessage_data();
    void failingShell_showsTimedMessage();
    void texts_followLanguage_data();
    void texts_followLanguage();
    void opening_alwaysStartsOnMainPage();
    void escape_doesNothing_enterPressesVisibleOk();
    void updateCheckBox_turnsTheCheckAtStartOffAndOnAgain_data();
    void updateCheckBox_turnsTheCheckAtStartOffAndOnAgain();

private:
    TMessageForm* m_messages = nullptr;
    TAboutBox* m_about = nullptr;
    QList<platform::ShellRequest> m_opened;
    int m_shellResult = 42;
};

void TestAbout::init()
{
    useLanguage(QStringLiteral("NLD"));
    m_opened.clear();
    m_shellResult = 42;
    platform::setShellHandler([this](const platform::ShellRequest& request) {
        m_opened << request;
        return m_shellResult;
    });
    m_messages = new TMessageForm;
    m_about = new TAboutBox(*m_messages);
}

void TestAbout::cleanup()
{
    platform::setShellHandler(nullptr);
    delete m_about;
    delete m_messages;
}

void TestAbout::formCreate_placesCentredControls()
{
    // The design's 305 rows and the row of the update check box below them.
    QCOMPARE(m_about->size(), QSize(456, 333));
    QCOMPARE(m_about->NameLabel->geometry(), QRect(5, 22, 446, 63));
    QCOMPARE(m_about->VersionLabel->geometry(), QRect(5, 91, 446, 20));
    QCOMPARE(m_about->HomeBtn->geometry(), QRect(315, 250, 90, 34));
    QCOMPARE(m_about->OKBtn->geometry(), QRect(183, 251, 90, 34));
    QCOMPARE(m_about->OKBtn1->geometry(), QRect(183, 251, 90, 33));
    QCOMPARE(m_about->UpdateCheckBox->geometry(), QRect(20, 297, 416, 24));
    QCOMPARE(m_about->MainPanel->geometry(), QRect(0, 0, 456, 333));
    QCOMPARE(m_about->Memo1->geometry(), QRect(0, 0, 456, 333));
}

void TestAbout::mailLink_isTheExactDutchAddress()
{
    m_about->show();
    QTest::mouseClick(m_about->MailBtn, Qt::LeftButton);

    const QString expected = QStringLiteral("mailto:") + AuthorInfo::EMail
        + QStringLiteral("?Subject=Programma%20qzLayer%2C%20versie%201.00d&Body=Hallo%20")
        + encoded(AuthorInfo::FirstName)
        + QStringLiteral(
            "%0D%0A%0D%0AIk%20vond%20op%20je%20Home%20Page%20het%20programma%20qzLayer."
            "%0D%0A%0D%0AIk%20wil%20hierover%20het%20volgende%20kwijt%3A"
            "%0D%0A%0D%0A%0D%0A%0D%0A%0D%0A%0D%0AMet%20vriendelijke%20groet%2C");
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(m_opened.first().target, expected);
    QVERIFY(m_opened.first().parameters.isEmpty());
    QVERIFY(!m_messages->isVisible());
}

void TestAbout::mailLink_reachesMailProgramIntact_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("line5");
    QTest::addColumn<QString>("line11");

    QTest::newRow("Dutch") << QStringLiteral("NLD")
                           << QStringLiteral("Programma qzLayer, versie 1.00d")
                           << QStringLiteral("Ik wil hierover het volgende kwijt:")
                           << QStringLiteral("Met vriendelijke groet,");
    QTest::newRow("English") << QStringLiteral("ENG")
                             << QStringLiteral("Programma qzLayer, version 1.00c")
                             << QStringLiteral("I want to let you know:")
                             << QStringLiteral("Kind regards,");
}

void TestAbout::mailLink_reachesMailProgramIntact()
{
    QFETCH(QString, language);
    QFETCH(QString, subject);
    QFETCH(QString, line5);
    QFETCH(QString, line11);

    useLanguage(language);
    m_about->show();
    QTest::mouseClick(m_about->MailBtn, Qt::LeftButton);
    QCOMPARE(m_opened.size(), 1);
    const QString link = m_opened.first().target;

    // Eleven lines joined by ten line breaks, five empty lines between line 5 and line 11.
    QCOMPARE(link.count(kCrLf), 10);
    QVERIFY(link.contains(encoded(line5) + kCrLf.repeated(6) + encoded(line11)));

    // What a mail program reads back from the address.
    const QUrl url(link, QUrl::StrictMode);
    QVERIFY2(url.isValid(), qPrintable(url.errorString()));
    QCOMPARE(url.scheme(), QStringLiteral("mailto"));
    QCOMPARE(url.path(), AuthorInfo::EMail);
    const QUrlQuery query(url);
    const QString decodedSubject
        = query.queryItemValue(QStringLiteral("Subject"), QUrl::FullyDecoded);
    QVERIFY(decodedSubject.startsWith(QStringLiteral("Programma ")));
    QCOMPARE(decodedSubject, subject);
    const QStringList body = query.queryItemValue(QStringLiteral("Body"), QUrl::FullyDecoded)
                                 .split(QStringLiteral("\r\n"));
    QCOMPARE(body.size(), 11);
    QCOMPARE(body, m_about->MailMemo);
    QCOMPARE(body.at(0),
        (language == QLatin1String("NLD") ? QStringLiteral("Hallo ") : QStringLiteral("Hello "))
            + AuthorInfo::FirstName);
    QCOMPARE(body.at(4), line5);
    QCOMPARE(body.at(10), line11);
}

void TestAbout::homeButton_opensHomePage()
{
    m_about->show();
    QTest::mouseClick(m_about->HomeBtn, Qt::LeftButton);
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(m_opened.first().target, AuthorInfo::HomePage);
    QVERIFY(QUrl(AuthorInfo::HomePage, QUrl::StrictMode).isValid());
}

void TestAbout::failingShell_showsTimedMessage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("mail");
    QTest::addColumn<int>("shellResult");
    QTest::addColumn<QString>("message");

    QTest::newRow("Dutch mail") << QStringLiteral("NLD") << true << 32
                                << QStringLiteral("E-mail is in de fout gegaan.");
    QTest::newRow("English mail") << QString() << true << 0
                                  << QStringLiteral("Error sending E-mail.");
    QTest::newRow("Dutch browser")
        << QStringLiteral("NLD") << false << 2 << QStringLiteral("Browser niet geopend.");
    QTest::newRow("English browser")
        << QString() << false << 31 << QStringLiteral("Browser not opened.");
}

void TestAbout::failingShell_showsTimedMessage()
{
    QFETCH(QString, language);
    QFETCH(bool, mail);
    QFETCH(int, shellResult);
    QFETCH(QString, message);

    useLanguage(language);
    m_shellResult = shellResult;
    m_about->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_about));
    QTest::mouseClick(mail ? m_about->MailBtn : m_about->HomeBtn, Qt::LeftButton);

    QVERIFY(m_messages->isVisible());
    QCOMPARE(m_messages->MessageMemo->toPlainText(), message);
    QCOMPARE(m_messages->Timer.interval(), 3000);
    QVERIFY(m_messages->Timer.isActive());
    const QRect about = m_about->frameGeometry();
    QCOMPARE(m_messages->pos(),
        centredOver(about.top(), about.left(), about.height(), about.width(), m_messages->height(),
            m_messages->width()));
    QVERIFY(m_about->isVisible());
}

void TestAbout::texts_followLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("texts"); // title, Label1, Label2, four hints, author title
    QTest::addColumn<int>("authorLines");

    QTest::newRow("Dutch") << QStringLiteral("NLD")
                           << QStringList { QStringLiteral("qzLayer - Informatie"),
                                  QStringLiteral("qzLayer is een eenvoudig programma om"),
                                  QStringLiteral("inlays voor CD-doosjes te maken."),
                                  QStringLiteral("Verlaat Info-venster"),
                                  QStringLiteral("Stuur e-mail naar auteur"),
                                  QStringLiteral("Toon Home Page in Browser"),
                                  QStringLiteral("Verlaat Informatie-scherm"),
                                  QStringLiteral("qzLayer - Informatie") }
                           << 11;
    QTest::newRow("English") << QString()
                             << QStringList { QStringLiteral("qzLayer - About"),
                                    QStringLiteral("qzLayer is a simple program to print"),
                                    QStringLiteral("inlays for CD boxes."),
                                    QStringLiteral("Close About Window"),
                                    QStringLiteral("Send e-mail to the author"),
                                    QStringLiteral("Show Home Page in Browser"),
                                    QStringLiteral("Close About Window"),
                                    QStringLiteral("qzLayer - Information") }
                             << 12;
}

void TestAbout::texts_followLanguage()
{
    QFETCH(QString, language);
    QFETCH(QStringList, texts);
    QFETCH(int, authorLines);

    useLanguage(language);
    m_about->show();
    QStringList shown { m_about->windowTitle(), m_about->Label1->text(), m_about->Label2->text(),
        m_about->OKBtn->toolTip(), m_about->MailBtn->toolTip(), m_about->HomeBtn->toolTip(),
        m_about->OKBtn1->toolTip() };
    QTest::mouseClick(m_about->AutorBtn, Qt::LeftButton);
    shown << m_about->windowTitle();

    QCOMPARE(shown, texts);
    QCOMPARE(m_about->AutorBtn->toolTip(), QStringLiteral("Toon informatie"));
    QCOMPARE(m_about->NameLabel->text(), QStringLiteral("qzLayer"));
    QCOMPARE(m_about->VersionLabel->text(), Version);
    QCOMPARE(m_about->CopyrightLabel->text(), Copyright);
    const QStringList author = m_about->Memo1->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(author.size(), authorLines);
    QVERIFY(author.contains(AuthorInfo::EMail));
    QVERIFY(author.contains(AuthorInfo::HomePage));
}

void TestAbout::opening_alwaysStartsOnMainPage()
{
    auto onMainPage = [this] {
        return m_about->MainPanel->isVisible() && !m_about->Memo1->isVisible()
            && !m_about->OKBtn1->isVisible();
    };

    m_about->show();
    QVERIFY(onMainPage());
    QTest::mouseClick(m_about->AutorBtn, Qt::LeftButton);
    QVERIFY(!m_about->MainPanel->isVisible());
    QVERIFY(m_about->Memo1->isVisible() && m_about->OKBtn1->isVisible());
    QTest::mouseClick(m_about->OKBtn1, Qt::LeftButton);
    QVERIFY(!m_about->isVisible());
    QCOMPARE(m_about->result(), int(QDialog::Accepted));

    m_about->show();
    QVERIFY(onMainPage());
    QCOMPARE(m_about->windowTitle(), QStringLiteral("qzLayer - Informatie"));
    QTest::mouseClick(m_about->OKBtn, Qt::LeftButton);
    QVERIFY(!m_about->isVisible());

    m_about->show();
    QVERIFY(onMainPage());
}

void TestAbout::escape_doesNothing_enterPressesVisibleOk()
{
    m_about->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_about));
    QTest::keyClick(m_about, Qt::Key_Escape);
    QVERIFY(m_about->isVisible());

    QTest::mouseClick(m_about->AutorBtn, Qt::LeftButton);
    QTest::keyClick(m_about, Qt::Key_Escape);
    QVERIFY(m_about->isVisible());
    QTest::keyClick(m_about, Qt::Key_Return);
    QVERIFY(!m_about->isVisible());

    m_about->show();
    QVERIFY(m_about->MainPanel->isVisible());
    QTest::keyClick(m_about, Qt::Key_Return);
    QVERIFY(!m_about->isVisible());
}

void TestAbout::updateCheckBox_turnsTheCheckAtStartOffAndOnAgain_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("text");
    QTest::newRow("Dutch") << QStringLiteral("NLD")
                           << QStringLiteral("Controleer bij het starten op updates");
    QTest::newRow("English") << QString() << QStringLiteral("Check for updates at start");
}

void TestAbout::updateCheckBox_turnsTheCheckAtStartOffAndOnAgain()
{
    QFETCH(QString, language);
    QFETCH(QString, text);
    useLanguage(language);
    setCheckForUpdatesAtStart(false); // as the update window leaves it
    m_about->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_about));
    QCOMPARE(m_about->UpdateCheckBox->text(), text);
    QVERIFY(m_about->UpdateCheckBox->isVisible());
    QVERIFY(!m_about->UpdateCheckBox->isChecked());

    QTest::mouseClick(m_about->UpdateCheckBox, Qt::LeftButton);
    QVERIFY(checkForUpdatesAtStart());
    QTest::keyClick(m_about, Qt::Key_Return); // Enter still closes the window
    QVERIFY(!m_about->isVisible());
    QVERIFY(checkForUpdatesAtStart());

    m_about->show();
    QVERIFY(m_about->UpdateCheckBox->isChecked());
    m_about->UpdateCheckBox->click();
    QVERIFY(!checkForUpdatesAtStart());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
