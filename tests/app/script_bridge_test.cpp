// window.external end to end: page script -> prompt bridge -> dispatcher ->
// the operations, in the real web engine.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/web/form_engine_page.h"
#include "app/web/script_external.h"
#include "page_fixture.h"

namespace ambrine::test {
namespace {

struct Call {
  Call(std::string m, std::int32_t i = 0, std::string t = {})
      : method(std::move(m)), index(i), text(std::move(t)) {}
  std::string method;
  std::int32_t index;
  std::string text;
};

// Records each operation; list and attach answer with fixed texts.
class RecordingExternal : public ScriptExternal, public PageCallHandler {
 public:
  void saveLeaf() override { calls.push_back({"saveLeaf"}); }
  void attachFile(std::optional<std::string>& result) override {
    calls.push_back({"attachFile"});
    result = "0\t添付.txt\n";
  }
  void detachFile(std::int32_t index, std::optional<std::string>& result) override {
    calls.push_back({"detachFile", index});
    result = "";
  }
  void listFile(std::optional<std::string>& result) override {
    calls.push_back({"listFile"});
    result = bigList ? std::string(50000, 'L') + "終" : "0\ta.txt\n1\tb.txt\n";
  }
  void extractFile(std::int32_t index) override { calls.push_back({"extractFile", index}); }
  void saveForm(const std::string& text) override { calls.push_back({"saveForm", 0, text}); }
  void viewFile(std::int32_t index) override { calls.push_back({"viewFile", index}); }

  Result HandlePageCall(const std::string& name, const std::vector<ScriptValue>& args,
                        PageHandover* handover,
                        std::optional<std::string>& result) override {
    if (handover) lastHandover = *handover;
    return Invoke(GetIdOfName(name), args, result);
  }

  std::vector<Call> calls;
  std::optional<PageHandover> lastHandover;
  bool bigList = false;
};

class ScriptBridgeTest : public PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    view_->SetCallHandler(&external_);
  }
  RecordingExternal external_;
};

TEST(ScriptDispatch, NamesMapToIdsExactlyAndUnknownIdsAreNotImplemented) {
  std::vector<int> ids;
  EXPECT_EQ(kOk, ScriptExternal::GetIdsOfNames({"listFile", "ListFile", "saveForm"}, ids));
  EXPECT_EQ((std::vector<int>{4, 0, 6}), ids);
  const char* names[] = {"saveLeaf", "attachFile", "detachFile", "listFile", "extractFile", "saveForm",
                         "viewFile"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(i + 1, ScriptExternal::GetIdOfName(names[i]));
  RecordingExternal external;
  std::optional<std::string> result;
  EXPECT_EQ(kNotImplemented, external.Invoke(0, {}, result));
  EXPECT_EQ(kNotImplemented, external.Invoke(8, {}, result));
  EXPECT_TRUE(external.calls.empty());
}

TEST(ScriptDispatch, IntegerOfFollowsTheVariantRules) {
  EXPECT_EQ(2, IntegerOf(ScriptValue::String("2")));
  EXPECT_EQ(-17, IntegerOf(ScriptValue::String("  -17abc")));
  EXPECT_EQ(5, IntegerOf(ScriptValue::String("+5")));
  EXPECT_EQ(0, IntegerOf(ScriptValue::String("abc")));
  EXPECT_EQ(2147483647, IntegerOf(ScriptValue::String("99999999999")));
  EXPECT_EQ(-5, IntegerOf({ScriptValue::Kind::Int16, {}, 0xFFFB}));
  EXPECT_EQ(251, IntegerOf({ScriptValue::Kind::Byte, {}, 251}));
  EXPECT_EQ(0, IntegerOf(ScriptValue::Other()));
  EXPECT_EQ(0, IntegerOf(ScriptValue{}));
}

TEST_F(ScriptBridgeTest, PageCallsReachTheOperationsWithConvertedArguments) {
  LoadPage(R"JS(
    window.results = [];
    function go() {
      results.push(window.external.listFile());
      window.external.detachFile("2");
      window.external.detachFile(2);
      window.external.detachFile(" -3 rows");
      window.external.detachFile(2.5);
      window.external.detachFile(true);
      window.external.detachFile();
      window.external.detachFile(4294967298);
      return JSON.stringify(results);
    }
    function attach() { return window.external.attachFile(); }
    function extract() { return window.external.extractFile(1); }
    function saveNumber() { return window.external.saveForm(42); }
    function saveText() { return window.external.saveForm("日本語 \u2028 \"quoted\"\n\u0001 done"); }
  )JS");
  PageCallResult r = view_->CallPageFunction("go", {});
  ASSERT_EQ(kOk, r.status);
  EXPECT_EQ(R"(["0\ta.txt\n1\tb.txt\n"])", r.text);
  // The methods that open a dialog, each from a user's action.
  EXPECT_EQ("0\t添付.txt\n", CallWithUserAction("attach"));
  EXPECT_EQ("undefined", CallWithUserAction("extract"));
  CallWithUserAction("saveNumber");
  CallWithUserAction("saveText");

  ASSERT_EQ(11u, external_.calls.size());
  EXPECT_EQ("listFile", external_.calls[0].method);
  const std::int32_t expected[] = {2, 2, -3, 0, 0, 0, 0};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ("detachFile", external_.calls[1 + i].method);
    EXPECT_EQ(expected[i], external_.calls[1 + i].index) << "detach call " << i;
  }
  EXPECT_EQ("attachFile", external_.calls[8].method);
  EXPECT_EQ("extractFile", external_.calls[9].method);
  EXPECT_EQ(1, external_.calls[9].index);
  // saveForm(42) called nothing; the string arrived unchanged.
  EXPECT_EQ("saveForm", external_.calls[10].method);
  EXPECT_EQ("日本語 \u2028 \"quoted\"\n\u0001 done", external_.calls[10].text);
}

