#include "leaf/leaf_reader.h"

#include <algorithm>

#include "leaf/base64.h"
#include "leaf/mime_header.h"
#include "base/secure_wipe.h"

namespace ambrine {
namespace {

// Lines are read in pieces of at most this size, so a body written as one
// long line does not make the reader hold it whole.
constexpr std::size_t kPieceSize = 64 * 1024;

// Wipes a held secret and gives its memory back, not just its contents.
void Release(std::string& text) {
  SecureWipe(text);
  std::string().swap(text);
}

}  // namespace

LeafReader::LeafReader(LineReader& input, FormPage& page, AttachmentSink& sink,
                       ErrorReport& report)
    : input_(input), page_(page), sink_(sink), report_(report) {
  SetBoundary("");
}

LeafReader::~LeafReader() { SecureWipe(document_); }

void LeafReader::SetPartLimits(std::size_t documentBytes, std::size_t formTextBytes) {
  documentLimit_ = documentBytes;
  formTextLimit_ = formTextBytes;
}

void LeafReader::SetBoundary(std::string boundary) {
  boundary_ = std::move(boundary);
  dashBoundary_ = "--" + boundary_;
  // A first piece always holds enough to tell a closing delimiter.
  pieceLimit_ = std::max(kPieceSize, dashBoundary_.size() + 3);
}

bool LeafReader::IsDelimiter(const std::string& line) const {
  return line.compare(0, dashBoundary_.size(), dashBoundary_) == 0;
}

LeafReader::BodyResult LeafReader::ReadBody(bool base64, BodyKind kind, std::string& data,
                                            std::string& endingLine, std::size_t limit) {
  BodyResult result;
  Base64QuadDecoder decoder;
  std::string line;
  std::string decoded;
  // An attachment's bytes go to the sink in blocks of about kPieceSize, not
  // line by line. The room for a block and one more piece's bytes is taken
  // at once, so the buffer never moves (a move would leave unwiped bytes).
  const bool batched = kind == BodyKind::Attachment;
  if (batched) decoded.reserve(kPieceSize + pieceLimit_);
  auto flush = [&] {
    if (!decoded.empty()) sink_.Write(decoded.data(), decoded.size());
    decoded.clear();
  };
  bool lineStart = true;
  endingLine.clear();
  for (;;) {
    std::size_t consumed = 0;
    bool complete = true;
    result.status = input_.ReadLine(line, &consumed, pieceLimit_, &complete);
    if (Failed(result.status)) break;
    if (consumed == 0) {
      result.endOfData = true;
      break;
    }
    if (lineStart && IsDelimiter(line)) {
      endingLine = line;
      // The rest of an overlong delimiter line is of no use.
      while (!complete && Succeeded(result.status)) {
        result.status = input_.ReadLine(line, &consumed, pieceLimit_, &complete);
      }
      break;
    }
    lineStart = complete;
    if (!base64) continue;
    if (!batched) decoded.clear();
    decoder.Add(line.data(), line.size(), decoded, kind == BodyKind::FormData);
    if (batched) {
      if (decoded.size() >= kPieceSize) flush();
    } else if (decoded.size() > limit - data.size()) {
      // Counted as the bytes arrive: an oversized part is never held whole,
      // and the rest of it is not read.
      result.tooLarge = true;
      break;
    } else {
      AppendWiping(data, decoded.data(), decoded.size(), limit);
    }
  }
  if (batched) flush();
  SecureWipe(line);
  SecureWipe(decoded);
  return result;
}

Result LeafReader::CheckType(const HeaderList& headers, const char* wanted,
                             const ReportPoint& quotePoint, const ReportPoint& typePoint) {
  std::string type;
  if (Failed(FindHeader(headers, "content-type", nullptr, type))) {
    report_.Report(kInvalidData, quotePoint);
    return kInvalidData;
  }
  if (type != wanted) {
    report_.Report(kInvalidData, typePoint);
    return kInvalidData;
  }
  return kOk;
}

Result LeafReader::FindEncoding(const HeaderList& headers, std::string& encoding,
                                const ReportPoint& quotePoint) {
  if (Failed(FindHeader(headers, "content-transfer-encoding", nullptr, encoding))) {
    report_.Report(kInvalidData, quotePoint);
    return kInvalidData;
  }
  return kOk;
}

Result LeafReader::ReadDocumentPart() {
  HeaderList headers;
  Result status = ReadHeaderBlock(input_, headers, report_);
  if (Failed(status)) {
    report_.Report(status, report::kDocumentHeaderBroken);
    return status;
  }
  status = CheckType(headers, "text/html", report::kDocumentTypeQuote, report::kDocumentNotHtml);
  if (Failed(status)) return status;
  std::string encoding;
  status = FindEncoding(headers, encoding, report::kDocumentEncodingQuote);
  if (Failed(status)) return status;
  if (encoding.empty()) encoding = "binary";

  Release(document_);
  documentRead_ = false;
  std::string endingLine;
  BodyResult body = ReadBody(encoding == "BASE64", BodyKind::Document, document_, endingLine,
                             documentLimit_);
  if (Failed(body.status) || body.endOfData || body.tooLarge) {
    Release(document_);
    status = Failed(body.status) ? body.status : kInvalidData;
    report_.Report(status, Failed(body.status) ? report::kDocumentReadFailed
                           : body.tooLarge     ? report::kDocumentTooLarge
                                               : report::kDocumentUnended);
    return status;
  }
  documentRead_ = true;
  return holdDocument_ ? kOk : LoadDocument();
}

Result LeafReader::LoadDocument() {
  documentRead_ = false;
  const Result status = page_.TakeDocument(document_);
  Release(document_);
  return status;
}

Result LeafReader::ReadFormDataPart(std::string& endingLine) {
  std::string form;
  const WipeOnExit wipe(form);
  Result status = ReadFormText(form, endingLine);
  if (Succeeded(status) && documentRead_) status = LoadDocument();
  return Failed(status) ? status : RestoreForm(form);
}

Result LeafReader::ReadFormText(std::string& form, std::string& endingLine) {
  endingLine.clear();
  HeaderList headers;
  Result status = ReadHeaderBlock(input_, headers, report_);
  if (Failed(status)) return status;
  status = CheckType(headers, "application/octet-stream", report::kFormTypeQuote,
                     report::kFormNotOctetStream);
  if (Failed(status)) return status;
  std::string encoding;
  status = FindEncoding(headers, encoding, report::kFormEncodingQuote);
  if (Failed(status)) return status;
  if (encoding.empty()) encoding = "binary";

  BodyResult body = ReadBody(encoding == "BASE64", BodyKind::FormData, form, endingLine,
                             formTextLimit_);
  if (Failed(body.status) || body.endOfData || body.tooLarge) Release(form);
  if (Failed(body.status)) return body.status;
  if (body.endOfData || body.tooLarge) {
    report_.Report(kInvalidData, body.tooLarge ? report::kFormTooLarge : report::kFormUnended);
    return kInvalidData;
  }
  return kOk;
}

Result LeafReader::RestoreForm(const std::string& form) {
  return RestoreFormText(page_, form, report_);
}

Result RestoreFormText(FormPage& page, const std::string& form, ErrorReport& report) {
  const Result status = page.CallRestoreForm(form);
  if (Failed(status)) {
    report.Report(status, status == kUnknownName ? report::kNoRestoreForm : report::kRestoreFormFailed);
  }
  return status;
}

Result LeafReader::ReadAttachmentPart(std::string& endingLine) {
  endingLine.clear();
  HeaderList headers;
  Result status = ReadHeaderBlock(input_, headers, report_);
  if (Failed(status)) {
    report_.Report(status, report::kAttachmentHeaderBroken);
    return status;
  }
  status = CheckType(headers, "application/octet-stream", report::kAttachmentTypeQuote,
                     report::kAttachmentNotOctetStream);
  if (Failed(status)) return status;
  std::string encoding;
  status = FindEncoding(headers, encoding, report::kAttachmentEncodingQuote);
  if (Failed(status)) return status;
  // No default here: the body must be Base64, checked before any file exists.
  if (encoding != "BASE64") {
    report_.Report(kInvalidData, report::kAttachmentNotBase64);
    return kInvalidData;
  }
  // The exact name from "filename*" when the writer had to give one, else
  // the plain "filename".
  std::string name;
  status = FindFileName(headers, name);
  if (Failed(status)) {
    report_.Report(status, report::kAttachmentDispositionBroken);
    return status;
  }

  status = sink_.Begin(name);
  if (Failed(status)) return status;
  std::string unused;
  BodyResult body = ReadBody(true, BodyKind::Attachment, unused, endingLine);
  Result ended = sink_.End();
  if (Failed(body.status)) {
    report_.Report(body.status, report::kAttachmentReadFailed);
    return body.status;
  }
  // End of data inside the body is no failure here: the next part's header
  // block fails instead.
  return ended;
}

Result LeafReader::ReadLeafMessage() {
  HeaderList headers;
  Result status = ReadHeaderBlock(input_, headers, report_);
  if (Failed(status)) return status;
  std::string type;
  status = FindHeader(headers, "content-type", nullptr, type);
  if (Failed(status)) {
    report_.Report(status, report::kMessageTypeQuote);
    return status;
  }
  // Not a leaf message: nothing to load, restore or add.
  if (type != "multipart/mixed") return kOk;

  std::string boundary;
  status = FindHeader(headers, "content-type", "boundary", boundary);
  if (Failed(status)) {
    report_.Report(status, report::kMessageNoBoundary);
    return status;
  }
  if (!boundary.empty() && boundary.front() == '"') {
    boundary = boundary.size() >= 2 ? boundary.substr(1, boundary.size() - 2) : std::string();
  }
  // Without a boundary every line starting "--" would end a part.
  if (boundary.empty()) {
    report_.Report(kInvalidData, report::kMessageNoBoundary);
    return kInvalidData;
  }
  SetBoundary(std::move(boundary));

  // Preamble: skip to the first delimiter line.
  const std::string closing = dashBoundary_ + "--";
  std::string line;
  bool lineStart = true;
  for (;;) {
    std::size_t consumed = 0;
    bool complete = true;
    status = input_.ReadLine(line, &consumed, pieceLimit_, &complete);
    if (Failed(status)) {
      report_.Report(status, report::kMessageUnstarted);
      return status;
    }
    if (consumed == 0) {
      report_.Report(kInvalidData, report::kMessageUnstarted);
      return kInvalidData;
    }
    const bool whole = lineStart && complete;
    lineStart = complete;
    if (!whole) continue;
    if (line == dashBoundary_) break;
    if (line == closing) {
      report_.Report(kInvalidData, report::kMessageClosedEarly);
      return kInvalidData;
    }
  }

  status = ReadDocumentPart();
  if (Failed(status)) {
    report_.Report(status, report::kDocumentPartUnusable);
    return status;
  }
  std::string endingLine;
  std::string form;
  const WipeOnExit wipeForm(form);
  status = ReadFormText(form, endingLine);
  if (Failed(status)) {
    Release(document_);
    report_.Report(status, report::kFormPartUnusable);
    return status;
  }
  if (documentRead_) {
    status = LoadDocument();
    if (Failed(status)) {
      report_.Report(status, report::kDocumentPartUnusable);
      return status;
    }
  }
  status = RestoreForm(form);
  Release(form);
  if (Failed(status)) {
    report_.Report(status, report::kFormPartUnusable);
    return status;
  }
  while (endingLine != closing) {
    status = ReadAttachmentPart(endingLine);
    if (Failed(status)) {
      report_.Report(status, report::kAttachmentPartUnusable);
      return status;
    }
  }
  return kOk;
}

Result ReadLeafMessage(int fd, FormPage& page, AttachmentStore& store,
                       const GpgSettings& settings, ErrorReport& report) {
  LineReader input(fd);
  GpgAttachmentSink sink(store, settings, report);
  LeafReader reader(input, page, sink, report);
  return reader.ReadLeafMessage();
}

}  // namespace ambrine
