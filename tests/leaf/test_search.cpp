// Search's pieces on plain data: folding, the text a leaf gives to search,
// matching and snippets, and the index's plaintext format.
#include <gtest/gtest.h>

#include "leaf/search/record_search.h"
#include "leaf/search/search_fold.h"
#include "leaf/search/search_index.h"
#include "leaf/search/searchable_text.h"

namespace ambrine {
namespace {

std::vector<std::u32string> Words(std::initializer_list<const char*> words) {
  std::vector<std::u32string> folded;
  for (const char* w : words) folded.push_back(FoldedWord(w));
  return folded;
}

TEST(SearchFold, WidthCaseAndVoicingMarksFoldAway) {
  // Full-width "ＡＢＣ１" and lower-case "abc1"; half-width "ｶﾞｲﾄﾞ" and
  // "ガイド"; "É" and "é"; the ideographic space.
  EXPECT_EQ(FoldedWord("\xEF\xBC\xA1\xEF\xBC\xA2\xEF\xBC\xA3\xEF\xBC\x91"), FoldedWord("abc1"));
  EXPECT_EQ(FoldedWord("\xEF\xBD\xB6\xEF\xBE\x9E\xEF\xBD\xB2\xEF\xBE\x84\xEF\xBE\x9E"),
            FoldedWord("\xE3\x82\xAC\xE3\x82\xA4\xE3\x83\x89"));
  EXPECT_EQ(FoldedWord("\xC3\x89T\xC3\x89"), FoldedWord("\xC3\xA9t\xC3\xA9"));
  EXPECT_EQ(FoldedWord("a\xE3\x80\x80" "b"), FoldedWord("a b"));
  // Half-width "ﾊﾟ" is "パ"; a mark after a kana that takes none stays.
  EXPECT_EQ(FoldedWord("\xEF\xBE\x8A\xEF\xBE\x9F"), FoldedWord("\xE3\x83\x91"));
  EXPECT_EQ(FoldedWord("\xEF\xBD\xB1\xEF\xBE\x9E").size(), 2u);

  // Every folded code point knows its source bytes, and broken UTF-8
  // folds without reading past the end.
  const FoldedText folded = FoldForSearch("x\xEF\xBD\xB6\xEF\xBE\x9Ey\xE3");
  ASSERT_EQ(folded.text.size(), 4u);
  EXPECT_EQ(folded.origin, (std::vector<std::size_t>{0, 1, 7, 8, 9}));
  EXPECT_EQ(folded.text[3], U'\xFFFD');
}

TEST(SearchableText, PageTextLeavesOutMarkupScriptsAndStyles) {
  EXPECT_EQ(DocumentText("<!DOCTYPE html><html><head><style>p{color:red}</style>"
                         "<script>var hidden = 'Osaka';</script></head>"
                         "<body><h1>Kyoto&amp;Nara</h1><!-- Kobe --><p>caf&#xE9;&nbsp;&#26085;"
                         "<SCRIPT type=x>Sapporo</script>end &bogus; </p></body></html>"),
            "Kyoto&Nara caf\xC3\xA9 \xE6\x97\xA5 end &bogus;");
  // A tag or script left open ends the text instead of running past it.
  EXPECT_EQ(DocumentText("a<b"), "a");
  EXPECT_EQ(DocumentText("a<script>b"), "a");
  // Kept text is cut on a character boundary: "日" is three bytes.
  std::string cut = "ab\xE6\x97\xA5";
  CutUtf8(cut, 4);
  EXPECT_EQ(cut, "ab");
}

TEST(SearchableText, FormValuesWithoutNamesOrEscapes) {
  // The default form's text: a header line, then JSON with every character
  // above U+007E escaped (here "日本" and a surrogate pair for U+1F600).
  const std::string form =
      "ambrine-form 1\n{\"title\":\"\\u65e5\\u672c\",\"body\":\"a\\nb \\ud83d\\ude00\","
      "\"rows\":[{\"item\":\"tea\",\"amount\":12}],\"flag\":true,\"none\":null}";
  EXPECT_EQ(FormValuesText(form), "\xE6\x97\xA5\xE6\x9C\xAC\na\nb \xF0\x9F\x98\x80\ntea\n12\n");
  // Anything that is not whole JSON is searched as it is.
  EXPECT_EQ(FormValuesText("name=value"), "name=value");
  EXPECT_EQ(FormValuesText("v1\n{\"title\":\"x\""), "v1\n{\"title\":\"x\"");
  EXPECT_EQ(FormValuesText(std::string(200, '[')), std::string(200, '['));
}

TEST(MatchLeaf, EveryWordSomewhereAndASnippetAroundTheFirst) {
  LeafContents c;
  c.formText = "Meeting notes\nThe   quarterly budget was approved after a long discussion about the new office";
  c.documentText = "Record Title Date";
  c.attachmentNames = {"Invoice-2026.pdf"};
  std::string snippet;
  EXPECT_TRUE(MatchLeaf(c, Words({"BUDGET", "invoice", "title"}), snippet));
  EXPECT_EQ(snippet, "…tes The quarterly budget was approved after a long discussion ab…");
  EXPECT_FALSE(MatchLeaf(c, Words({"budget", "missing"}), snippet));
  EXPECT_TRUE(snippet.empty());
  EXPECT_FALSE(MatchLeaf(c, {}, snippet));
  // A name matches too; the snippet then comes from the names.
  EXPECT_TRUE(MatchLeaf(c, Words({"2026"}), snippet));
  EXPECT_EQ(snippet, "Invoice-2026.pdf");
}

TEST(SearchIndex, KeepsLeavesButNeverAPassphraseLeafsText) {
  SearchIndex index;
  IndexEntry& read = index.entries["/r/a.gpg"];
  read.size = 10;
  read.mtimeNs = 1234567890123456789;
  read.reading = LeafReading::Read;
  read.contents.formText = "line\n12:x\n";
  read.contents.documentText = "page";
  read.contents.attachmentNames = {"a.txt", ""};
  read.contents.signerUserId = "Alice";
  read.contents.signerFingerprint = "ABCD";
  IndexEntry& secret = index.entries["/r/s.gpg"];
  secret.reading = LeafReading::Read;
  secret.contents.passphraseLeaf = true;
  secret.contents.formText = "hidden words";

  const std::string text = index.Serialize();
  EXPECT_EQ(text.find("hidden words"), std::string::npos);
  SearchIndex back;
  ASSERT_TRUE(back.Parse(text));
  ASSERT_EQ(back.entries.size(), 2u);
  const IndexEntry& a = back.entries.at("/r/a.gpg");
  EXPECT_EQ(a.mtimeNs, read.mtimeNs);
  EXPECT_EQ(a.contents.formText, read.contents.formText);
  EXPECT_EQ(a.contents.attachmentNames, read.contents.attachmentNames);
  EXPECT_EQ(a.contents.signerFingerprint, "ABCD");
  EXPECT_EQ(a.contents.documentText, "page");
  EXPECT_TRUE(back.entries.at("/r/s.gpg").contents.formText.empty());

  // Cut short anywhere, or with a count or length past the text, it is no
  // index at all.
  for (std::size_t cut = 0; cut < text.size(); cut += 7) {
    EXPECT_FALSE(back.Parse(text.substr(0, cut))) << cut;
    EXPECT_TRUE(back.entries.empty());
  }
  EXPECT_FALSE(back.Parse("ambrine-search-index 1\n99999999999:1\n"));
  EXPECT_FALSE(back.Parse("ambrine-search-index 1\n1:9\n999:x\n"));
  // A page number past the table of page texts.
  std::string badPage = text;
  const std::size_t at = badPage.find("\n1:0\n1:2\n5:a.txt");
  ASSERT_NE(at, std::string::npos) << text;
  badPage.replace(at, 5, "\n1:7\n");
  EXPECT_FALSE(back.Parse(badPage));
  EXPECT_FALSE(back.Parse(text + "x"));
}

}  // namespace
}  // namespace ambrine