TEST_F(ScriptBridgeTest, NameDifferingInCaseFailsWithNotImplemented) {
  LoadPage(R"JS(
    function go() {
      try { window.external.ListFile(); return "no error"; }
      catch (e) { return e.message; }
    }
  )JS");
  PageCallResult r = view_->CallPageFunction("go", {});
  ASSERT_EQ(kOk, r.status);
  EXPECT_NE(std::string::npos, r.text.find("80004001")) << r.text;
  EXPECT_TRUE(external_.calls.empty());
}

TEST_F(ScriptBridgeTest, SaveLeafHandsOverSaveFormResultAndDocument) {
  LoadPage(R"JS(
    function saveForm() { return "値=" + document.getElementById("f").value; }
    function go() { window.external.saveLeaf(); return "ok"; }
  )JS",
           "<input id=\"f\" value=\"甲\">");
  EXPECT_EQ("ok", CallWithUserAction("go"));
  ASSERT_EQ(1u, external_.calls.size());
  EXPECT_EQ("saveLeaf", external_.calls[0].method);
  ASSERT_TRUE(external_.lastHandover);
  EXPECT_EQ(kOk, external_.lastHandover->formResult);
  EXPECT_TRUE(external_.lastHandover->formIsString);
  EXPECT_EQ("値=甲", external_.lastHandover->formText);
  EXPECT_EQ(0u, external_.lastHandover->document.rfind("<!DOCTYPE html><html>", 0));
  EXPECT_NE(std::string::npos, external_.lastHandover->document.find("id=\"f\""));
}

TEST_F(ScriptBridgeTest, LargeCallsAndAnswersTravelWhole) {
  external_.bigList = true;
  LoadPage(R"JS(
    function list() { var r = window.external.listFile(); return r.length + r.slice(-2); }
    function saveForm() { return "データ".repeat(300000); }
    function go() {
      document.body.textContent = "本文".repeat(600000) + "終";
      window.external.saveLeaf();
      return "ok";
    }
  )JS");
  EXPECT_EQ("50001L終", view_->CallPageFunction("list", {}).text);
  EXPECT_EQ("ok", CallWithUserAction("go"));
  ASSERT_TRUE(external_.lastHandover);
  EXPECT_EQ(300000u * 9, external_.lastHandover->formText.size());
  EXPECT_GT(external_.lastHandover->document.size(), 600000u * 6);
  EXPECT_NE(std::string::npos, external_.lastHandover->document.find("本文終</body></html>"));
}

TEST_F(ScriptBridgeTest, SaveLeafWithoutSaveFormOrWithOtherResult) {
  LoadPage("function go() { window.external.saveLeaf(); return 'ok'; }");
  EXPECT_EQ("ok", CallWithUserAction("go"));
  ASSERT_TRUE(external_.lastHandover);
  EXPECT_EQ(kUnknownName, external_.lastHandover->formResult);

  LoadPage("function saveForm() { return 7; } function go() { window.external.saveLeaf(); return 'ok'; }");
  EXPECT_EQ("ok", CallWithUserAction("go"));
  EXPECT_EQ(kOk, external_.lastHandover->formResult);
  EXPECT_FALSE(external_.lastHandover->formIsString);
}

TEST_F(ScriptBridgeTest, FramesInsideTheFormCannotCallTheProgram) {
  // A frame gets no window.external of its own, and a forged bridge prompt
  // without the view's token is refused without reaching the program.
  LoadPage(R"JS(
    function go() {
      var w = document.getElementById("inner").contentWindow;
      var own = (w.external === window.external) ? "shared" : "separate";
      var forged = w.prompt("@AMBRINE-EXTERNAL/0000@{\"name\":\"listFile\",\"args\":[]}", "");
      return own + " " + forged;
    }
  )JS",
           "<iframe id=\"inner\" srcdoc=\"<p>inner</p>\"></iframe>");
  PageCallResult r = view_->CallPageFunction("go", {});
  ASSERT_EQ(kOk, r.status);
  EXPECT_EQ(0u, r.text.rfind("separate ", 0)) << r.text;
  EXPECT_NE(std::string::npos, r.text.find("-2147024891")) << r.text;  // access denied
  EXPECT_TRUE(external_.calls.empty());
}

}  // namespace
}  // namespace ambrine::test
