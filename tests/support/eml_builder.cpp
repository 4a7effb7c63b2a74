#include "support/eml_builder.h"

#include <cstdio>

namespace kv::fixtures {

std::string Base64(std::string_view bytes) {
  static const char* kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t v = uint8_t(bytes[i]) << 16 | uint8_t(bytes[i + 1]) << 8 | uint8_t(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += kDigits[(v >> s) & 63];
  }
  if (i < bytes.size()) {
    uint32_t v = uint8_t(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= uint8_t(bytes[i + 1]) << 8;
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string EncodedWord(std::string_view charset, std::string_view bytes, char encoding) {
  std::string text;
  if (encoding == 'B' || encoding == 'b') {
    text = Base64(bytes);
  } else {
    static const char* kHex = "0123456789ABCDEF";
    for (unsigned char c : bytes) {
      if (c == ' ') {
        text += '_';
      } else if (c > 0x20 && c < 0x7F && c != '=' && c != '?' && c != '_') {
        text += char(c);
      } else {
        text += '=';
        text += kHex[c >> 4];
        text += kHex[c & 15];
      }
    }
  }
  return "=?" + std::string(charset) + "?" + char(encoding) + "?" + text + "?=";
}

std::string MailDate(int year, int month, int day, int hour, int minute, int second,
                     int zoneMinutes) {
  static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // Day of the week by Sakamoto's method.
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  const int y = month < 3 ? year - 1 : year;
  const int dow = (y + y / 4 - y / 100 + y / 400 + t[month - 1] + day) % 7;
  const int z = zoneMinutes < 0 ? -zoneMinutes : zoneMinutes;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%02d%02d", kDays[dow], day,
                kMonths[(month - 1) % 12], year, hour, minute, second, zoneMinutes < 0 ? '-' : '+',
                z / 60, z % 60);
  return buf;
}

EmlBuilder& EmlBuilder::MozillaStatus(uint16_t value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", unsigned(value));
  return Field("X-Mozilla-Status", buf);
}

EmlBuilder& EmlBuilder::MozillaStatus2(uint32_t value) {
  char buf[12];
  std::snprintf(buf, sizeof buf, "%08X", unsigned(value));
  return Field("X-Mozilla-Status2", buf);
}

EmlBuilder& EmlBuilder::Field(std::string name, std::string value) {
  FFields.emplace_back(std::move(name), std::move(value));
  return *this;
}

EmlBuilder& EmlBuilder::Body(std::string text) {
  FBody = std::move(text);
  return *this;
}

EmlBuilder& EmlBuilder::Attach(std::string fileName, std::string contentType, std::string bytes) {
  FAttachments.push_back({std::move(fileName), std::move(contentType), std::move(bytes)});
  return *this;
}

EmlBuilder& EmlBuilder::LineEnd(std::string eol) {
  FEol = std::move(eol);
  return *this;
}

std::string EmlBuilder::Build() const {
  std::string out;
  for (const auto& [name, value] : FFields) {
    // A "\n" in a value folds the field: the next piece goes on a line starting with a blank.
    out += name + ": ";
    for (char c : value) {
      if (c == '\n')
        out += FEol + " ";
      else
        out += c;
    }
    out += FEol;
  }
  if (FAttachments.empty()) {
    out += FEol + FBody;
    return out;
  }
  const std::string boundary = "----=_kv_fixture_boundary";
  out += "MIME-Version: 1.0" + FEol;
  out += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"" + FEol + FEol;
  out += "This is a multi-part message in MIME format." + FEol + FEol;
  out += "--" + boundary + FEol + "Content-Type: text/plain; charset=us-ascii" + FEol + FEol;
  out += FBody + FEol;
  for (const Attachment& a : FAttachments) {
    out += "--" + boundary + FEol;
    out += "Content-Type: " + a.Type + "; name=\"" + a.Name + "\"" + FEol;
    out += "Content-Transfer-Encoding: base64" + FEol;
    out += "Content-Disposition: attachment; filename=\"" + a.Name + "\"" + FEol + FEol;
    const std::string b64 = Base64(a.Bytes);
    for (size_t i = 0; i < b64.size(); i += 76) out += b64.substr(i, 76) + FEol;
  }
  out += "--" + boundary + "--" + FEol;
  return out;
}

}  // namespace kv::fixtures
