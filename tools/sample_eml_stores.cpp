// Windows Mail and Windows Live Mail: one .eml file per message in a tree of folders. Windows
// Mail keeps them below "Local Folders" of its store root; Windows Live Mail keeps one folder per
// account (marked by the account's .oeaccount file) and its "Storage Folders" below its store
// root, and the registry names the default account, whose folders alone a scan lists.
#include "sample_text.h"
#include "sample_tree.h"

namespace kv::samples {
namespace {

const char* kClaraTo = "Clara Berg <clara.berg@example.net>";

TMail Plain(std::string from, std::string senderName, std::string senderEmail,
            std::string subjectField, std::string subject, TStamp local, int zone,
            std::string body) {
  TMail m;
  m.From = std::move(from);
  m.SenderName = std::move(senderName);
  m.SenderEmail = std::move(senderEmail);
  m.To = kClaraTo;
  m.ReceiverName = "Clara Berg";
  m.ReceiverEmail = "clara.berg@example.net";
  m.SubjectField = std::move(subjectField);
  m.Subject = std::move(subject);
  m.Local = local;
  m.Zone = zone;
  m.Body = std::move(body);
  return m;
}

void To(TMail& m, std::string field, std::string name, std::string email) {
  m.To = std::move(field);
  m.ReceiverName = std::move(name);
  m.ReceiverEmail = std::move(email);
}

void Priority(TMail& m, std::string field, uint32_t value) {
  m.PriorityField = std::move(field);
  m.Priority = value;
}

std::string MessageId(uint32_t n, std::string_view domain) {
  return "<" + GuidName(n).substr(1, 36) + "@" + std::string(domain) + ">";
}

// Writes the messages of one folder as .eml files and lists them.
void WriteFolder(TSampleTree& tree, std::string_view client, const std::string& folder,
                 bool scanned, std::vector<TMail> mails, uint32_t seed) {
  const size_t cut = folder.rfind('\\');
  tree.AddFolder({std::string(client), folder, folder.substr(cut + 1), scanned, 0});
  for (TMail& m : mails) {
    if (m.MessageId.empty()) m.MessageId = MessageId(seed, "example.net");
    const std::string text = Crlf(MailText(m));
    tree.Write(folder + "\\" + GuidName(seed++) + ".eml", text);
    TSampleMessage x = ExpectedOf(m, client, folder);
    x.Size = uint32_t(text.size());
    tree.AddMessage(std::move(x));
  }
}

TMail::TFile File(std::string name, std::string type, std::string_view kind, size_t size,
                  uint32_t seed) {
  return {std::move(name), std::move(type), AttachmentBytes(kind, size, seed)};
}

}  // namespace

void WriteWindowsMail(TSampleTree& tree) {
  const std::string local = std::string(kWinMailStore) + "\\Local Folders";
  const std::string_view wm = kClientWinMail;

  std::vector<TMail> inbox;
  inbox.push_back(Plain(Word("iso-8859-1", "Jörg Häußler", 'Q') + " <joerg.haeussler@example.de>",
                        "Jörg Häußler", "joerg.haeussler@example.de",
                        Word("iso-8859-1", "Grüße aus Köln", 'Q'), "Grüße aus Köln",
                        {2010, 1, 8, 18, 22, 10}, 60, "Hallo Clara,\nder Dom lässt grüßen.\n"));
  Priority(inbox.back(), "3 (Normal)", 3);
  inbox.push_back(Plain("Ivan Petrov <ivan.petrov@example.ru>", "Ivan Petrov",
                        "ivan.petrov@example.ru", Word("windows-1251", "Отчёт за март"),
                        "Отчёт за март", {2010, 4, 2, 11, 5, 0}, 180, "Report attached.\n"));
  Priority(inbox.back(), "1 (Highest)", 1);
  inbox.back().Files.push_back(File("otchet.xls", "application/vnd.ms-excel", "", 2200, 11));
  inbox.push_back(Plain("Tanaka Yuki <tanaka@example.jp>", "Tanaka Yuki", "tanaka@example.jp",
                        Word("iso-2022-jp", "会議の議事録"), "会議の議事録",
                        {2010, 5, 17, 9, 30, 0}, 540, "Minutes attached tomorrow.\n"));
  inbox.push_back(Plain("\"Fischer, Tom\" <tom.fischer@example.net>", "Fischer, Tom",
                        "tom.fischer@example.net", "Lunch on Friday?", "Lunch on Friday?",
                        {2010, 6, 3, 8, 45, 12}, -300, "Usual place?\n"));
  To(inbox.back(), std::string(kClaraTo) + ", Anna Schmidt <anna.schmidt@example.net>",
     "Clara Berg", "clara.berg@example.net");
  Priority(inbox.back(), "5 (Lowest)", 5);
  WriteFolder(tree, wm, local + "\\Inbox", true, std::move(inbox), 1001);

  std::vector<TMail> projects;
  projects.push_back(Plain("Pawel Wisniewski <pawel@example.pl>", "Pawel Wisniewski",
                           "pawel@example.pl", Word("iso-8859-2", "Spotkanie w Łodzi w środę", 'Q'),
                           "Spotkanie w Łodzi w środę", {2010, 2, 23, 15, 0, 0}, 60,
                           "Do zobaczenia!\n"));
  projects.push_back(Plain("Studio Nordlicht <info@nordlicht.example>", "Studio Nordlicht",
                           "info@nordlicht.example",
                           "Re: " + Word("utf-8", "Angebot für Projekt „Nordlicht“", 'Q'),
                           "Re: Angebot für Projekt „Nordlicht“", {2010, 3, 9, 10, 11, 12}, 60,
                           "Anbei das neue Angebot.\n"));
  projects.back().Files.push_back(
      File("Angebot-Nordlicht.pdf", "application/pdf", "pdf", 2600, 12));
  WriteFolder(tree, wm, local + "\\Inbox\\Projekte", true, std::move(projects), 1101);

  std::vector<TMail> sent;
  sent.push_back(Plain(kClaraTo, "Clara Berg", "clara.berg@example.net",
                       Word("koi8-r", "Спасибо за помощь"), "Спасибо за помощь",
                       {2010, 4, 3, 20, 1, 2}, 60, "Ivan, thank you!\n"));
  To(sent.back(), "Ivan Petrov <ivan.petrov@example.ru>", "Ivan Petrov", "ivan.petrov@example.ru");
  sent.push_back(Plain("clara.berg@example.net", "clara.berg@example.net", "clara.berg@example.net",
                       "Fwd: Fotos vom Wochenende", "Fwd: Fotos vom Wochenende",
                       {2010, 6, 7, 21, 13, 0}, 120, "Die Fotos, wie versprochen.\n"));
  To(sent.back(), "tom.fischer@example.net", "tom.fischer@example.net", "tom.fischer@example.net");
  sent.back().Files.push_back(File("strand.png", "image/png", "png", 1700, 13));
  WriteFolder(tree, wm, local + "\\Sent Items", true, std::move(sent), 1201);

  std::vector<TMail> deleted;
  deleted.push_back(Plain("Shop <angebote@shop.example>", "Shop", "angebote@shop.example",
                          Word("iso-8859-15", "Nur heute: alles für 20 €", 'Q'),
                          "Nur heute: alles für 20 €", {2010, 5, 1, 0, 0, 1}, 0,
                          "Angebote der Woche.\n"));
  WriteFolder(tree, wm, local + "\\Deleted Items", true, std::move(deleted), 1301);

  std::vector<TMail> junk;
  junk.push_back(Plain("Prize Center <prize@lucky.example>", "Prize Center", "prize@lucky.example",
                       Word("gb2312", "恭喜您中奖了"), "恭喜您中奖了", {2010, 5, 20, 3, 33, 33},
                       480, "Click here.\n"));
  Priority(junk.back(), "1", 1);
  WriteFolder(tree, wm, local + "\\Junk E-mail", true, std::move(junk), 1401);

  // A draft has no Date field yet.
  std::vector<TMail> drafts;
  drafts.push_back(Plain(kClaraTo, "Clara Berg", "clara.berg@example.net", "Entwurf: Einkaufsliste",
                         "Entwurf: Einkaufsliste", {}, 0, "Milch, Brot, Äpfel\n"));
  To(drafts.back(), "", "", "");
  WriteFolder(tree, wm, local + "\\Drafts", true, std::move(drafts), 1501);
}

void WriteWindowsLiveMail(TSampleTree& tree) {
  const std::string root(kWinLiveMailStore);
  const std::string_view wlm = kClientWinLiveMail;
  auto account = [&](const std::string& folder, const std::string& file, const std::string& name,
                     const std::string& server, const std::string& email) {
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<MessageAccount>\r\n"
        "\t<Account_Name type=\"SZ\">" +
        name +
        "</Account_Name>\r\n"
        "\t<Connection_Type type=\"DWORD\">00000003</Connection_Type>\r\n"
        "\t<POP3_Server type=\"SZ\">" +
        server +
        "</POP3_Server>\r\n"
        "\t<POP3_User_Name type=\"SZ\">" +
        email +
        "</POP3_User_Name>\r\n"
        "\t<SMTP_Server type=\"SZ\">" +
        server +
        "</SMTP_Server>\r\n"
        "\t<SMTP_Display_Name type=\"SZ\">Clara Berg</SMTP_Display_Name>\r\n"
        "\t<SMTP_Email_Address type=\"SZ\">" +
        email +
        "</SMTP_Email_Address>\r\n"
        "</MessageAccount>\r\n";
    tree.Write(folder + "\\" + file, xml);
  };

  // The club's account: not the default, so a scan leaves its folders out.
  const std::string club = root + "\\TSV Verein";
  account(club, "account" + GuidName(201) + ".oeaccount", "TSV Verein", "mail.tsv-example.de",
          "vorstand@tsv-example.de");
  std::vector<TMail> clubInbox;
  clubInbox.push_back(Plain("Kassenwart <kasse@tsv-example.de>", "Kassenwart",
                            "kasse@tsv-example.de", "Vorstandssitzung am Montag",
                            "Vorstandssitzung am Montag", {2011, 9, 5, 18, 0, 0}, 120,
                            "Bitte pünktlich.\n"));
  To(clubInbox.back(), "vorstand@tsv-example.de", "vorstand@tsv-example.de",
     "vorstand@tsv-example.de");
  clubInbox.push_back(Plain(
      Word("iso-8859-1", "Émilie Durand", 'Q') + " <emilie.durand@example.fr>", "Émilie Durand",
      "emilie.durand@example.fr", Word("iso-8859-1", "Résumé de la réunion", 'Q'),
      "Résumé de la réunion", {2011, 9, 13, 9, 14, 15}, 120, "Voici le résumé.\n"));
  To(clubInbox.back(), "vorstand@tsv-example.de", "vorstand@tsv-example.de",
     "vorstand@tsv-example.de");
  WriteFolder(tree, wlm, club + "\\Inbox", false, std::move(clubInbox), 2001);
  std::vector<TMail> clubSent;
  clubSent.push_back(Plain("TSV Vorstand <vorstand@tsv-example.de>", "TSV Vorstand",
                           "vorstand@tsv-example.de", "Protokoll der Sitzung",
                           "Protokoll der Sitzung", {2011, 9, 6, 22, 30, 0}, 120,
                           "Protokoll im Anhang.\n"));
  To(clubSent.back(), "Mitglieder <mitglieder@tsv-example.de>", "Mitglieder",
     "mitglieder@tsv-example.de");
  clubSent.back().Files.push_back(File("Protokoll.doc", "application/msword", "", 2000, 21));
  WriteFolder(tree, wlm, club + "\\Sent Items", false, std::move(clubSent), 2101);

  // Clara's own account, the default one.
  const std::string own = root + "\\Beispiel Mail";
  account(own, std::string(kDefaultMailAccount), "Beispiel Mail", "pop.example.net",
          "clara.berg@example.net");
  std::vector<TMail> inbox;
  inbox.push_back(Plain(Word("utf-8", "Νίκος Παπαδόπουλος") + " <nikos@example.gr>",
                        "Νίκος Παπαδόπουλος", "nikos@example.gr",
                        Word("utf-8", "Ελληνικά νέα από την Αθήνα"), "Ελληνικά νέα από την Αθήνα",
                        {2011, 10, 2, 12, 0, 30}, 180, "Γεια σου Clara!\n"));
  Priority(inbox.back(), "2 (High)", 2);
  inbox.push_back(Plain("Chen Wei <chen.wei@example.tw>", "Chen Wei", "chen.wei@example.tw",
                        Word("big5", "測試郵件"), "測試郵件", {2011, 11, 11, 11, 11, 11}, 480,
                        "Test mail.\n"));
  // Raw 8-bit UTF-8 in the header, as some mailers send it.
  inbox.push_back(Plain("Bank <service@bank.example>", "Bank", "service@bank.example",
                        "Überweisung erhalten ✓", "Überweisung erhalten ✓", {2011, 12, 1, 7, 0, 0},
                        60, "Ihre Überweisung ist eingegangen.\n"));
  // A subject of two encoded words on two lines: the fold and the blank between them go.
  inbox.push_back(Plain("Sportverein Nord <info@sv-nord.example>", "Sportverein Nord",
                        "info@sv-nord.example",
                        Word("utf-8", "Einladung zur Jahreshauptversammlung ") + "\n " +
                            Word("utf-8", "— Tagesordnung und Anfahrt"),
                        "Einladung zur Jahreshauptversammlung — Tagesordnung und Anfahrt",
                        {2012, 1, 20, 16, 45, 0}, 60, "Siehe Anhang.\n"));
  inbox.back().Files.push_back(File("termin.ics", "text/calendar", "", 600, 22));
  WriteFolder(tree, wlm, own + "\\Inbox", true, std::move(inbox), 2201);

  std::vector<TMail> travel;
  travel.push_back(Plain(
      "Reisebüro Sonne <buchung@sonne.example>", "Reisebüro Sonne", "buchung@sonne.example",
      Word("utf-8", "Buchungsbestätigung: Zürich ✈ Lissabon", 'Q'),
      "Buchungsbestätigung: Zürich ✈ Lissabon", {2012, 2, 14, 13, 37, 0}, 60, "Gute Reise!\n"));
  travel.back().Files.push_back(File("Ticket.pdf", "application/pdf", "pdf", 2400, 23));
  Priority(travel.back(), "1 (Highest)", 1);
  WriteFolder(tree, wlm, own + "\\Inbox\\Reisen", true, std::move(travel), 2301);

  std::vector<TMail> sent;
  sent.push_back(Plain(kClaraTo, "Clara Berg", "clara.berg@example.net",
                       Word("windows-1250", "Děkuji za zprávu", 'Q'), "Děkuji za zprávu",
                       {2011, 11, 20, 19, 5, 55}, 60, "Petr, díky!\n"));
  To(sent.back(), "Petr Novak <petr.novak@example.cz>", "Petr Novak", "petr.novak@example.cz");
  WriteFolder(tree, wlm, own + "\\Sent Items", true, std::move(sent), 2401);

  // Local storage folders beside the accounts; a scan that found the default account skips them.
  std::vector<TMail> drafts;
  drafts.push_back(Plain(kClaraTo, "Clara Berg", "clara.berg@example.net", "Notizen", "Notizen",
                         {2012, 3, 1, 8, 0, 0}, 60, "Nicht vergessen: Zahnarzt.\n"));
  WriteFolder(tree, wlm, root + "\\Storage Folders\\Drafts", false, std::move(drafts), 2501);
}

}  // namespace kv::samples
