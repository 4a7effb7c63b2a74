#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "base/codepage.h"
#include "base/error.h"
#include "cli/csv_writer.h"
#include "cli/jsonl_writer.h"
#include "cli/row_writer.h"

namespace kv {
namespace {

std::vector<TColumn> Columns() {
  return {{"name", u"Name", TCellKind::ckText, false, 0},
          {"size", u"Size", TCellKind::ckNumber, true, 0},
          {"read", u"Read", TCellKind::ckBoolean, false, 0}};
}

std::string Write(TOutputFormat format, const std::vector<std::vector<std::u16string>>& rows,
                  TWriterOptions options = {}) {
  std::ostringstream out;
  auto writer = MakeRowWriter(format, out, Columns(), options);
  for (const auto& row : rows) writer->WriteRow(row);
  writer->Finish();
  return out.str();
}

// RFC 4180 reader for the tests: records of fields, CRLF ends a record outside quotes.
std::vector<std::vector<std::string>> ReadCsv(std::string_view text) {
  std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    auto& field = records.back().back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      records.emplace_back(1);
    } else {
      field += c;
    }
  }
  if (records.back().size() == 1 && records.back()[0].empty()) records.pop_back();
  return records;
}

TEST(Csv, HeaderAndQuotingPerRfc4180) {
  std::string csv = Write(TOutputFormat::ofCsv, {{u"plain", u"1", u"true"},
                                                 {u"say \"hi\"", u"2", u"false"},
                                                 {u"a,b", u"3", u"true"},
                                                 {u"two\nlines\r\n", u"4", u"true"},
                                                 {u"", u"", u""}});
  EXPECT_EQ(csv,
            "name,size,read\r\n"
            "plain,1,true\r\n"
            "\"say \"\"hi\"\"\",2,false\r\n"
            "\"a,b\",3,true\r\n"
            "\"two\nlines\r\n\",4,true\r\n"
            ",,\r\n");
}

TEST(Csv, Utf8WithOptionalByteOrderMark) {
  TWriterOptions bom;
  bom.Bom = true;
  std::string csv =
      Write(TOutputFormat::ofCsv, {{u"Gr\u00FC\u00DFe \U0001F600", u"1", u"true"}}, bom);
  EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(csv.substr(3),
            "name,size,read\r\nGr\xC3\xBC\xC3\x9F"
            "e \xF0\x9F\x98\x80,1,true\r\n");
  // Without the option no mark; an unpaired surrogate becomes U+FFFD.
  std::u16string lone = u"x";
  lone.push_back(char16_t(0xDC00));
  EXPECT_EQ(Write(TOutputFormat::ofCsv, {{lone}}), "name,size,read\r\nx\xEF\xBF\xBD,,\r\n");
}

TEST(Csv, FormulasAreGuardedOnlyWhenAsked) {
  const std::vector<std::vector<std::u16string>> rows = {{u"=HYPERLINK(\"http://x\",\"y\")", u"-1"},
                                                         {u"+1"},
                                                         {u"-2+3"},
                                                         {u"@SUM(A1)"},
                                                         {u"\t=1"},
                                                         {u"\r=1"},
                                                         {u"a=b"},
                                                         {u" =1"},
                                                         {u"'quoted"},
                                                         {u""},
                                                         {u"=a,b"}};
  // Plain CSV and the byte-order mark alone keep every text exact.
  TWriterOptions bom;
  bom.Bom = true;
  for (const auto& options : {TWriterOptions{}, bom}) {
    auto records = ReadCsv(Write(TOutputFormat::ofCsv, rows, options).substr(options.Bom ? 3 : 0));
    ASSERT_EQ(records.size(), rows.size() + 1);
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(records[i + 1][0], Utf16ToUtf8(rows[i][0]));
  }
  TWriterOptions guard;
  guard.GuardFormulas = true;
  auto records = ReadCsv(Write(TOutputFormat::ofCsv, rows, guard));
  ASSERT_EQ(records.size(), rows.size() + 1);
  std::vector<std::string> names;
  for (size_t i = 1; i < records.size(); ++i) names.push_back(records[i][0]);
  EXPECT_EQ(names, (std::vector<std::string>{"'=HYPERLINK(\"http://x\",\"y\")", "'+1", "'-2+3",
                                             "'@SUM(A1)", "'\t=1", "'\r=1", "a=b", " =1", "'quoted",
                                             "", "'=a,b"}));
  EXPECT_EQ(records[1][1], "-1");  // a number column holds our own numbers: never changed
}

