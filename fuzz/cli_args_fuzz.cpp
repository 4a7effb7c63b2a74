// Arguments split at NUL bytes go through the parser and the --sort and --format readers; every
// outcome is a parse or a usage error with a one-line message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/list_row.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const kv::TArgParser parser(
      "kolvane-cli", "0.0",
      {{"list",
        "rows",
        "",
        {{"FILE", true}},
        {{"sort", "COLUMN", "", {}},
         {"format", "FORMAT", "", {"table", "csv", "jsonl"}},
         {"quiet", "", "", {}}}},
       {"scan", "scan", "", {{"DIR", false}}, {{"out", "FILE", "", {}}}}});
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back() += char(data[i]);
  }
  try {
    kv::TParsedCommand parsed = parser.Parse(args);
    if (auto sort = parsed.Value("sort")) (void)kv::ParseSortOption(*sort);
    if (auto format = parsed.Value("format"))
      if (!kv::ParseOutputFormat(*format)) std::abort();  // choices were checked
    (void)parser.CommandHelp(parsed.Command);
  } catch (const kv::EUsageError& e) {
    std::string message = e.what();
    if (message.empty() || message.find('\n') != std::string::npos) std::abort();
  }
  return 0;
}
