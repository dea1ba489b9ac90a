#pragma once
// The hub's port for the controller's own line protocol: anything that can talk to a controller
// can talk to it. A few connections per peer address at most.
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>

class LineClient;
class RequestQueue;
class SetGate;

class LinePort : public QObject {
  Q_OBJECT
 public:
  static constexpr qsizetype kMostPerPeer = 8;

  LinePort(RequestQueue& queue, SetGate& gate, QObject* parent = nullptr);

  bool listen(const QHostAddress& address, quint16 port);
  QString errorString() const { return server_.errorString(); }
  QHostAddress address() const { return server_.serverAddress(); }
  quint16 port() const { return server_.serverPort(); }

 signals:
  void event(const QString& text);

 private:
  void accept();

  RequestQueue& queue_;
  SetGate& gate_;
  QTcpServer server_;
  QList<LineClient*> clients_;
  quint64 lastId_ = 0;
};
