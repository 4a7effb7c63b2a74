#include "storage/stream_lines.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/codepage.h"
#include "base/error.h"
#include "storage/folder_lines.h"
#include "storage/storage_file.h"
#include "storage/zlib_codec.h"

namespace kv {

std::u16string DecodeStreamText(std::string_view bytes) {
  return DecodeMarkedText(bytes, [](std::string_view b) { return Cp1252ToUtf16(b); });
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

namespace {

// Where the writer's bytes go: straight through the zlib codec as they come, into a buffer for
// any other code, or into the stream as they are.
class TLineOutput {
 public:
  TLineOutput(TStream& stream, TCodeStreamProcedure code) : FStream(stream), FCode(code) {
    if (code == &ZCompressStream) FZlib = std::make_unique<TZlibWriter>(stream);
  }
  void Add(std::string_view bytes) {
    FPending += bytes;
    if (FPending.size() >= kChunk) Flush();
  }
  void Finish() {
    Flush();
    if (FZlib) {
      FZlib->Finish();
    } else if (FCode) {
      TMemoryStream buffer(std::move(FBuffered));
      FCode(buffer, FStream);
    }
    FStream.SetPosition(0);
  }

 private:
  static constexpr size_t kChunk = 1 << 18;
  void Flush() {
    if (FZlib) {
      FZlib->Write(std::move(FPending));  // deflated on another thread while more lines are made
      FPending = std::string();
      FPending.reserve(kChunk + 1024);
    } else if (FCode)
      FBuffered += FPending;
    else
      FStream.Write(FPending.data(), FPending.size());
    FPending.clear();
  }
  TStream& FStream;
  TCodeStreamProcedure FCode;
  std::unique_ptr<TZlibWriter> FZlib;
  std::string FPending, FBuffered;
};

}  // namespace

void TStoredLines::clear() {
  FBlocks.clear();
  FLines.clear();
  FLines.shrink_to_fit();
  FUtf8 = false;
}

std::string_view TStoredLines::Bytes(size_t index) const {
  const TLine& l = FLines.at(index);
  return FBlocks[l.Block].View().substr(l.Start, l.Length);
}

std::u16string_view TStoredLines::Text(size_t index, std::u16string& buffer) const {
  StoredLineText(Bytes(index), FUtf8, buffer);
  return buffer;
}

std::u16string TStoredLines::Text(size_t index) const {
  std::u16string text;
  Text(index, text);
  return text;
}

TLinesResult TStoredLines::Load(TStream& stream, TCodeStreamProcedure decode) {
  clear();
  TFolderLineSink sink;
  sink.Line = [this](std::string_view line, bool utf8) {
    FUtf8 = utf8;
    if (FBlocks.empty() || FBlocks.back().Capacity() - FBlocks.back().Size < line.size())
      FBlocks.emplace_back(std::max(kLargeBlockSize, line.size()));
    TBlock& block = FBlocks.back();
    std::memcpy(block.data() + block.Size, line.data(), line.size());
    FLines.push_back({uint32_t(FBlocks.size() - 1), uint32_t(block.Size), uint32_t(line.size())});
    block.Size += line.size();
  };
  sink.Restart = [this] { clear(); };
  const TLinesResult result = ReadFolderLines(stream, decode, sink);
  FLines.shrink_to_fit();
  return result;
}

void SaveStreamLines(const TStoredLines* kept, const TLineSource& more, TStream& stream,
                     TCodeStreamProcedure code) {
  // Windows-1252 when every line fits it, else UTF-8 after its mark. Kept Windows-1252 lines
  // always fit: each of its bytes reads as a character that writes back as the same byte.
  bool fits = more.FitsCp1252;
  std::u16string text;
  if (kept && kept->Utf8())
    for (size_t i = 0; i < kept->size() && fits; ++i) fits = FitsCp1252(kept->Text(i, text));
  TLineOutput out(stream, code);
  if (!fits) out.Add("\xEF\xBB\xBF");
  std::string bytes;
  auto encode = [&](std::u16string_view line) {
    bytes = fits ? Utf16ToCp1252(line) : Utf16ToUtf8(line);
    out.Add(bytes);
    out.Add("\r\n");
  };
  if (kept) {
    for (size_t i = 0; i < kept->size(); ++i) {
      const std::string_view raw = kept->Bytes(i);
      // A line whose bytes are already what the encoding gives is copied as it stands.
      const bool asItStands = fits ? !kept->Utf8() : kept->Utf8() && IsValidUtf8(raw);
      if (asItStands) {
        out.Add(raw);
        out.Add("\r\n");
      } else {
        encode(kept->Text(i, text));
      }
    }
  }
  for (size_t i = 0; i < more.Count; ++i) {
    more.Line(i, text);
    encode(text);
  }
  out.Finish();
}

void SaveStreamLines(const TStringList& lines, TStream& stream, TCodeStreamProcedure code) {
  TLineSource source;
  source.Count = lines.size();
  for (const auto& line : lines) source.FitsCp1252 = source.FitsCp1252 && FitsCp1252(line);
  source.Line = [&lines](size_t i, std::u16string& line) { line = lines[i]; };
  SaveStreamLines(nullptr, source, stream, code);
}

TLinesResult LoadStreamLines(TStream& stream, TStringList& lines, TCodeStreamProcedure decode) {
  TStoredLines stored;
  const TLinesResult result = stored.Load(stream, decode);
  lines.clear();
  lines.reserve(stored.size());
  for (size_t i = 0; i < stored.size(); ++i) lines.push_back(stored.Text(i));
  return result;
}

TLinesResult ReadStorageLines(std::u16string_view fileName, std::u16string_view subStorage,
                              std::u16string_view streamName, TCodeStreamProcedure decode,
                              TStringList& lines) {
  lines.clear();
  if (!StgIsStorageFile(fileName)) return TLinesResult::lrComplete;
  std::unique_ptr<TStructuredStorage> root = OpenStorageFile(fileName, kModeRead);
  TStoredLines stored;
  const TLinesResult result = ReadStorageLines(*root, subStorage, streamName, decode, stored);
  lines.reserve(stored.size());
  for (size_t i = 0; i < stored.size(); ++i) lines.push_back(stored.Text(i));
  return result;
}

namespace {

// A folder stream opened for reading, with the storage it lies in; none when either is missing.
struct TOpenedStream {
  std::unique_ptr<TStructuredStorage> Sub;
  std::unique_ptr<TStorageStream> Stream;
};

TOpenedStream OpenFolderStream(TStructuredStorage& root, std::u16string_view subStorage,
                               std::u16string_view streamName) {
  TOpenedStream opened;
  TStructuredStorage* storage = &root;
  if (!subStorage.empty() && subStorage != u"\\") {
    try {
      opened.Sub = root.OpenSubStorage(subStorage, kModeRead, false);
    } catch (const EStorageError&) {
      return opened;
    }
    storage = opened.Sub.get();
  }
  if (storage && storage->ElementExists(streamName))
    opened.Stream = storage->OpenStream(streamName, kModeRead, false);
  return opened;
}

}  // namespace

TLinesResult ReadStorageLines(TStructuredStorage& root, std::u16string_view subStorage,
                              std::u16string_view streamName, TCodeStreamProcedure decode,
                              TStoredLines& lines) {
  lines.clear();
  TOpenedStream opened = OpenFolderStream(root, subStorage, streamName);
  return opened.Stream ? lines.Load(*opened.Stream, decode) : TLinesResult::lrComplete;
}

TLinesResult ReadStorageLines(TStructuredStorage& root, std::u16string_view subStorage,
                              std::u16string_view streamName, TCodeStreamProcedure decode,
                              const TFolderLineSink& sink) {
  TOpenedStream opened = OpenFolderStream(root, subStorage, streamName);
  return opened.Stream ? ReadFolderLines(*opened.Stream, decode, sink) : TLinesResult::lrComplete;
}

}  // namespace kv
