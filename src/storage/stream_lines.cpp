#include "storage/stream_lines.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/codepage.h"
#include "base/error.h"
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

// The decoder's output, written block by block: a full block is cut after its last LF, so a
// line (and a CR LF) never spans two blocks; a block without any LF (a line longer than a block)
// grows instead.
class TStoredLines::TSink final : public TStream {
 public:
  explicit TSink(std::vector<TBlock>& blocks) : FBlocks(blocks) {}
  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t count) override {
    const char* bytes = static_cast<const char*>(buffer);
    for (size_t left = count; left > 0;) {
      if (FBlocks.empty()) FBlocks.emplace_back(kBlock);
      TBlock& block = FBlocks.back();
      const size_t n = std::min(left, block.Capacity() - block.Size);
      std::memcpy(block.data() + block.Size, bytes, n);
      block.Size += n;
      bytes += n;
      left -= n;
      if (block.Size == block.Capacity()) Cut();
    }
    FSize += count;
    return count;
  }
  uint64_t Seek(int64_t, TSeekOrigin) override { return FSize; }
  uint64_t Size() const override { return FSize; }
  void SetSize(uint64_t) override {}

 private:
  static constexpr size_t kBlock = kLargeBlockSize;
  void Cut() {
    TBlock& full = FBlocks.back();
    const std::string_view bytes = full.View();
    const size_t lf = bytes.rfind('\n');
    if (lf == std::string_view::npos) {  // one line so far: a larger block for it
      TBlock larger(full.Capacity() * 2);
      std::memcpy(larger.data(), full.data(), full.Size);
      larger.Size = full.Size;
      full = std::move(larger);
      return;
    }
    const std::string_view rest = bytes.substr(lf + 1);
    TBlock next(std::max(kBlock, rest.size() * 2));
    std::memcpy(next.data(), rest.data(), rest.size());
    next.Size = rest.size();
    full.Size = lf + 1;
    FBlocks.push_back(std::move(next));
  }

  std::vector<TBlock>& FBlocks;
  uint64_t FSize = 0;
};

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
  const std::string_view bytes = Bytes(index);
  if (FUtf8) {
    buffer = Utf8ToUtf16(bytes);
  } else {
    buffer.resize(bytes.size());
    Cp1252ToUtf16(bytes, buffer.data());
  }
  return buffer;
}

std::u16string TStoredLines::Text(size_t index) const {
  std::u16string text;
  Text(index, text);
  return text;
}

TLinesResult TStoredLines::Load(TStream& stream, TCodeStreamProcedure decode) {
  clear();
  stream.SetPosition(0);
  bool damaged = false;
  auto plain = [&] {
    FBlocks.clear();
    TSink sink(FBlocks);
    std::vector<char> block(1 << 16);
    for (size_t n; (n = stream.Read(block.data(), block.size())) > 0;) sink.Write(block.data(), n);
  };
  if (decode) {
    TSink sink(FBlocks);
    try {
      decode(stream, sink);
    } catch (const EKolvaneError&) {
      stream.SetPosition(0);
      char head[2] = {0, 0};
      const size_t n = stream.Read(head, 2);
      stream.SetPosition(0);
      if (StartsWithZlibHeader(std::string_view(head, n))) {
        damaged = true;  // keep what the decoder produced before the damage
      } else {
        plain();
      }
    }
  } else {
    plain();
  }
  stream.SetPosition(0);
  Finish(damaged);
  return damaged ? TLinesResult::lrDamaged : TLinesResult::lrComplete;
}

// Byte-order marks, the first NUL (the text ends there), the cut of a damaged stream, and the
// lines: they end at CR LF, lone CR and lone LF, which no multi-byte sequence of UTF-8 holds;
// no empty line follows a final break.
void TStoredLines::Finish(bool damaged) {
  const std::string_view head = FBlocks.empty() ? std::string_view() : FBlocks.front().View();
  const TByteOrderMark mark = SniffByteOrderMark(head);
  auto single = [this](std::string_view bytes) {
    std::vector<TBlock> one;
    one.emplace_back(std::max<size_t>(bytes.size(), 1));
    std::memcpy(one.front().data(), bytes.data(), bytes.size());
    one.front().Size = bytes.size();
    FBlocks = std::move(one);
  };
  if (mark == TByteOrderMark::bomUtf16Le || mark == TByteOrderMark::bomUtf16Be) {
    // UTF-16 (only other programs write it) is kept as UTF-8.
    std::string whole;
    for (const TBlock& b : FBlocks) whole += b.View();
    FBlocks.clear();
    const std::u16string text = DecodeStreamText(whole);
    whole = std::string();
    single(Utf16ToUtf8(text));
    FUtf8 = true;
  } else if (mark == TByteOrderMark::bomUtf8) {
    TBlock& front = FBlocks.front();
    std::memmove(front.data(), front.data() + 3, front.Size - 3);
    front.Size -= 3;
    FUtf8 = true;
  }
  for (size_t k = 0; k < FBlocks.size(); ++k) {
    const size_t nul = FBlocks[k].View().find('\0');
    if (nul == std::string_view::npos) continue;
    FBlocks[k].Size = nul;
    FBlocks.erase(FBlocks.begin() + std::ptrdiff_t(k + 1), FBlocks.end());
    break;
  }
  if (damaged) {  // the last line was cut by the damage unless a line break follows it
    while (!FBlocks.empty()) {
      TBlock& last = FBlocks.back();
      const size_t lastBreak = last.View().find_last_of("\r\n");
      if (lastBreak != std::string_view::npos) {
        last.Size = lastBreak + 1;
        break;
      }
      FBlocks.pop_back();
    }
  }
  for (size_t k = 0; k < FBlocks.size(); ++k) {
    const std::string_view bytes = FBlocks[k].View();
    // A block after the first begins a line: the one before it ended at its LF.
    size_t start = 0;
    while (start < bytes.size()) {
      size_t end = start;
      while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
      FLines.push_back({uint32_t(k), uint32_t(start), uint32_t(end - start)});
      start = end + 1;
      if (end < bytes.size() && bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n')
        ++start;
    }
  }
  FLines.shrink_to_fit();
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

TLinesResult ReadStorageLines(TStructuredStorage& root, std::u16string_view subStorage,
                              std::u16string_view streamName, TCodeStreamProcedure decode,
                              TStoredLines& lines) {
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
    if (stream) result = lines.Load(*stream, decode);
  }
  return result;
}

}  // namespace kv
