#pragma once

class QObject;

// Qt's own texts (the file dialogs' "Look in", "File name", "Open", the colour
// dialog, the text fields' menus) in the interface language, from the
// translations the system keeps for Qt (Debian's qt6-translations-l10n).
namespace platform {

// Loads Qt's translations for the language ("nl") into the application;
// English needs none. Returns false when the system has none for it: Qt then
// speaks English.
bool installQtTranslations(const char* languageCode, QObject* owner);

} // namespace platform
