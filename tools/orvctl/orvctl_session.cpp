#include "orvctl_session.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "core/follow/band_map.h"
#include "core/follow/printable.h"
#include "core/model/integer_rule.h"

namespace {

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

std::function<void(const QString&)> trafficTo(const Globals& g, QTextStream& err) {
  if (!g.verbose) return {};
  return [&err](const QString& line) { err << line << Qt::endl; };
}

}  // namespace

QString shown(const QString& text) {
  constexpr qsizetype kShown = 60;
  return printable(QStringView(text).left(kShown)) + (text.size() > kShown ? QStringLiteral("...") : QString());
}

[[noreturn]] void badUse(const QString& message) { throw CommandFailure{BadUse, message}; }

int integerArgument(const QString& text, const QString& what) {
  try {
    return StrToInt(text);
  } catch (const ConversionError&) {
    badUse(QStringLiteral("%1 '%2' is not a whole number").arg(what, shown(text)));
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
               .arg(shown(text)));
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
    : g_(g), out_(out), err_(err), link_(g.host, g.port, g.timeoutMs, trafficTo(g, err)) {}

OrvctlLink& Session::link() {
  link_.open();
  return link_;
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
