#pragma once
// The one TCP connection to the controller, the command log's entries, and the wait for a reply.
// Screen-free: the windows show the log and the failures through the signals below.
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

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

  // Runs the event loop until a chunk arrives (StrengMottatt), the operator stops waiting, the
  // connection closes or fails, or the program ends. Returns at once when no connection is open
  // or opening.
  void waitForReply();
  // Holds the thread until `ms` milliseconds after the last command was sent (the protocol's
  // pacing), the screen's pending repaints included; returns at once once the program ends.
  void pause(int ms);
  bool isWaiting() const { return waitDepth_ > 0; }
  // The program is ending: every wait in progress ends, and later waits and pauses return at once.
  void endSession();
  bool sessionEnded() const { return sessionEnded_; }

  // The command log.
  void appendLog(const QString& entry);
  void clearLog();
  const QStringList& logEntries() const { return log_; }
  // Writes every entry followed by CR LF in the 8-bit code page, replacing the file whole
  // (filewrite::writeWhole); on failure the message names the file and the reason (empty when
  // written).
  QString saveLog(const QString& path) const;

  // Called for every chunk that holds "Ret X", after its status replies are in the table, with
  // the slots its replies address, one per reply, in order.
  std::function<void(const QList<int>& addresses)> onStatusReplies;

  // A reply without its CR LF is handed on as it stands at most this long after its first byte.
  // A controller that writes a reply in two pieces holds the second back (Nagle) until the first
  // is acknowledged; this end acknowledges at once (see acknowledgeAtOnce), so the pieces arrive
  // well within this.
  static constexpr int kPartialLineMs = 40;
  // Bytes kept waiting for a line end at most; more is handed on at once.
  static constexpr qsizetype kMaxPendingBytes = 1 << 20;

 signals:
  void logAppended(const QString& entry);
  void logCleared();
  // The connection is open.
  void opened();
  // Every chunk handed on, after the table and the reply flag have taken it.
  void chunkReceived(const QString& chunk);
  // The connection closed, by either side (after the log entry is written).
  void closed();
  // A connection attempt failed or the open connection failed (a reset included), after the close
  // handling: "Asynchronous socket error " and the system's error number ...
  void socketError(const QString& message);
  // The same failure of a connection attempt, as the system's error number and its reason.
  void attemptFailed(int errorNumber, const QString& reason);
  // A received chunk could not be read (its status replies fail the integer rule); the chunk is
  // logged and kept in RxStr, and the reply flag stays as it was.
  void chunkFailed(const QString& message);

 private:
  void ClientSocket1Read();
  void ClientSocket1Disconnect();
  void connectionEnded(int errorNumber);
  void failAttempt(int errorNumber, const QString& reason = {});
  void handOnLines();
  void takeHeldBytes();
  void handleChunk(const QByteArray& bytes);
  void flushPartial();
  void partialHoldEnded();
  void acknowledgeAtOnce();
  void endWaits();
  void sleepUntil(const QDeadlineTimer& end);

  ControllerSocket* ClientSocket1;
  QStringList log_;
  QByteArray pending_;
  QTimer partialTimer_;
  QElapsedTimer pieceAge_;                            // since the first byte of the piece waiting for its line end
  QDeadlineTimer lastSend_{QDeadlineTimer::Forever};  // when the last command was sent
  QString address_;
  int port_ = 0;
  int waitDepth_ = 0;
  quint64 waitGeneration_ = 0;
  bool sessionEnded_ = false;
};

// "Asynchronous socket error " and the system's error number, then its reason in brackets.
QString socketErrorMessage(int errorNumber, const QString& reason);
