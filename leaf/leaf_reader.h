// Reads a leaf message front to back, one line at a time: loads the saved
// document into the page, hands the form text to the page's restoreForm and
// gives every attachment's bytes to an AttachmentSink. Nothing read is ever
// undone: a failure leaves what was applied before it. The document and the
// form text are held whole, so each has a size limit (leaf/size_limits.h);
// a larger part fails as invalid data as soon as the limit is passed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gpg/gpg_settings.h"
#include "base/result.h"
#include "leaf/attachment_sink.h"
#include "leaf/attachment_store.h"
#include "base/error_report.h"
#include "leaf/form_page.h"
#include "leaf/line_reader.h"
#include "leaf/mime_header.h"
#include "leaf/size_limits.h"

namespace ambrine {

class LeafReader {
 public:
  LeafReader(LineReader& input, FormPage& page, AttachmentSink& sink, ErrorReport& report);
  ~LeafReader();  // wipes a document still held
  LeafReader(const LeafReader&) = delete;
  LeafReader& operator=(const LeafReader&) = delete;

  // The largest decoded document and form text accepted; kMaxDocumentBytes
  // and kMaxStringBytes unless set.
  void SetPartLimits(std::size_t documentBytes, std::size_t formTextBytes);
  // ReadLeafMessage then loads the document only once the form text has
  // been read too, so a message whose first two parts cannot be used
  // changes nothing on the page.
  void HoldDocumentUntilFormRead() { holdDocument_ = true; }

  // Reads and applies a whole message. Every failure is reported (source
  // "mainview") where it is found and once more here.
  Result ReadLeafMessage();

  // Each reads one part, from its header block to the delimiter line that
  // ends it, and applies it; `endingLine` receives that line. When the
  // document is held, ReadDocumentPart only reads it.
  Result ReadDocumentPart();
  Result ReadFormDataPart(std::string& endingLine);
  Result ReadAttachmentPart(std::string& endingLine);

  // Set by ReadLeafMessage; the part readers use it.
  void SetBoundary(std::string boundary);

 private:
  enum class BodyKind { Document, FormData, Attachment };
  struct BodyResult {
    Result status = kOk;   // a read failure
    bool endOfData = false;
    bool tooLarge = false;  // `data` would have passed the limit; reading stopped
  };
  // The part body loop: decodes lines (when `base64`) until a delimiter line.
  // The document and the form text collect into `data`, at most `limit`
  // bytes of it.
  BodyResult ReadBody(bool base64, BodyKind kind, std::string& data, std::string& endingLine,
                      std::size_t limit = SIZE_MAX);
  // The form-data part without applying it: its text into `form`.
  Result ReadFormText(std::string& form, std::string& endingLine);
  Result RestoreForm(const std::string& form);
  // Loads the document read last into the page and lets go of it.
  Result LoadDocument();
  bool IsDelimiter(const std::string& line) const;
  // Content-Type and Content-Transfer-Encoding of a part; reports as the
  // table of each part says.
  Result CheckType(const HeaderList& headers, const char* wanted, const ReportPoint& quotePoint,
                   const ReportPoint& typePoint);
  Result FindEncoding(const HeaderList& headers, std::string& encoding,
                      const ReportPoint& quotePoint);

  LineReader& input_;
  FormPage& page_;
  AttachmentSink& sink_;
  ErrorReport& report_;
  std::string boundary_;
  std::string dashBoundary_;  // "--" + boundary
  std::size_t pieceLimit_ = 0;
  std::size_t documentLimit_ = kMaxDocumentBytes;
  std::size_t formTextLimit_ = kMaxStringBytes;
  bool holdDocument_ = false;
  std::string document_;  // read, not yet loaded
  bool documentRead_ = false;
};

// Hands the form text to the page's restoreForm and reports a failure as
// the reader does (no restoreForm, or it failed).
Result RestoreFormText(FormPage& page, const std::string& form, ErrorReport& report);

// Reads the message from `fd` with gpg re-encrypting the attachments into
// new entries of `store`.
Result ReadLeafMessage(int fd, FormPage& page, AttachmentStore& store,
                       const GpgSettings& settings, ErrorReport& report);

}  // namespace ambrine
