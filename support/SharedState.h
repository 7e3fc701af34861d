#pragma once

#include <QString>

#include <cstdint>

// State that the main window owns and the other windows read or set directly.

extern QString ProgNam;   // the program name, "qzLayer"
extern QString Version;   // "versie 1.00d" (Dutch) or "version 1.00c" (English)
extern QString Copyright; // the copyright line shown by the about window

extern QString CurrentDir; // the working folder at start, with a trailing separator

extern bool ChangedB; // unsaved changes exist
extern bool PaintedB; // the main window's start-up work has run

extern std::uint16_t TmpPos; // saved vertical scroll position of the sheet view

// The project being worked on.
extern QString NameOfProject;     // project name, also the spine text
extern QString DirOfProject;      // project folder
extern QString PathNameOfProject; // full path of the index file being read
extern QString qlpPathName;       // index file being written, relative to DataDir
