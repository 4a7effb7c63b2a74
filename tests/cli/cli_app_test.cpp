#include "cli/cli_app.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

#include "base/codepage.h"
#include "core/memory_collector.h"
#include "storage/data_file_layout.h"
#include "storage/property_helpers.h"
#include "storage/storage_file.h"
#include "storage/storage_property_set.h"
#include "storage/storage_stream.h"
#include "storage/structured_storage.h"
#include "storage/zlib_codec.h"
#include "support/realdata.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// The Linux build reads offline Windows trees such as the bundled samples; the Windows build
// refuses them (it scans the Windows it runs on).
#if KOLVANE_HAVE_OFFLINE_TREE
constexpr bool kOfflineTrees = true;
#else
constexpr bool kOfflineTrees = false;
#endif
#define REQUIRE_OFFLINE_TREES() \
  if (!kOfflineTrees) GTEST_SKIP() << "offline Windows trees are read by the Linux build only"

struct TRun {
  int Status;
  std::string Out, Err;
};

class Cli : public ::testing::Test {
 protected:
  test::TTempDir dir;
  TCliEnvironment env;

  void SetUp() override {
    env = ProcessEnvironment(nullptr);  // this build's platforms
    env.ProgramFolder = (dir.Path() / "program").string();
    env.DataFolder = (dir.Path() / "data").string();
    env.Locale = "en_US.UTF-8";
  }

  TRun Run(std::vector<std::string> args) {
    std::ostringstream out, err;
    int status = RunCli(args, out, err, env);
    return {status, out.str(), err.str()};
  }

  std::string Path(const std::string& name) const { return (dir.Path() / name).string(); }

  fs::path CopySamples() {
    fs::path tree = dir.Path() / "tree";
    fs::copy(fs::path(KOLVANE_SOURCE_DIR) / "samples", tree, fs::copy_options::recursive);
    return tree;
  }

  // Every folder stream of the file: "Storage\Stream" -> bytes.
  std::map<std::string, std::string> Streams(const std::string& file) {
    std::map<std::string, std::string> streams;
    auto root = OpenStorageFile(Utf8ToUtf16(file), kModeRead);
    for (size_t i = 0; i < root->ElementCount(); ++i) {
      const TElement& client = root->GetElement(i);
      if (client.Props.Type != 1) continue;
      auto storage = root->OpenSubStorage(client.Name, kModeRead, false);
      for (size_t j = 0; j < storage->ElementCount(); ++j) {
        auto s = storage->OpenStream(storage->GetElement(j).Name, kModeRead, false);
        streams[Utf16ToUtf8(client.Name + u"\\" + storage->GetElement(j).Name)] = s->ReadRest();
      }
    }
    return streams;
  }

  static size_t Lines(const std::string& text) {
    return size_t(std::count(text.begin(), text.end(), '\n'));
  }

  // Appends one folder of `client` (its storage named `storage`) to `file`, as a scan does.
  static void AppendFolder(const std::string& file, std::u16string storage, TEmailClient client,
                           const std::u16string& folder, const TMessages& messages) {
    auto context = test::FakeContext();
    test::TMemoryCollector c(*context, std::move(storage), client);
    c.Store[folder] = messages;
    c.GetMailboxFolders(u"", u"");
    c.SetFolder(folder);
    c.AppendToStorage(Utf8ToUtf16(file), u"", ZCompressStream, ZDecompressStream);
  }

  // A compound file with a summary property set holding one text property, and nothing else.
  static void WriteSummaryOnly(const std::string& file, uint32_t number, std::u16string_view name) {
    auto root = OpenStorageFile(Utf8ToUtf16(file), kModeReadWrite | STGM_CREATE);
    auto set = root->OpenPropertySet(FMTID_SummaryInformation, kModeReadWrite, true);
    if (name.empty())
      WriteStringPropertyID(set->_IPropertyStorage(), number, u"Laurence Ipsum");
    else
      WriteStringProperty(set->_IPropertyStorage(), name, u"anna");
  }
};

