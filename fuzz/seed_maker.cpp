// Makes the inputs the fuzz programs start from (scripts/fuzz.sh runs it):
//
//   kolvane_fuzz_seeds builders OUT
//     writes OUT/<target>/ for every fuzz program: files made by the fixture builders, by our
//     compound-file engine and by our property-set writer, each framed the way its program
//     reads an input. scripts/fuzz.sh --refresh-seeds fuzzes from these alone and keeps what
//     -merge=1 keeps as fuzz/seeds/.
//   kolvane_fuzz_seeds property-sets OUT PATH...
//     writes every property-set stream (a name that begins with 0x05) of every compound file
//     at or below the PATHs to OUT, read in place through our engine; the property-set program
//     takes such a stream, not a whole file. Files that are no compound file are passed over.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/codepage.h"
#include "base/error.h"
#include "storage/cfb/compound_file.h"
#include "storage/cfb/property_set.h"
#include "storage/property_storage.h"
#include "support/dbx_builder.h"
#include "support/eml_builder.h"
#include "support/hive_builder.h"
#include "support/mbox_builder.h"
#include "support/mbx_builder.h"

namespace fs = std::filesystem;
namespace fx = kv::fixtures;
using namespace kv::cfb;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// A file name of our own in the temporary folder, removed with the object.
struct TTempPath {
  fs::path Path = fs::temp_directory_path() /
                  ("kolvane-seed-" + std::to_string(::getpid()) + "-" + std::to_string(Next()));
  ~TTempPath() {
    std::error_code ec;
    fs::remove(Path, ec);
  }
  static int Next() {
    static int n = 0;
    return ++n;
  }
};

// ---- Outlook Express ----

fx::DbxMessage DbxMessage(int i, size_t textBytes, size_t blockSize) {
  fx::DbxMessage m;
  m.Subject = "Subject " + std::to_string(i);
  m.SenderName = "Ann Lee";
  m.SenderEmail = "ann@example.org";
  m.ReceiverName = "Bob";
  m.ReceiverEmail = "bob@example.org";
  m.MessageId = "<" + std::to_string(i) + "@example.org>";
  m.Server = "pop.example.org";
  m.Account = "Mail";
  m.Received = fx::FileTimeUtc(2010, 7, 1 + i % 28, 12, i % 60, 0);
  m.Priority = 1 + i % 5;
  m.Text = fx::EmlBuilder()
               .From("Ann Lee <ann@example.org>")
               .To("bob@example.org")
               .Subject(fx::EncodedWord("utf-8",
                                        "S\xC3\xBC"
                                        "bject " +
                                            std::to_string(i)))
               .Date(fx::MailDate(2010, 7, 1, 12, 0, 0, 120))
               .Body(std::string(textBytes, 'x') + "\r\n")
               .Build();
  m.BlockSize = blockSize;
  return m;
}

void DbxSeeds(const fs::path& out) {
  // The program's own small file, unpatched: an even first byte and a patch of nothing.
  WriteFile(out / "base_file", std::string(3, '\0'));
  WriteFile(out / "empty.dbx", fx::DbxBuilder().SetFolderName("Empty").Build().Bytes);
  {
    fx::DbxBuilder b;
    fx::DbxMessage m = DbxMessage(0, 40, 512);
    m.Flags = 0x01000080;  // too wide for the direct form
    m.Extra = {fx::DbxAttribute::Text(0x08, "Later subject"), fx::DbxAttribute::U32(0x07, 9),
               fx::DbxAttribute::FileTime(0x02, fx::FileTimeUtc(2011, 1, 2, 3, 4, 5)),
               fx::DbxAttribute::Direct(0x84, 7)};
    b.Add(m);
    WriteFile(out / "one_message.dbx", b.Build().Bytes);
  }
  {
    fx::DbxBuilder b;
    b.SetFolderName("Deep").SetNodeCapacity(2);
    for (int i = 0; i < 9; ++i) b.Add(DbxMessage(i, size_t(i) * 30, 64));
    WriteFile(out / "three_levels.dbx", b.Build().Bytes);
  }
  {
    fx::DbxBuilder b;
    b.Add(DbxMessage(1, 3000, 512));
    fx::DbxMessage bare;
    bare.Attributes = std::vector<fx::DbxAttribute>{fx::DbxAttribute::Raw(0x08, 0),
                                                    fx::DbxAttribute::Text(0x0D, "x@y")};
    b.Add(bare);
    b.SetEntryCount(3);
    WriteFile(out / "long_text_and_bare.dbx", b.Build().Bytes);
  }
}

