// Status list build and the handling of one status reply, with 127 panels of mixed models.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QScrollArea>

#include "gui/common/address_list.h"
#include "gui/link/command_log.h"
#include "core/link/command_log.h"
#include "core/link/controller_link.h"
#include "core/link/protocol.h"
#include "core/model/formatting.h"
#include "core/model/system_table.h"
#include "core/session/address_list.h"
#include "gui/panels/panel_control_area.h"
#include "gui/panels/status_list.h"

namespace {

const char* const kModels[] = {"Orv11", "Orv15", "Orv18"};

struct Installation {
  CommandLog log;
  AddressList addresses;
  QWidget window;
  QComboBox* cbAddress = new QComboBox(&window);
  TCommandLog* lbRespons = new TCommandLog(&log, &window);
  ControllerLink link;
  QScrollArea* scrollStatus = new QScrollArea(&window);
  PanelControlArea area{&window, &link, &addresses};
  StatusList list{scrollStatus, &addresses};

  Installation() {
    link.setLog(&log);
    showCurrentPanel(*cbAddress, addresses);
    resetProgramState();
    window.resize(938, 501);
    scrollStatus->setGeometry(603, 154, 326, 307);
    int tuners = 0;
    QList<int> inUse;
    for (int n = 1; n < SystemSlots; ++n) {
      TSystemRecord& rec = SystemArray[n];
      rec.I_bruk = true;
      rec.Adresse = n;
      rec.Navn = QString::fromLatin1(kModels[n % 3]);
      rec.Status = n % 8 + 1;
      if (n % 3 == 0) rec.TunerNr = ++tuners;
      inUse << n;
    }
    addresses.setAddresses(inUse);
    AntallTunere = 3;  // tuner buttons on every Orv11 block: the larger build
    FirstScanDone = true;
    window.show();
    list.StatusScroll();
  }
};

void BM_BuildStatusList(benchmark::State& state) {
  Installation inst;
  for (auto _ : state) {
    inst.list.RemoveStatus();
    inst.list.StatusScroll();
    // The event loop runs between two handlers: paints, layout requests, deferred deletes.
    state.PauseTiming();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
  state.counters["blocks"] = Antall;
}
BENCHMARK(BM_BuildStatusList)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_HandleStatusReply(benchmark::State& state) {
  Installation inst;
  int i = 0;
  for (auto _ : state) {
    const int n = i % 127 + 1;
    const QString chunk =
        QStringLiteral("#0x") + hexText(n, 2) + QStringLiteral(" Ret X:1=") + QString::number((i / 127) % 8 + 1) + CrLf;
    ++i;
    GetStatus(chunk);
    for (int a : ReplyAddresses(chunk)) inst.area.OppdaterPanel(a);
    if (StatusShown) inst.list.OppdaterScrollBox();
    if (i % 127 == 0) {
      state.PauseTiming();
      QCoreApplication::processEvents();
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_HandleStatusReply)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
