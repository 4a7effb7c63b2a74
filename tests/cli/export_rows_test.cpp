// The line path of `export` against the record path, its reference: the same bytes in every
// output form, for history files of odd streams and lines, for every byte in every field, for
// folders larger than a block, for the compound files and mail stores other programs wrote,
// and for a folder that cannot be read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/codepage.h"
#include "cli/cli_app.h"
#include "cli/export_row.h"
#include "cli/export_rows.h"
#include "collectors/oe.h"
#include "collectors/thunderbird.h"
#include "collectors/winmail.h"
#include "core/memory_collector.h"
#include "storage/cfb/byte_order.h"
#include "storage/data_file_layout.h"
#include "storage/storage_file.h"
#include "storage/storage_stream.h"
#include "storage/stream_lines.h"
#include "storage/structured_storage.h"
#include "storage/zlib_codec.h"
#include "support/odd_streams.h"
#include "support/realdata.h"
#include "ui/client_pages.h"
#include "ui/viewer.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

struct TForm {
  const char* Name;
  TOutputFormat Format;
  TWriterOptions Options;
  std::vector<std::string> Args;  // the same on the command line
};

const std::vector<TForm>& Forms() {
  static const std::vector<TForm> forms = {
      {"csv", TOutputFormat::ofCsv, {}, {}},
      {"csv --bom", TOutputFormat::ofCsv, {.Bom = true}, {"--bom"}},
      {"csv --spreadsheet",
       TOutputFormat::ofCsv,
       {.Bom = true, .GuardFormulas = true},
       {"--spreadsheet"}},
      {"jsonl", TOutputFormat::ofJsonLines, {}, {"--format", "jsonl"}},
      {"table", TOutputFormat::ofTable, {}, {"--format", "table"}},
  };
  return forms;
}

// The export of `file` by one path, as the command loads the file. `failure` (when given)
// takes the message of a failure, and the text is what was written before it.
std::string Exported(const std::u16string& file, const TForm& form, bool linePath,
                     std::string* failure = nullptr) {
  auto context = test::FakeContext();
  TViewerController viewer(*context, CreateClientPages(*context), TLocale::Plain());
  for (size_t p = 0; p < viewer.PageCount(); ++p)
    viewer.CollectorOf(int(p)).LoadFromStorage(file, ZDecompressStream);
  std::ostringstream out;
  auto writer = MakeRowWriter(form.Format, out, ExportColumns(), form.Options);
  try {
    if (linePath)
      ExportStoredLines(viewer, file, form.Format, form.Options, out, *writer);
    else
      ExportRecords(viewer, *writer);
    writer->Finish();
  } catch (const EKolvaneError& e) {
    if (!failure) throw;
    *failure = e.what();
  }
  return out.str();
}

// The row around byte `at` of an output.
std::string RowAt(const std::string& text, size_t at) {
  const size_t start = at > 0 ? text.rfind('\n', at - 1) : std::string::npos;
  const size_t from = start == std::string::npos ? 0 : start + 1;
  return text.substr(from, std::min<size_t>(text.find('\n', at) - from, 400));
}

void ExpectSameOutput(const std::string& reference, const std::string& lines) {
  if (reference == lines) return;
  const size_t at =
      size_t(std::mismatch(reference.begin(), reference.end(), lines.begin(), lines.end()).first -
             reference.begin());
  ADD_FAILURE() << "the outputs differ from byte " << at << " on (" << reference.size() << " and "
                << lines.size() << " bytes)\nrecord path: " << RowAt(reference, at)
                << "\nline path:   " << RowAt(lines, at);
}

// Both paths over the file in every form; returns the reference CSV.
std::string ExpectSameExport(const std::u16string& file) {
  std::string csv;
  for (const TForm& form : Forms()) {
    SCOPED_TRACE(form.Name);
    const std::string reference = Exported(file, form, false);
    ExpectSameOutput(reference, Exported(file, form, true));
    if (csv.empty()) csv = reference;
  }
  return csv;
}

size_t Rows(const std::string& csv) { return size_t(std::count(csv.begin(), csv.end(), '\n')); }

// Writes each stream's bytes as they are into `file`, spread over the four clients' storages,
// under names that a CSV quotes, a spreadsheet runs or JSON escapes.
void WriteHistory(const std::u16string& file, const std::vector<std::string>& streams) {
  static const char16_t* const kNames[] = {u"Inbox",           u"=Sum",   u"a,b", u"say \"hi\"",
                                           u"\u00dcbersicht",  u"-minus", u"@at", u"\u4f60\u597d",
                                           u"back\\slash\x01", u"+"};
  const std::u16string_view storages[] = {kStorageOE, kStorageWinMail, kStorageWinLiveMail,
                                          kStorageThunderbird};
  auto root = OpenStorageFile(file, kModeReadWrite | STGM_CREATE);
  for (size_t f = 0; f < streams.size(); ++f) {
    auto storage = root->OpenSubStorage(storages[f % 4], kModeReadWrite, true);
    auto stream = storage->OpenStream(kNames[f % std::size(kNames)] + IntToStr(int64_t(f)),
                                      kModeReadWrite, true);
    ASSERT_TRUE(stream);
    stream->Write(streams[f].data(), streams[f].size());
  }
  root->Commit();
}

