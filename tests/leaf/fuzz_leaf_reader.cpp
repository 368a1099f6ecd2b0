// libFuzzer target: the leaf reader on arbitrary plaintext messages. The
// attachments go to a sink that drops them, so no gpg is started.
#include <cstddef>
#include <cstdint>
#include <string>

#include "leaf/attachment_sink.h"
#include "leaf/leaf_reader.h"
#include "leaf/line_reader.h"

namespace {

class DroppingPage : public ambrine::FormPage {
 public:
  ambrine::Result SaveDocument(std::string& bytes) override { bytes.clear(); return ambrine::kOk; }
  ambrine::Result CallSaveForm(std::string& text, bool& isString) override {
    text.clear();
    isString = true;
    return ambrine::kOk;
  }
  ambrine::Result LoadDocument(const std::string& bytes) override {
    loaded += bytes.size();
    return ambrine::kOk;
  }
  ambrine::Result CallRestoreForm(const std::string& text) override {
    loaded += text.size();
    return ambrine::kOk;
  }
  std::size_t loaded = 0;
};

class SilentReport : public ambrine::ErrorReport {
 public:
  void Report(ambrine::Result, const char*, int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ambrine::LineReader input(std::string_view(reinterpret_cast<const char*>(data), size));
  DroppingPage page;
  ambrine::NullAttachmentSink sink;
  SilentReport report;
  ambrine::LeafReader reader(input, page, sink, report);
  reader.ReadLeafMessage();
  return 0;
}
