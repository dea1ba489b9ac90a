#pragma once
// The hub as it runs at a station: the real orvd process between the real simulator process and
// its clients, all on loopback. Both processes are started on free ports and read back.
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

// The simulator as a process; it prints every line it receives.
class ControllerProcess {
 public:
  // Port 0 picks a free port; a port given is taken again (a controller that came back).
  explicit ControllerProcess(const QStringList& options = {}, const QString& port = QStringLiteral("0")) {
    process_.start(QStringLiteral(CONTROLLER_SIM_PATH), QStringList{"--port", port} + options);
    process_.waitForStarted(10000);
    process_.waitForReadyRead(10000);
    port_ = QString::fromLatin1(process_.readLine().trimmed().split(':').last());
  }
  ~ControllerProcess() { kill(); }
  void kill() {
    process_.kill();
    process_.waitForFinished(10000);
  }
  QString port() const { return port_; }

  // Every line received so far, in order.
  QStringList received() {
    log_ += QString::fromLatin1(process_.readAllStandardOutput());
    QStringList lines;
    static const QRegularExpression rx(QStringLiteral("^\\[t=\\d+\\] RX (.*)$"), QRegularExpression::MultilineOption);
    for (auto it = rx.globalMatch(log_); it.hasNext();) lines.append(it.next().captured(1));
    return lines;
  }

 private:
  QProcess process_;
  QString port_;
  QString log_;
};

// orvd on a free loopback port in front of the controller at `controllerPort`.
class HubProcess {
 public:
  explicit HubProcess(const QString& controllerPort) {
    process_.start(QStringLiteral(ORVD_PATH),
                   {"--host", "127.0.0.1", "--port", controllerPort, "--listen", "127.0.0.1:0", "--dir", dir_.path()});
    process_.waitForStarted(10000);
    static const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
    for (int tries = 0; tries < 100 && !port_; ++tries) {
      process_.waitForReadyRead(100);
      if (const auto m = listening.match(log()); m.hasMatch()) port_ = m.captured(1).toUShort();
    }
  }
  ~HubProcess() {
    process_.kill();
    process_.waitForFinished(10000);
  }
  quint16 port() const { return port_; }
  QString portText() const { return QString::number(port_); }
  QProcess& process() { return process_; }

  // The event log so far.
  QString log() {
    log_ += QString::fromLocal8Bit(process_.readAllStandardError());
    return log_;
  }
  qsizetype count(const QString& text) { return log().count(text); }

 private:
  QTemporaryDir dir_;
  QProcess process_;
  quint16 port_ = 0;
  QString log_;
};

// A client of the line port: what it sends and every whole line it got back.
class LineClientSocket {
 public:
  explicit LineClientSocket(quint16 port) {
    socket_.connectToHost(QHostAddress::LocalHost, port);
    socket_.waitForConnected(10000);
  }
  QTcpSocket& socket() { return socket_; }
  void send(const QByteArray& bytes) {
    socket_.write(bytes);
    socket_.flush();
  }
  QStringList lines() {
    received_ += socket_.readAll();
    QStringList whole = QString::fromLatin1(received_).split(QStringLiteral("\r\n"));
    whole.removeLast();  // the start of a line still on its way
    return whole;
  }

 private:
  QTcpSocket socket_;
  QByteArray received_;
};
