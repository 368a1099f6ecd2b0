// Plain-data stand-ins for the window's page and error boxes, and helpers
// that run the writer into a pipe and the reader over a text.
#pragma once

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "leaf/attachment_sink.h"
#include "base/error_report.h"
#include "leaf/form_page.h"
#include "leaf/leaf_writer.h"
#include "support/recording_report.h"

namespace ambrine::test {

class MemoryPage : public FormPage {
 public:
  Result SaveDocument(std::string& bytes) override {
    bytes = document;
    return saveDocumentResult;
  }
  Result CallSaveForm(std::string& text, bool& isString) override {
    text = form;
    isString = formIsString;
    return saveFormResult;
  }
  Result LoadDocument(const std::string& bytes) override {
    document = bytes;
    ++loads;
    return kOk;
  }
  Result CallRestoreForm(const std::string& text) override {
    if (!hasRestoreForm) return kUnknownName;
    form = text;
    ++restores;
    return kOk;
  }

  std::string document;
  std::string form;
  bool formIsString = true;
  bool hasRestoreForm = true;
  Result saveDocumentResult = kOk;
  Result saveFormResult = kOk;
  int loads = 0;
  int restores = 0;
};

class RecordingSink : public AttachmentSink {
 public:
  Result Begin(const std::string& name) override {
    attachments.push_back({name, ""});
    return kOk;
  }
  void Write(const char* bytes, std::size_t count) override {
    attachments.back().second.append(bytes, count);
  }
  Result End() override { return kOk; }
  std::vector<std::pair<std::string, std::string>> attachments;
};

// Attachment "temporary files" that hold plain bytes, read in small pieces.
class PlainFileSource : public AttachmentSource {
 public:
  Result Open(const AttachmentEntry& entry, Fd& content) override;
  Result Close() override { return kOk; }
};

// Runs the writer into a pipe that a second thread reads; gives the bytes.
std::string WriteToString(LeafWriter& writer, Result* status = nullptr);

// The boundary a written message declares in its first line.
std::string BoundaryOf(const std::string& message);

}  // namespace ambrine::test
