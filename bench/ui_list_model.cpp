// Timing driver: a folder of ROWS records (KOLVANE_BENCH_ROWS, 100,000) in the message list
// model under a view on the offscreen platform. Each step runs KOLVANE_BENCH_RUNS times (5) and
// the fastest run counts, beside its peer measured in the same run: std::stable_sort of the same
// rows with a plain comparison of the same keys (for Subject, collation keys made beforehand).
// Then a header click through the view, what scrolling reads, and the heap the list adds.
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>

#include "bench_collector.h"
#include "heap_counter.h"
#include "base/codepage.h"
#include "system/fake_platform.h"
#include "ui/message_list.h"
#include "ui/qt/message_list_model.h"
#include "ui/qt/message_list_view.h"
#include "ui/viewer.h"

using namespace kv;

namespace {

TMessages MakeRecords(int count) {
  static const char16_t* words[] = {u"Report", u"lunch",  u"Grüße",   u"apple",
                                    u"Banana", u"Zürich", u"invoice", u"Meeting",
                                    u"état",   u"news",   u"Order",   u"ticket"};
  std::mt19937 random(42);
  TMessages out;
  out.reserve(size_t(count));
  for (int i = 0; i < count; ++i) {
    TMessageInfo r;
    r.Index = uint32_t(i);
    r.ID = u"<" + IntToStr(i) + u"@example.org>";
    r.Subject = std::u16string(words[random() % 12]) + u" " + words[random() % 12] + u" " +
                IntToStr(int(random() % 10000));
    r.SenderName = std::u16string(words[random() % 12]) + u" Example";
    r.SenderEmail = u"sender@example.org";
    r.ReceiverEmail = u"bob@example.org";
    r.ReceivedDate = 40000 + double(random() % 4000000) / 1000;
    r.Size = uint32_t(500 + random() % 100000);
    r.Priority = 3;
    r.Flags = (i % 3) ? kFlagRead : kFlagAttachment;
    out.push_back(std::move(r));
  }
  return out;
}

template <class F>
double Best(int runs, F&& step) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) best = std::min(best, bench::Measure(step).first);
  return best;
}

