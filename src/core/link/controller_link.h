#pragma once
// The one TCP connection to the controller. Every chunk received is logged and read once; what it
// held is told by the signals below, as are the failures. Screen-free.
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include "core/link/protocol.h"

class CommandLog;
class ControllerSocket;

class ControllerLink : public QObject {
  Q_OBJECT
 public:
  explicit ControllerLink(QObject* parent = nullptr);
  ~ControllerLink() override;

  // Connection. `open` starts an attempt in the background (an attempt under way is dropped first);
  // `close` hands on what already arrived, closes at once and runs the close handling before it
  // returns, whatever those bytes hold.
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
  // Hands on at once everything that arrived, a line still waiting for its end included: what
  // came before a command cannot be taken for its reply.
  void takeHeldBytes();
  // When the last command was sent (Forever before the first), for the protocol's pacing.
  QDeadlineTimer lastSend() const { return lastSend_; }

  // The command log the link writes to; without one (a program with no log on show) nothing is
  // kept. The log must outlive the link or be detached first.
  void setLog(CommandLog* log) { log_ = log; }
  void appendLog(const QString& entry);
  void clearLog();
  // The entries of the log, or none without one.
  const QStringList& logEntries() const;

  // A reply without its CR LF is handed on as it stands at most this long after its first byte.
  // A controller that writes a reply in two pieces holds the second back (Nagle) until the first
  // is acknowledged; this end acknowledges at once (see acknowledgeAtOnce), so the pieces arrive
  // well within this.
  static constexpr int kPartialLineMs = 40;
  // Bytes kept waiting for a line end at most; more is handed on at once.
  static constexpr qsizetype kMaxPendingBytes = 1 << 20;

 signals:
  // The connection is open.
  void opened();
  // Every chunk handed on, once logged and read, before the table takes its status replies (none
  // when it holds no "Ret X").
  void chunkRead(const QString& chunk, const StatusReplies& status);
  // A chunk's status replies are in the table: what was read, and the slots its replies address,
  // one per reply, in order.
  void statusRead(const StatusReplies& status, const QList<int>& addresses);
  // Every chunk that could be read, once the table has taken it.
  void chunkReceived(const QString& chunk);
  // The connection closed, by either side (after the log entry is written).
  void closed();
  // A connection attempt failed or the open connection failed (a reset included), after the close
  // handling: "Asynchronous socket error " and the system's error number ...
  void socketError(const QString& message);
  // The same failure of a connection attempt, as the system's error number and its reason.
  void attemptFailed(int errorNumber, const QString& reason);
  // A received chunk could not be read (its status replies fail the integer rule): it was logged
  // and read as far as it goes (chunkRead), and chunkReceived does not follow.
  void chunkFailed(const QString& message);
  // Nothing more arrives on the connection or the attempt: it closed, failed or was dropped by
  // open or close (told before closed and attemptFailed).
  void dropped();

 private:
  void ClientSocket1Read();
  void ClientSocket1Disconnect();
  void connectionEnded(int errorNumber);
  void failAttempt(int errorNumber, const QString& reason = {});
  void handOnLines();
  void handleChunk(const QByteArray& bytes);
  void flushPartial();
  void partialHoldEnded();
  void acknowledgeAtOnce();
  void keepAlive();

  ControllerSocket* ClientSocket1;
  CommandLog* log_ = nullptr;
  QByteArray pending_;
  QTimer partialTimer_;
  QElapsedTimer pieceAge_;                            // since the first byte of the piece waiting for its line end
  QDeadlineTimer lastSend_{QDeadlineTimer::Forever};  // when the last command was sent
  QString address_;
  int port_ = 0;
};

// "Asynchronous socket error " and the system's error number, then its reason in brackets.
QString socketErrorMessage(int errorNumber, const QString& reason);
