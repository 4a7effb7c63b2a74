// Prints the header facts of messages as JSON lines, for the comparison with Python's email
// package. Input on stdin: for each message its byte count in decimal, a line end, then its bytes.
// Output per message: {"subject":..,"from":..,"from_name":..,"from_email":..,"to":..,"to_name":..,
// "to_email":..,"message_id":..,"date":..,"utc":..,"local":..}; dates as "YYYY-MM-DD HH:MM:SS"
// or "" when unusable.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "base/codepage.h"
#include "base/datetime.h"
#include "formats/address.h"
#include "formats/header.h"
#include "formats/maildate.h"

namespace {

std::string Json(std::u16string_view text) {
  const std::string utf8 = kv::Utf16ToUtf8(text);
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

std::u16string DateText(kv::TDateTime value) {
  if (value == 0) return u"";
  const auto c = kv::DecodeDateTime(value);
  if (!c) return u"?";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c->Year, c->Month, c->Day,
                c->Hour, c->Minute, c->Second);
  return kv::Ascii(buf);
}

}  // namespace

int main() {
#ifdef _WIN32
  // The messages' bytes as they are: no line-end translation, no end at a Ctrl-Z.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  const std::string input((std::istreambuf_iterator<char>(std::cin)),
                          std::istreambuf_iterator<char>());
  size_t pos = 0;
  while (pos < input.size()) {
    const size_t eol = input.find('\n', pos);
    if (eol == std::string::npos) break;
    const size_t count = std::stoul(input.substr(pos, eol - pos));
    const std::string_view message = std::string_view(input).substr(eol + 1, count);
    pos = eol + 1 + count;

    kv::TEMLHeader h;
    kv::ReadEMLHeader(message, h);
    std::u16string fromName, fromEmail, toName, toEmail;
    kv::SplitAddress(h.From, fromName, fromEmail);
    kv::SplitAddress(h.SendTo, toName, toEmail);
    std::cout << "{\"subject\":" << Json(h.Subject) << ",\"from\":" << Json(h.From)
              << ",\"from_name\":" << Json(fromName) << ",\"from_email\":" << Json(fromEmail)
              << ",\"to\":" << Json(h.SendTo) << ",\"to_name\":" << Json(toName)
              << ",\"to_email\":" << Json(toEmail) << ",\"message_id\":" << Json(h.MessageId)
              << ",\"date\":" << Json(h.Date)
              << ",\"utc\":" << Json(DateText(kv::ParseMailDateUtc(h.Date)))
              << ",\"local\":" << Json(DateText(h.Timestamp)) << "}\n";
  }
  return 0;
}
