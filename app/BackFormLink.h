#pragma once

class TBackForm;
class TMainForm;

// Connects the back-text editor to the main window: its copy command composes
// the back picture onto the sheet and applies the spine text, and the main
// window's New command empties it.
void connectBackForm(TMainForm& mainForm, TBackForm& backForm);
