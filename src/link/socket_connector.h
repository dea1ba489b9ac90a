#pragma once
// A non-blocking TCP connection attempt that reports the system's own error number when it fails;
// the connected socket is then handed to a QTcpSocket.
#include <QObject>

#include <memory>

class QSocketNotifier;

class SocketConnector : public QObject {
  Q_OBJECT
 public:
  explicit SocketConnector(QObject* parent = nullptr);
  ~SocketConnector() override;

  // Starts an attempt to a numeric IPv4 address (host byte order) and port; an attempt under way
  // is dropped first. The outcome arrives as connected() or failed(), never within this call.
  void start(quint32 ipv4, quint16 port);
  void abort();
  bool isConnecting() const { return fd_ >= 0; }

 signals:
  // The caller owns the descriptor from here on.
  void connected(int fd);
  void failed(int errorNumber);

 private:
  void finish();
  void fail(int errorNumber);

  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};
