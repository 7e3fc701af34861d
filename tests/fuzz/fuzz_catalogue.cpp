// Feeds arbitrary bytes to the catalogue rules as a fetched catalogue would
// arrive, and checks what every accepted record must satisfy.
#include "update/Catalogue.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// Joined again, the fields give the record back, less a final comma.
void checkSplit(const QString& record)
{
    if (record.contains(QChar(0)))
        return; // a real code-0 field cannot be told from an empty one
    const QStringList fields = splitCatalogueRecord(record);
    QStringList plain;
    for (const QString& field : fields) {
        require(!field.isEmpty());
        plain << (field == kEmptyField ? QString() : field);
    }
    const QString expected = record.endsWith(u',') ? record.chopped(1) : record;
    require(plain.join(u',') == expected);
}

void checkAccepted(const CatalogueCheck& check)
{
    if (check.result != kNoUpdateNeeded && check.result != kUpdateAdvised) {
        require(check.installerName.isEmpty() && check.downloadSize == 0);
        return;
    }
    require(isPlainInstallerName(check.installerName));
    require(!check.installerName.contains(u'/') && !check.installerName.contains(u'\\'));
    require(check.downloadSize >= 0);
    require(!check.offersInstaller
        || (check.installerSha256.size() == 32
            && check.installerName.endsWith(installerExtension())));
    require(check.displayVersion.size() >= 2 && check.displayVersion.at(1) == u'.');
    installerDisplayName(check.installerName);
    installerAddress(QStringLiteral("http://127.0.0.1/versions.dat"), check.installerName);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString catalogue
        = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    checkSplit(catalogue.left(4096));
    for (const bool dutch : { false, true }) {
        checkAccepted(checkCatalogue(
            catalogue, QStringLiteral("qzLayer"), QStringLiteral("version 1.00c"), dutch));
        checkAccepted(
            checkCatalogue(catalogue, QStringLiteral("qz"), QStringLiteral("versie 1.00"), dutch));
    }
    return 0;
}
