#include "sample_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "base/datetime.h"
#include "support/dbx_builder.h"
#include "support/eml_builder.h"

namespace kv::samples {
namespace {

TStamp CivilFromSeconds(int64_t s) {
  int64_t z = (s >= 0 ? s : s - 86399) / 86400;
  int64_t secs = s - z * 86400;
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  TStamp t;
  t.Day = int(doy - (153 * mp + 2) / 5 + 1);
  t.Month = int(mp < 10 ? mp + 3 : mp - 9);
  t.Year = int(yoe + era * 400 + (t.Month <= 2));
  t.Hour = int(secs / 3600);
  t.Minute = int(secs / 60 % 60);
  t.Second = int(secs % 60);
  return t;
}

int64_t SecondsOf(const TStamp& t) {
  return DaysFromCivil(t.Year, t.Month, t.Day) * 86400 + t.Hour * 3600 + t.Minute * 60 + t.Second;
}

}  // namespace

std::string EncodeText(std::string_view charset, std::string_view utf8) {
  iconv_t cd = ::iconv_open(std::string(charset).c_str(), "UTF-8");
  if (cd == iconv_t(-1)) throw std::runtime_error("unknown charset " + std::string(charset));
  std::string in(utf8), out;
  char* src = in.data();
  size_t left = in.size();
  char buf[256];
  bool ok = true;
  while (ok && left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    // A count above 0 means characters were replaced: the charset cannot hold the text.
    const size_t r = ::iconv(cd, &src, &left, &dst, &room);
    out.append(buf, size_t(dst - buf));
    ok = r == 0 || (r == size_t(-1) && errno == E2BIG);
  }
  if (ok) {  // back to the initial shift state (ISO-2022-JP ends in ASCII)
    char* dst = buf;
    size_t room = sizeof buf;
    ok = ::iconv(cd, nullptr, nullptr, &dst, &room) != size_t(-1);
    out.append(buf, size_t(dst - buf));
  }
  ::iconv_close(cd);
  if (!ok) throw std::runtime_error("charset " + std::string(charset) + " cannot hold: " + in);
  return out;
}

std::string Word(std::string_view charset, std::string_view utf8, char encoding) {
  return fixtures::EncodedWord(charset, EncodeText(charset, utf8), encoding);
}

std::string Crlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

uint32_t LineBytes(std::string_view text) {
  uint32_t n = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') continue;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    ++n;
  }
  return n;
}

std::string GuidName(uint32_t seed) {
  // A fixed linear congruential sequence: the same seed always gives the same name.
  uint64_t x = 0x9E3779B97F4A7C15ull ^ (uint64_t(seed) * 0xBF58476D1CE4E5B9ull);
  auto next = [&x] {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    return uint32_t(x >> 32);
  };
  char buf[48];
  const uint32_t a = next(), b = next(), c = next(), d = next();
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%04X-%04X%08X}", a, b >> 16,
                (b & 0x0FFF) | 0x4000, (c >> 16 & 0x3FFF) | 0x8000, c & 0xFFFF, d);
  return buf;
}

std::string UtcOf(const TStamp& local, int zoneMinutes) {
  TStamp u = CivilFromSeconds(SecondsOf(local) - int64_t(zoneMinutes) * 60);
  return UtcStamp(u.Year, u.Month, u.Day, u.Hour, u.Minute, u.Second);
}

std::string EnvelopeTime(const TStamp& t) {
  static const char* kDays[] = {"Thu", "Fri", "Sat", "Sun",
                                "Mon", "Tue", "Wed"};  // from 1970-01-01
  static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int64_t days = DaysFromCivil(t.Year, t.Month, t.Day);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s %s %02d %02d:%02d:%02d %04d", kDays[((days % 7) + 7) % 7],
                kMonths[t.Month - 1], t.Day, t.Hour, t.Minute, t.Second, t.Year);
  return buf;
}

uint64_t FileTimeOf(const TStamp& utc) {
  return fixtures::FileTimeUtc(utc.Year, utc.Month, utc.Day, utc.Hour, utc.Minute, utc.Second);
}

std::string MailText(const TMail& m) {
  fixtures::EmlBuilder b;
  b.LineEnd("\n");
  for (const auto& [name, value] : m.Leading) b.Field(name, value);
  b.From(m.From);
  if (!m.To.empty()) b.To(m.To);
  b.Subject(m.SubjectField);
  if (m.Local.Year) {
    const TStamp& t = m.Local;
    b.Date(fixtures::MailDate(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, m.Zone));
  }
  b.MessageId(m.MessageId);
  if (!m.PriorityField.empty()) b.Priority(m.PriorityField);
  b.Field("User-Agent", "Kolvane sample generator");
  if (m.Files.empty()) {
    b.Field("MIME-Version", "1.0");
    b.Field("Content-Type", "text/plain; charset=UTF-8; format=flowed");
    b.Field("Content-Transfer-Encoding", "8bit");
  }
  b.Body(m.Body);
  for (const TMail::TFile& f : m.Files) b.Attach(f.Name, f.Type, f.Bytes);
  return b.Build();
}

TSampleMessage ExpectedOf(const TMail& m, std::string_view client, std::string_view folder) {
  TSampleMessage x;
  x.Client = client;
  x.Folder = folder;
  x.Subject = m.Subject;
  x.SenderName = m.SenderName;
  x.SenderEmail = m.SenderEmail;
  x.ReceiverName = m.ReceiverName;
  x.ReceiverEmail = m.ReceiverEmail;
  if (m.Local.Year) {
    x.Date = UtcOf(m.Local, m.Zone);
    const TStamp& t = m.Local;
    x.Received = fixtures::MailDate(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, m.Zone);
  }
  x.ID = m.MessageId;
  x.Priority = m.Priority;
  return x;
}

std::string AttachmentBytes(std::string_view kind, size_t size, uint32_t seed) {
  std::string out;
  if (kind == "pdf")
    out = "%PDF-1.4\n% Kolvane sample attachment\n";
  else if (kind == "png")
    out = std::string("\x89PNG\r\n\x1a\n", 8);
  else
    out = "Kolvane sample attachment\n";
  uint32_t x = seed * 2654435761u + 1;
  while (out.size() < size) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    out += char(x & 0xFF);
  }
  out.resize(size);
  return out;
}

}  // namespace kv::samples
