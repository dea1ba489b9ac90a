#pragma once
// The window program's wait for a reply: the scan and the poll send a request, pause for the
// protocol's pacing and wait until a chunk arrives. It keeps the chunk in hand in RxStr and its
// arrival in StrengMottatt, and is the only one to write them.
#include <QObject>

#include "core/link/protocol.h"

class ControllerLink;

class ReplyWait : public QObject {
  Q_OBJECT
 public:
  explicit ReplyWait(ControllerLink& link, QObject* parent = nullptr);

  // A request is about to go out: no chunk is in hand and none has arrived.
  void expectReply();
  // No chunk has arrived since; the one in hand stays.
  void forgetArrival();
  // Runs the event loop until a chunk arrives (StrengMottatt), the operator stops waiting, the
  // connection closes or fails, or the program ends. Returns at once when no connection is open
  // or opening.
  void waitForReply();
  // The operator ends the wait ("Stop waiting!"): it returns as if a chunk had arrived.
  void stopWaiting();
  // Holds the thread until `ms` milliseconds after the last command was sent (the protocol's
  // pacing), the screen's pending repaints included; returns at once once the program ends.
  void pause(int ms);
  bool isWaiting() const { return waitDepth_ > 0; }
  // The program is ending: every wait in progress ends, and later waits and pauses return at once.
  void endSession();
  bool sessionEnded() const { return sessionEnded_; }
  // The status replies of the chunk in RxStr as the link read them (none when it holds none).
  const StatusReplies& statusInHand() const { return statusInHand_; }

 private:
  void endWaits();

  ControllerLink& link_;
  StatusReplies statusInHand_;
  int waitDepth_ = 0;
  quint64 waitGeneration_ = 0;
  bool sessionEnded_ = false;
};
