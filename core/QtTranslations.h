#pragma once

class QCoreApplication;

// Qt's own Russian texts for its stock dialogs (file and font dialogs, the overwrite
// question). Missing translation files leave them in English; the program runs all the same.
// True when they were loaded.
bool installQtTranslations(QCoreApplication& app);
