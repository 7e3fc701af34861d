// Reading and writing a back text of about 1 MB of RTF: track lists with
// mixed formatting and accented characters. Prints the median of several
// rounds of each. Given a path, also saves the RTF there for a look with
// other programs.
#include "richtext/RichText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <vector>

namespace {

constexpr qsizetype kTargetSize = 1024 * 1024;
constexpr int kRounds = 15;

const char16_t* const kTitles[] = {
    u"Café de la Paix", u"Naïve Melody", u"Über den Wolken", u"Señorita", u"Smörgåsbord",
    u"Crème brûlée", u"Façade", u"Ærø Øresund", u"Piña Colada", u"Déjà vu", u"Zürich Nights",
};

QTextCharFormat format(bool bold, bool italic, qreal points, const QColor& color)
{
    QTextCharFormat result;
    result.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    result.setFontItalic(italic);
    result.setFontPointSize(points);
    if (color.isValid())
        result.setForeground(color);
    return result;
}

void addAlbum(QTextCursor& cursor, int album)
{
    QTextBlockFormat centered;
    centered.setAlignment(Qt::AlignHCenter);
    cursor.insertBlock(centered);
    cursor.insertText(QStringLiteral("Velmora – Album %1 (Live à Paris)").arg(album),
        format(true, false, 16, QColor(128, 0, 0)));
    QTextBlockFormat track;
    track.setLeftMargin(10);
    track.setTabPositions({ QTextOption::Tab(30, QTextOption::LeftTab), QTextOption::Tab(500, QTextOption::RightTab) });
    for (int number = 1; number <= 14; ++number) {
        cursor.insertBlock(track);
        cursor.insertText(QStringLiteral("%1.\t").arg(number), format(false, false, 11, QColor()));
        const QString title = QString::fromUtf16(kTitles[(album + number) % std::size(kTitles)]);
        cursor.insertText(title, format(number % 3 == 0, number % 4 == 0, 11, QColor()));
        cursor.insertText(QStringLiteral(" (feat. Ørjan)"), format(false, true, 9, QColor(0, 0, 160)));
        cursor.insertText(QStringLiteral("\t%1:%2").arg(2 + number % 5).arg(number * 7 % 60, 2, 10, QLatin1Char('0')),
            format(false, false, 11, QColor()));
    }
}

void fillDocument(QTextDocument& document)
{
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (int album = 1; richtext::writeRtf(document).size() < kTargetSize; ++album) {
        for (int batch = 0; batch < 50; ++batch)
            addAlbum(cursor, album * 100 + batch);
    }
    cursor.endEditBlock();
}

// Each round prepares outside the timer, then times the work.
template <typename Prepare, typename Work>
double medianMilliseconds(Prepare prepare, Work work)
{
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTextDocument source;
    source.setUndoRedoEnabled(false);
    fillDocument(source);
    const QByteArray rtf = richtext::writeRtf(source);
    if (argc > 1)
        richtext::saveRichTextFile(QString::fromLocal8Bit(argv[1]), source);

    std::unique_ptr<QTextDocument> target;
    const double readTime = medianMilliseconds([&] { target = std::make_unique<QTextDocument>(); },
        [&] { richtext::readRtf(rtf, *target); });
    const double replaceTime = medianMilliseconds([] {}, [&] { richtext::readRtf(rtf, *target); });
    const double writeTime = medianMilliseconds([] {}, [&] { (void)richtext::writeRtf(*target); });
    const bool same = richtext::writeRtf(*target) == rtf;

    std::printf("RTF size: %lld bytes, %d paragraphs, %lld characters\n", static_cast<long long>(rtf.size()),
        target->blockCount(), static_cast<long long>(target->characterCount()));
    std::printf("read into an empty text document: %.1f ms (median of %d)\n", readTime, kRounds);
    std::printf("read replacing the same text: %.1f ms (median of %d)\n", replaceTime, kRounds);
    std::printf("write from a text document: %.1f ms (median of %d)\n", writeTime, kRounds);
    std::printf("written again unchanged: %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