TEST_F(Cli, ScansTheSamplesAndAppendsOnlyWhatIsNew) {
  REQUIRE_OFFLINE_TREES();
  fs::path tree = CopySamples();
  const std::string file = Path("history.qmr");
  TRun first = Run({"scan", "--windows-root", tree.string(), "--out", file, "--quiet"});
  ASSERT_EQ(first.Status, 0) << first.Err;
  EXPECT_NE(first.Out.find("Mozilla Thunderbird"), std::string::npos);
  EXPECT_NE(first.Out.find("History file: " + file), std::string::npos);
  const auto streams = Streams(file);
  TRun exported = Run({"export", file, "--format", "jsonl"});
  ASSERT_EQ(exported.Status, 0) << exported.Err;
  const size_t messages = Lines(exported.Out);
  EXPECT_GT(messages, 30u);

  // Nothing new: no line added, every folder stream byte for byte the same.
  TRun second = Run({"scan", "--windows-root", tree.string(), "--out", file});
  ASSERT_EQ(second.Status, 0) << second.Err;
  EXPECT_EQ(Streams(file), streams);

  // Two new Thunderbird messages; the newest .eml of a Windows Mail folder deleted.
  fs::path tb =
      tree /
      "Users/Clara/AppData/Roaming/Thunderbird/Profiles/x7k2m9qa.default/Mail/Local Folders/Trash";
  {
    std::ofstream mbox(tb, std::ios::app | std::ios::binary);
    for (int i = 1; i <= 2; ++i)
      mbox << "From - Mon Dec  2 10:00:0" << i << " 2013\r\nX-Mozilla-Status: 0000\r\n"
           << "From: New <new@example.org>\r\n"
           << "Subject: New message " << i << "\r\nMessage-ID: <new" << i << "@example.org>\r\n"
           << "Date: Mon, 2 Dec 2013 10:00:0" << i << " +0100\r\n\r\nBody\r\n\r\n";
  }
  fs::path sent =
      tree / "Users/Clara/AppData/Local/Microsoft/Windows Mail/Local Folders/Sent Items";
  fs::path newest;
  for (auto& e : fs::directory_iterator(sent))
    if (newest.empty() || e.path() > newest) newest = e.path();
  fs::remove(newest);
  TRun third = Run({"scan", "--windows-root", tree.string(), "--out", file, "--format", "csv"});
  EXPECT_EQ(third.Status, 2) << "scan takes no --format";
  third = Run({"scan", "--windows-root", tree.string(), "--out", file});
  ASSERT_EQ(third.Status, 0) << third.Err;
  TRun after = Run({"export", file, "--format", "jsonl"});
  EXPECT_EQ(Lines(after.Out), messages + 2);

  // Every message once per folder: the folder counts add up to the export.
  TRun folders = Run({"folders", file, "--format", "csv"});
  ASSERT_EQ(folders.Status, 0);
  size_t total = 0;
  std::istringstream rows(folders.Out);
  std::string row;
  std::getline(rows, row);
  while (std::getline(rows, row)) total += std::stoul(row.substr(row.rfind(',') + 1));
  EXPECT_EQ(total, messages + 2);
}

TEST_F(Cli, ListSortsByTheViewersCollationAndSearchesLikeTheViewer) {
  auto context = test::FakeContext();
  test::TMemoryCollector c(*context);
  const char16_t* subjects[] = {u"cherry", u"apple", u"Banana", u"apple"};
  for (int i = 0; i < 4; ++i) {
    TMessageInfo m = test::Message(u"m" + IntToStr(i), 41000 + i);
    m.Subject = subjects[i];
    m.SenderName = i == 2 ? u"ALICE" : u"bob";
    c.Store[u"C:\\Store\\Inbox.dbx"].push_back(m);
  }
  c.GetMailboxFolders(u"", u"");
  c.SetFolder(u"C:\\Store\\Inbox.dbx");
  const std::string file = Path("h.qmr");
  c.AppendToStorage(Utf8ToUtf16(file), u"", ZCompressStream, ZDecompressStream);

  auto subjectsOf = [](const std::string& csv) {
    std::vector<std::string> out;
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
      // client,folder,priority,attachment,read,sender,subject,...
      size_t p = 0;
      for (int k = 0; k < 6; ++k) p = line.find(',', p) + 1;
      out.push_back(line.substr(p, line.find(',', p) - p));
    }
    return out;
  };
  TRun asc = Run({"list", file, "--sort", "subject", "--format", "csv"});
  ASSERT_EQ(asc.Status, 0) << asc.Err;
  EXPECT_EQ(subjectsOf(asc.Out), (std::vector<std::string>{"apple", "apple", "Banana", "cherry"}));
  TRun desc = Run({"list", file, "--sort", "subject:desc", "--format", "csv", "--client", "oe"});
  EXPECT_EQ(subjectsOf(desc.Out), (std::vector<std::string>{"cherry", "Banana", "apple", "apple"}));
  TRun found = Run({"list", file, "--search", "  alice ", "--format", "csv"});
  EXPECT_EQ(subjectsOf(found.Out), (std::vector<std::string>{"Banana"}));
  TRun none = Run({"list", file, "--client", "thunderbird", "--format", "csv"});
  EXPECT_EQ(Lines(none.Out), 1u);  // the header row only
}

