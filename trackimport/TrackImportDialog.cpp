#include "trackimport/TrackImportDialog.h"

#include "platform/ErrorReport.h"
#include "platform/Settings.h"
#include "support/Language.h"
#include "support/SharedState.h"
#include "trackimport/AudioFile.h"
#include "trackimport/MusicBrainzPanel.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace trackimport {

namespace {

const QString kFolderSetting = QStringLiteral("TrackImportFolder");

enum Column { NumberColumn, TitleColumn, ArtistColumn, TimeColumn, ColumnCount };

QStringList localFiles(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}

QString fileFilter()
{
    QStringList patterns;
    for (const QString& extension : audioFileExtensions())
        patterns << QStringLiteral("*.") + extension;
    patterns << QStringLiteral("*.m3u") << QStringLiteral("*.m3u8") << QStringLiteral("*.cue");
    return localText("Muziek, afspeellijsten en cue sheets", "Music, playlists and cue sheets")
        + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QStringLiteral(");;")
        + localText("Alle bestanden", "All files") + QStringLiteral(" (*)");
}

QString pointText(qreal points)
{
    return QString::number(points, 'g', 3);
}

} // namespace

TrackImportDialog::TrackImportDialog(QWidget* parent)
    : QDialog(parent)
{
    createControls();
    setTexts();
    connectControls();
    showTracks();
}

TrackImportDialog::~TrackImportDialog() = default;

void TrackImportDialog::createControls()
{
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);

    m_introLabel = new QLabel(this);
    m_introLabel->setWordWrap(true);
    layout->addWidget(m_introLabel);

    auto* sourceRow = new QHBoxLayout;
    folderButton = new QPushButton(this);
    filesButton = new QPushButton(this);
    sourceLabel = new QLabel(this);
    sourceLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path must not widen the window.
    sourceLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    progressBar = new QProgressBar(this);
    progressBar->hide();
    stopButton = new QPushButton(this);
    stopButton->hide();
    sourceRow->addWidget(folderButton);
    sourceRow->addWidget(filesButton);
    sourceRow->addWidget(sourceLabel, 1);
    sourceRow->addWidget(progressBar, 1);
    sourceRow->addWidget(stopButton);
    layout->addLayout(sourceRow);

    auto* albumForm = new QFormLayout;
    artistEdit = new QLineEdit(this);
    albumEdit = new QLineEdit(this);
    yearEdit = new QLineEdit(this);
    yearEdit->setValidator(new QIntValidator(0, 9999, yearEdit));
    yearEdit->setMaxLength(4);
    m_artistLabel = new QLabel(this);
    m_albumLabel = new QLabel(this);
    m_yearLabel = new QLabel(this);
    albumForm->addRow(m_artistLabel, artistEdit);
    albumForm->addRow(m_albumLabel, albumEdit);
    albumForm->addRow(m_yearLabel, yearEdit);
    layout->addLayout(albumForm);

    trackView = new QTreeWidget(this);
    trackView->setColumnCount(ColumnCount);
    trackView->setRootIsDecorated(false);
    trackView->setUniformRowHeights(true);
    trackView->setSelectionMode(QAbstractItemView::NoSelection);
    trackView->header()->setStretchLastSection(false);
    trackView->header()->setSectionResizeMode(TitleColumn, QHeaderView::Stretch);
    trackView->header()->setSectionResizeMode(NumberColumn, QHeaderView::ResizeToContents);
    trackView->header()->setSectionResizeMode(TimeColumn, QHeaderView::ResizeToContents);
    layout->addWidget(trackView, 1);

    notesLabel = new QLabel(this);
    notesLabel->setWordWrap(true);
    notesLabel->setTextFormat(Qt::PlainText);
    layout->addWidget(notesLabel);

    musicBrainzPanel = new MusicBrainzPanel(
        [this] {
            return MusicBrainzPanel::Question { artistEdit->text().trimmed(),
                albumEdit->text().trimmed(), static_cast<int>(m_tracks.size()) };
        },
        this);
    layout->addWidget(musicBrainzPanel);

    fitBox = new QCheckBox(this);
    layout->addWidget(fitBox);
    fitLabel = new QLabel(this);
    fitLabel->setWordWrap(true);
    layout->addWidget(fitLabel);

    replaceLabel = new QLabel(this);
    replaceLabel->setWordWrap(true);
    layout->addWidget(replaceLabel);

    buttonBox = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    writeButton = buttonBox->addButton(QString(), QDialogButtonBox::AcceptRole);
    writeButton->setDefault(true);
    layout->addWidget(buttonBox);
    resize(640, 600);
}

