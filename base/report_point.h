// Every place where the program reports a failure, by name: the source
// and the line shown in the "Debug" box (the numbers the user has always
// seen), and a short meaning for messages on a terminal.
#pragma once

#include <string_view>

namespace ambrine {

struct ReportPoint {
  const char* source;   // "mainview", "SelectKey", "ManageKey" or "GenkeyDlg"
  int line;
  const char* meaning;  // what failed, in a few English words
};

namespace report {

inline constexpr ReportPoint kNoRandomPassphrase{"mainview", 83, "no random bytes for a passphrase"};
inline constexpr ReportPoint kFormFileUnreadable{"mainview", 310, "the form file cannot be read"};
inline constexpr ReportPoint kHeaderBlockUnended{"mainview", 492, "a header block ends before its empty line"};
inline constexpr ReportPoint kHeaderLineBroken{"mainview", 509, "a header line has no ':' (or is too long)"};
inline constexpr ReportPoint kDocumentHeaderBroken{"mainview", 531, "the document part's header block is broken"};
inline constexpr ReportPoint kDocumentTypeQuote{"mainview", 536, "the document part's Content-Type has an unbalanced quote"};
inline constexpr ReportPoint kDocumentNotHtml{"mainview", 542, "the first part is not text/html"};
inline constexpr ReportPoint kDocumentEncodingQuote{"mainview", 546, "the document part's Content-Transfer-Encoding has an unbalanced quote"};
inline constexpr ReportPoint kDocumentUnended{"mainview", 555, "the message ends inside the document part"};
inline constexpr ReportPoint kDocumentTooLarge{"mainview", 556, "the document part is larger than 256 MiB"};
inline constexpr ReportPoint kDocumentReadFailed{"mainview", 579, "reading the document part failed"};
inline constexpr ReportPoint kFormTypeQuote{"mainview", 627, "the form-data part's Content-Type has an unbalanced quote"};
inline constexpr ReportPoint kFormNotOctetStream{"mainview", 633, "the second part is not application/octet-stream"};
inline constexpr ReportPoint kFormEncodingQuote{"mainview", 637, "the form-data part's Content-Transfer-Encoding has an unbalanced quote"};
inline constexpr ReportPoint kFormUnended{"mainview", 646, "the message ends inside the form-data part"};
inline constexpr ReportPoint kFormTooLarge{"mainview", 647, "the form-data part is larger than 64 MiB"};
inline constexpr ReportPoint kNoRestoreForm{"mainview", 691, "the page has no restoreForm function"};
inline constexpr ReportPoint kRestoreFormFailed{"mainview", 712, "restoreForm failed"};
inline constexpr ReportPoint kAttachmentHeaderBroken{"mainview", 730, "an attachment part's header block is broken (or the closing delimiter is missing)"};
inline constexpr ReportPoint kAttachmentTypeQuote{"mainview", 735, "an attachment part's Content-Type has an unbalanced quote"};
inline constexpr ReportPoint kAttachmentNotOctetStream{"mainview", 740, "an attachment part is not application/octet-stream"};
inline constexpr ReportPoint kAttachmentEncodingQuote{"mainview", 744, "an attachment part's Content-Transfer-Encoding has an unbalanced quote"};
inline constexpr ReportPoint kAttachmentNotBase64{"mainview", 749, "an attachment part is not BASE64"};
inline constexpr ReportPoint kAttachmentDispositionBroken{"mainview", 753, "an attachment part's Content-Disposition is malformed"};
inline constexpr ReportPoint kStoreTempFileFailed{"mainview", 770, "no temporary attachment file could be made"};
inline constexpr ReportPoint kStoreGpgStartFailed{"mainview", 787, "gpg could not be started to store an attachment"};
inline constexpr ReportPoint kAttachmentReadFailed{"mainview", 817, "reading an attachment failed"};
inline constexpr ReportPoint kStoreGpgFailed{"mainview", 823, "gpg failed to store an attachment"};
inline constexpr ReportPoint kLeafUnopenable{"mainview", 848, "the leaf file cannot be opened"};
inline constexpr ReportPoint kNullDeviceUnopenable{"mainview", 856, "the null device cannot be opened"};
inline constexpr ReportPoint kCheckGpgStartFailed{"mainview", 868, "gpg could not be started to check the leaf"};
inline constexpr ReportPoint kKeyPassphraseCancelled{"mainview", 894, "the secret key's passphrase was not given"};
inline constexpr ReportPoint kLeafPassphraseCancelled{"mainview", 910, "the leaf's passphrase was not given"};
inline constexpr ReportPoint kBadPassphrase{"mainview", 936, "the passphrase is wrong"};
inline constexpr ReportPoint kProduceGpgStartFailed{"mainview", 1031, "gpg could not be started to decrypt the leaf"};
inline constexpr ReportPoint kMessageTypeQuote{"mainview", 1045, "the message's Content-Type has an unbalanced quote"};
inline constexpr ReportPoint kMessageNoBoundary{"mainview", 1053, "the message has no usable boundary"};
inline constexpr ReportPoint kMessageUnstarted{"mainview", 1067, "the message ends before its first part"};
inline constexpr ReportPoint kMessageClosedEarly{"mainview", 1074, "the message closes before its first part"};
inline constexpr ReportPoint kDocumentPartUnusable{"mainview", 1084, "the document part is unusable"};
inline constexpr ReportPoint kFormPartUnusable{"mainview", 1090, "the form-data part is unusable"};
inline constexpr ReportPoint kAttachmentPartUnusable{"mainview", 1097, "an attachment part is unusable"};
inline constexpr ReportPoint kSourcePipeFailed{"mainview", 1276, "no pipe for an attachment"};
inline constexpr ReportPoint kSourceTempFileUnopenable{"mainview", 1284, "a temporary attachment file cannot be opened"};
inline constexpr ReportPoint kSourceGpgStartFailed{"mainview", 1291, "gpg could not be started to read an attachment"};
inline constexpr ReportPoint kSourceGpgFailed{"mainview", 1296, "gpg could not decrypt a temporary attachment file"};
inline constexpr ReportPoint kMessagePipeFailed{"mainview", 1342, "no pipe for the leaf message"};
inline constexpr ReportPoint kLeafUnwritable{"mainview", 1348, "the leaf file cannot be written"};
inline constexpr ReportPoint kCommandPipeFailed{"mainview", 1352, "no pipe for gpg's commands"};
inline constexpr ReportPoint kStatusPipeFailed{"mainview", 1356, "no pipe for gpg's status"};
inline constexpr ReportPoint kEncryptGpgStartFailed{"mainview", 1361, "gpg could not be started to encrypt to the keys"};
inline constexpr ReportPoint kSymmetricGpgStartFailed{"mainview", 1370, "gpg could not be started to encrypt with the passphrase"};
inline constexpr ReportPoint kLineAnswerFailed{"mainview", 1412, "a typed line could not be sent to gpg"};
inline constexpr ReportPoint kLineEndAnswerFailed{"mainview", 1416, "the end of a typed line could not be sent to gpg"};
inline constexpr ReportPoint kHiddenAnswerFailed{"mainview", 1429, "a passphrase could not be sent to gpg"};
inline constexpr ReportPoint kHiddenEndAnswerFailed{"mainview", 1433, "the end of a passphrase could not be sent to gpg"};
inline constexpr ReportPoint kYesAnswerFailed{"mainview", 1439, "a yes could not be sent to gpg"};
inline constexpr ReportPoint kNoAnswerFailed{"mainview", 1444, "a no could not be sent to gpg"};
inline constexpr ReportPoint kMessageTypeWriteFailed{"mainview", 1463, "writing the message to gpg failed"};
inline constexpr ReportPoint kMessageBoundaryWriteFailed{"mainview", 1467, "writing the message to gpg failed"};
inline constexpr ReportPoint kMessageTypeEndWriteFailed{"mainview", 1471, "writing the message to gpg failed"};
inline constexpr ReportPoint kMessageEncodingWriteFailed{"mainview", 1475, "writing the message to gpg failed"};
inline constexpr ReportPoint kMessageHeaderEndWriteFailed{"mainview", 1479, "writing the message to gpg failed"};
inline constexpr ReportPoint kDocumentUnsaved{"mainview", 1485, "the document could not be saved"};
inline constexpr ReportPoint kSaveFormFailed{"mainview", 1491, "saveForm failed"};
inline constexpr ReportPoint kAttachmentUnwritten{"mainview", 1498, "an attachment could not be written"};
inline constexpr ReportPoint kClosingDashesWriteFailed{"mainview", 1505, "writing the message to gpg failed"};
inline constexpr ReportPoint kClosingBoundaryWriteFailed{"mainview", 1509, "writing the message to gpg failed"};
inline constexpr ReportPoint kClosingEndWriteFailed{"mainview", 1513, "writing the message to gpg failed"};
inline constexpr ReportPoint kAttachTempFileFailed{"mainview", 1538, "no temporary attachment file could be made"};
inline constexpr ReportPoint kExtractFailed{"mainview", 1628, "the attachment could not be written to the chosen file"};
inline constexpr ReportPoint kTextFileUnwritable{"mainview", 1648, "the text file could not be written"};
inline constexpr ReportPoint kExportFormFailed{"mainview", 1686, "exportForm failed"};
inline constexpr ReportPoint kOwnKeyExportFailed{"mainview", 1746, "the own key could not be exported"};
inline constexpr ReportPoint kSelectKeyListFailed{"SelectKey", 52, "the keys could not be listed"};
inline constexpr ReportPoint kManageKeyImportFailed{"ManageKey", 107, "the keys could not be imported"};
inline constexpr ReportPoint kManageKeyExportFailed{"ManageKey", 137, "the key could not be exported"};
inline constexpr ReportPoint kManageKeyDeleteFailed{"ManageKey", 162, "the key could not be deleted"};
inline constexpr ReportPoint kGenkeyPipeFailed{"GenkeyDlg", 148, "no pipe for gpg's status"};
inline constexpr ReportPoint kGenkeyGpgStartFailed{"GenkeyDlg", 226, "gpg could not be started to make the key"};
inline constexpr ReportPoint kGenkeyRingAppendFailed{"GenkeyDlg", 257, "the new key could not be added to the key rings"};

}  // namespace report

// The named point with that source and line, or null.
const ReportPoint* FindReportPoint(std::string_view source, int line);

}  // namespace ambrine