TEST_F(Cli, BadUseGetsOneLineAndTheRightStatus) {
  TRun missing = Run({"folders", Path("missing.qmr")});
  EXPECT_EQ(missing.Status, 1);
  EXPECT_EQ(missing.Err.rfind("kolvane-cli: ", 0), 0u);
  EXPECT_EQ(Lines(missing.Err), 1u);

  { std::ofstream(Path("letter.txt")) << "Dear Anna"; }
  TRun foreign = Run({"folders", Path("letter.txt"), "--format", "csv"});
  EXPECT_EQ(foreign.Status, 0) << foreign.Err;
  EXPECT_EQ(Lines(foreign.Out), 1u);

  TRun refused = Run({"scan", "--windows-root", (fs::path(KOLVANE_SOURCE_DIR) / "samples").string(),
                      "--out", Path("letter.txt")});
  EXPECT_EQ(refused.Status, 1);
  std::ifstream letter(Path("letter.txt"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(letter), {}), "Dear Anna");

  EXPECT_EQ(Run({"list", Path("letter.txt"), "--bogus"}).Status, 2);
  EXPECT_EQ(Run({"frobnicate"}).Status, 2);
  EXPECT_EQ(Run({"list", Path("letter.txt"), "--client", "outlook2000"}).Status, 2);
  TRun notTree = Run({"scan", "--windows-root", dir.Path().string(), "--out", Path("x.qmr")});
  EXPECT_EQ(notTree.Status, 1);
  EXPECT_FALSE(fs::exists(Path("x.qmr")));
  EXPECT_EQ(Run({"--version"}).Status, 0);
  EXPECT_EQ(Run({"export", "--help"}).Status, 0);
}

TEST_F(Cli, ALockedDataFileFailsTheScanAndStaysUnchanged) {
  REQUIRE_OFFLINE_TREES();
  const std::string file = Path("locked.qmr");
  const std::string samples = (fs::path(KOLVANE_SOURCE_DIR) / "samples").string();
  ASSERT_EQ(Run({"scan", "--windows-root", samples, "--out", file}).Status, 0);
  std::ifstream before(file, std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(before), {});
  {
    auto holder = OpenStorageFile(Utf8ToUtf16(file), kModeReadWrite);
    TRun locked = Run({"scan", "--windows-root", samples, "--out", file});
    EXPECT_EQ(locked.Status, 1);
    EXPECT_EQ(Lines(locked.Err), 1u);
  }
  std::ifstream after(file, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), {}), bytes);
}

TEST_F(Cli, AFolderThatCannotBeReadGetsAWarningAndStatusThree) {
  REQUIRE_OFFLINE_TREES();
  fs::path tree = CopySamples();
  const fs::path oe = tree /
                      "Users/Clara/AppData/Local/Identities/{BB17E13B-2B69-4F33-8EF3-5CC51B3095F2}/"
                      "Microsoft/Outlook Express";
  {
    std::fstream dbx(oe / "Sent Items.dbx", std::ios::in | std::ios::out | std::ios::binary);
    dbx.seekp(4);
    dbx.write("\x01\x02\x03\x04", 4);  // the file-type id after the signature
  }
  const std::string file = Path("history.qmr");
  TRun scan = Run({"scan", "--windows-root", tree.string(), "--out", file, "--quiet"});
  EXPECT_EQ(scan.Status, 3);
  EXPECT_EQ(scan.Err,
            "kolvane-cli: warning: Outlook Express folder \"Sent Items\": File is not an Outlook "
            "Express 5/6 Message Database. (0 messages read before it)\n");
  // The folders before and after it are in the file; it is there with what was read of it.
  const auto streams = Streams(file);
  EXPECT_EQ(streams.at("OE\\Sent Items"), "");
  EXPECT_EQ(streams.count("OE\\Inbox"), 1u);
  EXPECT_EQ(streams.count("OE\\Deleted Items"), 1u);
  EXPECT_EQ(streams.count("Thunderbird\\Inbox"), 1u);
}

TEST_F(Cli, TheWindowsBuildRefusesOfflineTreesWithItsReason) {
  if (kOfflineTrees) GTEST_SKIP() << "this build reads offline trees";
  TRun refused = Run({"scan", "--windows-root", (fs::path(KOLVANE_SOURCE_DIR) / "samples").string(),
                      "--out", Path("x.qmr")});
  EXPECT_EQ(refused.Status, 1);
  EXPECT_EQ(Lines(refused.Err), 1u);
  EXPECT_NE(refused.Err.find("offline Windows trees (--windows-root) are read by the Linux build"),
            std::string::npos)
      << refused.Err;
  EXPECT_FALSE(fs::exists(Path("x.qmr")));
}

