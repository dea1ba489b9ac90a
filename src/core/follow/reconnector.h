#pragma once
// Reconnects by itself after a failed attempt or a drop, with a pause that grows from 0.5 s to 5 s
// and starts again short once the owner has seen the peer work (a connection that is taken but
// never answered does not count).
#include <QAbstractSocket>
#include <QObject>
#include <QTimer>

#include <functional>

class ControllerLink;

class Reconnector : public QObject {
  Q_OBJECT
 public:
  static constexpr int kFirstPauseMs = 500;
  static constexpr int kLongestPauseMs = 5000;

  // A socket of the owner's; `connectAgain` starts a new attempt on it.
  Reconnector(QAbstractSocket* socket, std::function<void()> connectAgain, QObject* parent = nullptr);
  // The controller link, kept open at `host` and `port` from start() on; a connection taken counts
  // as the controller working.
  Reconnector(ControllerLink* link, QString host, int port, QObject* parent = nullptr);

  // Opens the link the first time.
  void start() { connectAgain_(); }
  // Drops the connection now and arms the retry, for a peer that stopped answering.
  void dropAndRetry();
  // The peer works: the next pause starts short again.
  void linkProven() { pauseMs_ = kFirstPauseMs; }

 private:
  Reconnector(std::function<void()> drop, std::function<bool()> isConnected, std::function<void()> connectAgain,
              QObject* parent);
  void arm();

  std::function<void()> drop_;
  std::function<bool()> isConnected_;
  std::function<void()> connectAgain_;
  QTimer retry_;
  int pauseMs_ = kFirstPauseMs;
};
