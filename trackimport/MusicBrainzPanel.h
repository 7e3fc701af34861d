#pragma once

#include "trackimport/MusicBrainzLookup.h"

#include <QWidget>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace trackimport {

// The import window's part that looks the album up on MusicBrainz: asks for
// the releases by artist, album and number of tracks, lets the user pick the
// one of the disc, and hands over its tracks. Failures are told here, where
// the user can ask again.
class MusicBrainzPanel : public QWidget
{
    Q_OBJECT

public:
    struct Question
    {
        QString artist;
        QString album;
        int trackCount = 0;
    };
    // What to ask: the album as the window shows it at the moment.
    using QuestionSource = std::function<Question()>;

    explicit MusicBrainzPanel(QuestionSource source, QWidget* parent = nullptr);

    MusicBrainzLookup& lookup() { return m_lookup; }
    // Says that titles or the album are missing and a lookup would help.
    void suggest(bool missing);
    // Drops a question at hand and the releases shown.
    void stop();

    QPushButton* lookUpButton = nullptr;
    QPushButton* stopButton = nullptr;
    QLabel* statusLabel = nullptr;
    QListWidget* releaseList = nullptr;
    QPushButton* useButton = nullptr;

signals:
    void releaseChosen(const trackimport::ReleaseTracks& release);

private:
    void lookUp();
    void showReleases(const QList<ReleaseChoice>& choices, int trackCount);
    void useChosen();
    void setBusy(bool busy, const QString& status);
    void showChoices(bool shown);

    QuestionSource m_source;
    MusicBrainzLookup m_lookup;
    QList<ReleaseChoice> m_choices;
    int m_askedTrackCount = 0;
};

} // namespace trackimport