void Report(const char* what, double ours, double peer) {
  std::printf("%-34s %8.1f ms   std::stable_sort peer %8.1f ms   ratio %.2fx\n", what, ours * 1e3,
              peer * 1e3, ours / peer);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const int count = bench::EnvInt("KOLVANE_BENCH_ROWS", 100000);
  const int runs = bench::EnvInt("KOLVANE_BENCH_RUNS", 5);
  const TLocale locale = TLocale::FromName("en_US.UTF-8").value_or(TLocale::Plain());

  TSystemContext context(std::make_unique<TFakePlatform>());
  auto owned =
      std::make_unique<bench::TBenchCollector>(context, u"OE", TEmailClient::ecOutlookExpress);
  bench::TBenchCollector& collector = *owned;
  collector.Next = MakeRecords(count);
  collector.SetStore(u"C:\\Bench\\");
  collector.SetFolders({u"C:\\Bench\\Inbox.dbx"});
  std::vector<TClientPage> pages;
  pages.push_back({u"Outlook Express", "oe", std::move(owned)});
  TViewerController controller(context, std::move(pages), locale);

  qt::TMessageListModel model(controller);
  qt::TMessageListView view(controller, &model);
  view.resize(1280, 800);
  view.show();
  QApplication::processEvents();
  controller.SelectPage(0);  // reads the folder into the collector and fills the list
  QApplication::processEvents();
  const TMessages& records = collector.Records();
  std::printf("folder: %zu records, locale %s\n", records.size(), locale.Name().c_str());

  // Fill: every record a row, sorted newest first.
  double fill = Best(runs, [&] { controller.Search(u""); });
  double fillPeer = Best(runs, [&] {
    std::vector<int32_t> rows(records.size());
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = int32_t(i);
    std::stable_sort(rows.begin(), rows.end(), [&](int32_t a, int32_t b) {
      return records[size_t(a)].ReceivedDate > records[size_t(b)].ReceivedDate;
    });
  });
  Report("fill (sorted by Received)", fill, fillPeer);

  // Sorts by a header click on a column that is not the sort column: ascending, from the
  // order the rows have at the time.
  std::vector<TLocale::TKey> subjectKeys;
  for (const auto& r : records) subjectKeys.push_back(locale.MakeKey(r.Subject));
  auto sortStep = [&](int column, const char* what) {
    double ours = 1e9, peer = 1e9;
    for (int i = 0; i < runs; ++i) {
      controller.SortByColumn(column == lcSize ? lcReceived : lcSize);  // leave the column
      std::vector<int32_t> rows = controller.Rows();
      peer = std::min(peer, bench::Measure([&] {
                              std::stable_sort(rows.begin(), rows.end(), [&](int32_t a, int32_t b) {
                                const auto &x = records[size_t(a)], &y = records[size_t(b)];
                                if (column == lcSubject)
                                  return locale.CompareKeys(subjectKeys[size_t(a)],
                                                            subjectKeys[size_t(b)]) < 0;
                                if (column == lcSize) return x.Size < y.Size;
                                return x.ReceivedDate < y.ReceivedDate;
                              });
                            }).first);
      ours = std::min(ours, bench::Measure([&] { controller.SortByColumn(column); }).first);
      if (controller.Rows() != rows) std::printf("  (orders differ for %s)\n", what);
    }
    Report(what, ours, peer);
  };
  sortStep(lcReceived, "sort by Received");
  sortStep(lcSubject, "sort by Subject (collation)");
  sortStep(lcSize, "sort by Size");

  // A header click through the view, until the view has laid out and painted again. The
  // viewer window forwards the click to the controller so.
  QObject::connect(&view, &qt::TMessageListView::HeaderClicked,
                   [&](int column) { controller.SortByColumn(column); });
  QHeaderView* header = view.header();
  auto click = [&](int column) {
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    view.viewport()->repaint();
    QApplication::processEvents();
  };
  std::printf("header click through the view (goal < 300 ms):");
  for (int column : {lcSubject, lcSender, lcReceived, lcSize}) {
    click(lcPriority);
    const double ms = Best(1, [&] { click(column); }) * 1e3;
    std::printf(" %s %.1f ms%s", kv::Utf16ToUtf8(ListColumns()[size_t(column)].Header).c_str(), ms,
                column == lcSize ? "\n" : ",");
  }

  // Scrolling: which rows' cells the view reads.
  std::set<int> read;
  size_t cells = 0;
  model.OnCellRead = [&](int row) {
    read.insert(row);
    ++cells;
  };
  QScrollBar* bar = view.verticalScrollBar();
  const int pages10 = 10;
  for (int p = 1; p <= pages10; ++p) {
    bar->setValue(bar->maximum() * p / (pages10 + 1));
    view.viewport()->repaint();
    QApplication::processEvents();
  }
  model.OnCellRead = nullptr;
  const int visible = view.viewport()->height() / std::max(1, view.sizeHintForRow(0));
  std::printf(
      "scrolling %d pages: %zu rows read (%zu cells), %d rows visible per page, of %zu rows\n",
      pages10, read.size(), cells, visible, controller.RowCount());

  // Heap: the list holds a row index per record and nothing of the records themselves.
  size_t recordBytes = 0;
  for (const auto& r : records)
    recordBytes += sizeof(r) + (r.Subject.capacity() + r.SenderName.capacity() + r.ID.capacity() +
                                r.SenderEmail.capacity() + r.ReceiverEmail.capacity()) *
                                   2;
  if (controller.Sort().Column != lcReceived) controller.SortByColumn(lcReceived);
  const long before = bench::gLive.load();
  auto peak = bench::Measure([&] {
                controller.Search(u"");
                QApplication::processEvents();
              }).second;
  const long kept = (bench::gLive.load() - before) / 1024;
  std::printf(
      "refill sorted by Received: heap peak +%ld KB, kept %+ld KB; rows %zu KB; the collector's "
      "records %zu KB\n",
      peak, kept, controller.RowCount() * sizeof(int32_t) / 1024, recordBytes / 1024);
  return 0;
}
