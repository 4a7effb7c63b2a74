// Export rows through each listing writer beside the floor of writing the same records as
// their record lines in UTF-8 (the text the history file holds); and the list sort by a text
// column beside the sort by date. Output goes to a stream that counts and discards.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <ostream>
#include <streambuf>

#include "base/codepage.h"
#include "cli/export_row.h"
#include "cli/row_writer.h"
#include "core/message.h"
#include "ui/sort.h"

namespace kv {
namespace {

class TCountingBuf : public std::streambuf {
 public:
  size_t Count = 0;

 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    Count += size_t(n);
    return n;
  }
  int_type overflow(int_type c) override {
    ++Count;
    return c;
  }
};

const TMessages& Records() {
  static const TMessages records = [] {
    TMessages out;
    const char16_t* subjects[] = {u"Report for May",  u"Re: lunch, \"today\"",
                                  u"Gr\u00FC\u00DFe", u"apple",
                                  u"Banana",          u"\u65E5\u672C\u8A9E"};
    for (uint32_t i = 0; i < 100000; ++i) {
      TMessageInfo r;
      r._Client = TEmailClient::ecThunderbird;
      r._Folder = u"Inbox";
      r.Index = i;
      r.ID = u"<" + UIntToStr(i * 7919u) + u"@example.org>";
      r.Flags = (i % 3) ? 0x80 : 0x4000;
      r.Subject = std::u16string(subjects[i % 6]) + u" " + UIntToStr(i % 977);
      r.SenderName = u"Ann Example";
      r.SenderEmail = u"ann@example.org";
      r.ReceivedDate = 41275.0 + double(i * 37 % 100000) / 97;
      r.Received = u"Tue, 1 Jan 2013 12:00:00 +0100";
      r.ReceiverEmail = u"bob@example.org";
      r.Account = u"Home";
      r.Size = 1000 + i;
      r.Priority = 3;
      out.push_back(std::move(r));
    }
    return out;
  }();
  return records;
}

void BM_Floor_RecordLinesUtf8(benchmark::State& state) {
  TCountingBuf buf;
  std::ostream out(&buf);
  for (auto _ : state) {
    for (const auto& r : Records()) {
      std::string line = Utf16ToUtf8(FormatMessageLine(r));
      line += "\r\n";
      out.write(line.data(), std::streamsize(line.size()));
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations() * Records().size()));
}
BENCHMARK(BM_Floor_RecordLinesUtf8)->Unit(benchmark::kMillisecond);

void BM_Export(benchmark::State& state) {
  auto format = TOutputFormat(state.range(0));
  TCountingBuf buf;
  std::ostream out(&buf);
  std::vector<std::u16string> cells;
  for (auto _ : state) {
    auto writer = MakeRowWriter(format, out, ExportColumns());
    for (const auto& r : Records()) {
      ExportCells(r, cells);
      writer->WriteRow(cells);
    }
    writer->Finish();
  }
  state.SetItemsProcessed(int64_t(state.iterations() * Records().size()));
}
BENCHMARK(BM_Export)
    ->Arg(int(TOutputFormat::ofCsv))
    ->Arg(int(TOutputFormat::ofJsonLines))
    ->Arg(int(TOutputFormat::ofTable))
    ->Unit(benchmark::kMillisecond);

void BM_SortRows(benchmark::State& state) {
  TLocale locale = TLocale::FromName("en_US.UTF-8").value_or(TLocale::Plain());
  TRecordLookup lookup = [](int32_t i) -> const TMessageInfo& { return Records()[size_t(i)]; };
  std::vector<int32_t> base(Records().size());
  std::iota(base.begin(), base.end(), 0);
  for (auto _ : state) {
    auto rows = base;
    SortRows(rows, lookup, {int(state.range(0)), TSortDirection::sdAscending}, locale);
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetItemsProcessed(int64_t(state.iterations() * base.size()));
}
BENCHMARK(BM_SortRows)->Arg(lcReceived)->Arg(lcSubject)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv
BENCHMARK_MAIN();
