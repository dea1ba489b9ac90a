// One status reply through the whole program: the socket read, the log entry, the table, the
// control area, the status list and both tuner windows, paints included; 127 panels listed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <memory>

#include "gui/app/u_frmMain.h"
#include "controller_sim.h"
#include "core/link/controller_link.h"
#include "gui/link/u_frmTCPIP.h"
#include "core/session/session.h"
#include "core/model/system_table.h"
#include "gui/panels/status_list.h"
#include "bench_support.h"

namespace {

constexpr int kPanels = 127;

struct Program {
  QTemporaryDir dir;
  std::unique_ptr<ControllerSim> sim;
  std::unique_ptr<TfrmMain> w;
  int handled = 0;

  Program() {
    resetProgramState();
    SimOptions o;
    o.port = 0;
    o.echo = false;
    o.panels = manyPanels(kPanels);
    sim = std::make_unique<ControllerSim>(o);
    if (!sim->listen()) qFatal("simulator cannot listen");
    w = std::make_unique<TfrmMain>(dir.path());
    w->show();
    w->frmTCPIP->lePort->setText(QString::number(sim->port()));
    w->btnConn_DisConn->click();
    while (!w->link->isConnected() || sim->clientCount() != 1) QCoreApplication::processEvents();

    showScannedPanels(*w, kPanels);

    QObject::connect(w->link, &ControllerLink::statusRead,
                     [this](const StatusReplies&, const QList<int>& addresses) { handled += int(addresses.size()); });
  }
};

// Out of line so a profiler can be pointed at it (callgrind --toggle-collect=*replyRoundTrip*).
[[gnu::noinline]] void replyRoundTrip(Program& p, int i) {
  // Orv11 panels (every third address) also drive the tuner displays; cycle all models.
  const int address = i % kPanels + 1;
  const int value = (i / kPanels) % 8 + 1;
  const int before = p.handled;
  p.sim->sendRaw(ControllerSim::statusReply(address, value));
  while (p.handled == before) QCoreApplication::processEvents();
  QCoreApplication::processEvents();  // the paints it asked for
}

void BM_StatusReplyEndToEnd(benchmark::State& state) {
  Program p;
  int i = 0;
  for (auto _ : state) {
    replyRoundTrip(p, i++);
    if (i % 1000 == 0) {
      // A long run would grow the log without end; an operator's "Clear" does the same.
      state.PauseTiming();
      p.w->Button3Click();
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_StatusReplyEndToEnd)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The floor under the figure above: the same reply's bytes over a bare loopback connection in this
// thread, written by one socket and read by the other, nothing done with them.
void BM_BareSocketRoundTrip(benchmark::State& state) {
  QTcpServer server;
  if (!server.listen(QHostAddress::LocalHost)) qFatal("cannot listen");
  QTcpSocket client;
  client.connectToHost(QHostAddress::LocalHost, server.serverPort());
  while (!server.hasPendingConnections() || client.state() != QAbstractSocket::ConnectedState)
    QCoreApplication::processEvents();
  QTcpSocket* peer = server.nextPendingConnection();
  int i = 0;
  for (auto _ : state) {
    const QByteArray reply = ControllerSim::statusReply(i % kPanels + 1, (i / kPanels) % 8 + 1);
    ++i;
    peer->write(reply);
    qsizetype got = 0;
    while (got < reply.size()) {
      QCoreApplication::processEvents();
      got += client.read(reply.size() - got).size();
    }
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_BareSocketRoundTrip)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
  QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
