// Search's pieces on plain data: folding, the text a leaf gives to search,
// matching and snippets, and the index's plaintext format.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/utf8.h"
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

TEST(SearchFold, CompatibilityFormsCaseAndCanonicalEquivalence) {
  // "ﬁ", "①", "Ⅻ", "㌔", "Straße", "ΣΟΦΟΣ", "ǅ" (one code point), "ℌ".
  EXPECT_EQ(FoldedWord("\xEF\xAC\x81"), U"fi");
  EXPECT_EQ(FoldedWord("\xE2\x91\xA0"), U"1");
  EXPECT_EQ(FoldedWord("\xE2\x85\xAB"), U"xii");
  EXPECT_EQ(FoldedWord("\xE3\x8C\x94"), U"\u30AD\u30ED");
  EXPECT_EQ(FoldedWord("Stra\xC3\x9F" "e"), U"strasse");
  // Invisible code points go: a soft hyphen, a zero-width joiner, an
  // ideographic variation selector.
  EXPECT_EQ(FoldedWord("inter\xC2\xAD" "national a\xE2\x80\x8D" "b \xE8\x91\x9B\xF3\xA0\x84\x80"),
            FoldedWord("international ab \xE8\x91\x9B"));
  EXPECT_EQ(FoldedWord("\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x9F\xCE\xA3"),
            FoldedWord("\xCF\x83\xCE\xBF\xCF\x86\xCE\xBF\xCF\x82"));
  EXPECT_EQ(FoldedWord("\xC7\x85"), U"d\u017E");
  EXPECT_EQ(FoldedWord("\xE2\x84\x8C"), U"h");

  // A letter and its marks written apart compose, whatever order the marks
  // of different classes came in: "e" + U+0301 is "é"; "e" + U+0302 + U+0323
  // and "e" + U+0323 + U+0302 are both "ệ"; "Å" as the Ångström sign, as
  // "A" + ring and as "å" fold alike.
  EXPECT_EQ(FoldedWord("e\xCC\x81"), U"\u00E9");
  EXPECT_EQ(FoldedWord("e\xCC\x82\xCC\xA3"), U"\u1EC7");
  EXPECT_EQ(FoldedWord("E\xCC\xA3\xCC\x82"), U"\u1EC7");
  EXPECT_EQ(FoldedWord("\xE2\x84\xAB"), U"\u00E5");
  EXPECT_EQ(FoldedWord("A\xCC\x8A"), U"\u00E5");
  // "ᾳ" + U+0301 and "ᾴ" are the same text: the iota subscript folds to an
  // iota only after the acute, which comes first, has joined the alpha.
  EXPECT_EQ(FoldedWord("\xE1\xBE\xB3\xCC\x81"), U"\u03AC\u03B9");
  EXPECT_EQ(FoldedWord("\xE1\xBE\xB4"), U"\u03AC\u03B9");
  // A mark that did not compose blocks a later one of the same class, not
  // one of a higher class: U+0305 (230) blocks U+0301 (230), U+0316 (220)
  // does not.
  EXPECT_EQ(FoldedWord("a\xCC\x85\xCC\x81"), U"a\u0305\u0301");
  EXPECT_EQ(FoldedWord("a\xCC\x96\xCC\x81"), U"\u00E1\u0316");
  // Hangul: a syllable stays one code point, conjoining jamo and
  // compatibility jamo compose into one, and a trailing consonant joins.
  EXPECT_EQ(FoldedWord("\xEA\xB0\x80"), U"\uAC00");
  EXPECT_EQ(FoldedWord("\xE1\x84\x80\xE1\x85\xA1\xE1\x86\xA8"), U"\uAC01");
  EXPECT_EQ(FoldedWord("\xE3\x84\xB1\xE3\x85\x8F"), U"\uAC00");
  EXPECT_EQ(FoldedWord("\xEA\xB0\x80\xE1\x86\xA8"), U"\uAC01");

  // A composed code point takes its starter's origin; every code point of
  // an expansion takes that of what it expanded.
  const FoldedText composed = FoldForSearch("e\xCC\x81\xEF\xAC\x81x");
  EXPECT_EQ(composed.text, U"\u00E9fix");
  EXPECT_EQ(composed.origin, (std::vector<std::size_t>{0, 3, 3, 6, 7}));
}

TEST(SearchFold, StableAndInOrderOnAnyInput) {
  // Folding folded text changes nothing, for every code point alone and
  // after a letter (where a mark may compose with it).
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    std::string text;
    AppendUtf8(text, c);
    for (const std::string& source : {text, "A" + text}) {
      const std::u32string once = FoldedWord(source);
      std::string again;
      for (char32_t f : once) AppendUtf8(again, f);
      ASSERT_EQ(FoldedWord(again), once) << "U+" << std::hex << static_cast<std::uint32_t>(c);
    }
  }
  // A long run of marks needing reordering folds completely, and the
  // origins never go backwards, so a stretch of folded text is always a
  // stretch of the source.
  std::string marks = "a";
  for (int k = 0; k < 50000; ++k) marks += "\xCC\x81\xCC\xA3";  // U+0301, U+0323
  const FoldedText folded = FoldForSearch(marks);
  EXPECT_EQ(folded.text.size(), 50000u * 2);
  EXPECT_EQ(folded.text[0], U'\u1EA1');  // "a" with the first U+0323
  EXPECT_TRUE(std::is_sorted(folded.origin.begin(), folded.origin.end()));
  EXPECT_EQ(folded.origin.back(), marks.size());
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
