// Reads a leaf message front to back, one line at a time: loads the saved
// document into the page, hands the form text to the page's restoreForm and
// gives every attachment's bytes to an AttachmentSink. Nothing read is ever
// undone: a failure leaves what was applied before it.
#pragma once

#include <string>

#include "gpg/gpg_settings.h"
#include "base/status.h"
#include "leaf/attachment_sink.h"
#include "leaf/attachment_store.h"
#include "base/error_report.h"
#include "leaf/form_page.h"
#include "leaf/line_reader.h"
#include "leaf/mime_header.h"

namespace ambrine {

class LeafReader {
 public:
  LeafReader(LineReader& input, FormPage& page, AttachmentSink& sink, ErrorReport& report);

  // Reads and applies a whole message. Every failure is reported (source
  // "mainview") where it is found and once more here.
  Status ReadLeafMessage();

  // Each reads one part, from its header block to the delimiter line that
  // ends it, and applies it; `endingLine` receives that line.
  Status ReadDocumentPart();
  Status ReadFormDataPart(std::string& endingLine);
  Status ReadAttachmentPart(std::string& endingLine);

  // Set by ReadLeafMessage; the part readers use it.
  void SetBoundary(std::string boundary);

 private:
  enum class BodyKind { Document, FormData, Attachment };
  struct BodyResult {
    Status status = kOk;   // a read failure
    bool endOfData = false;
  };
  // The part body loop: decodes lines (when `base64`) until a delimiter line.
  BodyResult ReadBody(bool base64, BodyKind kind, std::string& data, std::string& endingLine);
  bool IsDelimiter(const std::string& line) const;
  // Content-Type and Content-Transfer-Encoding of a part; reports as the
  // table of each part says.
  Status CheckType(const HeaderList& headers, const char* wanted, const ReportPoint& quotePoint,
                   const ReportPoint& typePoint);
  Status FindEncoding(const HeaderList& headers, std::string& encoding,
                      const ReportPoint& quotePoint);

  LineReader& input_;
  FormPage& page_;
  AttachmentSink& sink_;
  ErrorReport& report_;
  std::string boundary_;
  std::string dashBoundary_;  // "--" + boundary
  std::size_t pieceLimit_ = 0;
};

// Reads the message from `fd` with gpg re-encrypting the attachments into
// new entries of `store`.
Status ReadLeafMessage(int fd, FormPage& page, AttachmentStore& store,
                       const GpgSettings& settings, ErrorReport& report);

}  // namespace ambrine
