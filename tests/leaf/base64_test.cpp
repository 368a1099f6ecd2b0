#include <gtest/gtest.h>

#include <random>
#include <string>

#include "leaf/base64.h"

namespace ambrine {
namespace {

std::string GroupByGroup(const std::string& bytes) {
  // The writer's rule: groups of three, CR LF after every 18th group, the
  // last line ended when not empty.
  std::string out;
  std::size_t groups = 0;
  for (std::size_t at = 0; at < bytes.size(); at += 3) {
    char chars[5];
    int n = static_cast<int>(std::min<std::size_t>(3, bytes.size() - at));
    EncodeBase64Group(reinterpret_cast<const unsigned char*>(bytes.data() + at), n, chars);
    out.append(chars, 4);
    if (++groups % 18 == 0) out += "\r\n";
  }
  if (groups % 18 != 0) out += "\r\n";
  return out;
}

TEST(Base64, GroupsDecodeToTheirBytesWithATrailingZero) {
  unsigned char out[4] = {9, 9, 9, 9};
  EXPECT_EQ(DecodeBase64Quad("QQ==", out), 1);
  EXPECT_EQ(out[0], 0x41);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(DecodeBase64Quad("QUI=", out), 2);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), "AB");
  EXPECT_EQ(DecodeBase64Quad("QUJD", out), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), "ABC");
  EXPECT_EQ(out[3], 0);

  char chars[5];
  const unsigned char abc[] = {'A', 'B', 'C'};
  EXPECT_EQ(EncodeBase64Group(abc, 1, chars), 4);
  EXPECT_STREQ(chars, "QQ==");
  EncodeBase64Group(abc, 2, chars);
  EXPECT_STREQ(chars, "QUI=");
  EncodeBase64Group(abc, 3, chars);
  EXPECT_STREQ(chars, "QUJD");
  const unsigned char high[] = {0xFB, 0xFF, 0xBF};
  EncodeBase64Group(high, 3, chars);
  EXPECT_STREQ(chars, "+/+/");
}

TEST(Base64, CharactersOutsideTheAlphabetCount255AndDecodingGoesOn) {
  unsigned char out[4];
  // A space (255) in the second position sets the low bits of byte 0 and
  // all of byte 1's high bits.
  ASSERT_EQ(DecodeBase64Quad("Q AA", out), 3);
  EXPECT_EQ(out[0], static_cast<unsigned char>((16 << 2) | 0x0F));
  EXPECT_EQ(out[1], 0xF0);
  // "=" in the first two positions is no padding.
  EXPECT_EQ(DecodeBase64Quad("==AA", out), 3);
}

TEST(Base64, BulkEncodingEqualsGroupByGroupForAnyChunking) {
  std::mt19937 random(7);
  for (std::size_t size : {0u, 1u, 2u, 3u, 53u, 54u, 55u, 57u, 108u, 1000u, 54u * 40u + 1u}) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    for (std::size_t chunk : {1u, 2u, 5u, 54u, 4096u}) {
      Base64LineEncoder encoder;
      std::string out;
      for (std::size_t at = 0; at < size; at += chunk) {
        encoder.Add(reinterpret_cast<const unsigned char*>(bytes.data() + at),
                    std::min(chunk, size - at), out);
      }
      encoder.Finish(out);
      ASSERT_EQ(out, GroupByGroup(bytes)) << "size " << size << " chunk " << chunk;
    }
  }
}

TEST(Base64, DecoderCarriesCharactersAcrossLinesOfAnyLength) {
  std::string text = "QUJDREVG";  // ABCDEF
  std::string out;
  Base64QuadDecoder decoder;
  decoder.Add(text.data(), 3, out);
  EXPECT_EQ(out, "");
  decoder.Add(text.data() + 3, 1, out);
  EXPECT_EQ(out, "ABC");
  decoder.Add(text.data() + 4, 4, out);
  EXPECT_EQ(out, "ABCDEF");

  // A 70-character line followed by a 2-character one decodes as 72 would.
  std::string bytes(54, 'x');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  std::string encoded = GroupByGroup(bytes).substr(0, 72);
  std::string split;
  Base64QuadDecoder second;
  second.Add(encoded.data(), 70, split);
  second.Add(encoded.data() + 70, 2, split);
  EXPECT_EQ(split, bytes);
}

// The bulk decoder takes a shortcut for groups of four alphabet characters;
// every group, valid or not, must give the bytes DecodeBase64Quad gives.
TEST(Base64, BulkDecodingEqualsQuadByQuadForAnyCharacters) {
  std::mt19937 random(11);
  const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int mix : {0, 1, 2}) {
    std::string text(4 * 4000, 'A');
    for (char& c : text) {
      // 0: alphabet only; 1: a few others among them; 2: any byte at all.
      const bool other = mix == 2 || (mix == 1 && random() % 16 == 0);
      c = other ? static_cast<char>(random()) : alphabet[random() % 64];
    }
    if (mix == 1) text.replace(40, 4, "QQ==").replace(80, 4, "QUI=").replace(120, 4, "=AB/");
    std::string quadByQuad;
    for (std::size_t at = 0; at < text.size(); at += 4) {
      unsigned char bytes[4];
      const int n = DecodeBase64Quad(text.data() + at, bytes);
      quadByQuad.append(reinterpret_cast<const char*>(bytes), n);
    }
    std::string bulk;
    Base64QuadDecoder decoder;
    decoder.Add(text.data(), text.size(), bulk);
    ASSERT_EQ(bulk, quadByQuad) << "mix " << mix;
  }
}

TEST(Base64, ShortGroupsInsideABodyAndTheZeroRuleOfFormText) {
  std::string out;
  Base64QuadDecoder decoder;
  const std::string body = "QQ==QUI=QUJD";
  decoder.Add(body.data(), body.size(), out);
  EXPECT_EQ(out, "AABABC");

  // A zero byte loses only the rest of its own group: "A\0B" "CDE".
  std::string form;
  Base64QuadDecoder formDecoder;
  const std::string zero = "QQBCQ0RF";
  formDecoder.Add(zero.data(), zero.size(), form, true);
  EXPECT_EQ(form, "ACDE");
}

}  // namespace
}  // namespace ambrine
