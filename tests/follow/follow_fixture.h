#pragma once
// Real parts for the follower tests: Debian's rigctld with the dummy rig, the controller simulator,
// and a recorder of what the follower reports and what reached the controller.
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

#include "controller_sim.h"
#include "core/follow/follower.h"
#include "core/follow/reconnector.h"
#include "core/link/controller_link.h"

// Entered from 145 MHz, where the dummy rig starts (outside every range).
inline const QString kMap = QStringLiteral(
    "# kHz        actions\n"
    "3500-3800    0x02=2  tuner1=5\n"
    "7000-7200    0x02=3  0x03=5\n"
    "14000-14350  0x04=7\n");
inline const QList<QByteArray> kLine1 = {"#0x02 Set X:1=2", "#0x06 Set X:1=120"};
inline const QList<QByteArray> kLine2 = {"#0x02 Set X:1=3", "#0x03 Set X:1=5"};
inline const QList<QByteArray> kLine3 = {"#0x04 Set X:1=7"};

inline std::optional<TunerMemory> storedMemory(int tuner, int memory) {
  if (tuner == 1 && memory == 5) return TunerMemory{0x06, 120};
  if (tuner == 2) return TunerMemory{0x00, 120};  // a record that no scan has filled
  return std::nullopt;
}

inline quint16 freeTcpPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

// The follower's side of the controller on 127.0.0.1: the link, kept open by its reconnector, and
// the request queue the follower sends through.
struct ControllerSide {
  ControllerSide(quint16 port, int replyTimeoutMs)
      : queue(link, RequestQueue::Options{replyTimeoutMs}), keepOpen(&link, QStringLiteral("127.0.0.1"), port) {}
  ControllerLink link;
  RequestQueue queue;
  Reconnector keepOpen;
};

// rigctld -m 1 on 127.0.0.1; with a settable transmit state when asked ("-P RIG").
class Rigctld {
 public:
  explicit Rigctld(quint16 port = freeTcpPort()) : port_(port) {}
  ~Rigctld() { stop(); }
  quint16 port() const { return port_; }

  bool start(bool transmitSettable = true) {
    QStringList args = {"-m", "1", "-T", "127.0.0.1", "-t", QString::number(port_)};
    if (transmitSettable)
      args << "-P"
           << "RIG";
    process_.start(QStringLiteral(RIGCTLD_PATH), args);
    if (!process_.waitForStarted()) return false;
    // Listening once a connection is taken.
    for (int attempt = 0; attempt < 100; ++attempt) {
      QTcpSocket probe;
      probe.connectToHost(QHostAddress::LocalHost, port_);
      if (probe.waitForConnected(100)) return true;
      QTest::qWait(50);
    }
    return false;
  }
  void stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished();
  }
  // rigctl -m 2 against this rigctld, e.g. {"F", "3550000"} or {"T", "1"}.
  bool rigctl(const QStringList& command) {
    QProcess client;
    client.start(QStringLiteral(RIGCTL_PATH),
                 QStringList{"-m", "2", "-r", "127.0.0.1:" + QString::number(port_)} + command);
    QSignalSpy done(&client, &QProcess::finished);
    return done.wait(10000) && client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
  }

 private:
  quint16 port_;
  QProcess process_;
};

// What the follower said and what the controllers received, across controller restarts.
class Recorder : public QObject {
 public:
  void watch(Follower& follower) {
    connect(&follower, &Follower::event, this, [this](const QString& text) { events << text; });
  }
  void watch(ControllerSim& sim) {
    connect(&sim, &ControllerSim::lineReceived, this, [this](const QByteArray& line) { sent << line; });
  }
  bool said(const QString& text) const {
    return std::any_of(events.begin(), events.end(), [&](const QString& e) { return e.contains(text); });
  }
  QStringList events;
  QList<QByteArray> sent;
};

inline std::unique_ptr<ControllerSim> startSim(quint16 port = 0) {
  SimOptions options;
  options.port = port;
  options.echo = false;
  auto sim = std::make_unique<ControllerSim>(options);
  if (!sim->listen()) qFatal("controller simulator: %s", qPrintable(sim->errorString()));
  return sim;
}
