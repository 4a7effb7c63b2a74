// Outlook Express: two identities below Clara's local application data. Clara's identity holds
// Inbox, Sent Items and Deleted Items and the folder list (Folders.dbx, a database of folders,
// not of messages); the club's identity holds Inbox (a small-node index of several levels), an
// empty Drafts folder and an Outlook Express 4 folder (Archiv.mbx with its .idx) brought along
// from an older installation.
#include <algorithm>

#include "sample_text.h"
#include "sample_tree.h"
#include "support/dbx_builder.h"
#include "support/eml_builder.h"
#include "support/mbx_builder.h"

namespace kv::samples {
namespace {

struct TOEMail {
  std::string Subject;  // UTF-8; stored in the index as Windows-1252
  std::string SenderName, SenderEmail;
  std::string ReceiverName, ReceiverEmail;
  TStamp Utc;
  uint32_t Flags = 0x80;
  uint32_t Priority = 3;
  std::string Account = "pop.example.net";
  std::string Server = "pop.example.net";
  std::string Body;
  std::vector<TMail::TFile> Files;
};

std::string Cp1252(std::string_view utf8) { return EncodeText("windows-1252", utf8); }

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string HeaderText(std::string_view utf8) {
  return IsAscii(utf8) ? std::string(utf8) : Word("windows-1252", utf8, 'Q');
}

std::string Mailbox(std::string_view name, std::string_view email) {
  if (name.empty()) return std::string(email);
  return HeaderText(name) + " <" + std::string(email) + ">";
}

std::string MessageIdOf(const TOEMail& m, uint32_t n) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "<%04d%02d%02d%02d%02d%02d.%u@", m.Utc.Year, m.Utc.Month,
                m.Utc.Day, m.Utc.Hour, m.Utc.Minute, m.Utc.Second, unsigned(n));
  const std::string& email = m.SenderEmail;
  return buf + email.substr(email.find('@') + 1) + ">";
}

// The stored message text: CR LF line ends, as Outlook Express keeps it.
std::string TextOf(const TOEMail& m, const std::string& messageId) {
  fixtures::EmlBuilder b;
  b.From(Mailbox(m.SenderName, m.SenderEmail));
  // The index keeps receivers separated by "; "; the header by ", ".
  std::string to = m.ReceiverEmail;
  for (size_t p = 0; (p = to.find(';', p)) != std::string::npos;) to[p] = ',';
  b.To(m.ReceiverName.find(';') == std::string::npos ? Mailbox(m.ReceiverName, to) : to);
  b.Subject(HeaderText(m.Subject));
  b.Date(fixtures::MailDate(m.Utc.Year, m.Utc.Month, m.Utc.Day, m.Utc.Hour, m.Utc.Minute,
                            m.Utc.Second, 0));
  b.MessageId(messageId);
  b.Priority(m.Priority == 1 ? "1" : m.Priority == 5 ? "5" : "3");
  b.Field("X-Mailer", "Microsoft Outlook Express 6.00.2900.5512");
  if (m.Files.empty()) {
    b.Field("MIME-Version", "1.0");
    b.Field("Content-Type", "text/plain; charset=\"Windows-1252\"");
    b.Field("Content-Transfer-Encoding", "8bit");
  }
  b.Body(Crlf(Cp1252(m.Body)));
  for (const TMail::TFile& f : m.Files) b.Attach(f.Name, f.Type, f.Bytes);
  return b.Build();
}

std::string Commas(std::string s) {
  std::replace(s.begin(), s.end(), ';', ',');
  return s;
}