class ExportRows : public ::testing::Test {
 protected:
  test::TTempDir dir;
};

TEST_F(ExportRows, OddStreamsAndLinesGiveTheRecordPathsBytes) {
  for (uint32_t seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE(seed);
    test::TOddStreams odd(seed);
    std::vector<std::string> streams;
    for (int f = 0; f < 40; ++f) streams.push_back(odd.Stream(odd.Pick(60)));
    const std::u16string file = dir.File("odd" + std::to_string(seed) + ".qmr");
    WriteHistory(file, streams);
    EXPECT_GT(Rows(ExpectSameExport(file)), 40u);
  }
}

// Every byte but the line ends and ";" at the start, inside and alone in every field, in a
// Windows-1252 stream, a UTF-8 stream (where most lone high bytes are invalid) and UTF-16.
TEST_F(ExportRows, EveryByteInEveryFieldGivesTheRecordPathsBytes) {
  std::string text;
  for (unsigned b = 1; b < 256; ++b) {
    if (b == '\r' || b == '\n' || b == ';') continue;
    const std::string c(1, char(b));
    for (const std::string& field : {c, c + "7", "4" + c + c, "41000.5" + c})
      for (size_t at = 0; at < kLineFieldCount; ++at) {
        std::string line;
        for (size_t f = 0; f < kLineFieldCount; ++f)
          line += (f ? ";" : "") + (f == at ? field : std::string(f == 7 ? "41000.25" : "1"));
        text += line + "\r\n";
      }
  }
  std::string utf16 = "\xFF\xFE";
  for (char16_t u : Cp1252ToUtf16(text)) utf16 += {char(u & 0xFF), char(u >> 8)};
  const std::u16string file = dir.File("bytes.qmr");
  WriteHistory(file, {test::TOddStreams::Pack(text), test::TOddStreams::Pack("\xEF\xBB\xBF" + text),
                      test::TOddStreams::Pack(utf16), text});
  EXPECT_EQ(Rows(ExpectSameExport(file)), 1 + 4 * 252 * 4 * kLineFieldCount);
}

// Folders of several megabytes: lines across the reader's blocks, a line longer than the line
// path takes, CR alone ending the lines.
TEST_F(ExportRows, LargeFoldersAndLongLinesGiveTheRecordPathsBytes) {
  test::TOddStreams odd(99);
  auto many = [&](size_t bytes, const char* end) {
    std::string text;
    while (text.size() < bytes) text += odd.Line() + end;
    return text;
  };
  const std::string longLine =
      "1;<id>;0;" + std::string(3 << 19, 'y') + ",\xE9;s;n;e;41000.5;r\r\n";
  const std::u16string file = dir.File("large.qmr");
  WriteHistory(file,
               {test::TOddStreams::Pack(many(3 << 20, "\r\n")),
                test::TOddStreams::Pack(many(1 << 20, "\r\n") + longLine + many(1 << 19, "\n")),
                test::TOddStreams::Pack("\xEF\xBB\xBF" + longLine + many(5 << 19, "\r"))});
  ExpectSameExport(file);
}

// Every compound file of the real inputs (a history file that Wine's ole32 wrote among them),
// and a history of the real mail stores: Outlook Express folders and mbox files that other
// programs wrote, with texts in many charsets.
TEST_F(ExportRows, FilesOtherProgramsWroteGiveTheRecordPathsBytes) {
  const fs::path cfb = test::RealDataPath("cfb");
  KV_SKIP_WITHOUT_REAL_DATA(cfb / "wine_ole32_history.qmr", test::RealDataPath("dbx"),
                            test::RealDataPath("oe4"), test::RealDataPath("mbox"));
  size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(cfb)) {
    if (!e.is_regular_file() || e.path().extension() == ".txt" || e.path().extension() == ".tsv")
      continue;
    SCOPED_TRACE(e.path().string());
    ExpectSameExport(e.path().u16string());
    ++files;
  }
  EXPECT_GT(files, 20u);
  EXPECT_EQ(Rows(ExpectSameExport((cfb / "wine_ole32_history.qmr").u16string())), 3u);

