// MIME header blocks as the leaf reader needs them. More tolerant than a
// general MIME reader in places (header-name case, continuation lines) and
// stricter in others (parameter-name case, no escapes inside quotes).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "base/error_report.h"
#include "leaf/line_reader.h"

namespace ambrine {

using HeaderList = std::vector<std::string>;

// A header block larger than this is refused as invalid data, so a broken
// message cannot make the reader hold an unbounded header in memory.
constexpr std::size_t kMaxHeaderBlock = 1024 * 1024;

// Reads lines up to the empty line that ends a header block into `headers`
// (emptied first), joining continuation lines (first character space or TAB,
// which is dropped) onto the header before them. End of data (report line
// 492) and a line without ":" or starting with ":" (line 509) are reported
// as invalid data; a read failure is returned without a report.
Result ReadHeaderBlock(LineReader& input, HeaderList& headers, ErrorReport& report);

// The value of the first header called `name` (a lower-case literal; header
// names match whatever their case), or of its parameter `parameter` when
// that is not null. Absent gives success with an empty value; a value that
// ends inside double quotes or a malformed parameter gives kInvalidData.
Result FindHeader(const HeaderList& headers, std::string_view name,
                  const char* parameter, std::string& value);

// The value of parameter `name` (matched byte for byte) in "a=1; b=2" text.
// A name may end in "*", the mark of an RFC 2231 extended value: "filename"
// and "filename*" are different parameters.
Result FindParameter(std::string_view text, std::string_view name, std::string& value);

// Whether byte `c` may stand inside a quoted parameter value as this reader
// reads it: quotes take no escapes, so '"' would end the value early, and a
// control character (0x00-0x1F, 0x7F) could end the header line.
bool IsQuotableChar(unsigned char c);

// Whether byte `c` is an RFC 2231 attribute-char: printable ASCII other than
// space, "*", "'", "%" and the MIME specials ()<>@,;:\"/[]?=.
bool IsAttributeChar(unsigned char c);

// `bytes` as an RFC 2231 extended value: "UTF-8''" followed by every
// attribute-char as it is and every other byte as %XX (upper-case hex).
std::string EncodeExtendedValue(std::string_view bytes);

// The bytes of an RFC 2231 extended value "charset'language'text". Only the
// UTF-8 charset (any case) is taken and the language is ignored; the text
// may hold only attribute-chars and %XX escapes (either case) and must not be
// empty. False otherwise, with `bytes` empty.
bool DecodeExtendedValue(std::string_view value, std::string& bytes);

// The file name a Content-Disposition header gives: the decoded "filename*"
// when it is there and well formed, else "filename" without its surrounding
// quotes, else empty. A failure (kInvalidData) comes only from looking up
// "filename", so every header an older reader took is still taken.
Result FindFileName(const HeaderList& headers, std::string& name);

}  // namespace ambrine