TSampleMessage Expected(const TOEMail& m, const std::string& folder, std::string id,
                        uint32_t size) {
  TSampleMessage x;
  x.Client = kClientOE;
  x.Folder = folder;
  x.Subject = m.Subject;
  x.SenderName = m.SenderName;
  x.SenderEmail = m.SenderEmail;
  x.ReceiverName = Commas(m.ReceiverName);
  x.ReceiverEmail = Commas(m.ReceiverEmail);
  x.Date = UtcStamp(m.Utc.Year, m.Utc.Month, m.Utc.Day, m.Utc.Hour, m.Utc.Minute, m.Utc.Second);
  x.ID = std::move(id);
  x.Account = m.Account;
  x.Server = m.Server;
  x.Flags = m.Flags;
  x.Priority = m.Priority;
  x.Size = size;
  return x;
}

std::string StoreOf(int identity) {
  return std::string(kLocalAppData) + "\\Identities\\" + IdentityFolder(identity) +
         "\\Microsoft\\Outlook Express";
}

// One .dbx folder file of messages, listed in the manifest with them.
void WriteDbx(TSampleTree& tree, const std::string& path, const std::string& folderName,
              const std::vector<TOEMail>& mails, size_t nodeCapacity = 51) {
  fixtures::DbxBuilder b;
  b.SetFolderName(folderName).SetNodeCapacity(nodeCapacity);
  tree.AddFolder({std::string(kClientOE), path, folderName, true, 0});
  uint32_t n = 0;
  for (const TOEMail& m : mails) {
    fixtures::DbxMessage d;
    d.MessageId = MessageIdOf(m, ++n);
    d.Text = TextOf(m, d.MessageId);
    d.Subject = Cp1252(m.Subject);
    d.SenderName = Cp1252(m.SenderName);
    d.SenderEmail = m.SenderEmail;
    d.ReceiverName = Cp1252(m.ReceiverName);
    d.ReceiverEmail = m.ReceiverEmail;
    d.Account = m.Account;
    d.Server = m.Server;
    d.Received = FileTimeOf(m.Utc);
    d.Flags = m.Flags;
    d.Priority = m.Priority;
    tree.AddMessage(Expected(m, path, d.MessageId, uint32_t(d.Text.size())));
    b.Add(std::move(d));
  }
  tree.Write(path, b.Build().Bytes);
}

const char* kClara = "Clara Berg";
const char* kClaraMail = "clara.berg@example.net";

