// Whole-program figures: the real main window, offscreen, against the simulated controller.
// Every mode prints "RESULT <key> <value>" lines for bench/run.sh.
//
//   orv_perf scan [--sim PATH]   scan of 127 panels, then resident memory (PATH: a controller-sim
//                                executable in its own process instead of the in-process one)
//   orv_perf flood [N]           100 000 (or N, for a profile of the flood alone) status replies
//                                from a controller in its own thread
//   orv_perf wait                processor time of a 5 s wait for a reply that never comes
//   orv_perf startup             start-up to the first paint, in this process and as a new process
//   orv_perf orvctl PATH         `PATH --port N scan` of 127 panels (PATH: an orvctl executable),
//                                process start to exit
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "gui/app/u_frmMain.h"
#include "controller_sim.h"
#include "core/link/controller_link.h"
#include "core/link/reply_wait.h"
#include "gui/link/u_frmTCPIP.h"
#include "core/session/session.h"
#include "core/model/system_table.h"
#include "gui/panels/status_list.h"
#include "bench_support.h"

namespace {

constexpr int kPanels = 127;

void result(const char* key, double value) {
  std::printf("RESULT %s %.6g\n", key, value);
  std::fflush(stdout);
}

void fail(const char* what) {
  std::fprintf(stderr, "orv_perf: %s\n", what);
  std::exit(1);
}

// The program's own font look-alikes, as main() registers them.
void substituteFonts() {
  QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
  QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"));
}

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double residentMiB() {
  FILE* f = std::fopen("/proc/self/statm", "r");
  long size = 0, resident = 0;
  if (!f || std::fscanf(f, "%ld %ld", &size, &resident) != 2) fail("cannot read /proc/self/statm");
  std::fclose(f);
  return resident * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

bool spinUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

SimOptions simOptions() {
  SimOptions o;
  o.port = 0;
  o.echo = false;
  o.panels = manyPanels(kPanels);
  return o;
}

// A controller in a thread of its own, so it answers while the program sleeps, like a real one.
class ThreadedSim {
 public:
  explicit ThreadedSim(SimOptions options) {
    thread_.start();
    anchor_.moveToThread(&thread_);
    QMetaObject::invokeMethod(
        &anchor_,
        [this, options] {
          sim_ = new ControllerSim(options);
          if (!sim_->listen()) fail("simulator cannot listen");
          port_ = sim_->port();
        },
        Qt::BlockingQueuedConnection);
  }
  ~ThreadedSim() {
    QMetaObject::invokeMethod(
        &anchor_, [this] { delete sim_; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
  }
  quint16 port() const { return port_; }
  // Queued in the simulator's thread; each call is one write.
  void sendRaw(const QByteArray& bytes) {
    QMetaObject::invokeMethod(
        &anchor_, [this, bytes] { sim_->sendRaw(bytes); }, Qt::QueuedConnection);
  }

 private:
  QThread thread_;
  QObject anchor_;
  ControllerSim* sim_ = nullptr;
  quint16 port_ = 0;
};

// The main window in a folder of its own, connected to a controller on `port`.
struct Program {
  QTemporaryDir dir;
  std::unique_ptr<TfrmMain> w;

  explicit Program(quint16 port) {
    resetProgramState();
    w = std::make_unique<TfrmMain>(dir.path());
    w->show();
    w->frmTCPIP->lePort->setText(QString::number(port));
    w->btnConn_DisConn->click();
    if (!spinUntil([&] { return w->link->isConnected(); }, 5000)) fail("no connection");
  }
};

// Scan: its time over the floor of the poll's pauses, then the memory the scanned program holds.
int runScan(const QString& simPath) {
  std::unique_ptr<ThreadedSim> threaded;
  std::unique_ptr<ControllerSim> inProcess;
  QProcess process;
  QTemporaryDir logDir;
  quint16 port = 0;
  if (!simPath.isEmpty()) {
    // Its traffic log goes to a file: read through a pipe, it would be this process's work at every
    // reply, which a real controller does not ask of the program.
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(logDir.filePath(QStringLiteral("controller-sim.log")));
    process.start(simPath,
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--many"), QString::number(kPanels)});
    if (!process.waitForStarted(5000)) fail("controller-sim did not start");
    QFile log(logDir.filePath(QStringLiteral("controller-sim.log")));
    QByteArray first;  // "listening on ADDR:PORT"
    if (!spinUntil(
            [&] {
              if (log.isOpen() || log.open(QIODevice::ReadOnly)) first += log.readLine();
              return first.endsWith('\n');
            },
            5000))
      fail("controller-sim did not say its port");
    port = first.trimmed().mid(first.trimmed().lastIndexOf(':') + 1).toUShort();
  } else {
    inProcess = std::make_unique<ControllerSim>(simOptions());
    if (!inProcess->listen()) fail("simulator cannot listen");
    port = inProcess->port();
  }
  Program p(port);
  QElapsedTimer t;
  t.start();
  p.w->btnScan->click();  // the whole scan runs inside the click
  const double ms = t.nsecsElapsed() / 1e6;
  if (p.w->cbAddress->count() != kPanels || Antall != kPanels) fail("scan did not list every panel");
  const double floorMs = kPanels * Delay;
  result("scan_ms", ms);
  result("scan_overhead_pct", (ms - floorMs) / floorMs * 100.0);
  QCoreApplication::processEvents();  // the first paint of the list
  result("rss_mib", residentMiB());
  p.w.reset();
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished(2000);
  }
  return 0;
}

// The command-line scan against a controller that answers during the pauses, as a real one does.
int runOrvctlScan(const QString& orvctlPath) {
  auto sim = std::make_unique<ThreadedSim>(simOptions());
  QProcess orvctl;
  orvctl.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QElapsedTimer t;
  t.start();
  orvctl.start(orvctlPath, {QStringLiteral("--port"), QString::number(sim->port()), QStringLiteral("scan")});
  if (!orvctl.waitForFinished(60000) || orvctl.exitStatus() != QProcess::NormalExit || orvctl.exitCode() != 0)
    fail("orvctl scan failed");
  const double ms = t.nsecsElapsed() / 1e6;
  if (orvctl.readAllStandardOutput().count('\n') != kPanels) fail("orvctl scan did not list every panel");
  const double floorMs = kPanels * Delay;
  result("orvctl_scan_ms", ms);
  result("orvctl_scan_overhead_pct", (ms - floorMs) / floorMs * 100.0);
  return 0;
}

QByteArray statusReply(int i) {
  const int address = i % kPanels + 1;
  return ControllerSim::statusReply(address, (i / kPanels) % 8 + 1);
}

// A flood of replies: how fast they are absorbed, and the longest time the event loop was held.
int runFlood(int replies) {
  constexpr int kPerPiece = 1000;
  const int pieceCount = replies / kPerPiece;
  auto sim = std::make_unique<ThreadedSim>(simOptions());
  Program p(sim->port());
  showScannedPanels(*p.w, kPanels);
  QCoreApplication::processEvents();  // the window's first paint is start-up, not the flood's work

  int handled = 0;
  // Replies are counted as read: the refresh sees each panel once per chunk.
  QObject::connect(p.w->link, &ControllerLink::statusRead,
                   [&](const StatusReplies& read, const QList<int>&) { handled += int(read.replies.size()); });

  // A zero timer ticks once per pass of the event loop; the gap between ticks is the stall.
  QElapsedTimer clock;
  qint64 lastTick = 0, maxGapNs = 0;
  QTimer tick;
  tick.setInterval(0);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    maxGapNs = std::max(maxGapNs, now - lastTick);
    lastTick = now;
  });

  // Made beforehand: making them is this driver's work, not a stall of the program.
  QList<QByteArray> pieces(pieceCount);
  for (int k = 0; k < pieceCount; ++k)
    for (int i = k * kPerPiece; i < (k + 1) * kPerPiece; ++i) pieces[k] += statusReply(i);
  clock.start();
  tick.start();
  for (const QByteArray& piece : pieces) sim->sendRaw(piece);
  const int total = pieceCount * kPerPiece;
  const bool done = spinUntil([&] { return handled >= total; }, 120000);
  const double seconds = clock.nsecsElapsed() / 1e9;
  tick.stop();
  if (!done) fail("flood not absorbed within 120 s");
  QCoreApplication::processEvents();
  result("flood_replies_per_s", total / seconds);
  result("flood_max_stall_ms", maxGapNs / 1e6);
  result("flood_log_entries", double(p.w->link->logEntries().size()));
  p.w.reset();
  return 0;
}

// A 5 s wait for a reply that never comes, ended as the operator's "Stop waiting!" would.
int runWait() {
  SimOptions o = simOptions();
  o.noAnswer = true;
  ControllerSim sim(o);
  if (!sim.listen()) fail("simulator cannot listen");
  Program p(sim.port());
  spinUntil([] { return false; }, 300);  // let the connection settle
  QTimer::singleShot(5000, p.w.get(), [&] { p.w->btnStopWaitingClick(); });
  p.w->replyWait->expectReply();
  p.w->link->SendCommand(QStringLiteral("#0x01 Get X\r\n"));
  const double cpu0 = cpuSeconds();
  QElapsedTimer t;
  t.start();
  p.w->replyWait->waitForReply();
  const double wall = t.nsecsElapsed() / 1e9;
  const double cpu = cpuSeconds() - cpu0;
  result("wait_wall_s", wall);
  result("wait_cpu_pct", cpu / wall * 100.0);
  return 0;
}

// Start-up in this process: QApplication made before main() took the clock, so the child mode
// reports from its own start, and the parent adds the cost of starting a process.
int runStartupChild(QElapsedTimer& sinceMain) {
  substituteFonts();
  QTemporaryDir dir;
  struct FirstPaint : QObject {
    bool seen = false;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) seen = true;
      return false;
    }
  } watcher;
  auto w = std::make_unique<TfrmMain>(dir.path());
  w->installEventFilter(&watcher);
  w->show();
  while (!watcher.seen) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  result("startup_in_process_ms", sinceMain.nsecsElapsed() / 1e6);
  return 0;
}

