// Composes mbox text for tests: each message behind its "From " separator line, body lines that
// begin with "From " quoted with ">" (mboxrd style), messages separated by an empty line.
//
//   std::string mbox = MboxBuilder()
//       .Add(EmlBuilder().From("a@b").Subject("one").LineEnd("\n").Build())
//       .Add(second, "ann@example.org", "Mon Jan  5 10:20:30 2013")
//       .Build();
#pragma once

#include <string>
#include <vector>

namespace kv::fixtures {

class MboxBuilder {
 public:
  MboxBuilder& Add(std::string message, std::string envelopeSender = "MAILER-DAEMON",
                   std::string envelopeDate = "Thu Jan  1 00:00:00 2009");
  std::string Build() const;
  size_t MessageCount() const { return FMessages.size(); }

 private:
  struct Entry {
    std::string Text, Sender, Date;
  };
  std::vector<Entry> FMessages;
};

}  // namespace kv::fixtures
