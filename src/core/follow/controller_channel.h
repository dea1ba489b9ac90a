#pragma once
// The follower's own connection to the controller: one set command at a time, each waiting for
// the addressed panel's reply or a timeout; reconnects by itself.
#include <QByteArray>
#include <QTcpSocket>
#include <QTimer>

class Reconnector;

class ControllerChannel : public QObject {
  Q_OBJECT
 public:
  enum class Outcome { Answered, NoReply, LinkLost };
  Q_ENUM(Outcome)

  ControllerChannel(QString host, quint16 port, int timeoutMs, QObject* parent = nullptr);
  ~ControllerChannel() override;
  void start();
  bool isConnected() const;
  bool isBusy() const { return waitingFor_.has_value(); }

  // Sends "#0xAA Set X:1=V"; `finished` follows exactly once. Only when connected and not busy.
  void setValue(int address, int value);

 signals:
  // value: the panel's answer, for Outcome::Answered.
  void finished(ControllerChannel::Outcome outcome, int value);
  void linkChanged(bool up, const QString& detail);
  void notice(const QString& text);

 private:
  void onLost(const QString& detail);
  void readReplies();
  void readLine(const QByteArray& line);
  void finish(Outcome outcome, int value);

  QString host_;
  quint16 port_;
  int timeoutMs_;
  QTcpSocket socket_;
  Reconnector* reconnector_;
  QTimer replyTimer_;
  QByteArray pending_;
  std::optional<int> waitingFor_;
  std::optional<bool> up_;
};
