#include "orvctl_link.h"

#include <QEventLoop>
#include <QTimer>

#include <optional>

#include "model/formatting.h"

OrvctlLink::OrvctlLink(QString host, int port, int timeoutMs)
    : host_(std::move(host)), port_(port), timeoutMs_(timeoutMs) {}

QString OrvctlLink::where() const { return host_ + u':' + QString::number(port_); }

void OrvctlLink::open() {
  QEventLoop loop;
  std::optional<CommandFailure> failure;
  QObject::connect(&link_, &ControllerLink::opened, &loop, &QEventLoop::quit);
  QObject::connect(&link_, &ControllerLink::attemptFailed, &loop, [&](int errorNumber, const QString& reason) {
    failure = CommandFailure{
        NoConnection, QStringLiteral("cannot connect to %1: %2 (error %3)").arg(where(), reason).arg(errorNumber)};
    loop.quit();
  });
  QTimer::singleShot(timeoutMs_, &loop, [&] {
    failure = CommandFailure{
        NoConnection, QStringLiteral("cannot connect to %1: no answer within %2 ms").arg(where()).arg(timeoutMs_)};
    loop.quit();
  });
  link_.open(host_, port_);
  loop.exec();
  if (failure) {
    link_.close();
    throw *failure;
  }
}

void OrvctlLink::close() { link_.close(); }

void OrvctlLink::send(const QString& command) {
  if (!link_.isConnected()) throw CommandFailure{NoConnection, QStringLiteral("connection to %1 lost").arg(where())};
  link_.SendCommand(command);
}

void OrvctlLink::pause(int ms) { link_.pause(ms); }

QString OrvctlLink::waitFor(const std::function<bool(const QString&)>& accept, const QString& what) {
  QEventLoop loop;
  std::optional<CommandFailure> failure;
  QString taken;
  QObject::connect(&link_, &ControllerLink::chunkReceived, &loop, [&](const QString& chunk) {
    if (!accept(chunk)) return;
    taken = chunk;
    loop.quit();
  });
  QObject::connect(&link_, &ControllerLink::chunkFailed, &loop, [&](const QString& message) {
    failure = CommandFailure{OtherAnswer, QStringLiteral("%1 answered: %2").arg(where(), message)};
    loop.quit();
  });
  QObject::connect(&link_, &ControllerLink::closed, &loop, [&] {
    failure =
        CommandFailure{NoConnection, QStringLiteral("connection to %1 lost while waiting for %2").arg(where(), what)};
    loop.quit();
  });
  QTimer::singleShot(timeoutMs_, &loop, [&] {
    failure = CommandFailure{
        NoReply, QStringLiteral("no reply from %1 within %2 ms: %3").arg(where()).arg(timeoutMs_).arg(what)};
    loop.quit();
  });
  if (!link_.isConnected())
    throw CommandFailure{NoConnection, QStringLiteral("connection to %1 lost while waiting for %2").arg(where(), what)};
  loop.exec();
  if (failure) throw *failure;
  return taken;
}

int OrvctlLink::waitForStatus(int address) {
  std::optional<int> value;
  waitFor(
      [&](const QString& chunk) {
        if (!chunk.contains(u"Ret X")) return false;
        // The link has read the chunk already; a failing one ends the wait through chunkFailed.
        for (const StatusReply& r : parseStatusReplies(chunk).replies)
          if (r.address == address) value = r.value;
        return value.has_value();
      },
      QStringLiteral("the status of 0x") + hexText(address, 2));
  return *value;
}