TEST(Csv, AnyTextReadsBackField_ForField) {
  std::mt19937 random(11);
  const char16_t alphabet[] = u"ab\",\r\n ;\u00E9\u65E5";
  std::vector<std::vector<std::u16string>> rows;
  for (int r = 0; r < 200; ++r) {
    std::vector<std::u16string> row(3);
    for (auto& cell : row)
      for (int n = random() % 6; n > 0; --n) cell += alphabet[random() % (std::size(alphabet) - 1)];
    rows.push_back(row);
  }
  auto records = ReadCsv(Write(TOutputFormat::ofCsv, rows));
  ASSERT_EQ(records.size(), rows.size() + 1);
  for (size_t r = 0; r < rows.size(); ++r) {
    ASSERT_EQ(records[r + 1].size(), 3u) << r;
    for (size_t c = 0; c < 3; ++c) EXPECT_EQ(records[r + 1][c], Utf16ToUtf8(rows[r][c]));
  }
}

// JSON string reader for the tests: the escapes RFC 8259 allows, UTF-8 otherwise.
std::u16string ReadJsonString(std::string_view json, size_t& i) {
  EXPECT_EQ(json[i], '"');
  ++i;
  std::string raw;
  std::u16string out;
  auto flush = [&] {
    out += Utf8ToUtf16(raw);
    raw.clear();
  };
  while (i < json.size() && json[i] != '"') {
    unsigned char c = static_cast<unsigned char>(json[i]);
    EXPECT_GE(c, 0x20) << "raw control character in a JSON string";
    if (c != '\\') {
      raw += json[i++];
      continue;
    }
    flush();
    char e = json[i + 1];
    i += 2;
    switch (e) {
      case '"': out += u'"'; break;
      case '\\': out += u'\\'; break;
      case '/': out += u'/'; break;
      case 'b': out += u'\b'; break;
      case 'f': out += u'\f'; break;
      case 'n': out += u'\n'; break;
      case 'r': out += u'\r'; break;
      case 't': out += u'\t'; break;
      case 'u':
        out += char16_t(std::stoul(std::string(json.substr(i, 4)), nullptr, 16));
        i += 4;
        break;
      default: ADD_FAILURE() << "bad escape " << e;
    }
  }
  flush();
  ++i;
  return out;
}

TEST(Json, EscapesQuotesBackslashesAndControls) {
  std::string s;
  AppendJsonString(s, u"a\"b\\c/\b\f\n\r\t\x01\x1F\x7F\u2028\u2029");
  EXPECT_EQ(s, R"("a\"b\\c/\b\f\n\r\t\u0001\u001f\u007f\u2028\u2029")");
  s.clear();
  AppendJsonString(s, std::u16string(u"nul\0end", 7));
  EXPECT_EQ(s, R"("nul\u0000end")");
}

TEST(Json, SurrogatePairsBecomeUtf8LoneHalvesStayEscaped) {
  std::string s;
  AppendJsonString(s, u"\U0001F600");
  EXPECT_EQ(s, "\"\xF0\x9F\x98\x80\"");
  s.clear();
  std::u16string odd = {0xD83D, u'x', 0xDE00, 0xDBFF};
  AppendJsonString(s, odd);
  EXPECT_EQ(s, R"("\ud83dx\ude00\udbff")");
}

TEST(Json, AnyUtf16TextReadsBackExactly) {
  std::mt19937 random(5);
  const char16_t pool[] = {u'a',   u'"',   u'\\',  u'\n',  0x01,   0x7F,   0xE9,
                           0x2028, 0xD83D, 0xDE00, 0xDBFF, 0xDC00, 0xFFFF, 0x65E5};
  for (int n = 0; n < 500; ++n) {
    std::u16string text;
    for (int k = random() % 10; k > 0; --k) text += pool[random() % std::size(pool)];
    std::string json;
    AppendJsonString(json, text);
    size_t i = 0;
    EXPECT_EQ(ReadJsonString(json, i), text);
    EXPECT_EQ(i, json.size());
    EXPECT_TRUE(IsValidUtf8(json));
  }
}

