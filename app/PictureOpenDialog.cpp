#include "app/PictureOpenDialog.h"

#include "platform/Picture.h"
#include "support/Language.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QStringList>

namespace {

constexpr int kPreviewSize = 160;

// A description that does not show its pattern in parentheses gets it added,
// because Qt reads the patterns from there.
QString filterEntry(const QString& description, const QString& pattern)
{
    const QString shown = QLatin1Char('(') + pattern + QLatin1Char(')');
    if (description.contains(shown))
        return description;
    return description + QLatin1Char(' ') + shown;
}

class PreviewLabel : public QLabel
{
public:
    PreviewLabel()
    {
        setFixedSize(kPreviewSize, kPreviewSize);
        setAlignment(Qt::AlignCenter);
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    }

    void showFile(const QString& path)
    {
        clear();
        if (path.isEmpty())
            return;
        // A preview is only a courtesy: a file that cannot be read shows nothing.
        try {
            const platform::Picture picture
                = platform::Picture::load(path, QSize(kPreviewSize, kPreviewSize));
            setPixmap(QPixmap::fromImage(picture.image().scaled(
                size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        } catch (const std::exception&) {
        }
    }
};

} // namespace

QString frontPictureFilter()
{
    const QStringList extensions = platform::pictureExtensions();
    QStringList entries;
    const auto addEntry = [&](const QString& description, const QStringList& kinds) {
        QStringList patterns;
        for (const QString& kind : kinds) {
            if (extensions.contains(kind))
                patterns << QStringLiteral("*.") + kind;
        }
        if (patterns.isEmpty())
            return;
        const QString pattern = patterns.join(u' ');
        entries << description + QStringLiteral(" (") + pattern + u')' << pattern;
    };
    addEntry(localText("Alle afbeeldingen", "All pictures"), extensions);
    addEntry(localText("jpeg-bestanden", "jpeg files"),
        { QStringLiteral("jpg"), QStringLiteral("jpeg") });
    addEntry(localText("bmp-bestanden", "bmp files"), { QStringLiteral("bmp") });
    addEntry(localText("png-bestanden", "png files"), { QStringLiteral("png") });
    addEntry(localText("webp-bestanden", "webp files"), { QStringLiteral("webp") });
    addEntry(localText("tiff-bestanden", "tiff files"),
        { QStringLiteral("tif"), QStringLiteral("tiff") });
    addEntry(localText("gif-bestanden", "gif files"), { QStringLiteral("gif") });
    return entries.join(u'|');
}

QString qtFileFilter(const QString& pairedFilter)
{
    const QStringList parts = pairedFilter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << filterEntry(parts.at(i), parts.at(i + 1));
    return entries.join(QStringLiteral(";;"));
}

QString getOpenPictureFileName(
    QWidget* parent, const QString& title, const QString& folder, const QString& pairedFilter)
{
    QFileDialog dialog(parent, title, folder, qtFileFilter(pairedFilter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The preview needs the dialog's own widgets.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* preview = new PreviewLabel;
        grid->addWidget(preview, 1, grid->columnCount(), Qt::AlignTop);
        QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &PreviewLabel::showFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
