// The journal view: appending a block and painting a screen must cost the same
// at the end of a long journal as at the end of a short one.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Ratios.h"
#include "app/CTervoView.h"
#include "app/JournalFind.h"
#include "journal/CTervoDoc.h"

namespace mirto::bench {
namespace {

using Clock = std::chrono::steady_clock;

QApplication& App() {
  static int argc = 1;
  static char name[] = "mirto_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return *app;
}

class NoForms : public FormHost {
 public:
  bool ShowForm(Form&) override { return false; }
  void Message(std::string_view) override {}
};

// A document of `lines` report-like lines shown in a view of one screen.
struct Shown {
  NoForms host;
  CTervoDoc doc{host};
  std::unique_ptr<CTervoView> view;

  explicit Shown(long long lines) {
    App();
    for (long long i = 0; i < lines; ++i)
      doc.AppendLine("Approx. 0.95 confidence interval for population mean is from %f to %f", 48.1 + i, 51.8);
    view = std::make_unique<CTervoView>(doc);
    view->resize(800, 600);
    doc.SetViewUpdate([v = view.get()] { v->OnUpdate(); });
    doc.UpdateAllViews();
  }

  void AppendBlock() {
    doc.AppendSeparator();
    for (int i = 0; i < 14; ++i) doc.AppendLine("Estimate of population total: %f", 1000.0 + i);
    doc.EndBlock(Record{});
  }

  void PaintScreen(QImage& image) {
    QPainter painter(&image);
    view->viewport()->render(&painter);
  }
};

double SecondsPerBlock(Shown& shown, int blocks) {
  const auto t0 = Clock::now();
  for (int i = 0; i < blocks; ++i) shown.AppendBlock();
  return std::chrono::duration<double>(Clock::now() - t0).count() / blocks;
}

double SecondsPerPaint(Shown& shown, int paints) {
  QImage image(800, 600, QImage::Format_RGB32);
  const auto t0 = Clock::now();
  for (int i = 0; i < paints; ++i) shown.PaintScreen(image);
  return std::chrono::duration<double>(Clock::now() - t0).count() / paints;
}

void BM_ViewAppendAndPaint(benchmark::State& state) {
  Shown small(1000), large(1000000);
  double append[2] = {0, 0}, paint[2] = {0, 0};
  for (auto _ : state) {
    append[0] += SecondsPerBlock(small, 2000);
    const double appendLarge = SecondsPerBlock(large, 2000);
    paint[0] += SecondsPerPaint(small, 200);
    const double paintLarge = SecondsPerPaint(large, 200);
    append[1] += appendLarge;
    paint[1] += paintLarge;
    state.SetIterationTime(appendLarge + paintLarge);
  }
  if (large.view->LastDrawn().last != static_cast<long long>(large.doc.GetJournal().size()) - 1) {
    state.SkipWithError("the view did not draw the end of the journal");
    return;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["append_1k_us"] = 1e6 * append[0] / n;
  state.counters["append_1M_us"] = 1e6 * append[1] / n;
  state.counters["paint_1k_us"] = 1e6 * paint[0] / n;
  state.counters["paint_1M_us"] = 1e6 * paint[1] / n;
  RecordRatio("4a. append 15 lines + view layout, 1M lines / 1k lines", append[1] / append[0], 2.0, true);
  RecordRatio("4b. paint one screen at the end, 1M lines / 1k lines", paint[1] / paint[0], 2.0, true);
}
BENCHMARK(BM_ViewAppendAndPaint)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// A 50-million-character line scrolled to its middle paints like a screen of
// ordinary lines: only what is on screen is drawn.
void BM_ViewPaintHugeLine(benchmark::State& state) {
  Shown ordinary(1000), huge(0);
  const std::string path = ScratchDir() + "/huge-line.txt";
  {
    std::FILE* file = std::fopen(path.c_str(), "w");
    std::string line(50'000'000, ' ');
    for (std::size_t i = 0; i < line.size(); ++i) line[i] = static_cast<char>('a' + i % 26);
    line.push_back('\n');
    if (!file || std::fwrite(line.data(), 1, line.size(), file) != line.size() || std::fclose(file) != 0) {
      state.SkipWithError("cannot write the huge line");
      return;
    }
  }
  if (!huge.doc.OnOpenDocument(path).ok) {
    state.SkipWithError("cannot read the huge line");
    return;
  }
  QScrollBar* bar = huge.view->horizontalScrollBar();
  bar->setValue(bar->maximum() / 2);
  double paint[2] = {0, 0};
  for (auto _ : state) {
    paint[0] += SecondsPerPaint(ordinary, 50);
    const double paintHuge = SecondsPerPaint(huge, 50);
    paint[1] += paintHuge;
    state.SetIterationTime(paintHuge);
  }
  std::remove(path.c_str());
  state.counters["paint_ordinary_us"] = 1e6 * paint[0] / static_cast<double>(state.iterations());
  state.counters["paint_huge_line_us"] = 1e6 * paint[1] / static_cast<double>(state.iterations());
  RecordRatio("4c. paint one screen of a 50M-character line / of ordinary lines", paint[1] / paint[0], 2.0, true);
}
BENCHMARK(BM_ViewPaintHugeLine)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Text that is not in the journal is looked for in every line: on a million
// lines that one pass is what a keystroke in the find bar costs.
void BM_FindMillionLines(benchmark::State& state) {
  Shown large(1000000);
  double seconds[2] = {0, 0};  // any case, matching case
  for (auto _ : state) {
    double round = 0;
    for (int c = 0; c < 2; ++c) {
      const auto t0 = Clock::now();
      const std::optional<FindMatch> match = FindInJournal(large.doc.GetJournal(), {"median", c == 1}, {}, true);
      benchmark::DoNotOptimize(match);
      const double took = std::chrono::duration<double>(Clock::now() - t0).count();
      seconds[c] += took;
      round += took;
    }
    state.SetIterationTime(round);
  }
  const double n = static_cast<double>(state.iterations());
  RecordRatio("4d. find text not there in 1M lines, any case", seconds[0] / n, 0.1, true, "s");
  RecordRatio("4e. find text not there in 1M lines, matching case", seconds[1] / n, 0.1, true, "s");
}
BENCHMARK(BM_FindMillionLines)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirto::bench