TEST(Json, OneObjectPerLineWithTypedValues) {
  std::string jsonl =
      Write(TOutputFormat::ofJsonLines,
            {{u"A \"q\"", u"1234567", u"true"}, {u"", u"", u"false"}, {u"x", u"12abc", u"yes"}});
  EXPECT_EQ(jsonl,
            "{\"name\":\"A \\\"q\\\"\",\"size\":1234567,\"read\":true}\n"
            "{\"name\":\"\",\"size\":null,\"read\":false}\n"
            "{\"name\":\"x\",\"size\":\"12abc\",\"read\":false}\n");
  // A short row leaves the missing keys empty; no header line.
  EXPECT_EQ(Write(TOutputFormat::ofJsonLines, {{u"only"}}),
            "{\"name\":\"only\",\"size\":null,\"read\":false}\n");
  EXPECT_EQ(Write(TOutputFormat::ofJsonLines, {}), "");
}

TEST(Table, AlignsByCharacterCellsAndCutsLongTexts) {
  TWriterOptions options;
  options.TableMaxWidth = 8;
  std::string table = Write(TOutputFormat::ofTable,
                            {{u"\u65E5\u672C", u"1,234", u"true"},
                             {u"Gr\u00FC\u00DFe", u"5", u"false"},
                             {u"much too long a name", u"12", u"true"},
                             {u"two\nlines", u"7", u"false"}},
                            options);
  EXPECT_EQ(table,
            "Name       Size  Read\n"
            "--------  -----  -----\n"
            "\xE6\x97\xA5\xE6\x9C\xAC      1,234  true\n"
            "Gr\xC3\xBC\xC3\x9F"
            "e         5  false\n"
            "much to\xE2\x80\xA6     12  true\n"
            "two lin\xE2\x80\xA6      7  false\n");
}

TEST(Table, StreamsRowsAfterTheProbeRows) {
  std::ostringstream out;
  TWriterOptions options;
  options.TableProbeRows = 2;
  auto writer = MakeRowWriter(TOutputFormat::ofTable, out, Columns(), options);
  writer->WriteRow(std::vector<std::u16string>{u"a", u"1", u"true"});
  EXPECT_EQ(out.str(), "");  // held back to measure
  writer->WriteRow(std::vector<std::u16string>{u"bb", u"22", u"true"});
  EXPECT_EQ(out.str(), "Name  Size  Read\n----  ----  ----\na        1  true\nbb      22  true\n");
  // Later rows go out at once, cut to the fixed widths; numbers are never cut.
  writer->WriteRow(std::vector<std::u16string>{u"ccccc", u"333333", u"false"});
  EXPECT_EQ(out.str().substr(out.str().rfind("\n", out.str().size() - 2) + 1),
            "ccc\xE2\x80\xA6  333333  false\n");
  writer->Finish();
}

TEST(Table, EmptyListingShowsTheHeader) {
  EXPECT_EQ(Write(TOutputFormat::ofTable, {}), "Name  Size  Read\n----  ----  ----\n");
}

TEST(Writers, FailedStreamIsAnError) {
  for (auto format : {TOutputFormat::ofTable, TOutputFormat::ofCsv, TOutputFormat::ofJsonLines}) {
    std::ostringstream out;
    TWriterOptions options;
    options.TableProbeRows = 1;
    out.setstate(std::ios::badbit);
    EXPECT_THROW(
        {
          auto writer = MakeRowWriter(format, out, Columns(), options);
          writer->WriteRow(std::vector<std::u16string>{u"a"});
          writer->Finish();
        },
        EKolvaneError);
  }
}

TEST(Writers, FormatNames) {
  EXPECT_EQ(ParseOutputFormat("table"), TOutputFormat::ofTable);
  EXPECT_EQ(ParseOutputFormat("csv"), TOutputFormat::ofCsv);
  EXPECT_EQ(ParseOutputFormat("jsonl"), TOutputFormat::ofJsonLines);
  EXPECT_EQ(ParseOutputFormat("CSV"), std::nullopt);
  EXPECT_EQ(ParseOutputFormat("json"), std::nullopt);
}

}  // namespace
}  // namespace kv