#ifndef _WIN32  // the stores are named by their Linux paths
  const std::u16string history = dir.File("real.qmr");
  TCliEnvironment env = ProcessEnvironment(nullptr);
  TSystemContext context(env.LivePlatform());
  TVix_OE oe(context);
  TVix_Thunderbird thunderbird(context);
  TVix_WinMail winMail(context);  // every folder of .eml files
  const std::pair<TVix_EMails*, const char*> stores[] = {
      {&oe, "dbx"}, {&oe, "oe4"}, {&thunderbird, "mbox"}, {&winMail, ""}};
  size_t messages = 0;
  for (auto [collector, store] : stores) {
    collector->GetMailboxFolders(u"", test::RealDataPath(store).u16string());
    ASSERT_FALSE(collector->Folders().empty()) << store;
    for (const std::u16string& folder : TStringList(collector->Folders())) {
      collector->SetFolder(folder);
      messages += collector->RecordCount();
      collector->AppendToStorage(history, u"", ZCompressStream, ZDecompressStream);
    }
  }
  EXPECT_GT(messages, 80u);
  EXPECT_EQ(Rows(ExpectSameExport(history)), messages + 1);
  // Texts in many charsets: some folders did not fit Windows-1252 and were stored as UTF-8.
  size_t utf8 = 0, folders = 0;
  auto root = OpenStorageFile(history, kModeRead);
  for (std::u16string_view client : {kStorageOE, kStorageWinMail, kStorageThunderbird}) {
    auto storage = root->OpenSubStorage(client, kModeRead, false);
    for (size_t i = 0; i < storage->ElementCount(); ++i, ++folders) {
      TStoredLines lines;
      auto stream = storage->OpenStream(storage->GetElement(i).Name, kModeRead, false);
      ASSERT_EQ(lines.Load(*stream, ZDecompressStream), TLinesResult::lrComplete);
      utf8 += lines.Utf8();
    }
  }
  EXPECT_GT(utf8, 0u);
  EXPECT_LT(utf8, folders);
#endif
}

// `kolvane-cli export FILE` in the form, with more arguments.
int RunExport(const std::u16string& file, const TForm& form, std::vector<std::string> more,
              std::string& out) {
  TCliEnvironment env = ProcessEnvironment(nullptr);
  env.Locale = "C";
  std::vector<std::string> args = {"export", fs::path(file).string()};
  args.insert(args.end(), form.Args.begin(), form.Args.end());
  args.insert(args.end(), more.begin(), more.end());
  std::ostringstream text, err;
  const int status = RunCli(args, text, err, env);
  out = text.str();
  return status;
}

// The command line takes the line path with its options, to standard output and to a file.
TEST_F(ExportRows, TheCommandWritesTheRecordPathsBytes) {
  test::TOddStreams odd(3);
  std::vector<std::string> streams;
  for (int f = 0; f < 12; ++f) streams.push_back(odd.Stream(30));
  const std::u16string file = dir.File("cli.qmr");
  WriteHistory(file, streams);
  const std::string target = (dir.Path() / "out.txt").string();
  for (const TForm& form : Forms()) {
    SCOPED_TRACE(form.Name);
    const std::string reference = Exported(file, form, false);
    std::string out;
    ASSERT_EQ(RunExport(file, form, {}, out), 0);
    ExpectSameOutput(reference, out);
    ASSERT_EQ(RunExport(file, form, {"--out", target}, out), 0);
    std::ifstream written(target, std::ios::binary);
    ExpectSameOutput(reference, std::string(std::istreambuf_iterator<char>(written), {}));
  }
}

// A folder whose stream cannot be read fails the export on both paths once the rows of the
// folders before it are out. After a large folder it is read on the line path's second
// thread, whose failure comes through the same.
TEST_F(ExportRows, AFolderThatCannotBeReadFailsAfterTheRowsBeforeIt) {
  const std::u16string file = dir.File("damaged.qmr");
  std::string large;
  while (large.size() < (1 << 19)) large += "1;first;0;a subject of some length;s;n;e;41000\r\n";
  WriteHistory(file, {test::TOddStreams::Pack(large), test::TOddStreams::Pack("x"),
                      test::TOddStreams::Pack("2;third;0;s\r\n")});
  {  // the directory entry of the second folder's stream: its start sector far past the end
    std::fstream data(fs::path(file), std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(data), {});
    const size_t sector = size_t(1) << cfb::GetU16(bytes.data() + 30);
    size_t entry = (cfb::GetU32(bytes.data() + 48) + 1) * sector;
    while (entry + 128 <= bytes.size() &&
           Utf16LeToUtf16(bytes.substr(entry, 12)) != std::u16string(u"=Sum1", 6))
      entry += 128;
    ASSERT_LT(entry + 128, bytes.size());
    cfb::PutU32(bytes.data() + entry + 116, 0x00FFFFF0);
    data.clear();
    data.seekp(0);
    data.write(bytes.data(), std::streamsize(bytes.size()));
  }
  for (const TForm& form : Forms()) {
    SCOPED_TRACE(form.Name);
    std::string failure, lineFailure, out;
    const std::string reference = Exported(file, form, false, &failure);
    ExpectSameOutput(reference, Exported(file, form, true, &lineFailure));
    EXPECT_FALSE(failure.empty());
    EXPECT_EQ(lineFailure, failure);
    EXPECT_EQ(RunExport(file, form, {}, out), 1);
    ExpectSameOutput(reference, out);
    EXPECT_EQ(Rows(reference), Rows(large) + (form.Format == TOutputFormat::ofCsv     ? 1
                                              : form.Format == TOutputFormat::ofTable ? 2
                                                                                      : 0));
  }
}

}  // namespace
}  // namespace kv
