// Other readers agree with our files, and we with theirs: python3-olefile and libgsf's gsf
// list the files we write and read our summary values; we read a file gsf wrote that needs
// DIFAT sectors. Each check is skipped when its peer tool is not installed.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>

#include "base/codepage.h"
#include "storage/cfb/compound_file.h"
#include "storage/data_file_layout.h"
#include "storage/property_helpers.h"
#include "storage/storage_file.h"
#include "storage/storage_property_set.h"
#include "storage/storage_stream.h"
#include "storage/storage_test_util.h"
#include "storage/stream_lines.h"
#include "storage/zlib_codec.h"

namespace kv {
namespace {

using test::TScratchDir;

std::string Random(size_t size, unsigned seed) {
  std::string s(size, '\0');
  std::mt19937 rng(seed);
  for (char& c : s) c = char(rng());
  return s;
}

// Writes a data file the way the system does, and returns the streams' bytes by path.
std::map<std::string, std::string> WriteSampleFile(const std::u16string& path) {
  std::map<std::string, std::string> streams;
  auto root = OpenStorageFile(path, kModeReadWrite | STGM_CREATE);
  {
    auto set = root->OpenPropertySet(FMTID_SummaryInformation, kModeReadWrite, true);
    TPropertyStorage* ps = set->_IPropertyStorage();
    WriteStringPropertyID(ps, PIDSI_TITLE, u"Kolvane");
    WriteStringPropertyID(ps, PIDSI_APPNAME, u"Kolvane 1.0.0");
    WriteStringPropertyID(ps, PIDSI_AUTHOR, u"(c) Kolvane \u00e9quipe");
    WriteStringPropertyID(ps, PIDSI_COMMENTS, u"comment");
    WriteStringPropertyID(ps, PIDSI_KEYWORDS, u"Linux 6.1.0 Debian");
    WriteStringPropertyID(ps, PIDSI_SUBJECT, u"PC-01");
    WriteDateTimePropertyID(ps, PIDSI_CREATE_DTM, *EncodeDateTime({2013, 1, 20, 10, 30, 0, 250}));
    WriteStringProperty(ps, u"Username", u"anna");
    WriteIntegerProperty(ps, u"SIFVersion", 1);
  }
  TStringList lines;
  for (int i = 0; i < 500; ++i) lines.push_back(u"record;" + IntToStr(i) + u";Re: hello \u00e9");
  for (const char16_t* folder : {u"Inbox", u"Sent Items", u"Old!Mail"}) {
    auto stream = root->OpenStream(std::u16string(kStorageOE) + u"\\" + EncodeStreamName(folder),
                                   kModeReadWrite, true);
    SaveStreamLines(lines, *stream, ZCompressStream);
    streams["OE/" + Utf16ToUtf8(EncodeStreamName(folder))] = stream->ReadRest();
    lines.resize(lines.size() / 3);
  }
  auto big = root->OpenStream(u"Thunderbird\\Archives\\2012", kModeReadWrite, true);
  std::string bytes = Random(70000, 9);
  big->Write(bytes.data(), bytes.size());
  streams["Thunderbird/Archives/2012"] = bytes;
  return streams;
}

TEST(Interop, OlefileListsOurFilesAndReadsOurSummary) {
  if (!test::HaveOlefile()) GTEST_SKIP() << "python3-olefile is not installed";
  TScratchDir dir;
  auto streams = WriteSampleFile(dir.Path16("PC-01_ANNA.qmr"));
  std::string script = dir.Path("check.py");
  test::WriteFileBytes(script, R"(import hashlib, sys, olefile
ole = olefile.OleFileIO(sys.argv[1])
for parts in sorted(ole.listdir(streams=True, storages=False)):
    name = '/'.join(parts)
    if name.startswith('\x05'):
        continue
    print('S', name, ole.get_size(parts), hashlib.md5(ole.openstream(parts).read()).hexdigest())
m = ole.get_metadata()
for key in ('title', 'subject', 'author', 'keywords', 'comments', 'creating_application'):
    value = getattr(m, key)
    value = value.decode('utf-8') if isinstance(value, bytes) else value
    print('M', key, value.rstrip('\x00'))  # olefile keeps the terminating NUL of UTF-16 text
print('M create_time', m.create_time.isoformat())
)");
  std::string output;
  ASSERT_EQ(test::RunCommand("PYTHONIOENCODING=utf-8 /usr/bin/python3 " + script + " " +
                                 dir.Path("PC-01_ANNA.qmr"),
                             &output),
            0)
      << output;
  std::ostringstream expected;
  for (const auto& [name, bytes] : streams) {
    std::string md5;
    test::WriteFileBytes(dir.Path("stream.bin"), bytes);
    test::RunCommand("md5sum " + dir.Path("stream.bin") + " | cut -c1-32", &md5);
    expected << "S " << name << " " << bytes.size() << " " << md5;
  }
  expected
      << "M title Kolvane\nM subject PC-01\nM author (c) Kolvane \xC3\xA9quipe\n"
      << "M keywords Linux 6.1.0 Debian\nM comments comment\nM creating_application Kolvane 1.0.0\n"
      << "M create_time 2013-01-20T10:30:00.250000\n";
  EXPECT_EQ(output, expected.str());
}

TEST(Interop, OlefileReadsOurFileThatNeedsDifatSectors) {
  if (!test::HaveOlefile()) GTEST_SKIP() << "python3-olefile is not installed";
  TScratchDir dir;
  std::string big = Random(9 << 20, 4);
  {
    auto root = OpenStorageFile(dir.Path16("big.qmr"), kModeReadWrite | STGM_CREATE);
    root->OpenStream(u"OE\\Big", kModeReadWrite, true)->Write(big.data(), big.size());
    root->OpenStream(u"OE\\Small", kModeReadWrite, true)->Write("small", 5);
  }
  test::WriteFileBytes(dir.Path("big.bin"), big);
  std::string expected, output;
  test::RunCommand("md5sum " + dir.Path("big.bin") + " | cut -c1-32", &expected);
  std::string command =
      "/usr/bin/python3 -c \"import sys, hashlib, olefile; o = olefile.OleFileIO(sys.argv[1]); "
      "print(o.get_size('OE/Big'), o.openstream('OE/Small').read().decode()); "
      "print(hashlib.md5(o.openstream('OE/Big').read()).hexdigest())\" " +
      dir.Path("big.qmr");
  ASSERT_EQ(test::RunCommand(command, &output), 0);
  EXPECT_EQ(output, std::to_string(big.size()) + " small\n" + expected);
}

TEST(Interop, GsfListsOurFilesAndCatsTheirStreams) {
  if (!test::HaveGsf()) GTEST_SKIP() << "gsf (libgsf-bin) is not installed";
  TScratchDir dir;
  auto streams = WriteSampleFile(dir.Path16("data.qmr"));
  std::string listing;
  ASSERT_EQ(test::RunCommand("gsf list " + dir.Path("data.qmr"), &listing), 0);
  // Lines read "f  <date> <time>  <size> <path>" for streams, "d ... 0 <path>" for storages.
  std::map<std::string, char> listed;
  std::istringstream in(listing);
  for (std::string line; std::getline(in, line);) {
    if (line.size() < 3 || (line[0] != 'f' && line[0] != 'd') || line[1] != ' ') continue;
    for (const std::string& known :
         {std::string("OE"), std::string("Thunderbird"), std::string("Thunderbird/Archives")}) {
      if (line.size() > known.size() &&
          line.compare(line.size() - known.size() - 1, std::string::npos, " " + known) == 0) {
        listed[known] = line[0];
      }
    }
  }
  for (const auto& [name, bytes] : streams) {
    EXPECT_NE(listing.find(" " + std::to_string(bytes.size()) + " " + name), std::string::npos)
        << name << "\n"
        << listing;
    std::string cat;
    ASSERT_EQ(test::RunCommand("gsf cat " + dir.Path("data.qmr") + " '" + name + "'", &cat), 0);
    EXPECT_EQ(cat, bytes) << name;
  }
  for (const char* storage : {"OE", "Thunderbird", "Thunderbird/Archives"}) {
    EXPECT_EQ(listed[storage], 'd') << storage << "\n" << listing;
  }
}

TEST(Interop, WeReadAFileOfGsfThatNeedsDifatSectors) {
  if (!test::HaveGsf()) GTEST_SKIP() << "gsf (libgsf-bin) is not installed";
  TScratchDir dir;
  std::map<std::string, std::string> files = {{"big.bin", Random(8 << 20, 1)},
                                              {"small.txt", "small file\n"},
                                              {"sub/edge.bin", Random(4096, 2)},
                                              {"sub/mini.bin", Random(4095, 3)}};
  test::RunCommand("mkdir -p " + dir.Path("tree/sub"));
  for (const auto& [name, bytes] : files) test::WriteFileBytes(dir.Path("tree/" + name), bytes);
  ASSERT_EQ(test::RunCommand("gsf createole " + dir.Path("big.ole") + " " + dir.Path("tree") +
                             " >/dev/null 2>&1"),
            0);
  std::string header = test::ReadFileBytes(dir.Path("big.ole")).substr(0, 512);
  ASSERT_GT(uint8_t(header[72]) + uint8_t(header[73]), 0) << "gsf wrote no DIFAT sector";
  auto file = cfb::TCompoundFile::OpenForReading(dir.Path16("big.ole"));
  uint32_t tree = file->Find(cfb::TCompoundFile::kRoot, u"tree");
  ASSERT_NE(tree, cfb::kNoStream);
  for (const auto& [name, bytes] : files) {
    uint32_t storage = tree;
    std::string leaf = name;
    if (name.rfind("sub/", 0) == 0) {
      storage = file->Find(tree, u"sub");
      leaf = name.substr(4);
    }
    uint32_t id = file->Find(storage, Utf8ToUtf16(leaf));
    ASSERT_NE(id, cfb::kNoStream) << name;
    EXPECT_TRUE(file->ReadWholeStream(id) == bytes) << name;
  }
}

}  // namespace
}  // namespace kv