void WriteClara(TSampleTree& tree) {
  const std::string store = StoreOf(0);
  std::vector<TOEMail> inbox = {
      {.Subject = "Willkommen bei Outlook Express 6",
       .SenderName = "Microsoft Outlook Express-Team",
       .SenderEmail = "msoe@microsoft.com",
       .ReceiverName = "Neuer Outlook Express-Benutzer",
       .ReceiverEmail = "msoe@microsoft.com",
       .Utc = {2008, 11, 3, 8, 15, 0},
       .Flags = 0x80,
       .Priority = 3,
       .Account = "",
       .Server = "",
       .Body = "Outlook Express ist Ihr Programm für E-Mail und Newsgroups.\n"},
      {.Subject = "Grüße aus München",
       .SenderName = "Jörg Häußler",
       .SenderEmail = "joerg.haeussler@example.de",
       .ReceiverName = kClara,
       .ReceiverEmail = kClaraMail,
       .Utc = {2009, 2, 14, 17, 42, 5},
       .Flags = 0x80,
       .Body = "Liebe Clara,\nviele Grüße vom Oktoberfest-Gelände!\nJörg\n"},
      {.Subject = "Rechnung Nr. 4711 – bitte prüfen",
       .SenderName = "Buchhaltung Weber & Söhne",
       .SenderEmail = "rechnung@weber-soehne.example",
       .ReceiverName = kClara,
       .ReceiverEmail = kClaraMail,
       .Utc = {2009, 3, 2, 9, 5, 31},
       .Flags = 0x4080,
       .Priority = 1,
       .Body = "Sehr geehrte Frau Berg,\nanbei die Rechnung.\n",
       .Files = {{"Rechnung-4711.pdf", "application/pdf", AttachmentBytes("pdf", 1800, 1)}}},
      {.Subject = "Café on Saturday?",
       .SenderName = "Émilie Durand",
       .SenderEmail = "emilie.durand@example.fr",
       .ReceiverName = kClara + std::string("; Tom Fischer"),
       .ReceiverEmail = std::string(kClaraMail) + "; tom.fischer@example.net",
       .Utc = {2009, 6, 20, 11, 0, 12},
       .Flags = 0,
       .Priority = 3,
       .Body = "Shall we meet at the café at 3?\n"},
      {.Subject = "Newsletter Juli",
       .SenderName = "Stadtbibliothek",
       .SenderEmail = "newsletter@bibliothek.example",
       .ReceiverName = "",
       .ReceiverEmail = kClaraMail,
       .Utc = {2009, 7, 1, 6, 30, 0},
       .Flags = 0,
       .Priority = 5,
       .Body = "Neue Bücher im Juli.\n"},
  };
  WriteDbx(tree, store + "\\Inbox.dbx", "Inbox", inbox);

  std::vector<TOEMail> sent = {
      {.Subject = "AW: Grüße aus München",
       .SenderName = kClara,
       .SenderEmail = kClaraMail,
       .ReceiverName = "Jörg Häußler",
       .ReceiverEmail = "joerg.haeussler@example.de",
       .Utc = {2009, 2, 15, 10, 3, 44},
       .Flags = 0x80,
       .Account = "smtp.example.net",
       .Server = "",
       .Body = "Danke Jörg!\n"},
      {.Subject = "Photos from the trip",
       .SenderName = kClara,
       .SenderEmail = kClaraMail,
       .ReceiverName = "Émilie Durand",
       .ReceiverEmail = "emilie.durand@example.fr",
       .Utc = {2009, 6, 22, 19, 27, 8},
       .Flags = 0x4080,
       .Account = "smtp.example.net",
       .Server = "",
       .Body = "Here are two of the photos.\n",
       .Files = {{"lake.png", "image/png", AttachmentBytes("png", 1200, 2)},
                 {"hills.png", "image/png", AttachmentBytes("png", 900, 3)}}},
  };
  WriteDbx(tree, store + "\\Sent Items.dbx", "Sent Items", sent);

  std::vector<TOEMail> deleted = {
      {.Subject = "You have won!!!",
       .SenderName = "Lottery Office",
       .SenderEmail = "winner@lottery.example",
       .ReceiverName = "",
       .ReceiverEmail = kClaraMail,
       .Utc = {2009, 5, 5, 23, 59, 59},
       .Flags = 0x80,
       .Priority = 1,
       .Body = "Send us your bank details.\n"},
  };
  WriteDbx(tree, store + "\\Deleted Items.dbx", "Deleted Items", deleted);

  // The folder list: a database of folders, which the message reader refuses.
  fixtures::DbxBuilder folders;
  folders.SetFolderName("Folders");
  std::string bytes = folders.Build().Bytes;
  fixtures::PutU32(bytes, 4, 0x6F74FDC6);
  const std::string path = store + "\\Folders.dbx";
  tree.Write(path, bytes);
  tree.AddFolder({std::string(kClientOE), path, "Folders", true, 0});
}

