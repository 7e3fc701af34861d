#pragma once

#include "trackimport/BackFit.h"
#include "trackimport/MusicBrainz.h"
#include "trackimport/TrackImportJob.h"
#include "trackimport/TrackListText.h"

#include <QDialog>
#include <QFont>

#include <functional>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTextDocument;
class QTreeWidget;

namespace trackimport {
class MusicBrainzPanel;
}

namespace trackimport {

// Where an imported track list goes: the back editor's text.
struct ImportTarget
{
    QTextDocument* document = nullptr;
    QFont font; // the editor's font
    QSizeF area; // the part of the editor that becomes the back picture
    qreal rightEdge = 0; // where the times' tab stop goes, as the editor sets it
};

// Makes the back text from a folder of music, audio files, a playlist or a
// cue sheet: shows what was found, lets the user correct the album's artist,
// title and year, and writes the list into the back text, fitted to the
// back when the user wants. Reading runs beside the window.
class TrackImportDialog : public QDialog
{
    Q_OBJECT

public:
    enum class Choice { Folder, Files };
    // Asks the user for a folder or files; empty when the user cancels.
    using Chooser = std::function<QStringList(Choice choice, const QString& startFolder)>;

    explicit TrackImportDialog(QWidget* parent = nullptr);
    ~TrackImportDialog() override;

    void setTarget(const ImportTarget& target);
    // Replaces the file dialogs (tests); an empty chooser restores them.
    void setChooser(Chooser chooser);

    // Starts reading what the user chose or dropped.
    void importFrom(const QStringList& paths);
    bool isReading() const;
    const QList<Track>& tracks() const { return m_tracks; }
    // The album as the fields show it now.
    AlbumInfo album() const;

    QPushButton* folderButton = nullptr;
    QPushButton* filesButton = nullptr;
    QLabel* sourceLabel = nullptr;
    QProgressBar* progressBar = nullptr;
    QPushButton* stopButton = nullptr;
    QLineEdit* artistEdit = nullptr;
    QLineEdit* albumEdit = nullptr;
    QLineEdit* yearEdit = nullptr;
    QTreeWidget* trackView = nullptr;
    QLabel* notesLabel = nullptr;
    MusicBrainzPanel* musicBrainzPanel = nullptr;
    QCheckBox* fitBox = nullptr;
    QLabel* fitLabel = nullptr;
    QLabel* replaceLabel = nullptr;
    QDialogButtonBox* buttonBox = nullptr;
    QPushButton* writeButton = nullptr;

signals:
    // The back text was replaced by the track list.
    void trackListWritten();

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void done(int result) override;

private:
    void createControls();
    void setTexts();
    void connectControls();
    void choose(Choice choice);
    void readingStarted(const QString& source);
    void readingEnded();
    void showResult(const ImportResult& result);
    void showAlbum(const AlbumInfo& album);
    void useRelease(const ReleaseTracks& release);
    void showTracks();
    void showFit();
    void writeTrackList();
    QStringList chooseWithDialog(Choice choice, const QString& startFolder);

    QLabel* m_introLabel = nullptr;
    QLabel* m_artistLabel = nullptr;
    QLabel* m_albumLabel = nullptr;
    QLabel* m_yearLabel = nullptr;
    ImportTarget m_target;
    Chooser m_chooser;
    TrackImportJob m_job;
    QList<Track> m_tracks;
    QString m_sourceSummary; // what the tracks shown came from
};

} // namespace trackimport
