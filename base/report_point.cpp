#include "base/report_point.h"

namespace ambrine {

namespace {

constexpr const ReportPoint* kAllPoints[] = {
    &report::kNoRandomPassphrase,
    &report::kFormFileUnreadable,
    &report::kHeaderBlockUnended,
    &report::kHeaderLineBroken,
    &report::kDocumentHeaderBroken,
    &report::kDocumentTypeQuote,
    &report::kDocumentNotHtml,
    &report::kDocumentEncodingQuote,
    &report::kDocumentUnended,
    &report::kDocumentReadFailed,
    &report::kFormTypeQuote,
    &report::kFormNotOctetStream,
    &report::kFormEncodingQuote,
    &report::kFormUnended,
    &report::kNoRestoreForm,
    &report::kRestoreFormFailed,
    &report::kAttachmentHeaderBroken,
    &report::kAttachmentTypeQuote,
    &report::kAttachmentNotOctetStream,
    &report::kAttachmentEncodingQuote,
    &report::kAttachmentNotBase64,
    &report::kAttachmentDispositionBroken,
    &report::kStoreTempFileFailed,
    &report::kStoreGpgStartFailed,
    &report::kAttachmentReadFailed,
    &report::kStoreGpgFailed,
    &report::kLeafUnopenable,
    &report::kNullDeviceUnopenable,
    &report::kCheckGpgStartFailed,
    &report::kKeyPassphraseCancelled,
    &report::kLeafPassphraseCancelled,
    &report::kBadPassphrase,
    &report::kProduceGpgStartFailed,
    &report::kMessageTypeQuote,
    &report::kMessageNoBoundary,
    &report::kMessageUnstarted,
    &report::kMessageClosedEarly,
    &report::kDocumentPartUnusable,
    &report::kFormPartUnusable,
    &report::kAttachmentPartUnusable,
    &report::kSourcePipeFailed,
    &report::kSourceTempFileUnopenable,
    &report::kSourceGpgStartFailed,
    &report::kSourceGpgFailed,
    &report::kMessagePipeFailed,
    &report::kLeafUnwritable,
    &report::kCommandPipeFailed,
    &report::kStatusPipeFailed,
    &report::kEncryptGpgStartFailed,
    &report::kSymmetricGpgStartFailed,
    &report::kLineAnswerFailed,
    &report::kLineEndAnswerFailed,
    &report::kHiddenAnswerFailed,
    &report::kHiddenEndAnswerFailed,
    &report::kYesAnswerFailed,
    &report::kNoAnswerFailed,
    &report::kMessageTypeWriteFailed,
    &report::kMessageBoundaryWriteFailed,
    &report::kMessageTypeEndWriteFailed,
    &report::kMessageEncodingWriteFailed,
    &report::kMessageHeaderEndWriteFailed,
    &report::kDocumentUnsaved,
    &report::kSaveFormFailed,
    &report::kAttachmentUnwritten,
    &report::kClosingDashesWriteFailed,
    &report::kClosingBoundaryWriteFailed,
    &report::kClosingEndWriteFailed,
    &report::kAttachTempFileFailed,
    &report::kExtractFailed,
    &report::kTextFileUnwritable,
    &report::kExportFormFailed,
    &report::kOwnKeyExportFailed,
    &report::kSelectKeyListFailed,
    &report::kManageKeyImportFailed,
    &report::kManageKeyExportFailed,
    &report::kManageKeyDeleteFailed,
    &report::kGenkeyPipeFailed,
    &report::kGenkeyGpgStartFailed,
    &report::kGenkeyRingAppendFailed,
};

}  // namespace

const ReportPoint* FindReportPoint(std::string_view source, int line) {
  for (const ReportPoint* point : kAllPoints) {
    if (point->line == line && source == point->source) return point;
  }
  return nullptr;
}

}  // namespace ambrine
