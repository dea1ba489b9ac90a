#pragma once
// The TCP connection to the controller on a socket of the system's own: an attempt that fails, a
// reset and every other failure are told with the system's own error number (a QTcpSocket tells
// only its error class, and takes a reset for an orderly close), and a read takes every byte that
// has arrived.
#include <QByteArray>
#include <QObject>

#include <memory>

class QSocketNotifier;

class ControllerSocket : public QObject {
  Q_OBJECT
 public:
  explicit ControllerSocket(QObject* parent = nullptr);
  ~ControllerSocket() override;

  // Starts an attempt to a numeric IPv4 address (host byte order) and port; a connection or attempt
  // under way is dropped first. The outcome arrives as connected() or attemptFailed(), never
  // within this call.
  void connectTo(quint32 ipv4, quint16 port);
  // Drops the connection or attempt at once, without a signal.
  void abort();

  bool isConnecting() const { return state_ == State::Connecting; }
  bool isConnected() const { return state_ == State::Connected; }
  int descriptor() const { return fd_; }

  // Every byte that has arrived and not been taken yet. When the connection has ended behind them
  // (closed or failed), ended() follows from the event loop.
  QByteArray readAvailable();
  // Bytes that have arrived and not been taken yet.
  qint64 bytesAvailable() const;
  // Sends as much as the system takes now; the rest goes out as the connection takes it. After a
  // failed send nothing more is sent, and the connection's end follows from the read side.
  void write(const QByteArray& bytes);

 signals:
  void connected();
  void attemptFailed(int errorNumber);
  // Bytes have arrived, or the connection has ended and readAvailable() will say so.
  void readyRead();
  // The connection is over and the socket closed: 0 when the controller closed its end in order,
  // otherwise the system's error number (a reset is ECONNRESET).
  void ended(int errorNumber);

 private:
  enum class State { Closed, Connecting, Connected };
  void attemptDone();
  void failAttempt(int errorNumber);
  void flushWrites();
  // Closes the socket and tells ended() from the event loop; the first end counts.
  void endLater(int errorNumber);

  int fd_ = -1;
  State state_ = State::Closed;
  quint64 generation_ = 0;  // of the connection's end; an abort or a new end counts on
  QByteArray unsent_;
  int writeError_ = 0;  // the first failed send's error number
  std::unique_ptr<QSocketNotifier> readNotifier_;
  std::unique_ptr<QSocketNotifier> writeNotifier_;
};