void TrackImportDialog::setTexts()
{
    setWindowTitle(
        ProgNam + QStringLiteral(" - ") + localText("Nummers importeren", "Import tracks"));
    m_introLabel->setText(
        localText("Maak de achtertekst uit de muziek zelf: kies een map, muziekbestanden, een "
                  "afspeellijst (.m3u) of een cue sheet (.cue), of sleep ze hierheen.",
            "Make the back text from the music itself: choose a folder, audio files, a playlist "
            "(.m3u) or a cue sheet (.cue), or drop them here."));
    folderButton->setText(localText("Map...", "Folder..."));
    filesButton->setText(localText("Bestanden...", "Files..."));
    stopButton->setText(localText("Stoppen", "Stop"));
    m_artistLabel->setText(localText("Artiest:", "Artist:"));
    m_albumLabel->setText(localText("Album:", "Album:"));
    m_yearLabel->setText(localText("Jaar:", "Year:"));
    trackView->setHeaderLabels({ localText("Nr.", "No."), localText("Titel", "Title"),
        localText("Artiest", "Artist"), localText("Tijd", "Time") });
    fitBox->setText(
        localText("Passend maken: de tekst kleiner zetten tot de lijst op de achterkant past "
                  "(niet kleiner dan 6 pt)",
            "Fit: set the text smaller until the list fits on the back (not below 6 pt)"));
    replaceLabel->setText(
        localText("Dit vervangt de tekst in de editor; Ongedaan maken (Ctrl+Z) haalt hem terug.",
            "This replaces the text in the editor; Undo (Ctrl+Z) brings it back."));
    writeButton->setText(localText("In de achtertekst zetten", "Write into the back text"));
    buttonBox->button(QDialogButtonBox::Cancel)->setText(localText("Annuleren", "Cancel"));
}

