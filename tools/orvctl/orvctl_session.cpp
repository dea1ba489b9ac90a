#include "orvctl_session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

#include "core/follow/band_map.h"
#include "core/follow/printable.h"
#include "core/model/formatting.h"
#include "core/model/integer_rule.h"

namespace {

// A controller may greet a new connection; what it says this soon after the connection is taken is
// not a reply to anything.
constexpr int kGreetingMs = 50;

QString errorName(ExitStatus status) {
  switch (status) {
    case Done: return QStringLiteral("none");
    case BadUse: return QStringLiteral("bad-use");
    case NoConnection: return QStringLiteral("no-connection");
    case NoReply: return QStringLiteral("no-reply");
    case OtherAnswer: return QStringLiteral("other-answer");
    case OutputFailed: return QStringLiteral("output");
  }
  return {};
}

}  // namespace

[[noreturn]] void badUse(const QString& message) { throw CommandFailure{BadUse, message}; }

int integerArgument(const QString& text, const QString& what) {
  try {
    return StrToInt(text);
  } catch (const ConversionError&) {
    badUse(QStringLiteral("%1 '%2' is not a whole number").arg(what, printableStart(text)));
  }
}

int boundedArgument(const QString& text, const QString& what, int low, int high) {
  const int value = integerArgument(text, what);
  if (value < low || value > high)
    badUse(QStringLiteral("%1 must lie in %2..%3, not %4").arg(what).arg(low).arg(high).arg(value));
  return value;
}

int addressArgument(const QString& text) {
  const auto address = readPanelAddress(text);
  if (!address)
    badUse(QStringLiteral("'%1' is not a panel address: write 0x and two hexadecimal digits, 0x00 to 0x7F")
               .arg(printableStart(text)));
  return *address;
}

QJsonObject failureObject(const CommandFailure& f, const QString& message) {
  return {{"error", errorName(f.status)}, {"message", message}, {"status", static_cast<int>(f.status)}};
}

void printFailure(QTextStream& out, QTextStream& err, bool json, const CommandFailure& f, const QString& where) {
  out.flush();
  const QString message = where.isEmpty() ? f.message : where + QStringLiteral(": ") + f.message;
  if (json)
    err << QJsonDocument(failureObject(f, message)).toJson(QJsonDocument::Compact) << Qt::endl;
  else
    err << QStringLiteral("orvctl: ") << message << Qt::endl;
}

Session::Session(const Globals& g, QTextStream& out, QTextStream& err)
    : g_(g), out_(out), err_(err), queue_(link_, RequestQueue::Options{g.timeoutMs, kGreetingMs}) {
  if (!g.verbose) return;
  QObject::connect(&queue_, &RequestQueue::commandSent,
                   [this](const QString& command) { err_ << "> " << printable(command.trimmed()) << Qt::endl; });
  QObject::connect(&queue_, &RequestQueue::lineReceived,
                   [this](const QString& line) { err_ << "< " << printableStart(line, 80) << Qt::endl; });
}

QString Session::where() const { return g_.host + u':' + QString::number(g_.port); }

RequestQueue& Session::queue() {
  if (link_.isConnected()) return queue_;
  // One connection per run: a lost one is not opened again behind the command's back.
  if (opened_)
    throw CommandFailure{NoConnection, QStringLiteral("connection to %1 lost before the next command").arg(where())};
  opened_ = true;
  const auto failure = waitForResult<std::optional<CommandFailure>>(
      [this](QObject* context, const std::function<void(const std::optional<CommandFailure>&)>& done) {
        QObject::connect(&link_, &ControllerLink::opened, context, [done] { done(std::nullopt); });
        QObject::connect(
            &link_, &ControllerLink::attemptFailed, context, [this, done](int errorNumber, const QString& reason) {
              done(CommandFailure{
                  NoConnection,
                  QStringLiteral("cannot connect to %1: %2 (error %3)").arg(where(), reason).arg(errorNumber)});
            });
        QTimer::singleShot(g_.timeoutMs, context, [this, done] {
          done(CommandFailure{
              NoConnection,
              QStringLiteral("cannot connect to %1: no answer within %2 ms").arg(where()).arg(g_.timeoutMs)});
        });
        link_.open(g_.host, g_.port);
      });
  if (failure) {
    link_.close();
    throw *failure;
  }
  return queue_;
}

RequestResult Session::ask(const Request& request) {
  RequestResult result = waitForResult(queue(), request);
  if (result.failure) throw failureOf(request, *result.failure);
  return result;
}

CommandFailure Session::failureOf(const Request& request, const RequestFailure& failure) const {
  const bool name = request.kind == Request::Kind::Name;
  const QString what =
      name ? QStringLiteral("the name reply") : QStringLiteral("the status of 0x") + hexText(request.address, 2);
  switch (failure.kind) {
    case RequestFailure::Kind::NoReply:
      return {NoReply, QStringLiteral("no reply from %1 within %2 ms: %3").arg(where()).arg(g_.timeoutMs).arg(what)};
    case RequestFailure::Kind::NoConnection:
      return {NoConnection, QStringLiteral("connection to %1 lost before sending %2")
                                .arg(where(), printableStart(request.command().trimmed(), 80))};
    case RequestFailure::Kind::ConnectionLost:
      return {NoConnection, QStringLiteral("connection to %1 lost while waiting for %2").arg(where(), what)};
    case RequestFailure::Kind::BadReply:
      if (name)
        return {OtherAnswer, QStringLiteral("%1 answered the name request with %2: %3")
                                 .arg(where(), printableStart(failure.line), printableStart(failure.message))};
      return {OtherAnswer, QStringLiteral("%1 answered %2: %3")
                               .arg(where(), printableStart(failure.line, 80), printable(failure.message))};
    case RequestFailure::Kind::LineTooLong:
      return {OtherAnswer, QStringLiteral("%1 sent a line longer than %2 bytes: %3")
                               .arg(where())
                               .arg(RequestQueue::kLongestLine)
                               .arg(printableStart(failure.line, 80))};
    case RequestFailure::Kind::QueueFull: break;
  }
  return {OtherAnswer, QStringLiteral("%1: too many requests at once").arg(where())};
}

void Session::warn(const QString& text) {
  out_.flush();
  err_ << "orvctl: warning: " << text << Qt::endl;
}

void Session::print(const Result& r) {
  if (g_.json)
    out_ << (r.json.isArray() ? QJsonDocument(r.json.toArray()) : QJsonDocument(r.json.toObject()))
                .toJson(QJsonDocument::Compact)
         << '\n';
  else if (!r.text.isEmpty())
    out_ << r.text << '\n';
  out_.flush();
}
