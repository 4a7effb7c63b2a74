#include "support/mbox_builder.h"

namespace kv::fixtures {

MboxBuilder& MboxBuilder::Add(std::string message, std::string envelopeSender,
                              std::string envelopeDate) {
  FMessages.push_back({std::move(message), std::move(envelopeSender), std::move(envelopeDate)});
  return *this;
}

std::string MboxBuilder::Build() const {
  std::string out;
  for (const Entry& m : FMessages) {
    out += "From " + m.Sender + " " + m.Date + "\n";
    // Quote every line that would read as a separator (">From " gets one more ">" too).
    size_t start = 0;
    while (start < m.Text.size()) {
      size_t end = m.Text.find('\n', start);
      end = end == std::string::npos ? m.Text.size() : end + 1;
      size_t p = start;
      while (p < end && m.Text[p] == '>') ++p;
      if (m.Text.compare(p, 5, "From ") == 0) out += '>';
      out.append(m.Text, start, end - start);
      start = end;
    }
    if (out.empty() || out.back() != '\n') out += '\n';
    out += '\n';
  }
  return out;
}

}  // namespace kv::fixtures