fx::MbxMessage MbxMessage(int i, std::string body) {
  fx::MbxMessage m;
  m.Text = fx::EmlBuilder()
               .From("=?iso-8859-1?Q?J=F6rg?= <j@example.org>")
               .To("ann@example.org")
               .Subject("Message " + std::to_string(i))
               .Date(fx::MailDate(1999, 3, 1 + i, 10, 20, 30, -300))
               .Priority(std::to_string(1 + i % 5))
               .Body(std::move(body))
               .Build();
  m.Subject = "Message " + std::to_string(i);
  m.SenderEmail = "j@example.org";
  m.ReceiverEmail = "ann@example.org";
  m.Server = "pop";
  m.Account = "Mail";
  m.Received = fx::FileTimeUtc(1999, 3, 1 + i, 15, 20, 30);
  m.Flags = i % 2 ? 0x80 : 0x81;
  return m;
}

// A folder of its own as the .mbx program reads it: an odd byte, the .mbx length (16 bits),
// the .mbx file, the .idx file.
std::string MbxFraming(const fx::MbxFolder& f) {
  std::string in(1, '\x01');
  in += char(f.Mbx.size() & 0xFF);
  in += char((f.Mbx.size() >> 8) & 0xFF);
  return in + f.Mbx + f.Idx;
}

void MbxSeeds(const fs::path& out) {
  // The program's own small folder, unpatched, without and with its .idx file.
  WriteFile(out / "base_folder", std::string(4, '\0'));
  WriteFile(out / "base_folder_and_idx", std::string("\0\0\0\x01", 4));
  fx::MbxBuilder b;
  for (int i = 0; i < 3; ++i)
    b.Add(MbxMessage(i, "body " + std::string(size_t(i) * 50, 'y') + "\r\n"));
  const fx::MbxFolder plain = b.Build();
  WriteFile(out / "mbx_alone.mbx", plain.Mbx);
  WriteFile(out / "mbx_and_idx", MbxFraming(plain));

  fx::MbxBuilder odd;
  fx::MbxMessage padded = MbxMessage(0, "x\r\n");
  padded.Padding = 12;
  padded.TotalMsgSize = uint32_t(padded.Text.size() + 12);
  odd.Add(padded).Add(MbxMessage(1, "")).SetIndexGap(8).SetIndexCount(3).SetMessageCount(2);
  WriteFile(out / "padded_with_gaps", MbxFraming(odd.Build()));
}

// ---- Mail text ----

std::string RichMessage(const std::string& eol) {
  return fx::EmlBuilder()
      .From("\"Lee, Ann\" <ann@example.org>")
      .To("bob@example.org, =?koi8-r?B?" + fx::Base64("\xF0\xD2\xC9") + "?= <p@example.org>")
      .Cc("c@example.org")
      .Subject(fx::EncodedWord("windows-1250", "\x9aipka", 'Q') + " " +
               fx::EncodedWord("iso-2022-jp", "\x1b$B$3$s\x1b(B"))
      .Date(fx::MailDate(2013, 1, 5, 10, 20, 30, 60))
      .MessageId("<m1@example.org>")
      .Priority("1 (Highest)")
      .Field("Reply-To", "r@example.org")
      .Field("Sender", "s@example.org")
      .Field("Return-Path", "<bounce@example.org>")
      .Field("Content-Transfer-Encoding", "quoted-printable")
      .Field("X-Long", "folded\r\n\tover two lines")
      .MozillaStatus(0x0001)
      .MozillaStatus2(0x10000000)
      .LineEnd(eol)
      .Body("Hello" + eol)
      .Attach("a.txt", "text/plain", "attachment bytes")
      .Build();
}

