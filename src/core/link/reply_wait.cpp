#include "core/link/reply_wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <sys/prctl.h>

#include "core/link/controller_link.h"
#include "core/model/system_table.h"

namespace {

// A sleep wakes up late by about 0.1 ms (more in a virtual machine), and a scan sleeps once per panel:
// the last stretch is waited out awake, so the pause ends on time.
void sleepUntil(const QDeadlineTimer& end) {
  constexpr qint64 kAwakeNs = 200'000;
#ifdef PR_SET_TIMERSLACK
  // By default the kernel may also end a sleep 50 us late on purpose.
  static thread_local const bool slackSet = ::prctl(PR_SET_TIMERSLACK, 1UL) == 0;  // per thread
  Q_UNUSED(slackSet);
#endif
  const qint64 sleepNs = end.remainingTimeNSecs() - kAwakeNs;
  if (sleepNs > 0) QThread::usleep(static_cast<unsigned long>(sleepNs / 1000));
  while (!end.hasExpired()) {
  }
}

}  // namespace

ReplyWait::ReplyWait(ControllerLink& link, QObject* parent) : QObject(parent), link_(link) {
  connect(&link_, &ControllerLink::chunkRead, this, [this](const QString& chunk, const StatusReplies& status) {
    RxStr = chunk;
    statusInHand_ = status;
  });
  // A chunk that could not be read stays in hand but does not end the wait.
  connect(&link_, &ControllerLink::chunkReceived, this, [] { StrengMottatt = true; });
  connect(&link_, &ControllerLink::dropped, this, &ReplyWait::endWaits);
}

void ReplyWait::expectReply() {
  RxStr.clear();
  statusInHand_ = {};
  StrengMottatt = false;
}

void ReplyWait::forgetArrival() { StrengMottatt = false; }

void ReplyWait::waitForReply() {
  if (sessionEnded_ || !link_.isOpenOrOpening()) {
    StrengMottatt = true;
    return;
  }
  const quint64 generation = waitGeneration_;
  ++waitDepth_;
  while (!StrengMottatt && generation == waitGeneration_ && !sessionEnded_)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  --waitDepth_;
}

void ReplyWait::stopWaiting() { StrengMottatt = true; }

void ReplyWait::pause(int ms) {
  if (sessionEnded_) return;
  // Counted from the moment the command was sent, so its log entry is written within the pause.
  const qint64 from = qMin(link_.lastSend().deadlineNSecs(), QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs());
  QDeadlineTimer end;
  end.setPreciseDeadline(0, from + ms * 1000000LL, Qt::PreciseTimer);
  // The repaints asked for so far are done within the pause: after it they would hold up the
  // reply that arrived meanwhile. Nothing else runs; the rest of the pause is slept.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
  sleepUntil(end);
}

void ReplyWait::endSession() {
  sessionEnded_ = true;
  endWaits();
}

void ReplyWait::endWaits() {
  ++waitGeneration_;
  // Wake a wait that sleeps in the event loop so it sees the change.
  if (waitDepth_ > 0)
    QMetaObject::invokeMethod(
        this, [] {}, Qt::QueuedConnection);
}
