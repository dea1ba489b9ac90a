#pragma once
// The one TCP connection to the controller, the command log, and the wait for a reply.
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

class TCommandLog;

class ControllerLink : public QObject {
  Q_OBJECT
 public:
  // The log is shown in `lbRespons`; the link keeps the entries exactly as appended.
  explicit ControllerLink(TCommandLog* lbRespons, QObject* parent = nullptr);

  // Connection. `open` starts an attempt in the background (an attempt under way is dropped first);
  // `close` closes at once and runs the close handling before it returns.
  void open(const QString& address, int port);
  void close();
  bool isConnected() const;
  bool isOpenOrOpening() const;
  QString address() const { return address_; }
  int port() const { return port_; }

  // Sends the text in the 8-bit code page and appends it to the log; dropped silently when not
  // connected (the log entry is still added).
  void SendCommand(const QString& Streng);
  // Sends without a log entry (tuner memories).
  void sendDirect(const QString& text);

  // Runs the event loop until a chunk arrives (StrengMottatt), the operator stops waiting, the
  // connection closes or fails, or the program is being closed. Returns at once when no
  // connection is open or opening.
  void waitForReply();
  bool isWaiting() const { return waitDepth_ > 0; }
  // Ends every wait in progress and every later one at once; for closing the program.
  void abandonWaits();

  // The command log.
  void appendLog(const QString& entry);
  void clearLog();
  const QStringList& logEntries() const { return log_; }
  // Writes every entry followed by CR LF in the 8-bit code page; throws OperatorError on failure.
  void saveLog(const QString& path) const;

  // Called for every chunk that holds "Ret X", after its status replies are in the table, with
  // the slots its replies address in order, each at its last reply (an Orv0 slot at every one);
  // the main window refreshes the screen from it.
  std::function<void(const QList<int>& addresses)> onStatusReplies;

  // A reply without its CR LF is handed on as it stands after this long. A controller that writes
  // a reply in two pieces holds the second back (Nagle) until the first is acknowledged; this end
  // acknowledges at once (see acknowledgeAtOnce), so the pieces arrive well within this.
  static constexpr int kPartialLineMs = 40;
  // Bytes kept waiting for a line end at most; more is handed on at once.
  static constexpr qsizetype kMaxPendingBytes = 1 << 20;
  // Bytes taken from the socket in one pass of the event loop at most; a flood's rest waits for
  // the next pass, so the screen and the operator's clicks get their turn in between.
  static constexpr qint64 kMaxReadBytes = 64 * 1024;

 signals:
  // The connection closed, by either side (after the log entry is written).
  void closed();
  // A connection attempt failed or the open connection failed.
  void socketError(const QString& message);

 private:
  void ClientSocket1Read();
  void ClientSocket1Disconnect();
  void ClientSocket1Error(QAbstractSocket::SocketError error);
  void handOnLines();
  void drainSocket();
  void handleChunk(const QByteArray& bytes);
  void flushPartial();
  void acknowledgeAtOnce();
  void endWaits();

  QTcpSocket* ClientSocket1;
  TCommandLog* lbRespons;
  QStringList log_;
  QByteArray pending_;
  QTimer partialTimer_;
  QString address_;
  int port_ = 0;
  int waitDepth_ = 0;
  quint64 waitGeneration_ = 0;
  bool abandoned_ = false;
  bool readQueued_ = false;
};

// "Asynchronous socket error " and the platform's error number, then its reason.
QString socketErrorMessage(QAbstractSocket::SocketError error, const QString& reason);
