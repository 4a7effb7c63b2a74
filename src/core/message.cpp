#include "core/message.h"

#include "base/codepage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kv {

namespace {

// A text field as the line carries it: a separator inside it would shift every later field,
// and a line break or NUL would cut the record.
void AppendField(std::u16string& line, std::u16string_view text) {
  for (char16_t c : text) line.push_back(LineFieldChar(c));
}

void AppendNumber(std::u16string& line, uint32_t value) { line += IntToStr(int32_t(value)); }

uint32_t NumberField(std::u16string_view text) {
  auto v = ParseInt32(text);
  return v ? uint32_t(*v) : 0;
}

}  // namespace

namespace {

// Copies every member between a record and its view, in either direction.
template <class To, class From>
void CopyMembers(To& to, const From& from) {
  CopyRecordNumbers(to, from);
  to.ID = from.ID;
  to.Subject = from.Subject;
  to.Server = from.Server;
  to.SenderName = from.SenderName;
  to.SenderEmail = from.SenderEmail;
  to.Received = from.Received;
  to.ReceiverName = from.ReceiverName;
  to.ReceiverEmail = from.ReceiverEmail;
  to.Account = from.Account;
  to._Client = from._Client;
  to._Marked = from._Marked;
  to._Checked = from._Checked;
  to._Folder = from._Folder;
}

}  // namespace

TMessageView::TMessageView(const TMessageInfo& r) { CopyMembers(*this, r); }

TMessageInfo TMessageView::ToInfo() const {
  TMessageInfo r;
  CopyMembers(r, *this);
  return r;
}

std::u16string FormatMessageLine(const TMessageView& r) {
  std::u16string line;
  FormatMessageLine(r, line);
  return line;
}

bool FitsCp1252(const TMessageView& r) {
  for (std::u16string_view text : {r.ID, r.Subject, r.Server, r.SenderName, r.SenderEmail,
                                   r.Received, r.ReceiverName, r.ReceiverEmail, r.Account})
    if (!FitsCp1252(text)) return false;
  return true;
}

void FormatMessageLine(const TMessageView& r, std::u16string& line) {
  line.clear();
  line.reserve(64 + r.ID.size() + r.Subject.size() + r.SenderName.size() + r.SenderEmail.size() +
               r.Received.size() + r.ReceiverName.size() + r.ReceiverEmail.size());
  auto text = [&line](std::u16string_view field) {
    AppendField(line, field);
    line += u';';
  };
  auto number = [&line](uint32_t field) {
    AppendNumber(line, field);
    line += u';';
  };
  number(r.Index);
  text(r.ID);
  number(r.Flags);
  text(r.Subject);
  text(r.Server);
  text(r.SenderName);
  text(r.SenderEmail);
  line += FormatFixed(r.ReceivedDate, 10);
  line += u';';
  text(r.Received);
  text(r.ReceiverName);
  text(r.ReceiverEmail);
  text(r.Account);
  number(r.Size);
  AppendNumber(line, r.Priority);
}

void FormatMessageLines(const TMessages& records, TStringList& lines, int64_t start) {
  if (start < 0) start = 0;
  for (size_t i = size_t(start); i < records.size(); ++i)
    lines.push_back(FormatMessageLine(records[i]));
}

std::u16string_view NextLineField(std::u16string_view& rest) {
  const char16_t* const text = rest.data();
  const size_t n = rest.size();
  size_t p = 0;
#if defined(__SSE2__)
  // Eight code units a step: the lines of a large folder are cut into fields on every append.
  const __m128i semicolon = _mm_set1_epi16(u';');
  for (; p + 8 <= n; p += 8) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + p));
    const int hits = _mm_movemask_epi8(_mm_cmpeq_epi16(x, semicolon));
    if (hits) {
      p += size_t(__builtin_ctz(unsigned(hits))) / 2;
      break;
    }
  }
#endif
  while (p < n && text[p] != u';') ++p;
  if (p >= n) return {};
  std::u16string_view field = rest.substr(0, p);
  rest.remove_prefix(p + 1);
  return field;
}

void ClearMessageInfo(TMessageInfo& record) {
  for (std::u16string* text : {&record.ID, &record.Subject, &record.Server, &record.SenderName,
                               &record.SenderEmail, &record.Received, &record.ReceiverName,
                               &record.ReceiverEmail, &record.Account, &record._Folder})
    text->clear();
  record.Address = record.Index = record.Flags = record.DataOffset = 0;
  record.Size = record.Priority = 0;
  record.ReceivedDate = 0;
  record._Client = TEmailClient::ecOutlookExpress;
  record._Marked = record._Checked = false;
}

TLineFields SplitMessageLine(std::u16string_view line) {
  TLineFields fields{};
  if (line.find(u';') == std::u16string_view::npos) return fields;
  std::u16string_view rest = line;
  for (size_t f = 0; f + 1 < kLineFieldCount; ++f) fields[f] = NextLineField(rest);
  fields[lfPriority] = rest.substr(0, rest.find(u';'));
  return fields;
}

void ParseMessageLine(std::u16string_view line, TMessageInfo& record) {
  // Cleared field by field: a record read line after line keeps its strings' storage.
  ClearMessageInfo(record);
  if (line.find(u';') == std::u16string_view::npos) return;
  const TLineFields f = SplitMessageLine(line);
  record.Index = NumberField(f[lfIndex]);
  record.ID = f[lfID];
  record.Flags = NumberField(f[lfFlags]);
  record.Subject = f[lfSubject];
  record.Server = f[lfServer];
  record.SenderName = f[lfSenderName];
  record.SenderEmail = f[lfSenderEmail];
  auto date = ParseDouble(f[lfReceivedDate]);
  record.ReceivedDate = date ? *date : 0;
  record.Received = f[lfReceived];
  record.ReceiverName = f[lfReceiverName];
  record.ReceiverEmail = f[lfReceiverEmail];
  record.Account = f[lfAccount];
  record.Size = NumberField(f[lfSize]);
  record.Priority = NumberField(f[lfPriority]);
}

}  // namespace kv
