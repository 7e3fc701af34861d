#pragma once

// What poppler's command-line tools see in a PDF: its pages as grey rasters,
// its pictures, its fonts and its text. Tests skip when the tools are missing.

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace pdftools {

// The printer tests print on: it writes its job to a PDF file at 600 dots per
// inch, its printable area 18 points from the paper's left edge and 15 from
// its top (whole points, as a PDF keeps them).
constexpr int kPrinterDotsPerInch = 600;
constexpr double kPrinterLeftMarginPoints = 18;
constexpr double kPrinterTopMarginPoints = 15;

inline std::unique_ptr<QPrinter> printerWritingTo(const QString& path, const QPageSize& paper)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setResolution(kPrinterDotsPerInch);
    printer->setPageLayout(QPageLayout(paper, QPageLayout::Portrait,
        QMarginsF(kPrinterLeftMarginPoints, kPrinterTopMarginPoints, kPrinterLeftMarginPoints,
            kPrinterTopMarginPoints),
        QPageLayout::Point));
    return printer;
}

inline bool available()
{
    for (const char* tool : { "pdftoppm", "pdfimages", "pdffonts", "pdftotext", "pdfinfo" })
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

inline std::optional<QString> run(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The pages as grey rasters at the resolution; dotsPerInch may be fractional.
inline QList<QImage> rasterise(const QString& pdf, double dotsPerInch)
{
    const QString prefix = pdf + QStringLiteral("-r%1").arg(dotsPerInch);
    if (!run(QStringLiteral("pdftoppm"),
            { QStringLiteral("-r"), QString::number(dotsPerInch), QStringLiteral("-gray"), pdf,
                prefix }))
        return {};
    QList<QImage> pages;
    const QFileInfo info(prefix);
    const QStringList files
        = QDir(info.path())
              .entryList({ info.fileName() + QStringLiteral("-*.pgm") }, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const QString path = info.dir().filePath(file);
        pages.append(QImage(path).convertToFormat(QImage::Format_Grayscale8));
        QFile::remove(path);
    }
    return pages;
}

struct PdfPicture
{
    int page = 0;
    int width = 0;
    int height = 0;
    int ppiX = 0;
    int ppiY = 0;
    QString encoding; // "jpeg", "image" (Flate), ...
};

// The pictures as pdfimages -list reports them.
inline QList<PdfPicture> pictures(const QString& pdf)
{
    QList<PdfPicture> found;
    const std::optional<QString> list
        = run(QStringLiteral("pdfimages"), { QStringLiteral("-list"), pdf });
    if (!list)
        return found;
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
    for (const QString& line : list->split(QLatin1Char('\n')).mid(2)) {
        const QStringList fields = line.simplified().split(QLatin1Char(' '));
        if (fields.size() < 14 || fields.at(2) != QLatin1String("image"))
            continue;
        found.append({ fields.at(0).toInt(), fields.at(3).toInt(), fields.at(4).toInt(),
            fields.at(12).toInt(), fields.at(13).toInt(), fields.at(8) });
    }
    return found;
}

struct PdfFont
{
    QString name;
    bool embedded = false;
};

inline QList<PdfFont> fonts(const QString& pdf)
{
    QList<PdfFont> found;
    const std::optional<QString> list = run(QStringLiteral("pdffonts"), { pdf });
    if (!list)
        return found;
    // name type encoding emb sub uni object ID; the type may hold spaces, so
    // the columns are read from the end.
    for (const QString& line : list->split(QLatin1Char('\n')).mid(2)) {
        const QStringList fields = line.simplified().split(QLatin1Char(' '));
        if (fields.size() < 7)
            continue;
        found.append({ fields.first(), fields.at(fields.size() - 5) == QLatin1String("yes") });
    }
    return found;
}

inline QString text(const QString& pdf)
{
    return run(QStringLiteral("pdftotext"), { pdf, QStringLiteral("-") }).value_or(QString());
}

// A field of pdfinfo, such as "Title" or "Pages".
inline QString info(const QString& pdf, const QString& field)
{
    const std::optional<QString> all = run(QStringLiteral("pdfinfo"), { pdf });
    if (!all)
        return {};
    for (const QString& line : all->split(QLatin1Char('\n')))
        if (line.startsWith(field + QLatin1Char(':')))
            return line.mid(field.size() + 1).trimmed();
    return {};
}

} // namespace pdftools