void EmlSeeds(const fs::path& out) {
  WriteFile(out / "rich.eml", RichMessage("\r\n"));
  WriteFile(out / "rich_lf.eml", RichMessage("\n"));
  WriteFile(out / "plain.eml", fx::EmlBuilder().From("a@b").Subject("hi").Body("x\r\n").Build());
}

void HeaderSeeds(const fs::path& out) {
  const char* charsets[][2] = {{"utf-8", "\xC3\xA9t\xC3\xA9"},
                               {"iso-8859-1", "\xE9t\xE9"},
                               {"koi8-r", "\xF0\xD2\xC9"},
                               {"windows-1251", "\xCF\xF0\xE8"},
                               {"big5", "\xA4\xA4\xA4\xE5"},
                               {"gb2312", "\xD6\xD0\xCE\xC4"},
                               {"euc-kr", "\xC7\xD1\xB1\xDB"},
                               {"shift_jis", "\x93\xFA\x96\x7B"},
                               {"utf-7", "+AOk-t+AOk-"},
                               {"iso-2022-jp", "\x1b$BF|K\\\x1b(B"},
                               {"utf-16",
                                "\xFF\xFE"
                                "A\0"}};
  fx::EmlBuilder b;
  b.From("=?utf-8?Q?Ann_L=C3=A9e?= <ann@example.org>")
      .To("\"B, C\" <b@example.org>, d@example.org");
  for (const auto& c : charsets) {
    b.Field("Subject", fx::EncodedWord(c[0], c[1], 'B') + " " + fx::EncodedWord(c[0], c[1], 'Q'));
  }
  b.Field("Content-Type", "text/plain; charset=\"windows-1252\"")
      .Date("Mon, 5 Jan 2013 10:20:30 +0100 (CET)")
      .Priority("5 (Lowest)");
  WriteFile(out / "encoded_words.eml", b.Build());
  WriteFile(out / "raw_8bit.eml",
            "Content-Type: text/plain; charset=koi8-r\nSubject: \xF0\xD2\xC9\n"
            "From: \xF0 <a@b>\nDate: 5 Jan 13 10:20 EST\n\n");
  WriteFile(out / "rich.eml", RichMessage("\r\n"));
}

void MboxSeeds(const fs::path& out) {
  const std::string a = RichMessage("\n");
  const std::string b =
      fx::EmlBuilder()
          .From("b@example.org")
          .Subject("From here")
          .LineEnd("\n")
          .Body("From the start\n>From quoted\n\nFrom x Mon Jan  5 10:20:30 2013\n")
          .Build();
  WriteFile(out / "three.mbox", fx::MboxBuilder()
                                    .Add(a)
                                    .Add(b, "ann@example.org", "Mon Jan  5 10:20:30 2013")
                                    .Add("Subject: last\n\n", "-", "Tue Feb 10 01:02:03 2015")
                                    .Build());
  std::string crlf = fx::MboxBuilder().Add(RichMessage("\r\n")).Add(RichMessage("\r\n")).Build();
  WriteFile(out / "crlf.mbox", crlf);
  WriteFile(out / "profiles.ini",
            "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=default\nIsRelative=1\n"
            "Path=Profiles/abc.default\nDefault=1\n");
}

// ---- Compound files and property sets ----

