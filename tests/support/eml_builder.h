// Composes RFC 5322 message text for tests: header fields in the order given, encoded words,
// folding, X-Priority and the Mozilla status fields, a plain body or a multipart body with
// base64 attachments. The text is bytes; line ends are CR LF unless set otherwise.
//
//   std::string eml = EmlBuilder()
//       .From("Ann Lee <ann@example.org>")
//       .To("bob@example.org")
//       .Subject(EncodedWord("windows-1250", "\x9a" "ipka", 'Q'))
//       .Date("Mon, 5 Jan 2013 10:20:30 +0100")
//       .Priority("1 (Highest)")
//       .Body("Hello\r\n")
//       .Attach("a.txt", "text/plain", "attachment bytes")
//       .Build();
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv::fixtures {

std::string Base64(std::string_view bytes);
// "=?charset?B?...?=" or "=?charset?Q?...?=" of the given bytes.
std::string EncodedWord(std::string_view charset, std::string_view bytes, char encoding = 'B');
// "Mon, 05 Jan 2013 10:20:30 +0100"-style date; zone in minutes east of UTC.
std::string MailDate(int year, int month, int day, int hour, int minute, int second,
                     int zoneMinutes = 0);

class EmlBuilder {
 public:
  EmlBuilder& From(std::string value) { return Field("From", std::move(value)); }
  EmlBuilder& To(std::string value) { return Field("To", std::move(value)); }
  EmlBuilder& Cc(std::string value) { return Field("Cc", std::move(value)); }
  EmlBuilder& Subject(std::string value) { return Field("Subject", std::move(value)); }
  EmlBuilder& Date(std::string value) { return Field("Date", std::move(value)); }
  EmlBuilder& MessageId(std::string value) { return Field("Message-ID", std::move(value)); }
  EmlBuilder& Priority(std::string value) { return Field("X-Priority", std::move(value)); }
  // X-Mozilla-Status (4 hex digits) and X-Mozilla-Status2 (8 hex digits).
  EmlBuilder& MozillaStatus(uint16_t value);
  EmlBuilder& MozillaStatus2(uint32_t value);
  // Any field, written as "name: value"; a value holding line breaks is written as folded.
  EmlBuilder& Field(std::string name, std::string value);
  EmlBuilder& Body(std::string text);
  // Makes the message multipart/mixed with the body as first part and a base64 attachment.
  EmlBuilder& Attach(std::string fileName, std::string contentType, std::string bytes);
  // "\r\n" by default; "\n" for mbox-style text.
  EmlBuilder& LineEnd(std::string eol);

  std::string Build() const;

 private:
  std::vector<std::pair<std::string, std::string>> FFields;
  std::string FBody;
  struct Attachment {
    std::string Name, Type, Bytes;
  };
  std::vector<Attachment> FAttachments;
  std::string FEol = "\r\n";
};

}  // namespace kv::fixtures