void TrackImportDialog::connectControls()
{
    using platform::guarded;
    connect(folderButton, &QPushButton::clicked, this, guarded([this] { choose(Choice::Folder); }));
    connect(filesButton, &QPushButton::clicked, this, guarded([this] { choose(Choice::Files); }));
    connect(stopButton, &QPushButton::clicked, this, [this] {
        m_job.cancel();
        readingEnded();
    });
    connect(&m_job, &TrackImportJob::progress, this, [this](int done, int total) {
        progressBar->setRange(0, total);
        progressBar->setValue(done);
    });
    connect(&m_job, &TrackImportJob::finished, this, [this](const ImportResult& result) {
        readingEnded();
        showResult(result);
    });
    connect(&m_job, &TrackImportJob::failed, this, [this](const QString& message) {
        readingEnded();
        platform::reportError(message);
    });
    for (QLineEdit* edit : { artistEdit, albumEdit, yearEdit })
        connect(edit, &QLineEdit::textChanged, this, [this] { showFit(); });
    connect(fitBox, &QCheckBox::toggled, this, [this] { showFit(); });
    connect(musicBrainzPanel, &MusicBrainzPanel::releaseChosen, this,
        [this](const ReleaseTracks& release) { useRelease(release); });
    connect(writeButton, &QPushButton::clicked, this, guarded([this] { writeTrackList(); }));
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TrackImportDialog::setTarget(const ImportTarget& target)
{
    m_target = target;
    showFit();
}

void TrackImportDialog::setChooser(Chooser chooser)
{
    m_chooser = std::move(chooser);
}

bool TrackImportDialog::isReading() const
{
    return m_job.isRunning();
}

AlbumInfo TrackImportDialog::album() const
{
    return { artistEdit->text().trimmed(), albumEdit->text().trimmed(), yearEdit->text().toInt() };
}

void TrackImportDialog::showEvent(QShowEvent* event)
{
    replaceLabel->setVisible(m_target.document && !m_target.document->isEmpty());
    QDialog::showEvent(event);
}

void TrackImportDialog::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TrackImportDialog::dropEvent(QDropEvent* event)
{
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    platform::runGuarded([&] { importFrom(paths); });
}

// Closing the window in any way stops a reading in progress.
void TrackImportDialog::done(int result)
{
    m_job.cancel(); // also drops a result still on its way
    readingEnded();
    musicBrainzPanel->stop();
    QDialog::done(result);
}

QStringList TrackImportDialog::chooseWithDialog(Choice choice, const QString& startFolder)
{
    if (choice == Choice::Folder) {
        const QString folder = QFileDialog::getExistingDirectory(this,
            ProgNam + QStringLiteral(" - ")
                + localText("Kies de map met de muziek", "Choose the folder with the music"),
            startFolder);
        return folder.isEmpty() ? QStringList() : QStringList { folder };
    }
    return QFileDialog::getOpenFileNames(this,
        ProgNam + QStringLiteral(" - ")
            + localText("Kies muziekbestanden, een afspeellijst of een cue sheet",
                "Choose audio files, a playlist or a cue sheet"),
        startFolder, fileFilter());
}

void TrackImportDialog::choose(Choice choice)
{
    const QString startFolder = platform::Settings::readString(kFolderSetting, QDir::homePath());
    const QStringList paths
        = m_chooser ? m_chooser(choice, startFolder) : chooseWithDialog(choice, startFolder);
    if (paths.isEmpty())
        return;
    const QFileInfo first(paths.constFirst());
    platform::Settings::writeString(
        kFolderSetting, choice == Choice::Folder ? first.absoluteFilePath() : first.absolutePath());
    importFrom(paths);
}

void TrackImportDialog::importFrom(const QStringList& paths)
{
    const ImportRequest request = importRequestFor(paths);
    m_job.start(request);
    readingStarted(paths.size() == 1 ? QFileInfo(paths.constFirst()).fileName()
                                     : localText("%1 bestanden", "%1 files").arg(paths.size()));
}

void TrackImportDialog::readingStarted(const QString& source)
{
    sourceLabel->setText(localText("Lezen: %1", "Reading %1").arg(source));
    progressBar->setRange(0, 0);
    progressBar->show();
    stopButton->show();
    folderButton->setEnabled(false);
    filesButton->setEnabled(false);
    writeButton->setEnabled(false);
}

// A reading that failed or was stopped leaves what was shown before.
void TrackImportDialog::readingEnded()
{
    progressBar->hide();
    stopButton->hide();
    folderButton->setEnabled(true);
    filesButton->setEnabled(true);
    sourceLabel->setText(m_sourceSummary);
    writeButton->setEnabled(!m_tracks.isEmpty() && m_target.document);
}

void TrackImportDialog::showResult(const ImportResult& result)
{
    m_tracks = result.tracks;
    showAlbum(albumOf(m_tracks, result.sourceName));
    notesLabel->setText(result.notes.join(QLatin1Char('\n')));
    m_sourceSummary = localText("%1 nummers uit %2", "%1 tracks from %2")
                          .arg(m_tracks.size())
                          .arg(result.sourceName);
    sourceLabel->setText(m_sourceSummary);
    fitBox->setChecked(true);
    const bool titleMissing = std::any_of(
        m_tracks.begin(), m_tracks.end(), [](const Track& track) { return track.title.isEmpty(); });
    const bool albumMissing = std::all_of(
        m_tracks.begin(), m_tracks.end(), [](const Track& track) { return track.album.isEmpty(); });
    musicBrainzPanel->stop();
    musicBrainzPanel->suggest(titleMissing || albumMissing);
    showTracks();
}

// The fields are set quietly; the fit is worked out once the tracks show.
void TrackImportDialog::showAlbum(const AlbumInfo& album)
{
    for (QLineEdit* edit : { artistEdit, albumEdit, yearEdit })
        edit->blockSignals(true);
    artistEdit->setText(album.artist);
    albumEdit->setText(album.title);
    yearEdit->setText(album.year > 0 ? QString::number(album.year) : QString());
    for (QLineEdit* edit : { artistEdit, albumEdit, yearEdit })
        edit->blockSignals(false);
}

void TrackImportDialog::useRelease(const ReleaseTracks& release)
{
    m_tracks = withReleaseTracks(m_tracks, release);
    showAlbum({ release.artist, release.title, release.year });
    showTracks();
}

void TrackImportDialog::showTracks()
{
    trackView->clear();
    bool artistsShown = false;
    for (qsizetype i = 0; i < m_tracks.size(); ++i)
        artistsShown = artistsShown || namesArtist(m_tracks, i);
    trackView->setColumnHidden(ArtistColumn, !artistsShown);
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < m_tracks.size(); ++i) {
        const Track& track = m_tracks.at(i);
        auto* item = new QTreeWidgetItem;
        item->setText(NumberColumn, QString::number(i + 1));
        item->setText(TitleColumn, trackTitle(track, i + 1));
        item->setText(ArtistColumn, track.artist);
        item->setText(
            TimeColumn, track.durationMs >= 0 ? formatDuration(track.durationMs) : QString());
        item->setTextAlignment(NumberColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(TimeColumn, Qt::AlignRight | Qt::AlignVCenter);
        items << item;
    }
    trackView->addTopLevelItems(items);
    writeButton->setEnabled(!m_tracks.isEmpty() && m_target.document && !isReading());
    showFit();
}

// Tells, before anything is written, whether the list fits and what fitting
// would do: the list is laid out on a copy as the editor would show it.
void TrackImportDialog::showFit()
{
    fitBox->hide();
    fitLabel->clear();
    if (m_tracks.isEmpty() || !m_target.document)
        return;
    QTextDocument trial;
    trial.setDefaultFont(m_target.font);
    trial.setDocumentMargin(m_target.document->documentMargin());
    trial.setDefaultTextOption(m_target.document->defaultTextOption());
    trackimport::writeTrackList(trial, album(), m_tracks, { m_target.font, m_target.rightEdge });
    const int below = linesBelowArea(trial, m_target.area);
    if (below == 0) {
        fitLabel->setText(
            localText("De lijst past op de achterkant.", "The list fits on the back."));
        return;
    }
    fitBox->show();
    const FitResult fitted = fitToArea(trial, m_target.area);
    if (!fitBox->isChecked()) {
        fitLabel->setText(
            localText("%1 regels passen niet op de achterkant.", "%1 lines do not fit on the back.")
                .arg(below));
    } else if (fitted.linesBelow == 0) {
        fitLabel->setText(
            localText("%1 regels passen niet op de achterkant. Passend gemaakt staan de nummers "
                      "op %2 pt.",
                "%1 lines do not fit on the back. Fitted, the tracks are set at %2 pt.")
                .arg(below)
                .arg(pointText(m_target.font.pointSizeF() - fitted.shrunkBy)));
    } else {
        fitLabel->setText(
            localText("%1 regels passen niet op de achterkant; ook op 6 pt passen er %2 niet.",
                "%1 lines do not fit on the back; even at 6 pt, %2 do not fit.")
                .arg(below)
                .arg(fitted.linesBelow));
    }
}

// The list and its fitting are one step for undo.
void TrackImportDialog::writeTrackList()
{
    if (m_tracks.isEmpty() || !m_target.document)
        return;
    QTextDocument& document = *m_target.document;
    QTextCursor step(&document);
    step.beginEditBlock();
    trackimport::writeTrackList(document, album(), m_tracks, { m_target.font, m_target.rightEdge });
    if (fitBox->isVisibleTo(this) && fitBox->isChecked())
        fitToArea(document, m_target.area);
    step.endEditBlock();
    emit trackListWritten();
    accept();
}

} // namespace trackimport
