#pragma once

class QCoreApplication;
class QFileDialog;

// The program speaks Russian whatever the system's locale: Qt's own texts of its stock dialogs
// (file and font dialogs, the overwrite question) from Qt's translations, and numbers, dates
// and file type names in Russian. Missing translation files leave Qt's texts in English; the
// program runs all the same. True when they were loaded.
bool installRussianInterface(QCoreApplication& app);

// Every file dialog of the program: Qt's own rather than the system's (the same on every
// system), with its list of files in Russian: Qt takes the sizes and dates of that list from
// the system's locale and has no Russian name for a folder.
void prepareFileDialog(QFileDialog& dialog);