int runStartupParent() {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  child.setProcessEnvironment(env);
  QElapsedTimer t;
  t.start();
  child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("startup-child")});
  if (!child.waitForFinished(30000)) fail("start-up child did not finish");
  const double totalMs = t.nsecsElapsed() / 1e6;
  const QByteArray out = child.readAllStandardOutput();
  const qsizetype at = out.indexOf("startup_in_process_ms ");
  if (at < 0) fail("start-up child printed no figure");
  const double inProcess = out.mid(at + 22).trimmed().split('\n').first().toDouble();
  result("startup_in_process_ms", inProcess);
  // Process creation, loading the libraries and the exit: everything the child did not time.
  result("startup_process_total_ms", totalMs);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceMain;
  sinceMain.start();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  const QString mode = args.value(1);
  if (mode == u"startup-child") return runStartupChild(sinceMain);
  substituteFonts();
  if (mode == u"scan") return runScan(args.value(2) == u"--sim" ? args.value(3) : QString());
  if (mode == u"flood") return runFlood(qMax(args.value(2, QStringLiteral("100000")).toInt(), 1000));
  if (mode == u"wait") return runWait();
  if (mode == u"startup") return runStartupParent();
  if (mode == u"orvctl" && args.size() == 3) return runOrvctlScan(args.value(2));
  std::fprintf(stderr, "usage: orv_perf scan [--sim PATH] | flood | wait | startup | orvctl PATH\n");
  return 2;
}
