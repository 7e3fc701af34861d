#include "trackimport/MusicBrainzPanel.h"

#include "platform/ErrorReport.h"
#include "support/Language.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace trackimport {

MusicBrainzPanel::MusicBrainzPanel(QuestionSource source, QWidget* parent)
    : QWidget(parent)
    , m_source(std::move(source))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    lookUpButton
        = new QPushButton(localText("Opzoeken bij MusicBrainz", "Look up on MusicBrainz"), this);
    stopButton = new QPushButton(localText("Stoppen", "Stop"), this);
    stopButton->hide();
    statusLabel = new QLabel(this);
    statusLabel->setWordWrap(true);
    statusLabel->setTextFormat(Qt::PlainText);
    row->addWidget(lookUpButton);
    row->addWidget(stopButton);
    row->addWidget(statusLabel, 1);
    layout->addLayout(row);

    auto* choiceRow = new QHBoxLayout;
    releaseList = new QListWidget(this);
    releaseList->setMaximumHeight(releaseList->fontMetrics().height() * 6);
    useButton = new QPushButton(localText("Deze uitgave gebruiken", "Use this release"), this);
    choiceRow->addWidget(releaseList, 1);
    choiceRow->addWidget(useButton, 0, Qt::AlignTop);
    layout->addLayout(choiceRow);
    showChoices(false);
    suggest(false);

    connect(lookUpButton, &QPushButton::clicked, this, &MusicBrainzPanel::lookUp);
    connect(stopButton, &QPushButton::clicked, this, [this] {
        stop();
        statusLabel->clear();
    });
    connect(useButton, &QPushButton::clicked, this, &MusicBrainzPanel::useChosen);
    connect(releaseList, &QListWidget::itemActivated, this, &MusicBrainzPanel::useChosen);
    connect(&m_lookup, &MusicBrainzLookup::releasesFound, this,
        [this](const QList<ReleaseChoice>& choices) { showReleases(choices, m_askedTrackCount); });
    connect(
        &m_lookup, &MusicBrainzLookup::tracksFetched, this, [this](const ReleaseTracks& release) {
            setBusy(false,
                localText(
                    "Titels en tijden van MusicBrainz: %1", "Titles and times from MusicBrainz: %1")
                    .arg(release.title));
            showChoices(false);
            emit releaseChosen(release);
        });
    connect(&m_lookup, &MusicBrainzLookup::failed, this,
        [this](const QString& message) { setBusy(false, platform::errorReportText(message)); });
}

void MusicBrainzPanel::suggest(bool missing)
{
    if (m_lookup.isBusy())
        return;
    statusLabel->setText(missing
            ? localText("Album of titels ontbreken: MusicBrainz kan ze aanvullen.",
                "The album or titles are missing: MusicBrainz can fill them in.")
            : localText("MusicBrainz zoekt titels en tijden bij artiest, album en aantal nummers.",
                "MusicBrainz finds titles and times by artist, album and number of tracks."));
}

void MusicBrainzPanel::stop()
{
    m_lookup.cancel();
    setBusy(false, statusLabel->text());
    showChoices(false);
}

void MusicBrainzPanel::lookUp()
{
    const Question question = m_source();
    if (question.artist.isEmpty() && question.album.isEmpty()) {
        statusLabel->setText(localText("Vul de artiest of het album in om te zoeken.",
            "Fill in the artist or the album to look for."));
        return;
    }
    showChoices(false);
    m_askedTrackCount = question.trackCount;
    setBusy(true, localText("MusicBrainz wordt gevraagd...", "Asking MusicBrainz..."));
    m_lookup.findReleases(question.artist, question.album, question.trackCount);
}

void MusicBrainzPanel::showReleases(const QList<ReleaseChoice>& choices, int trackCount)
{
    m_choices = choices;
    if (choices.isEmpty()) {
        setBusy(false,
            trackCount > 0
                ? localText(
                    "MusicBrainz kent geen uitgave van die artiest en dat album met %1 nummers.",
                    "MusicBrainz knows no release of that artist and album with %1 tracks.")
                      .arg(trackCount)
                : localText("MusicBrainz kent geen uitgave van die artiest en dat album.",
                    "MusicBrainz knows no release of that artist and album."));
        return;
    }
    releaseList->clear();
    for (const ReleaseChoice& choice : choices)
        releaseList->addItem(describeChoice(choice));
    releaseList->setCurrentRow(0);
    setBusy(false, localText("Kies de uitgave van uw schijf:", "Pick the release of your disc:"));
    showChoices(true);
}

void MusicBrainzPanel::useChosen()
{
    const int row = releaseList->currentRow();
    if (row < 0 || row >= m_choices.size() || m_lookup.isBusy())
        return;
    setBusy(true,
        localText("De nummers van %1 worden opgehaald...", "Fetching the tracks of %1...")
            .arg(m_choices.at(row).title));
    m_lookup.fetchTracks(m_choices.at(row));
}

void MusicBrainzPanel::setBusy(bool busy, const QString& status)
{
    statusLabel->setText(status);
    lookUpButton->setEnabled(!busy);
    useButton->setEnabled(!busy);
    stopButton->setVisible(busy);
}

void MusicBrainzPanel::showChoices(bool shown)
{
    releaseList->setVisible(shown);
    useButton->setVisible(shown);
}

} // namespace trackimport