// A history file that Wine's ole32 wrote: its summary set leaves out the last value's padding.
TEST_F(Cli, InfoAndListReadAHistoryFileOfAnotherOleWriter) {
  const auto wine = test::RealDataPath("cfb/wine_ole32_history.qmr");
  KV_SKIP_WITHOUT_REAL_DATA(wine);
  TRun info = Run({"info", wine.string(), "--format", "csv"});
  ASSERT_EQ(info.Status, 0) << info.Err;
  EXPECT_NE(info.Out.find("machine,WINEHOST"), std::string::npos) << info.Out;
  EXPECT_NE(info.Out.find("timestamp,2023-03-15T12:00:00"), std::string::npos) << info.Out;
  TRun list = Run({"list", wine.string(), "--format", "csv"});
  ASSERT_EQ(list.Status, 0) << list.Err;
  EXPECT_EQ(Lines(list.Out), 3u) << list.Out;  // the header and two lines
  EXPECT_NE(list.Out.find("Written by ole32"), std::string::npos);
}

TEST_F(Cli, ScanWithoutOutWritesBesideTheProgramOrInTheDataFolder) {
  REQUIRE_OFFLINE_TREES();
  const std::string samples = (fs::path(KOLVANE_SOURCE_DIR) / "samples").string();
  fs::create_directories(env.ProgramFolder);
  TRun beside = Run({"scan", "--windows-root", samples});
  ASSERT_EQ(beside.Status, 0) << beside.Err;
  bool found = false;
  for (auto& e : fs::directory_iterator(env.ProgramFolder))
    found = found || e.path().extension() == ".qmr";
  EXPECT_TRUE(found);
  env.ProgramFolder = Path("no-such-folder");  // cannot take the file
  TRun data = Run({"scan", "--windows-root", samples});
  ASSERT_EQ(data.Status, 0) << data.Err;
  EXPECT_NE(data.Out.find(env.DataFolder), std::string::npos);
}

TEST_F(Cli, AFileThatIsNoHistoryFileGetsOneWarningAndShowsNothing) {
  std::ofstream(Path("letter.txt")) << "Dear Anna";
  std::ofstream(Path("empty.qmr")).flush();
  WriteSummaryOnly(Path("report.doc"), PIDSI_AUTHOR, {});  // another program's compound file
  for (const char* name : {"letter.txt", "empty.qmr", "report.doc"}) {
    const std::string file = Path(name);
    for (const char* command : {"folders", "list", "export", "info"}) {
      SCOPED_TRACE(std::string(name) + " " + command);
      TRun run = Run({command, file, "--format", "csv"});
      EXPECT_EQ(run.Status, 0);
      EXPECT_EQ(run.Err,
                "kolvane-cli: warning: " + file + " is not a history file; it holds no folders\n");
      if (std::string(command) != "info") {
        EXPECT_EQ(Lines(run.Out), 1u);  // the header row only
      }
    }
  }
  // History files say nothing: one without folders yet (only the summary a header writer
  // leaves, by the viewer's or a collector's writer), and one a scan appended to.
  WriteSummaryOnly(Path("new.qmr"), 0, u"Username");
  WriteSummaryOnly(Path("old.qmr"), 0, u"SIFVersion");
  AppendFolder(Path("scanned.qmr"), u"Thunderbird", TEmailClient::ecThunderbird, u"C:\\Mail\\Inbox",
               {test::Message(u"a", 41000)});
  for (const char* name : {"new.qmr", "old.qmr", "scanned.qmr"})
    for (const char* command : {"folders", "list", "export", "info"}) {
      SCOPED_TRACE(std::string(name) + " " + command);
      TRun run = Run({command, Path(name)});
      EXPECT_EQ(run.Status, 0);
      EXPECT_EQ(run.Err, "");
    }
}

