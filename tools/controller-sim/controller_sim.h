#pragma once

#include "sim_options.h"

#include "core/link/line_reader.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>

#include <deque>
#include <map>
#include <memory>
#include <optional>

class QTcpServer;
class QTcpSocket;

// A controller on TCP: answers the name, status and set commands for the panels of one shared bus.
class ControllerSim : public QObject {
  Q_OBJECT
 public:
  explicit ControllerSim(SimOptions options, QObject* parent = nullptr);
  ~ControllerSim() override;

  bool listen();
  QString errorString() const;
  QHostAddress address() const;
  quint16 port() const;

  // Writes the bytes at once to every connected client, outside the reply queue.
  void sendRaw(const QByteArray& bytes);
  // Closes every client's connection from this side, as a controller that goes away.
  void closeClients();

  std::optional<int> status(int address) const;
  int clientCount() const;

  // The exact bytes of the replies, terminator included.
  QByteArray nameReply() const;
  static QByteArray statusReply(int address, int value);

  // Unprintable bytes as \r \n \t \\ \xHH, for the traffic log.
  static QString printable(const QByteArray& bytes);

 signals:
  void logLine(const QString& line);
  void lineReceived(const QByteArray& line);  // terminator removed

 private:
  struct Pending {
    QByteArray bytes;
    qint64 dueMs;
  };
  struct Client {
    explicit Client(int maxLineLength) : reader(maxLineLength) {}
    QTcpSocket* socket = nullptr;
    int id = 0;
    LineReader<QByteArray> reader;
    int received = 0;
    bool closing = false;
    bool busy = false;  // a reply is being written (delay or split pause running)
    std::deque<Pending> queue;
  };

  void onNewConnection();
  void onReadyRead(QTcpSocket* socket);
  void onDisconnected(QTcpSocket* socket);
  void handleLine(Client& client, QByteArray line);
  void queueReply(Client& client, const QByteArray& bytes);
  void pump(QTcpSocket* socket);
  void finishIfDone(Client& client);
  void write(Client& client, const QByteArray& bytes, const QString& label);
  Client* find(QTcpSocket* socket);
  bool logging() const;  // echoed, or someone listens to logLine
  void log(const QString& text);

  SimOptions m_options;
  std::map<int, SimPanel> m_panels;
  QTcpServer* m_server = nullptr;
  std::map<QTcpSocket*, std::unique_ptr<Client>> m_clients;
  int m_nextId = 1;
  QElapsedTimer m_clock;
};
