#pragma once
// One client on the line port. Its lines are read as the controller's commands and go into the
// station's queue with this client as the asker; each reply goes back to this client alone, in the
// order it asked. No client holds up the others: its lines are bounded, only a few of its requests
// wait in the queue at once (its further bytes stay unread meanwhile), and a client that does not
// read its replies is dropped once they fill its send buffer.
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <deque>

#include "core/link/line_reader.h"

class QTcpSocket;
class RequestQueue;
class SetGate;

class LineClient : public QObject {
  Q_OBJECT
 public:
  // Far beyond the longest command.
  static constexpr qsizetype kLongestLine = 256;
  static constexpr int kMostWaiting = 4;
  static constexpr qint64 kSendBufferBytes = 64 * 1024;

  // Takes the socket over.
  LineClient(quint64 id, QTcpSocket* socket, RequestQueue& queue, const SetGate& gate, QObject* parent = nullptr);

  // Reads and answers what the client sent, as far as its share of the queue allows.
  void serve();

  quint64 id() const { return id_; }
  QHostAddress peerAddress() const { return peer_; }
  // "client N (ADDRESS:PORT)", for the event log.
  QString name() const { return name_; }

 signals:
  void event(const QString& text);
  // The connection ended, by either side or dropped here; told once.
  void gone();

 private:
  // false: the line waits until the client's earlier requests are answered.
  bool take(const LineReader<QByteArray>::Line& line);
  void answer(const QString& line);
  void end(const QString& why);

  const quint64 id_;
  QTcpSocket* socket_;
  RequestQueue& queue_;
  const SetGate& gate_;
  QHostAddress peer_;
  QString name_;
  LineReader<QByteArray> reader_{kLongestLine};
  std::deque<LineReader<QByteArray>::Line> unread_;
  int waiting_ = 0;
  bool ended_ = false;
};
