#pragma once

#include "platform/Http.h"
#include "trackimport/MusicBrainz.h"

#include <QObject>
#include <QTimer>

namespace trackimport {

// Asks the MusicBrainz web service for releases and their tracks, one
// request at a time and at most one a second, as the service asks of every
// program; the window keeps working meanwhile. Each question ends in exactly
// one of the signals, unless it is cancelled.
class MusicBrainzLookup : public QObject
{
    Q_OBJECT

public:
    explicit MusicBrainzLookup(QObject* parent = nullptr);
    ~MusicBrainzLookup() override;

    // The service's address: the setting "MusicBrainzAddress", else the
    // public service.
    static QString serviceAddress();
    // Name, version and where to reach the makers, as the service wants.
    static QString userAgent();

    void findReleases(const QString& artist, const QString& album, int trackCount);
    void fetchTracks(const ReleaseChoice& choice);
    // Drops the question at hand; no signal follows.
    void cancel();
    bool isBusy() const;

    // Ends a question when nothing arrives for stallMs or it takes longer
    // than totalMs in all.
    void setTimeLimits(int stallMs, int totalMs);

signals:
    void releasesFound(const QList<trackimport::ReleaseChoice>& choices);
    void tracksFetched(const trackimport::ReleaseTracks& release);
    void failed(const QString& message);

private:
    enum class Question { None, Releases, Tracks };

    void ask(Question question, const QString& address);
    void send();
    void answered();
    QString failureText() const;

    platform::HttpTransfer m_transfer;
    platform::HttpOptions m_options;
    QTimer m_pause; // keeps a second between two requests
    Question m_question = Question::None;
    QString m_address;
    int m_trackCount = 0;
    int m_medium = 1;
};

} // namespace trackimport
