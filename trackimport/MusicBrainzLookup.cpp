#include "trackimport/MusicBrainzLookup.h"

#include "dialogs/AuthorInfo.h"
#include "platform/ErrorReport.h"
#include "platform/Settings.h"
#include "support/Language.h"
#include "support/SharedState.h"

#include <QElapsedTimer>
#include <QUrl>

namespace trackimport {

namespace {

const QString kAddressSetting = QStringLiteral("MusicBrainzAddress");
const QString kPublicService = QStringLiteral("https://musicbrainz.org");
constexpr int kSecondBetweenRequests = 1000;
constexpr qint64 kMaxAnswerBytes = 8 * 1024 * 1024;

// When this program last asked the service, whichever window asked.
QElapsedTimer& lastRequest()
{
    static QElapsedTimer timer;
    return timer;
}

} // namespace

MusicBrainzLookup::MusicBrainzLookup(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<trackimport::ReleaseTracks>();
    m_options.connectTimeoutMs = 15000;
    m_options.stallTimeoutMs = 20000;
    m_options.totalTimeoutMs = 60000;
    m_options.maxBodyBytes = kMaxAnswerBytes;
    m_options.freshCopy = false;
    m_options.userAgent = userAgent();
    m_options.extraHeaders = QStringList { QStringLiteral("Accept: application/json") };
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &MusicBrainzLookup::send);
    connect(&m_transfer, &platform::HttpTransfer::finished, this, &MusicBrainzLookup::answered);
}

MusicBrainzLookup::~MusicBrainzLookup()
{
    cancel();
}

QString MusicBrainzLookup::serviceAddress()
{
    const QString address
        = platform::Settings::readString(kAddressSetting, kPublicService).trimmed();
    return address.isEmpty() ? kPublicService : address;
}

QString MusicBrainzLookup::userAgent()
{
    const QString version = Version.section(QLatin1Char(' '), -1);
    const QString name = ProgNam.isEmpty() ? QStringLiteral("qzLayer") : ProgNam;
    return name + (version.isEmpty() ? QString() : QLatin1Char('/') + version)
        + QStringLiteral(" ( ") + AuthorInfo::HomePage + QStringLiteral(" )");
}

void MusicBrainzLookup::setTimeLimits(int stallMs, int totalMs)
{
    m_options.stallTimeoutMs = stallMs;
    m_options.totalTimeoutMs = totalMs;
}

bool MusicBrainzLookup::isBusy() const
{
    return m_question != Question::None;
}

void MusicBrainzLookup::findReleases(const QString& artist, const QString& album, int trackCount)
{
    m_trackCount = trackCount;
    ask(Question::Releases, releaseSearchAddress(serviceAddress(), artist, album, trackCount));
}

void MusicBrainzLookup::fetchTracks(const ReleaseChoice& choice)
{
    m_medium = choice.medium;
    ask(Question::Tracks, releaseLookupAddress(serviceAddress(), choice.releaseId));
}

void MusicBrainzLookup::cancel()
{
    m_question = Question::None;
    m_pause.stop();
    m_transfer.cancel();
}

void MusicBrainzLookup::ask(Question question, const QString& address)
{
    cancel();
    m_question = question;
    m_address = address;
    const qint64 since = lastRequest().isValid() ? lastRequest().elapsed() : kSecondBetweenRequests;
    if (since < kSecondBetweenRequests)
        m_pause.start(static_cast<int>(kSecondBetweenRequests - since));
    else
        send();
}

void MusicBrainzLookup::send()
{
    lastRequest().start();
    m_transfer.get(m_address, m_options);
}

void MusicBrainzLookup::answered()
{
    const Question question = m_question;
    if (question == Question::None)
        return; // cancelled
    m_question = Question::None;
    if (m_transfer.error() != platform::HttpError::None) {
        emit failed(failureText());
        return;
    }
    try {
        if (question == Question::Releases)
            emit releasesFound(parseReleaseSearch(m_transfer.body(), m_trackCount));
        else
            emit tracksFetched(parseReleaseLookup(m_transfer.body(), m_medium));
    } catch (const platform::UserError& error) {
        emit failed(error.text());
    }
}

QString MusicBrainzLookup::failureText() const
{
    using platform::HttpError;
    const QString host = QUrl(m_address).host();
    switch (m_transfer.error()) {
    case HttpError::ConnectionFailed:
    case HttpError::LibraryMissing:
        return localText("MusicBrainz (%1) is niet bereikbaar: %2. Kijk of de computer met "
                         "internet verbonden is",
            "MusicBrainz (%1) cannot be reached: %2. Check that the computer is connected to the "
            "internet")
            .arg(host, m_transfer.errorText());
    case HttpError::TimedOut:
    case HttpError::Stalled:
        return localText("MusicBrainz (%1) antwoordt niet op tijd; probeer het later nog eens",
            "MusicBrainz (%1) did not answer in time; try again later")
            .arg(host);
    case HttpError::InvalidAddress:
        return localText("Het adres van MusicBrainz in de instellingen is geen webadres: \"%1\"",
            "The MusicBrainz address in the settings is not a web address: \"%1\"")
            .arg(serviceAddress());
    case HttpError::ErrorStatus:
        if (m_transfer.status() == 503) {
            return localText(
                "MusicBrainz heeft het te druk; probeer het over een ogenblik nog eens",
                "MusicBrainz is too busy; try again in a moment");
        }
        if (m_transfer.status() == 404) {
            return localText("MusicBrainz kent deze uitgave niet (meer)",
                "MusicBrainz does not know this release (any more)");
        }
        return localText("MusicBrainz antwoordt met fout %1", "MusicBrainz answered with error %1")
            .arg(m_transfer.status());
    default:
        return localText("De vraag aan MusicBrainz is mislukt: %1", "Asking MusicBrainz failed: %1")
            .arg(m_transfer.errorText());
    }
}

} // namespace trackimport