TPropertySet EveryValueKind(uint16_t codePage) {
  TPropertySection s;
  s.FormatId = kFmtIdSummaryInformation;
  s.CodePage = codePage;
  const uint16_t integers[] = {VT_I2, VT_I4,  VT_BOOL, VT_UI2, VT_UI4,
                               VT_I8, VT_UI8, VT_INT,  VT_UINT};
  uint32_t n = 2;
  for (uint16_t type : integers) {
    TPropValue v;
    v.Type = type;
    v.Int = -2 - int64_t(n);
    s.Values[n++] = v;
  }
  s.Values[n++] = TPropValue::FromText(u"Wide text \u00e9\u4e2d");
  TPropValue narrow;
  narrow.Type = VT_LPSTR;
  narrow.Text = u"Narrow text \u00e9";
  s.Values[n++] = narrow;
  s.Values[n++] = TPropValue::FromFileTime(0x01CB1920A05B2000ULL);
  TPropValue empty;
  s.Values[n++] = empty;
  TPropValue clsid;  // a kind kept as stored: VT_CLSID
  clsid.Type = 72;
  clsid.Stored = std::string("\x48\0\0\0", 4) + std::string(16, '\x11');
  s.Values[n++] = clsid;
  TPropertySet set;
  set.Sections.push_back(s);
  return set;
}

void PropertySetSeeds(const fs::path& out) {
  WriteFile(out / "utf16.set", SerializePropertySet(EveryValueKind(kCodePageUtf16)));
  WriteFile(out / "cp1252.set", SerializePropertySet(EveryValueKind(1252)));
  WriteFile(out / "utf8.set", SerializePropertySet(EveryValueKind(65001)));

  // Shift_JIS text as stored bytes, a dictionary in that code page, no padding after the last.
  TPropertySet sjis = EveryValueKind(932);
  TPropValue text;
  text.Type = VT_LPSTR;
  text.Stored = std::string("\x1E\0\0\0\x05\0\0\0\x93\xFA\x96\x7B\0", 13);
  sjis.Sections[0].Values[40] = text;
  sjis.Sections[0].Names = {{40, u"Name"}, {41, u"Other"}};
  std::string bytes = SerializePropertySet(sjis);
  bytes.resize(bytes.size() - 3);
  WriteFile(out / "cp932_dictionary.set", bytes);

  // Two sections, the second named through a UTF-16 dictionary.
  TPropertySet two;
  TPropertySection doc;
  doc.FormatId = kFmtIdDocSummaryInformation;
  doc.Values[2] = TPropValue::FromText(u"Category");
  TPropertySection user;
  user.FormatId = ParseGuid("{D5CDD505-2E9C-101B-9397-08002B2CF9AE}");
  user.Names = {{2, u"Folder"}, {3, u"Count"}};
  user.Values[2] = TPropValue::FromText(u"Inbox");
  user.Values[3] = TPropValue::FromInt64(42);
  two.Sections = {doc, user};
  WriteFile(out / "two_sections.set", SerializePropertySet(two));

  // Property 0 holding a plain value instead of a dictionary; no code page.
  TPropertySet zero;
  TPropertySection z;
  z.HasCodePage = false;
  z.Values[0] = TPropValue::FromFileTime(1);
  z.Values[5] = TPropValue::FromText(u"x");
  zero.Sections.push_back(z);
  WriteFile(out / "value_as_property_0.set", SerializePropertySet(zero));
}

// A compound file written by our engine through `fill`, as bytes.
std::string CompoundFile(const std::function<void(const std::shared_ptr<TCompoundFile>&)>& fill) {
  TTempPath temp;
  {
    std::shared_ptr<TCompoundFile> file =
        TCompoundFile::OpenForWriting(kv::Utf8ToUtf16(temp.Path.string()));
    fill(file);
    file->Commit();
  }
  return ReadFile(temp.Path);
}

void WriteText(TCompoundFile& file, uint32_t storage, std::u16string_view name,
               const std::string& bytes) {
  uint32_t id = file.Create(storage, name, TEntryType::Stream);
  file.WriteStream(id, 0, bytes.data(), bytes.size());
}

