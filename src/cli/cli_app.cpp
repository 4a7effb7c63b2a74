#include "cli/cli_app.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>

#include "base/codepage.h"
#include "base/error.h"
#include "cli/args.h"
#include "cli/commands.h"
#include "cli/export_row.h"
#include "cli/export_rows.h"
#include "cli/folder_row.h"
#include "cli/history_file.h"
#include "cli/list_row.h"
#include "cli/new_file.h"
#include "cli/output_file.h"
#include "cli/row_writer.h"
#include "cli/utf8_path.h"
#include "core/emails.h"
#include "storage/data_file_layout.h"
#include "storage/storage_file.h"
#include "storage/zlib_codec.h"
#include "ui/client_pages.h"
#include "ui/sort.h"
#include "ui/viewer.h"

#ifndef KOLVANE_VERSION
#define KOLVANE_VERSION "0.0.0"
#endif

namespace kv {

namespace {

namespace fs = std::filesystem;

std::u16string U16(const std::string& utf8) { return Utf8ToUtf16(utf8); }
std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

TLocale LocaleOf(const TCliEnvironment& env) {
  if (!env.Locale.empty())
    if (auto l = TLocale::FromName(env.Locale)) return *l;
  return TLocale::FromEnvironment();
}

// A history file named on the command line must exist; whether it is a compound file is the
// load's affair (a foreign file loads with no folders, as the viewer does).
std::u16string ExistingFile(const TParsedCommand& cmd) {
  const std::string& path = cmd.Arguments.at(0);
  std::error_code ec;
  auto status = fs::status(PathFromUtf8(path), ec);
  if (ec || !fs::exists(status)) throw EKolvaneError(path + ": no such file");
  if (fs::is_directory(status)) throw EKolvaneError(path + ": is a folder, not a history file");
  return U16(path);
}

// The command goes on with what the file shows (nothing), but says once that the file is not
// what the user took it for.
void WarnUnlessHistoryFile(const TParsedCommand& cmd, std::u16string_view file, std::ostream& err) {
  if (IsHistoryFile(file)) return;
  err << "kolvane-cli: warning: " << cmd.Arguments.at(0)
      << " is not a history file; it holds no folders\n";
  err.flush();
}

// The collectors of a viewer loaded from a history file.
struct TLoadedFile {
  std::unique_ptr<TSystemContext> Context;
  std::unique_ptr<TViewerController> Viewer;
};

TLoadedFile LoadFile(const TCliEnvironment& env, std::u16string_view file) {
  TLoadedFile f;
  f.Context = std::make_unique<TSystemContext>(env.LivePlatform());
  f.Viewer =
      std::make_unique<TViewerController>(*f.Context, CreateClientPages(*f.Context), LocaleOf(env));
  // The collectors alone: a command-line load needs no page choice nor folder tree.
  for (size_t p = 0; p < f.Viewer->PageCount(); ++p)
    f.Viewer->CollectorOf(int(p)).LoadFromStorage(file, ZDecompressStream);
  return f;
}

bool PageSelected(const TClientPage& page, const TParsedCommand& cmd) {
  auto client = cmd.Value("client");
  return !client || *client == page.Key;
}

TWriterOptions WriterOptions(const TParsedCommand& cmd) {
  TWriterOptions options;
  options.Bom = cmd.Has("bom") || cmd.Has("spreadsheet");
  options.GuardFormulas = cmd.Has("spreadsheet");
  return options;
}

std::unique_ptr<TRowWriter> Writer(const TParsedCommand& cmd, std::ostream& out,
                                   std::vector<TColumn> columns) {
  return MakeRowWriter(OutputFormatOf(cmd), out, std::move(columns), WriterOptions(cmd));
}

// Whether a file can be made in the folder: tried, since permissions alone do not tell on every
// system (Windows' ACLs, read-only mounts).
bool CanWriteIn(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return false;
  std::random_device random;
  const fs::path probe = folder / PathFromUtf8(".kolvane-probe-" + std::to_string(random()));
  bool exists = false;
  std::string error;
  if (!CreateNewFile(probe, exists, error)) return false;
  fs::remove(probe, ec);
  return true;
}

fs::path DefaultDataFolder(const TCliEnvironment& env) {
  if (!env.ProgramFolder.empty() && CanWriteIn(PathFromUtf8(env.ProgramFolder)))
    return PathFromUtf8(env.ProgramFolder);
  return PathFromUtf8(env.DataFolder);
}

int Scan(const TParsedCommand& cmd, std::ostream& out, std::ostream& err,
         const TCliEnvironment& env) {
  auto root = cmd.Value("windows-root");
  std::unique_ptr<IPlatform> platform =
      root ? env.WindowsTreePlatform(*root, U16(cmd.Value("user").value_or("")))
           : env.LivePlatform();
  TSystemContext context(std::move(platform));
  TViewerController viewer(context, CreateClientPages(context), LocaleOf(env));

  fs::path file;
  if (auto o = cmd.Value("out")) {
    file = PathFromUtf8(*o);
  } else {
    const TStartupFacts& f = context.Facts();
    fs::path folder = DefaultDataFolder(env);
    std::error_code ec;
    fs::create_directories(folder, ec);
    file = folder / fs::path(DataFileName(f.MachineName, f.CurrentUserName));
  }
  viewer.SetDataFile(file.u16string());
  const bool progress = env.ProgressOnTerminal && !cmd.Has("quiet");
  if (progress)
    viewer.OnScanProgress = [&err](const TClientPage& page, std::u16string_view folder,
                                   size_t messages, size_t added) {
      err << "\r\x1b[K" << U8(page.Caption) << ": " << U8(folder) << " (" << messages
          << " messages, " << added << " new)" << std::flush;
    };
  viewer.Scan();  // nothing is shown: no folder is read again for a page
  if (progress) err << "\r\x1b[K" << std::flush;

  auto writer = MakeRowWriter(TOutputFormat::ofTable, out,
                              {{"client", u"Client"},
                               {"folders", u"Folders", TCellKind::ckNumber, true},
                               {"messages", u"Messages read", TCellKind::ckNumber, true},
                               {"added", u"Lines added", TCellKind::ckNumber, true}});
  for (const auto& r : viewer.LastScan())
    writer->WriteRow(std::vector<std::u16string>{r.Caption, UIntToStr(r.Folders),
                                                 UIntToStr(r.Messages), UIntToStr(r.LinesAdded)});
  writer->Finish();
  out << "History file: " << Utf8OfPath(file) << "\n";
  CheckStream(out);
  bool incomplete = false;
  for (const auto& r : viewer.LastScan())
    for (const auto& f : r.Failures) {
      err << "kolvane-cli: warning: " << U8(r.Caption) << " folder \"" << U8(f.Folder)
          << "\": " << U8(f.Reason) << " (" << f.MessagesRead << " messages read before it)\n";
      incomplete = true;
    }
  return incomplete ? kExitIncomplete : kExitSuccess;
}

int Folders(const TParsedCommand& cmd, std::ostream& out, std::ostream& err,
            const TCliEnvironment& env) {
  const std::u16string file = ExistingFile(cmd);
  TLoadedFile loaded = LoadFile(env, file);
  WarnUnlessHistoryFile(cmd, file, err);
  auto writer = Writer(cmd, out, FolderColumns());
  std::vector<std::u16string> cells;
  loaded.Viewer->ForEachFolder(
      {}, [&](const TClientPage&, TVix_EMails& c, const std::u16string& folder) {
        FolderCells(c.EID(), folder, c.RecordCount(), cells);
        writer->WriteRow(cells);
      });
  writer->Finish();
  return kExitSuccess;
}

int List(const TParsedCommand& cmd, std::ostream& out, std::ostream& err,
         const TCliEnvironment& env) {
  const std::u16string file = ExistingFile(cmd);
  if (auto c = cmd.Value("client"); c && !ParseClientName(*c))
    throw EUsageError("unknown client '" + *c + "' (oe, winmail, winlivemail, thunderbird)");
  TLoadedFile loaded = LoadFile(env, file);
  WarnUnlessHistoryFile(cmd, file, err);
  const TLocale& locale = loaded.Viewer->Locale();
  const std::u16string search = Trim(U16(cmd.Value("search").value_or("")));
  auto folderFilter = cmd.Value("folder");

  TRecordStore rows;  // the matches of every folder, held compactly
  const size_t folders = loaded.Viewer->CollectMatches(
      [&cmd](const TClientPage& page) { return PageSelected(page, cmd); },
      [&folderFilter](std::u16string_view folder) {
        return !folderFilter || SameTextAscii(folder, U16(*folderFilter));
      },
      search, rows);
  std::vector<int32_t> order(rows.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = int32_t(i);
  SortRows(
      order, [&rows](int32_t i) { return rows[size_t(i)]; }, SortStateOf(cmd), locale);

  const TOutputFormat format = OutputFormatOf(cmd);
  const bool withFolders = folders > 1;
  auto writer = Writer(cmd, out, ListColumnsFor(format, withFolders));
  std::vector<std::u16string> cells;
  for (int32_t i : order) {
    ListCells(rows[size_t(i)], locale, format, withFolders, cells);
    writer->WriteRow(cells);
  }
  writer->Finish();
  return kExitSuccess;
}

int Info(const TParsedCommand& cmd, std::ostream& out, std::ostream& err, const TCliEnvironment&) {
  const std::u16string file = ExistingFile(cmd);
  TStorageInfoRecord h;
  ReadStorageInfo(file, h);
  WarnUnlessHistoryFile(cmd, file, err);
  auto writer = Writer(cmd, out, {{"property", u"Property"}, {"value", u"Value"}});
  auto row = [&writer](std::u16string name, std::u16string value) {
    writer->WriteRow(std::vector<std::u16string>{std::move(name), std::move(value)});
  };
  row(u"file", h.FileName);
  row(u"title", h.Title);
  row(u"application", h.Application);
  row(u"copyright", h.Copyright);
  row(u"machine", h.Machine);
  row(u"os", h.OS);
  row(u"timestamp", IsoDateTime(h.Timestamp));
  row(u"comment", h.Comment);
  row(u"sif_version", IntToStr(h.SIFVersion));
  row(u"encrypted", h.Encrypted ? u"true" : u"false");
  row(u"logged_user", h.LoggedUser);
  row(u"logged_user_sid", h.LoggedUserSID);
  row(u"account", h.Account);
  row(u"os_name", h.OSName);
  row(u"os_edition", h.OSEdition);
  row(u"os_platform", IntToStr(h.OSPlatform));
  row(u"os_version", IntToStr(h.OSMajorVersion) + u"." + IntToStr(h.OSMinorversion) + u"." +
                         IntToStr(h.OSBuildNumber));
  row(u"os_csd", h.OSCSDVersion);
  row(u"session", h.Session);
  row(u"session_id", IntToStr(h.SessionID));
  row(u"ip", h.IP);
  writer->Finish();
  return kExitSuccess;
}

int Export(const TParsedCommand& cmd, std::ostream& out, std::ostream& err,
           const TCliEnvironment& env) {
  const std::u16string file = ExistingFile(cmd);
  TLoadedFile loaded = LoadFile(env, file);
  WarnUnlessHistoryFile(cmd, file, err);
  std::unique_ptr<TOutputFile> target;
  if (auto o = cmd.Value("out")) target = std::make_unique<TOutputFile>(PathFromUtf8(*o));
  std::ostream& stream = target ? target->Stream() : out;
  const TWriterOptions options = WriterOptions(cmd);
  auto writer = MakeRowWriter(OutputFormatOf(cmd), stream, ExportColumns(), options);
  ExportStoredLines(*loaded.Viewer, file, OutputFormatOf(cmd), options, stream, *writer);
  writer->Finish();
  if (target) target->Commit();
  return kExitSuccess;
}

}  // namespace

int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const TCliEnvironment& env) {
  const std::string program = "kolvane-cli";
  TArgParser parser = MakeCliParser(KOLVANE_VERSION);
  TParsedCommand cmd;
  try {
    cmd = parser.Parse(args);
    if (cmd.Version) {
      out << parser.VersionText();
      return kExitSuccess;
    }
    if (cmd.Command.empty() || cmd.Command == "help") {
      const bool asked = cmd.Help || cmd.Command == "help";
      if (!cmd.Arguments.empty() && parser.FindCommand(cmd.Arguments[0]))
        out << parser.CommandHelp(cmd.Arguments[0]);
      else
        (asked ? out : err) << parser.HelpText();
      return asked ? kExitSuccess : kExitUsage;
    }
    if (cmd.Help) {
      out << parser.CommandHelp(cmd.Command);
      return kExitSuccess;
    }
    CheckCommandOptions(cmd);
    if (cmd.Command == "scan") return Scan(cmd, out, err, env);
    if (cmd.Command == "folders") return Folders(cmd, out, err, env);
    if (cmd.Command == "list") return List(cmd, out, err, env);
    if (cmd.Command == "info") return Info(cmd, out, err, env);
    if (cmd.Command == "export") return Export(cmd, out, err, env);
    throw EUsageError("unknown command '" + cmd.Command + "'");
  } catch (const EUsageError& e) {
    return ReportUsageError(err, program, e);
  } catch (const std::exception& e) {
    out.flush();
    return ReportFailure(err, program, e.what());
  }
}

}  // namespace kv
