// Byte decoders of MIME header text: base64, quoted-printable (over bytes and over text) and
// one line of uuencode. They never raise; what they make of invalid input is stated per function.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// RFC 2045 base64, four characters at a time; a group gives one byte when its third character is
// "=", two when its fourth is. Characters outside the alphabet are skipped; characters left over
// after the last complete group are ignored.
std::string DecodeBase64Bytes(std::string_view text);

// The "Q" encoding of RFC 2047 over bytes: "_" is a blank, "=XX" (either letter case) one byte;
// an "=" not followed by two hexadecimal digits stays as it is.
std::string DecodeQEncodingBytes(std::string_view text);

// Quoted-printable over bytes in the form older Windows mail readers used: "_" is a blank, "="
// with a line break is a soft break, "=XX" a byte (0x40 when XX is not hexadecimal; 0xB9 and 0xBE,
// the ISO-8859-2 s and z with caron, become their Windows forms 0x9A and 0x9E); an "=" with fewer
// than two characters after it ends the text.
std::string DecodeQuotedPrintableBytes(std::string_view text);

// Quoted-printable over UTF-16 text: "=XX" with two upper-case hexadecimal digits is one code unit
// of that value, "=" with any other two characters (a soft line break among them) is dropped
// with them, an "=" with fewer than two characters after it ends the text.
std::u16string DecodeQuotedPrintableText(std::u16string_view text);

// One uuencoded line: a length character then at most 60 characters of 6 bits each. A full line
// (length 45) needs all 60; a character outside the uuencode table makes the line yield nothing.
std::string DecodeUULine(std::string_view line);

}  // namespace kv
