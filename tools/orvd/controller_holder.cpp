#include "controller_holder.h"

#include <QStringList>

#include "core/follow/printable.h"
#include "core/model/formatting.h"
#include "core/session/bus_scan.h"

namespace {

QString addresses(const QList<int>& panels) {
  QStringList texts;
  for (int address : panels) texts.append(addressText(address));
  return texts.isEmpty() ? QStringLiteral("none") : texts.join(u' ');
}

QString failureText(const RequestFailure& failure) {
  switch (failure.kind) {
    case RequestFailure::Kind::NoReply: return QStringLiteral("no reply");
    case RequestFailure::Kind::NoConnection: return QStringLiteral("no connection");
    case RequestFailure::Kind::ConnectionLost: return QStringLiteral("the connection was lost");
    case RequestFailure::Kind::BadReply:
      return QStringLiteral("the reply %1 fails: %2").arg(printable(failure.line), printable(failure.message));
    case RequestFailure::Kind::LineTooLong: return QStringLiteral("a line longer than any reply");
    case RequestFailure::Kind::QueueFull: return QStringLiteral("the queue is full");
  }
  return {};
}

}  // namespace

ControllerHolder::ControllerHolder(const QString& host, int port, QObject* parent)
    : QObject(parent),
      host_(host),
      port_(port),
      queue_(link_, RequestQueue::Options{kTimeoutMs, kGreetingMs, kQueueCapacity}),
      reconnector_(&link_, host, port) {
  connect(&link_, &ControllerLink::opened, this, &ControllerHolder::linkUp);
  connect(&link_, &ControllerLink::closed, this, [this] { linkDown(QStringLiteral("the connection closed")); });
  connect(&link_, &ControllerLink::attemptFailed, this, [this](int errorNumber, const QString& reason) {
    if (!toldDown_) linkDown(QStringLiteral("cannot connect: %1 (error %2)").arg(printable(reason)).arg(errorNumber));
  });
}

// The scan goes before the queue it asks.
ControllerHolder::~ControllerHolder() { delete scan_; }

QString ControllerHolder::where() const { return host_ + u':' + QString::number(port_); }

void ControllerHolder::linkUp() {
  toldDown_ = false;
  emit event(QStringLiteral("controller link up: %1").arg(where()));
  // A scan of the connection before is over: its requests failed with it.
  delete scan_;
  scan_ = new BusScan(queue_, this);
  connect(scan_, &BusScan::finished, this, &ControllerHolder::scanDone);
  emit event(QStringLiteral("scan started"));
  scan_->start();
}

void ControllerHolder::linkDown(const QString& why) {
  toldDown_ = true;
  emit event(QStringLiteral("controller link down: %1: %2").arg(where(), why));
}

void ControllerHolder::scanDone(const BusScanResult& result) {
  if (result.stopped)
    emit event(QStringLiteral("scan stopped at %1: %2")
                   .arg(printable(result.stopped->request.command().trimmed()), failureText(result.stopped->failure)));
  else
    emit event(
        QStringLiteral("scan done: panels %1; silent %2").arg(addresses(result.panels), addresses(result.silent)));
  scan_->deleteLater();
}
