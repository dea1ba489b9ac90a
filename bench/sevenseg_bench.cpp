// Seven-segment display: cost of a caption change, of one glyph strip, and of a full status list.
#include "gui/controls/seven_seg.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

void BM_CaptionChangePaint(benchmark::State& state) {
  TSevenSeg ss;
  ss.resize(120, 90);
  ss.setNumDigits(2);
  QImage target(ss.size(), QImage::Format_RGB32);
  ss.render(&target);  // builds the strip once
  const QString captions[2] = {QStringLiteral("27"), QStringLiteral("A5")};
  int n = 0;
  for (auto _ : state) {
    ss.setCaption(captions[n++ & 1]);
    ss.render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(BM_CaptionChangePaint)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_StripBuild120x90(benchmark::State& state) {
  // 120 x 90, two digits, margin 8, gap 2: 50 x 74 cells
  for (auto _ : state) {
    QImage strip = TSevenSeg::CreateImageCache(50, 74, 0x0000FF, 0x333333);
    benchmark::DoNotOptimize(strip.constBits());
  }
}
BENCHMARK(BM_StripBuild120x90)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// A status list of 127 panels, created cold: no strip survives from an earlier iteration.
void BM_StatusList127(benchmark::State& state) {
  for (auto _ : state) {
    auto list = std::make_unique<QWidget>();
    list->resize(300, 127 * 60);
    for (int n = 0; n < 127; ++n) {
      auto* ss = new TSevenSeg(list.get());
      const bool twoDigits = n % 3 == 0;
      ss->setGeometry(10, n * 60 + 10, twoDigits ? 70 : 40, 60);
      ss->setNumDigits(twoDigits ? 2 : 1);
      ss->setCaption(twoDigits ? QStringLiteral("%1").arg(n, 2, 16, QLatin1Char('0')).toUpper()
                               : QString::number(n % 9));
    }
    QImage target(list->size(), QImage::Format_RGB32);
    list->render(&target);
    benchmark::DoNotOptimize(target.constBits());
    // the last display's background must be there, or nothing was painted
    if (target.pixel(12, 126 * 60 + 12) != qRgb(51, 51, 51)) {
      state.SkipWithError("displays were not painted");
      break;
    }
  }
}
BENCHMARK(BM_StatusList127)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