void CfbSeeds(const fs::path& out) {
  WriteFile(out / "empty.cfb", CompoundFile([](const auto&) {}));
  // A history-file layout: the summary set with named values at the root, a storage per mail
  // client with a stream per folder (small ones in the mini stream, a large one in sectors).
  WriteFile(out / "history.cfb", CompoundFile([](const std::shared_ptr<TCompoundFile>& file) {
              {
                auto set = kv::TPropertyStorage::Create(file, TCompoundFile::kRoot,
                                                        kFmtIdSummaryInformation, TGuid{});
                set->Write(2, TPropValue::FromText(u"History"));
                set->Write(12, TPropValue::FromFileTime(0x01CB1920A05B2000ULL));
                set->WriteByName(u"Machine", TPropValue::FromText(u"ANNA-PC"), 0x14);
                set->WriteByName(u"Scans", TPropValue::FromInt64(3), 0x14);
                set->Flush();
              }
              for (std::u16string client : {u"OE", u"Thunderbird"}) {
                uint32_t storage = file->Create(TCompoundFile::kRoot, client, TEntryType::Storage);
                WriteText(*file, storage, u"Inbox", std::string(300, 'a'));
                WriteText(*file, storage, u"Sent", std::string(client == u"OE" ? 4200 : 90, 'b'));
                uint32_t inner = file->Create(storage, u"Local Folders", TEntryType::Storage);
                WriteText(*file, inner, u"Trash", "t");
              }
              auto doc = kv::TPropertyStorage::Create(file, TCompoundFile::kRoot,
                                                      kFmtIdDocSummaryInformation, TGuid{});
              doc->Write(2, TPropValue::FromText(u"Mail"));
              doc->Flush();
            }));
  // Enough entries for several directory sectors, and streams removed again (free entries).
  WriteFile(out / "many_entries.cfb", CompoundFile([](const std::shared_ptr<TCompoundFile>& file) {
              std::vector<uint32_t> ids;
              for (int i = 0; i < 24; ++i) {
                std::u16string name = u"s" + kv::Utf8ToUtf16(std::to_string(i));
                WriteText(*file, TCompoundFile::kRoot, name,
                          std::string(size_t(i) * 7, char('a' + i)));
              }
              for (int i = 0; i < 24; i += 5) {
                std::u16string name = u"s" + kv::Utf8ToUtf16(std::to_string(i));
                file->Destroy(TCompoundFile::kRoot, file->Find(TCompoundFile::kRoot, name));
              }
            }));
}

// ---- Registry hives ----

void HiveSeeds(const fs::path& out) {
  TTempPath temp;
  {
    kv::test::THiveBuilder b(temp.Path.string());
    b.SetText("Software\\Mozilla\\Thunderbird", "CurrentVersion", u"115.0 (en-US)");
    b.SetExpandText("Volatile Environment", "APPDATA", u"%USERPROFILE%\\AppData\\Roaming");
    b.SetMultiText("Multi", "Texts", {u"", u"one", u"\u00e4"});
    b.SetDWord("Identities", "Last User ID", 7);
    b.SetQWord("Identities", "Stamp", 1);
    b.SetRaw("Raw", "Binary", kv::test::kRegBinary, std::string(3000, '\x5A'));
    b.SetRaw("Raw", "Odd text", kv::test::kRegSz, std::string("a\0b", 3));
    for (int i = 0; i < 24; ++i) b.AddKey("Identities\\{" + std::to_string(i) + "}");
    b.Commit();
  }
  // First byte 0: the rest is a hive whole; 1: patches over an empty hive.
  WriteFile(out / "whole.hive", std::string(1, '\0') + ReadFile(temp.Path));
  WriteFile(out / "empty.hive", std::string(1, '\0') + kv::test::EmptyHiveBytes("A"));
  WriteFile(out / "patches", std::string("\x01\x00\x10\x41\x24\x10\xFF", 7));
}

// ---- Text inputs of the other programs ----

