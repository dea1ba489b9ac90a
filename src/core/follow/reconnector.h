#pragma once
// Reconnects a socket by itself after a failed attempt or a drop, with a pause that grows from
// 0.5 s to 5 s and starts again short once the owner has seen the peer work (a connection that is
// taken but never answered does not count).
#include <QAbstractSocket>
#include <QObject>
#include <QTimer>

#include <functional>

class Reconnector : public QObject {
  Q_OBJECT
 public:
  static constexpr int kFirstPauseMs = 500;
  static constexpr int kLongestPauseMs = 5000;

  // `connectAgain` starts a new attempt on the socket.
  Reconnector(QAbstractSocket* socket, std::function<void()> connectAgain, QObject* parent = nullptr);

  // Drops the connection now and arms the retry, for a peer that stopped answering.
  void dropAndRetry();
  // The peer works: the next pause starts short again.
  void linkProven() { pauseMs_ = kFirstPauseMs; }

 private:
  void arm();

  QAbstractSocket* socket_;
  std::function<void()> connectAgain_;
  QTimer retry_;
  int pauseMs_ = kFirstPauseMs;
};
