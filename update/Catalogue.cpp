#include "update/Catalogue.h"

#include "support/Support.h"

#include <algorithm>

namespace {

constexpr qsizetype kMaxDisplayNameRest = 255;
constexpr int kHashField = 7;
constexpr qsizetype kSha256HexDigits = 64;
constexpr qint64 kBytesPerKiB = 1024;

bool isLowerAscii(QChar c)
{
    return c >= u'a' && c <= u'z';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

QString upperAscii(QString text)
{
    for (QChar& c : text) {
        if (isLowerAscii(c))
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return text;
}

bool isHexDigit(QChar c)
{
    return isDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool holdsControlCharacter(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 32; });
}

} // namespace

QStringList splitCatalogueRecord(const QString& record)
{
    QStringList fields;
    qsizetype start = 0;
    while (start < record.size()) {
        const qsizetype comma = record.indexOf(u',', start);
        if (comma == start)
            fields << kEmptyField;
        else
            fields << record.mid(start, comma < 0 ? -1 : comma - start);
        if (comma < 0)
            break;
        start = comma + 1;
    }
    return fields;
}

QString versionDigits(const QString& versionText)
{
    return UnAlpha(versionText);
}

QChar versionLetter(const QString& versionText)
{
    if (!versionText.isEmpty() && isLowerAscii(versionText.back()))
        return versionText.back();
    return QChar(0);
}

bool isNewerVersion(
    const QString& newDigits, QChar newLetter, const QString& currentDigits, QChar currentLetter)
{
    const int order = QString::compare(newDigits, currentDigits, Qt::CaseSensitive);
    return order > 0 || (order == 0 && newLetter.unicode() > currentLetter.unicode());
}

QString displayVersion(const QString& digits, QChar letter)
{
    QString shown = digits.left(1) + u'.' + digits.mid(1, 2);
    if (!letter.isNull())
        shown += letter;
    return shown;
}

bool isPlainInstallerName(const QString& name)
{
    if (name.contains(u'/') || name.contains(u'\\') || name.contains(u':')
        || name.contains(QStringLiteral("..")) || holdsControlCharacter(name))
        return false;
    if (!name.contains(u'.'))
        return false;
    const QString stem = LeftOf(u'.', name);
    return std::any_of(stem.cbegin(), stem.cend(), isDigit);
}

QString installerExtension()
{
#ifdef Q_OS_WIN
    return QStringLiteral(".exe");
#else
    return QStringLiteral(".deb");
#endif
}

QByteArray installerHashFromField(const QString& field)
{
    if (field.size() != kSha256HexDigits || !std::all_of(field.cbegin(), field.cend(), isHexDigit))
        return {};
    return QByteArray::fromHex(field.toLatin1());
}

bool installerSizeMatches(qint64 bytes, qint32 sizeKiB)
{
    return bytes > (sizeKiB - 1) * kBytesPerKiB && bytes <= sizeKiB * kBytesPerKiB;
}

QString installerDisplayName(const QString& installerName)
{
    QString name = UnNumber(LeftOf(u'.', installerName));
    if (!name.isEmpty() && isLowerAscii(name.front()))
        name.front() = QChar(name.front().unicode() - u'a' + u'A');
    if (name.startsWith(QStringLiteral("Qz")))
        name = QStringLiteral("qz") + upperAscii(name.mid(2, kMaxDisplayNameRest));
    return name;
}

QString installerAddress(const QString& catalogueAddress, const QString& installerName)
{
    return LeftOfLast(u'/', catalogueAddress) + u'/' + installerName;
}

QString runningVersionInstallerName(const QString& programName, const QString& versionText)
{
    return programName + versionDigits(versionText) + installerExtension();
}

CatalogueCheck checkCatalogue(
    const QString& catalogue, const QString& programName, const QString& currentVersion, bool dutch)
{
    CatalogueCheck check;
    if (catalogue == QStringLiteral("Default.htm") || catalogue.size() < kMinCatalogueLength
        || catalogue.size() > kMaxCatalogueLength)
        return check;

    const qsizetype start = catalogue.indexOf(programName);
    if (start < 0) {
        check.result = kProgramNotListed;
        return check;
    }
    const qsizetype end = catalogue.indexOf(u'\r', start);
    const QStringList fields
        = splitCatalogueRecord(catalogue.mid(start, end < 0 ? -1 : end - start));
    if (fields.size() < 5 || !isPlainInstallerName(fields[1]))
        return check;
    bool isWholeNumber = false;
    const int size = fields[3].toInt(&isWholeNumber, 10);
    if (!isWholeNumber || size < 0)
        return check;

    const QString newDigits = versionDigits(LeftOf(u'.', fields[1]));
    const QChar newLetter = fields[2].isEmpty() ? QChar(0) : fields[2].front();
    const bool newer = isNewerVersion(
        newDigits, newLetter, versionDigits(currentVersion), versionLetter(currentVersion));

    check.result = newer ? kUpdateAdvised : kNoUpdateNeeded;
    check.installerName = fields[1];
    check.displayVersion = displayVersion(newDigits, newLetter);
    check.remark = fields.size() >= 7 ? fields[dutch ? 5 : 6] : QString();
    check.downloadSize = size;
    if (fields.size() > kHashField)
        check.installerSha256 = installerHashFromField(fields[kHashField]);
    check.offersInstaller
        = !check.installerSha256.isEmpty() && check.installerName.endsWith(installerExtension());
    return check;
}
