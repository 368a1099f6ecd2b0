// Qt's own texts in Japanese, like the rest of the window: the file dialogs,
// the standard buttons of message boxes (はい / いいえ), the print and page
// setup dialogs. Texts the program sets itself are not translated.
#pragma once

class QCoreApplication;

namespace ambrine {

// Loads Qt's Japanese translations (qtbase_ja.qm from Qt's translations
// folder) into `app`, whatever the locale says: the program speaks Japanese
// everywhere. False when they are not installed; Qt's texts then stay in
// English.
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace ambrine