void WriteClub(TSampleTree& tree) {
  const std::string store = StoreOf(1);
  const char* club = "vorstand@tsv-example.de";
  std::vector<TOEMail> inbox = {
      {.Subject = "Mitgliederversammlung 2009",
       .SenderName = "Kassenwart",
       .SenderEmail = "kasse@tsv-example.de",
       .ReceiverName = "Vorstand",
       .ReceiverEmail = club,
       .Utc = {2009, 1, 10, 14, 0, 0},
       .Flags = 0x80,
       .Account = "mail.tsv-example.de",
       .Server = "mail.tsv-example.de",
       .Body = "Termin: 7. März, 19 Uhr.\n"},
      {.Subject = "Trikots für die C-Jugend",
       .SenderName = "Trainer Kowalski",
       .SenderEmail = "kowalski@tsv-example.de",
       .ReceiverName = "Vorstand",
       .ReceiverEmail = club,
       .Utc = {2009, 4, 18, 20, 12, 40},
       .Flags = 0x4000,
       .Priority = 1,
       .Account = "mail.tsv-example.de",
       .Server = "mail.tsv-example.de",
       .Body = "Angebot im Anhang.\n",
       .Files = {{"Angebot.pdf", "application/pdf", AttachmentBytes("pdf", 1500, 4)}}},
      {.Subject = "Platzbelegung Sommer",
       .SenderName = "Gemeinde",
       .SenderEmail = "sport@gemeinde.example",
       .ReceiverName = "Vorstand",
       .ReceiverEmail = club,
       .Utc = {2009, 5, 28, 7, 45, 3},
       .Flags = 0x80080,
       .Priority = 5,
       .Account = "mail.tsv-example.de",
       .Server = "mail.tsv-example.de",
       .Body = "Der Platz ist dienstags belegt.\n"},
  };
  // Two values per index node: the index is a tree of two levels.
  WriteDbx(tree, store + "\\Inbox.dbx", "Inbox", inbox, 2);
  WriteDbx(tree, store + "\\Drafts.dbx", "Drafts", {});

  // The Outlook Express 4 folder, with its index.
  std::vector<TOEMail> archive = {
      {.Subject = "Satzung (Entwurf)",
       .SenderName = "",
       .SenderEmail = "schriftfuehrer@tsv-example.de",
       .ReceiverName = "",
       .ReceiverEmail = club,
       .Utc = {1999, 9, 12, 16, 20, 0},
       .Flags = 0x80,
       .Account = "mail.tsv-example.de",
       .Server = "mail.tsv-example.de",
       .Body = "Anbei der Entwurf der neuen Satzung.\n"},
      {.Subject = "Jubiläum: 75 Jahre TSV",
       .SenderName = "",
       .SenderEmail = "presse@tsv-example.de",
       .ReceiverName = "",
       .ReceiverEmail = club + std::string("; archiv@tsv-example.de"),
       .Utc = {2000, 3, 1, 10, 0, 0},
       .Flags = 0x80,
       .Priority = 1,
       .Account = "mail.tsv-example.de",
       .Server = "mail.tsv-example.de",
       .Body = "Festschrift folgt.\n"},
      {.Subject = "Y2K-Test",
       .SenderName = "",
       .SenderEmail = "admin@tsv-example.de",
       .ReceiverName = "",
       .ReceiverEmail = club,
       .Utc = {2000, 1, 1, 0, 0, 1},
       .Flags = 0,
       .Priority = 5,
       .Account = "mail.tsv-example.de",
       .Server = "mail.tsv-example.de",
       .Body = "Alles läuft.\n"},
  };
  const std::string mbx = store + "\\Mail\\Archiv.mbx";
  tree.AddFolder({std::string(kClientOE), mbx, "Archiv", true, 0});
  fixtures::MbxBuilder b;
  uint32_t n = 0;
  for (const TOEMail& m : archive) {
    fixtures::MbxMessage x;
    x.Text = TextOf(m, MessageIdOf(m, ++n));
    x.Id = n;
    x.Flags = m.Flags;
    x.Received = FileTimeOf(m.Utc);
    x.Priority = uint16_t(m.Priority);
    x.Subject = Cp1252(m.Subject);
    x.ReceiverEmail = m.ReceiverEmail;
    x.SenderEmail = m.SenderEmail;
    x.Server = m.Server;
    x.Account = m.Account;
    tree.AddMessage(Expected(m, mbx, std::to_string(n), uint32_t(x.Text.size())));
    b.Add(std::move(x));
  }
  fixtures::MbxFolder f = b.Build();
  tree.Write(mbx, f.Mbx);
  tree.Write(store + "\\Mail\\Archiv.idx", f.Idx);
}

}  // namespace

void WriteOutlookExpress(TSampleTree& tree) {
  WriteClara(tree);
  WriteClub(tree);
}

}  // namespace kv::samples