TEST_F(Cli, ListOfSeveralFoldersNamesClientAndFolder) {
  const std::string file = Path("h.qmr");
  AppendFolder(file, u"OE", TEmailClient::ecOutlookExpress, u"C:\\Store\\Inbox.dbx",
               {test::Message(u"oe-in", 41000)});
  AppendFolder(file, u"OE", TEmailClient::ecOutlookExpress, u"C:\\Store\\Sent.dbx",
               {test::Message(u"oe-sent", 41001)});
  AppendFolder(file, u"Thunderbird", TEmailClient::ecThunderbird, u"C:\\Mail\\Inbox",
               {test::Message(u"tb-in", 41002)});
  auto header = [](const std::string& out) { return out.substr(0, out.find('\n')); };

  TRun all = Run({"list", file, "--sort", "received:asc"});
  ASSERT_EQ(all.Status, 0) << all.Err;
  EXPECT_EQ(header(all.Out).rfind("Client", 0), 0u) << all.Out;
  EXPECT_NE(header(all.Out).find("Folder"), std::string::npos);
  std::istringstream rows(all.Out);
  std::string line;
  std::vector<std::string> origins;
  while (std::getline(rows, line)) {
    if (line.find("About") == std::string::npos) continue;
    std::istringstream cells(line);
    std::string client, folder;
    cells >> client >> folder;
    origins.push_back(client + " " + folder);
  }
  EXPECT_EQ(origins, (std::vector<std::string>{"oe Inbox", "oe Sent", "thunderbird Inbox"}))
      << all.Out;
  // Inbox names a folder of two clients: still several folders.
  EXPECT_EQ(header(Run({"list", file, "--folder", "Inbox"}).Out).rfind("Client", 0), 0u);

  // One folder: the table as the viewer shows it; the data forms keep both columns.
  TRun one = Run({"list", file, "--client", "oe", "--folder", "Sent"});
  EXPECT_EQ(header(one.Out).find("Client"), std::string::npos) << one.Out;
  EXPECT_EQ(Lines(one.Out), 3u);  // header, rule, one row
  TRun csv = Run({"list", file, "--client", "oe", "--folder", "Sent", "--format", "csv"});
  EXPECT_EQ(header(csv.Out).rfind("client,folder,priority,", 0), 0u);
  EXPECT_EQ(csv.Out.substr(csv.Out.find('\n') + 1, 8), "oe,Sent,");
  TRun jsonl = Run({"list", file, "--folder", "Sent", "--format", "jsonl"});
  EXPECT_EQ(jsonl.Out.rfind("{\"client\":\"oe\",\"folder\":\"Sent\",", 0), 0u) << jsonl.Out;
}

TEST_F(Cli, ExportForSpreadsheetsGuardsFormulasWhilePlainCsvKeepsEveryText) {
  const std::string file = Path("h.qmr");
  TMessageInfo attack = test::Message(u"m1", 41000);
  attack.Subject = u"=HYPERLINK(\"http://evil.example/\",\"Invoice\")";
  attack.SenderName = u"@admin";
  TMessageInfo sum = test::Message(u"m2", 41001);
  sum.Subject = u"-2+3";
  TMessageInfo plain = test::Message(u"m3", 41002);
  plain.Subject = u"a = b";
  AppendFolder(file, u"OE", TEmailClient::ecOutlookExpress, u"C:\\Store\\Inbox.dbx",
               {attack, sum, plain});
  const std::string hyperlink = "\"=HYPERLINK(\"\"http://evil.example/\"\",\"\"Invoice\"\")\"";

  TRun exact = Run({"export", file});
  ASSERT_EQ(exact.Status, 0) << exact.Err;
  EXPECT_NE(exact.Out.find("," + hyperlink + ","), std::string::npos) << exact.Out;
  EXPECT_NE(exact.Out.find(",@admin,"), std::string::npos);
  EXPECT_NE(exact.Out.find(",-2+3,"), std::string::npos);
  TRun bom = Run({"export", file, "--bom"});
  EXPECT_EQ(bom.Out, "\xEF\xBB\xBF" + exact.Out);

  TRun guarded = Run({"export", file, "--spreadsheet"});
  ASSERT_EQ(guarded.Status, 0) << guarded.Err;
  EXPECT_EQ(guarded.Out.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(guarded.Out.find(",\"'=HYPERLINK(\"\"http"), std::string::npos) << guarded.Out;
  EXPECT_NE(guarded.Out.find(",'@admin,"), std::string::npos);
  EXPECT_NE(guarded.Out.find(",'-2+3,"), std::string::npos);
  EXPECT_NE(guarded.Out.find(",a = b,"), std::string::npos);
  EXPECT_EQ(guarded.Out.find(",=HYPERLINK"), std::string::npos);
  EXPECT_EQ(guarded.Out.size(), bom.Out.size() + 3);  // three texts, one "'" each

  ASSERT_EQ(Run({"export", file, "--spreadsheet", "--out", Path("h.csv")}).Status, 0);
  std::ifstream written(Path("h.csv"), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), guarded.Out);
  EXPECT_EQ(Run({"export", file, "--spreadsheet", "--format", "jsonl"}).Status, 2);
}

}  // namespace
}  // namespace kv