void TextSeeds(const fs::path& out) {
  WriteFile(out / "formats_date" / "zones", "Tue, 29 Feb 2000 23:59:60 -1200");
  WriteFile(out / "formats_date" / "obsolete", "5 Jan 13 10:20 EST");
  WriteFile(out / "formats_prefs" / "prefs.js",
            "// Mozilla User Preferences\n"
            "user_pref(\"mail.server.server1.directory\", \"/home/a/Mail/Local Folders\");\n"
            "user_pref(\"mail.root.none\", \"C:\\\\Users\\\\a \\\"b\\\"\\u00e4\");\n"
            "user_pref(\"mail.accountmanager.accounts\", \"account1,account2\");\n"
            "user_pref(\"mail.server.server1.port\", 995);\n"
            "user_pref(\"mail.server.server1.login_at_startup\", true);\n"
            "/* a comment */ pref(\"x\", -1);\n");
  auto args = [](std::initializer_list<std::string_view> words) {
    std::string joined;
    for (std::string_view w : words) (joined += w) += '\0';
    joined.pop_back();
    return joined;
  };
  WriteFile(out / "cli_args" / "list_sorted",
            args({"list", "file.qmr", "--sort", "-subject,date", "--format", "csv", "--quiet"}));
  WriteFile(out / "cli_args" / "scan_out", args({"scan", "--out=x.qmr", "dir", "--", "-y"}));
  WriteFile(
      out / "cli_writers" / "cells",
      kv::Utf16ToUtf16Le(u"\x05=cell\u00e9\u4e2d\uFFFF12\uFFFFtrue\uFFFF\"q\",\r\n\U0001F600"));
}

int Builders(const fs::path& out) {
  DbxSeeds(out / "formats_dbx");
  MbxSeeds(out / "formats_mbx");
  EmlSeeds(out / "collectors_eml");
  HeaderSeeds(out / "formats_header");
  MboxSeeds(out / "collectors_mbox");
  PropertySetSeeds(out / "storage_property_set");
  CfbSeeds(out / "storage_cfb_walk");
  HiveSeeds(out / "system_hive");
  TextSeeds(out);
  return 0;
}

void ExtractPropertySets(TCompoundFile& file, uint32_t storage, const fs::path& out,
                         const std::string& stem, int depth) {
  if (depth > 32) return;
  for (uint32_t id : file.Children(storage)) {
    const TDirEntry& e = file.Entry(id);
    if (e.IsStorage()) {
      ExtractPropertySets(file, id, out, stem, depth + 1);
    } else if (!e.Name.empty() && e.Name[0] == u'\x05') {
      WriteFile(out / (stem + "-" + std::to_string(id)), file.ReadWholeStream(id));
    }
  }
}

int PropertySets(const fs::path& out, const std::vector<fs::path>& paths) {
  int files = 0;
  auto one = [&](const fs::path& path) {
    try {
      auto file = TCompoundFile::OpenBytes(ReadFile(path));
      std::string stem = path.filename().string();
      ExtractPropertySets(*file, TCompoundFile::kRoot, out, std::to_string(++files) + "-" + stem,
                          0);
    } catch (const kv::EStorageError&) {  // no compound file, or a damaged one
    }
  };
  for (const fs::path& path : paths) {
    if (fs::is_directory(path)) {
      for (const auto& entry : fs::recursive_directory_iterator(path))
        if (entry.is_regular_file()) one(entry.path());
    } else if (fs::is_regular_file(path)) {
      one(path);
    }
  }
  fs::create_directories(out);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  try {
    if (mode == "builders" && argc == 3) return Builders(argv[2]);
    if (mode == "property-sets")
      return PropertySets(argv[2], std::vector<fs::path>(argv + 3, argv + argc));
  } catch (const std::exception& e) {
    std::cerr << "kolvane_fuzz_seeds: " << e.what() << "\n";
    return 1;
  }
  std::cerr << "usage: kolvane_fuzz_seeds builders OUT\n"
               "       kolvane_fuzz_seeds property-sets OUT PATH...\n";
  return 2;
}
