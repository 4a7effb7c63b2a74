#include "storage/stream_lines.h"

#include "base/codepage.h"
#include "base/error.h"
#include "storage/storage_file.h"
#include "storage/zlib_codec.h"

namespace kv {

std::u16string DecodeStreamText(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return Utf8ToUtf16(bytes.substr(3));
  if (bytes.substr(0, 2) == "\xFF\xFE") return Utf16LeToUtf16(bytes.substr(2));
  if (bytes.substr(0, 2) == "\xFE\xFF") {
    std::string swapped(bytes.substr(2));
    for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    return Utf16LeToUtf16(swapped);
  }
  return Cp1252ToUtf16(bytes);
}

void SplitStreamText(std::u16string_view text, TStringList& lines) {
  size_t nul = text.find(u'\0');
  if (nul != std::u16string_view::npos) text = text.substr(0, nul);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
    if (end == text.size()) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == u'\r' && start < text.size() && text[start] == u'\n') ++start;
  }
}

void SaveStreamLines(const TStringList& lines, TStream& stream, TCodeStreamProcedure code) {
  // The bytes are built line by line: the whole text never stands in memory as UTF-16 too.
  bool fits = true;
  size_t units = 0;
  for (const auto& line : lines) {
    fits = fits && FitsCp1252(line);
    units += line.size() + 2;
  }
  std::string bytes;
  bytes.reserve(fits ? units : units + 3);
  if (!fits) bytes = "\xEF\xBB\xBF";
  for (const auto& line : lines) {
    bytes += fits ? Utf16ToCp1252(line) : Utf16ToUtf8(line);
    bytes += "\r\n";
  }
  TMemoryStream buffer(std::move(bytes));
  if (code) {
    code(buffer, stream);
  } else {
    stream.Write(buffer.Bytes().data(), buffer.Bytes().size());
  }
  stream.SetPosition(0);
}

TLinesResult LoadStreamLines(TStream& stream, TStringList& lines, TCodeStreamProcedure decode) {
  lines.clear();
  stream.SetPosition(0);
  TMemoryStream buffer;
  bool damaged = false;
  if (decode) {
    try {
      decode(stream, buffer);
    } catch (const EKolvaneError&) {
      stream.SetPosition(0);
      std::string raw = stream.ReadRest();
      if (StartsWithZlibHeader(raw)) {
        damaged = true;  // keep what the decoder produced before the damage
      } else {
        buffer = TMemoryStream(std::move(raw));
      }
    }
  } else {
    buffer = TMemoryStream(stream.ReadRest());
  }
  std::string_view bytes = buffer.Bytes();
  if (bytes.substr(0, 2) != "\xFF\xFE" && bytes.substr(0, 2) != "\xFE\xFF") {
    // 8-bit text (Windows-1252, or UTF-8 after its mark) splits at its CR and LF bytes, which
    // no multi-byte sequence holds; lines are decoded one by one, so the whole text never
    // stands in memory twice.
    const bool utf8 = bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (utf8) bytes.remove_prefix(3);
    bytes = bytes.substr(0, bytes.find('\0'));
    if (damaged) {  // the last line was cut by the damage unless a line break follows it
      size_t lastBreak = bytes.find_last_of("\r\n");
      bytes = bytes.substr(0, lastBreak == std::string_view::npos ? 0 : lastBreak + 1);
    }
    size_t start = 0;
    while (start < bytes.size()) {
      size_t end = start;
      while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
      std::string_view line = bytes.substr(start, end - start);
      lines.push_back(utf8 ? Utf8ToUtf16(line) : Cp1252ToUtf16(line));
      start = end + 1;
      if (end < bytes.size() && bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n')
        ++start;
    }
    stream.SetPosition(0);
    return damaged ? TLinesResult::lrDamaged : TLinesResult::lrComplete;
  }
  std::u16string text = DecodeStreamText(bytes);
  buffer = TMemoryStream();
  if (damaged) {
    // The last line was cut by the damage unless a line break follows it.
    size_t nul = text.find(u'\0');
    if (nul != std::u16string::npos) text.resize(nul);
    size_t lastBreak = text.find_last_of(u"\r\n");
    text.resize(lastBreak == std::u16string::npos ? 0 : lastBreak + 1);
  }
  SplitStreamText(text, lines);
  stream.SetPosition(0);
  return damaged ? TLinesResult::lrDamaged : TLinesResult::lrComplete;
}

TLinesResult ReadStorageLines(std::u16string_view fileName, std::u16string_view subStorage,
                              std::u16string_view streamName, TCodeStreamProcedure decode,
                              TStringList& lines) {
  lines.clear();
  if (!StgIsStorageFile(fileName)) return TLinesResult::lrComplete;
  std::unique_ptr<TStructuredStorage> root = OpenStorageFile(fileName, kModeRead);
  return ReadStorageLines(*root, subStorage, streamName, decode, lines);
}

TLinesResult ReadStorageLines(TStructuredStorage& root, std::u16string_view subStorage,
                              std::u16string_view streamName, TCodeStreamProcedure decode,
                              TStringList& lines) {
  lines.clear();
  std::unique_ptr<TStructuredStorage> sub;
  TStructuredStorage* storage = &root;
  if (!subStorage.empty() && subStorage != u"\\") {
    try {
      sub = root.OpenSubStorage(subStorage, kModeRead, false);
    } catch (const EStorageError&) {
      return TLinesResult::lrComplete;
    }
    storage = sub.get();
  }
  TLinesResult result = TLinesResult::lrComplete;
  if (storage->ElementExists(streamName)) {
    std::unique_ptr<TStorageStream> stream = storage->OpenStream(streamName, kModeRead, false);
    if (stream) result = LoadStreamLines(*stream, lines, decode);
  }
  return result;
}

}  // namespace kv
