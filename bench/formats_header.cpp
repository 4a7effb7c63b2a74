// Header parsing in MB/s of header text, beside a floor measured in the same run: one sequential
// memchr pass over the same bytes. The headers are generated: Received chains, a folded DKIM
// signature, encoded words in several charsets, the fields a collector reads.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "formats/header.h"

namespace {

struct TCorpus {
  std::string Text;                        // all messages one after another
  std::vector<std::string_view> Messages;  // each: header, empty line, a short body
  size_t HeaderBytes = 0;                  // bytes of header text, the measure of speed
};

const char* const kSubjects[] = {
    "Re: Meeting notes for next week",
    "=?ISO-8859-1?Q?Re=3A_Besprechung_n=E4chste_Woche?=",
    "=?UTF-8?B?0J/RgNC40LLQtdGCLCDQvNC40YAh?=",
    "=?KOI8-R?Q?=F0=D2=C9=D7=C5=D4?= =?KOI8-R?Q?_=CD=C9=D2?=",
    "Quarterly report; draft 3 (please review)",
    "=?UTF-8?Q?Atu?= =?UTF-8?Q?alizadas_as_informa=C3=A7=C3=B5es?=",
};

TCorpus MakeCorpus(int count) {
  TCorpus c;
  std::vector<std::pair<size_t, size_t>> spans;  // message start, length
  char buf[4096];
  for (int i = 0; i < count; ++i) {
    const size_t start = c.Text.size();
    std::snprintf(buf, sizeof buf,
                  "Return-Path: <sender%d@example.org>\r\n"
                  "Received: from mail%d.example.org (mail%d.example.org [192.0.2.%d])\r\n"
                  "\tby mx.example.net (Postfix) with ESMTPS id 4F%08X\r\n"
                  "\tfor <ann@example.net>; Tue, 1 Jan 2013 10:%02d:00 +0000 (UTC)\r\n"
                  "Received: from [10.0.0.%d] (unknown [198.51.100.%d])\r\n"
                  "\tby mail%d.example.org (Postfix) with ESMTPSA id 9A%08X\r\n"
                  "\tfor <ann@example.net>; Tue, 1 Jan 2013 10:%02d:00 +0100 (CET)\r\n"
                  "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.org; s=mail;\r\n"
                  "\tt=1357034400; bh=47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=;\r\n"
                  "\th=From:To:Subject:Date:Message-ID;\r\n"
                  "\tb=dGhpcyBpcyBub3QgYSByZWFsIHNpZ25hdHVyZSBqdXN0IHNvbWUgYnl0ZXMgZm9yIHRoZSBi\r\n"
                  "\t ZW5jaG1hcmsgdG8gY2h3IHRocm91Z2ggYW5kIHRoZW4gc29tZSBtb3JlIGJ5dGVzIGhlcmU=\r\n"
                  "From: =?UTF-8?Q?J=C3=B6rg_M=C3=BCller?= <joerg%d@example.org>\r\n"
                  "To: \"Lee, Ann\" <ann@example.net>, bob@example.net\r\n"
                  "Cc: Carl <carl@example.net>\r\n"
                  "Subject: %s\r\n"
                  "Date: Tue, 1 Jan 2013 %02d:%02d:00 +0100\r\n"
                  "Message-ID: <%08X.%d@mail%d.example.org>\r\n"
                  "MIME-Version: 1.0\r\n"
                  "Content-Type: multipart/alternative;\r\n"
                  "\tboundary=\"----=_Part_%d_%08X\"\r\n"
                  "X-Mailer: Example Mail Client 1.%d\r\n"
                  "X-Priority: 3 (Normal)\r\n"
                  "X-Mozilla-Status: 0001\r\n"
                  "X-Mozilla-Status2: 00000000\r\n",
                  i, i, i, i % 256, unsigned(i * 2654435761u), i % 60, i % 256, i % 256, i,
                  unsigned(i * 40503u), i % 60, i, kSubjects[i % 6], i % 24, i % 60,
                  unsigned(i * 97u), i, i, i, unsigned(i), i % 10);
    c.Text += buf;
    c.HeaderBytes += c.Text.size() - start;
    c.Text += "\r\nHello Ann,\r\nthe notes are attached.\r\n";
    spans.emplace_back(start, c.Text.size() - start);
  }
  for (const auto& [start, length] : spans)
    c.Messages.push_back(std::string_view(c.Text).substr(start, length));
  return c;
}

const TCorpus& Corpus() {
  static const TCorpus corpus = MakeCorpus(4000);
  return corpus;
}

void BM_HeaderParse(benchmark::State& state) {
  const TCorpus& c = Corpus();
  kv::TEMLHeader header;
  for (auto _ : state) {
    for (std::string_view message : c.Messages) {
      kv::ReadEMLHeader(message, header);
      benchmark::DoNotOptimize(header.Subject.data());
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.HeaderBytes));
}
BENCHMARK(BM_HeaderParse)->Unit(benchmark::kMillisecond);

// The floor: one sequential pass over the same bytes, finding every line end with memchr.
void BM_Floor_MemchrPass(benchmark::State& state) {
  const TCorpus& c = Corpus();
  for (auto _ : state) {
    size_t lines = 0;
    const char* p = c.Text.data();
    const char* const end = p + c.Text.size();
    while (const void* hit = std::memchr(p, '\n', size_t(end - p))) {
      ++lines;
      p = static_cast<const char*>(hit) + 1;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.HeaderBytes));
}
BENCHMARK(BM_Floor_MemchrPass)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
