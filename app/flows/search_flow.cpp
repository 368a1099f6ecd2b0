#include "app/flows/search_flow.h"

#include <QDir>

#include "app/flows/background_operation.h"
#include "dialogs/search_dialog.h"
#include "gpg/own_key.h"
#include "leaf/search/record_search.h"
#include "leaf/search/search_index.h"

namespace ambrine {

void RunSearch(const GpgSettings& settings, SearchDialog& dialog) {
  // The worker keeps a copy: the dialog and the view stay the GUI thread's.
  const GpgSettings workerSettings = settings;
  SearchRequest request;
  for (const QString& word : dialog.words()) request.words.push_back(word.toStdString());
  request.folders.push_back(QDir::fromNativeSeparators(dialog.folder()).toStdString());
  request.passphraseGiven = dialog.TakePassphrase(request.passphrase);
  request.indexPath = SearchIndex::PathIn(settings.homeFolder);

  SearchOutcome outcome;
  BackgroundOperation operation(&dialog, QStringLiteral("検索しています..."));
  operation.Run([&](OperationProgress& progress) {
    request.ownFingerprint = ReadOwnKey(workerSettings).fingerprint;
    outcome = SearchRecords(workerSettings, request, &progress);
  });
  if (!outcome.cancelled) dialog.ShowOutcome(outcome);
}

}  // namespace ambrine
