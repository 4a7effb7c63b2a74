// 8-bit text and the system's ANSI code page. Off Windows one fixed code page, Windows-1252,
// stands for the ANSI code page everywhere: data files move between machines.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kv {

// Every byte maps to one UTF-16 code unit (the five undefined bytes keep their value).
std::u16string Cp1252ToUtf16(std::string_view bytes);
// The same into `out`, which holds bytes.size() code units.
void Cp1252ToUtf16(std::string_view bytes, char16_t* out);
// Characters Windows-1252 lacks become "?".
std::string Utf16ToCp1252(std::u16string_view text);
bool FitsCp1252(std::u16string_view text);

// UTF-8. Invalid sequences decode to U+FFFD; unpaired surrogates encode as U+FFFD.
std::u16string Utf8ToUtf16(std::string_view bytes);
// The same into `out` (replaced; `bytes` must not lie in it), which keeps its storage.
void Utf8ToUtf16(std::string_view bytes, std::u16string& out);
std::string Utf16ToUtf8(std::u16string_view text);
bool IsValidUtf8(std::string_view bytes);
bool HasHighBytes(std::string_view bytes);  // any byte above 0x7F

// The code point starting at text[i], surrogate pairs joined and an unpaired half as U+FFFD;
// `i` moves past it. `i` must be below text.size().
char32_t NextCodePoint(std::u16string_view text, size_t& i);

// UTF-16 little-endian bytes <-> text (odd trailing byte dropped).
std::u16string Utf16LeToUtf16(std::string_view bytes);
std::string Utf16ToUtf16Le(std::u16string_view text);

// UTF-16 big-endian bytes -> text (odd trailing byte dropped).
std::u16string Utf16BeToUtf16(std::string_view bytes);

// The byte-order mark a text file begins with, and how many bytes it takes.
enum class TByteOrderMark { bomNone, bomUtf8, bomUtf16Le, bomUtf16Be };
TByteOrderMark SniffByteOrderMark(std::string_view bytes);
size_t ByteOrderMarkSize(TByteOrderMark mark);
// The text of a file: a byte-order mark names its encoding and is dropped; without one,
// `unmarked` decodes the bytes.
std::u16string DecodeMarkedText(std::string_view bytes,
                                std::u16string (*unmarked)(std::string_view));

// A charset name as the decoders look it up: lower case, without quotes and blanks.
std::string CharsetKey(std::string_view name);

// Decodes bytes in a named charset through iconv ("utf-8", "windows-1250", "koi8-r", "gb2312",
// ...; names compare without regard to case). nullopt when iconv does not know the charset;
// bytes invalid in the charset decode to U+FFFD and decoding goes on.
std::optional<std::u16string> DecodeCharset(std::string_view charset, std::string_view bytes);

}  // namespace kv
