#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// The rules of the version catalogue and of the installer names, apart from
// any window or network access.
//
// The catalogue is a text with one comma-separated record per line (lines end
// with a carriage return): program name, installer file name, version letter,
// installer size in KiB, a further field, optionally a Dutch and an English
// remark, and then optionally the installer's SHA-256 in hexadecimal. Older
// versions of the program read only the first seven fields.

// Results of a catalogue check.
enum CatalogueResult : quint8 {
    kNoUpdateNeeded = 0,
    kCatalogueUnusable = 2, // not read, too short or too long, or a broken record
    kProgramNotListed = 3,
    kUpdateAdvised = 4,
};

// Shorter texts are error pages or empty answers, not catalogues.
constexpr qsizetype kMinCatalogueLength = 50;
// Positions in the catalogue have always been 16-bit numbers; anything longer
// is not a catalogue of ours.
constexpr qsizetype kMaxCatalogueLength = 65535;

// An empty field keeps its place as this one-character text, so an empty
// letter field reads as "no letter".
inline const QString kEmptyField = QString(QChar(0));

// Splits a record at its commas; an empty field becomes kEmptyField, and a
// comma at the end adds no field.
QStringList splitCatalogueRecord(const QString& record);

// Digits of a version text: "version 1.00c" gives "100".
QString versionDigits(const QString& versionText);
// The version letter: the text's last character when it is "a" to "z",
// otherwise QChar(0), which stands for no letter.
QChar versionLetter(const QString& versionText);

// Digits are compared as texts, by character codes; the letter decides only
// between equal digits.
bool isNewerVersion(
    const QString& newDigits, QChar newLetter, const QString& currentDigits, QChar currentLetter);

// "101" with letter a gives "1.01a"; digits after the third are not shown.
QString displayVersion(const QString& digits, QChar letter);

// A name the catalogue may give for an installer: a plain file name (no
// folder, no "..", no control characters) with a digit before its first ".".
bool isPlainInstallerName(const QString& name);

// The installers this system can take: ".deb" packages on Linux, ".exe"
// programs on Windows.
QString installerExtension();

// The SHA-256 of the installer as catalogue field 7 gives it: 64 hexadecimal
// digits in either case. Empty when the field is anything else.
QByteArray installerHashFromField(const QString& field);

// Whether a downloaded installer has the size the catalogue gives in KiB:
// more than (size - 1) KiB and at most size KiB.
bool installerSizeMatches(qint64 bytes, qint32 sizeKiB);

// The program name shown while installing: "qzLayer101.exe" gives "qzLAYER",
// "setup2.exe" gives "Setup".
QString installerDisplayName(const QString& installerName);

// The installer lies in the same folder on the server as the catalogue.
QString installerAddress(const QString& catalogueAddress, const QString& installerName);

// File name of the installer of the running version: program name, version
// digits, installer extension.
QString runningVersionInstallerName(const QString& programName, const QString& versionText);

struct CatalogueCheck
{
    quint8 result = kCatalogueUnusable;
    // Filled for kNoUpdateNeeded and kUpdateAdvised only.
    QString installerName;
    QString displayVersion;
    QString remark;
    qint32 downloadSize = 0;
    QByteArray installerSha256; // the 32 bytes of field 7; empty without a valid one
    // The installer can be fetched, checked and handed to this system: it
    // has this system's extension and the record gives its hash.
    bool offersInstaller = false;
};

// Looks up the program in the catalogue and compares the version offered
// there with the current version text. The record starts at the first place
// where the program name occurs, wherever that is.
CatalogueCheck checkCatalogue(const QString& catalogue, const QString& programName,
    const QString& currentVersion, bool dutch);
