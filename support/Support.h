#pragma once

#include <QChar>
#include <QDateTime>
#include <QString>

// The support module: process-wide facts about the user's environment, probed
// once at start, and small routines that every window shares.
//
// Folder paths held here end with the native separator.

// A date-time value: days since 30 December 1899, the time of day as the
// fraction, local time. A span is a fraction of a day.
using TDateTime = double;

// Conversions between a local QDateTime and a TDateTime, to the millisecond.
TDateTime toTDateTime(const QDateTime& local);
QDateTime fromTDateTime(TDateTime value);

// ---- Language and data folder -------------------------------------------
extern QString sLanguage; // "NLD" for a Dutch user, otherwise empty
extern QString PlatForm;  // short name of the system version, or empty
extern bool WinNTB;       // the system belongs to the NT family
extern QString Desktop;   // the user's desktop folder, with a trailing separator
extern QString DataDir;   // the per-user data folder, set once by the main window

void GetLanguage();
void GetPlatform();
void GetShellFolders();
QString GetDataDir(const QString& name);
bool ChMkDir(const QString& folder);

// Runs the probes of the start, in their order: language, platform, desktop
// folder, summer-time state. Called once before any window exists.
void RunStartupProbe();

// ---- Text helpers ---------------------------------------------------------
extern QString TmpStr; // shared work text; UnNumber and UnAlpha leave their result here

QString RightOf(QChar c, const QString& s);
QString LeftOf(QChar c, const QString& s);
QString LeftOfLast(QChar c, const QString& s);
QString UnNumber(const QString& s);
QString UnAlpha(const QString& s);
QString UnSpace(const QString& s);
QString UnBeginSpace(const QString& s);
QString UnEndSpace(const QString& s);

// ---- Summer-time state and file copy --------------------------------------
extern TDateTime DaylightDatum;
extern TDateTime StandardDatum;
extern TDateTime ZWCorrection;
extern bool ZomertijdB;

void GetDaylightInfo();
// Kind of the drive that holds the path: "DRIVE_FIXED", "DRIVE_REMOVABLE", ...
// or empty. (On Windows the path's first character is its drive letter.)
QString DriveType(const QString& path);
bool CopyFileSW(const QString& source, const QString& destination, bool failIfExists);
bool CopyFileStr(const QString& source, const QString& destination, bool failIfExists);
