#include "core/follow/follow_command.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <memory>

#include "core/follow/follower.h"
#include "core/follow/n1mm_source.h"
#include "core/follow/printable.h"
#include "core/follow/quit_on_signal.h"
#include "core/follow/reconnector.h"
#include "core/follow/rig_source.h"
#include "core/link/controller_link.h"
#include "core/link/request_queue.h"

namespace {

const char* const kHelp = R"(Usage: orvctl [global options] follow (--rig HOST:PORT [--poll MS] | --n1mm [ADDR:]PORT
                                     [--n1mm-from ADDR] [--radio N]) --map FILE [--settle MS] [--no-ptt-check]
       orvctl [global options] follow ... --check

Sets panels to match the radio's band; runs until SIGINT or SIGTERM. One line per event on stdout.

  --rig HOST:PORT     the radio through Hamlib's rigctld; it must report the transmit state
  --poll MS           how often the rig is asked (default 250, 10..60000)
  --n1mm [ADDR:]PORT  the RadioInfo packets of a logger on UDP PORT, received on ADDR (default 127.0.0.1;
                      0.0.0.0 takes broadcasts from the network)
  --n1mm-from ADDR    take logger packets from ADDR alone
  --radio N           follow logger radio N instead of the active one
  --map FILE          the band map: "FROM-TO 0xAA=V tunerN=K ..." per line, in kHz
  --settle MS         how long the frequency rests in a range before its rule applies (default 500)
  --no-ptt-check      switch when the radio never reports whether it transmits (a known transmit and a
                      lost link still hold)
  --check             read the map and Tuner.dat, warn of ranges taken by an earlier rule, and exit
  -h, --help          this text
)";

std::optional<quint16> readPort(const QString& text) {
  bool ok = false;
  const int port = text.toInt(&ok);
  return ok && port >= 1 && port <= 65535 ? std::optional<quint16>(port) : std::nullopt;
}

// Written whole: a NUL in a message must not cut it.
void printTo(FILE* stream, const QString& line) {
  const QByteArray bytes = (line + u'\n').toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
  std::fflush(stream);
}

}  // namespace

std::optional<FollowSettings> parseFollowArgs(const QStringList& args, QString* error) {
  QCommandLineParser parser;
  const QCommandLineOption rig(QStringLiteral("rig"), {}, QStringLiteral("HOST:PORT"));
  const QCommandLineOption n1mm(QStringLiteral("n1mm"), {}, QStringLiteral("PORT"));
  const QCommandLineOption n1mmFrom(QStringLiteral("n1mm-from"), {}, QStringLiteral("ADDR"));
  const QCommandLineOption radio(QStringLiteral("radio"), {}, QStringLiteral("N"));
  const QCommandLineOption map(QStringLiteral("map"), {}, QStringLiteral("FILE"));
  const QCommandLineOption poll(QStringLiteral("poll"), {}, QStringLiteral("MS"));
  const QCommandLineOption settle(QStringLiteral("settle"), {}, QStringLiteral("MS"));
  const QCommandLineOption noPtt(QStringLiteral("no-ptt-check"));
  const QCommandLineOption check(QStringLiteral("check"));
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  parser.addOptions({rig, n1mm, n1mmFrom, radio, map, poll, settle, noPtt, check, help});
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);

  const auto fail = [error](const QString& message) {
    *error = printable(message) + QStringLiteral("; orvctl follow --help lists the options");
    return std::nullopt;
  };
  if (!parser.parse(QStringList{QStringLiteral("follow")} + args)) return fail(parser.errorText());
  FollowSettings settings;
  if (parser.isSet(help)) {
    settings.help = true;
    return settings;
  }
  if (!parser.positionalArguments().isEmpty())
    return fail("unexpected argument '" + parser.positionalArguments().first() + u'\'');
  if (parser.isSet(rig) == parser.isSet(n1mm)) return fail(QStringLiteral("give either --rig or --n1mm"));
  if (!parser.isSet(map)) return fail(QStringLiteral("--map FILE is missing"));

  settings.mapFile = parser.value(map);
  settings.switchWithoutPtt = parser.isSet(noPtt);
  settings.checkOnly = parser.isSet(check);
  if (parser.isSet(rig)) {
    const QString value = parser.value(rig);
    const qsizetype colon = value.lastIndexOf(u':');
    const auto port = colon > 0 ? readPort(value.sliced(colon + 1)) : std::nullopt;
    if (!port) return fail("--rig '" + value + "' is not HOST:PORT");
    settings.rigHost = value.first(colon);
    settings.rigPort = *port;
  } else {
    const QString value = parser.value(n1mm);
    const qsizetype colon = value.lastIndexOf(u':');
    settings.n1mmPort = readPort(value.sliced(colon + 1));
    if (!settings.n1mmPort) return fail("--n1mm '" + value + "' is not [ADDR:]PORT with a port 1 to 65535");
    if (colon >= 0 && (!settings.n1mmListen.setAddress(value.first(colon)) ||
                       settings.n1mmListen.protocol() != QAbstractSocket::IPv4Protocol))
      return fail("--n1mm '" + value + "': '" + value.first(colon) + "' is not a numeric IPv4 address");
  }
  if (parser.isSet(n1mmFrom)) {
    QHostAddress sender;
    if (!sender.setAddress(parser.value(n1mmFrom)) || sender.protocol() != QAbstractSocket::IPv4Protocol)
      return fail("--n1mm-from '" + parser.value(n1mmFrom) + "' is not a numeric IPv4 address");
    if (!settings.n1mmPort) return fail(QStringLiteral("--n1mm-from goes with --n1mm"));
    settings.n1mmSender = sender;
  }
  if (parser.isSet(radio)) {
    bool ok = false;
    settings.radio = parser.value(radio).toInt(&ok);
    if (!ok || *settings.radio < 1 || *settings.radio > kHighestRadioNr)
      return fail("--radio '" + parser.value(radio) +
                  QStringLiteral("' is not a radio number 1 to %1").arg(kHighestRadioNr));
    if (!settings.n1mmPort) return fail(QStringLiteral("--radio goes with --n1mm"));
  }
  if (parser.isSet(poll)) {
    bool ok = false;
    settings.pollMs = parser.value(poll).toInt(&ok);
    if (!ok || settings.pollMs < 10 || settings.pollMs > 60000)
      return fail("--poll '" + parser.value(poll) + "' is not 10 to 60000 ms");
    if (!settings.rigPort) return fail(QStringLiteral("--poll goes with --rig"));
  }
  if (parser.isSet(settle)) {
    bool ok = false;
    settings.settleMs = parser.value(settle).toInt(&ok);
    if (!ok || settings.settleMs < 0 || settings.settleMs > 60000)
      return fail("--settle '" + parser.value(settle) + "' is not 0 to 60000 ms");
  }
  return settings;
}

BandMap loadBandMap(const QString& path, const TunerLookup& lookup) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    throw OperatorError("map " + printable(path) + ": " + file.errorString());
  try {
    BandMap map = parseBandMap(QString::fromUtf8(file.readAll()));
    checkTunerMemories(map, lookup);
    return map;
  } catch (const BandMapError& e) {
    throw OperatorError("map " + printable(path) +
                        (e.line() > 0 ? QStringLiteral(" line %1").arg(e.line()) : QString()) + ": " + e.reason());
  }
}

int runFollow(const FollowTarget& controller, const QStringList& followArgs, TunerLookup lookup) {
  // Failures before anything is sent: bad use, exit status 1.
  const auto fail = [&controller](const QString& message) {
    printTo(stderr, controller.json
                        ? QString::fromUtf8(
                              QJsonDocument(QJsonObject{{"error", "bad-use"}, {"message", message}, {"status", 1}})
                                  .toJson(QJsonDocument::Compact))
                        : "orvctl follow: " + message);
    return 1;
  };
  QString error;
  const auto settings = parseFollowArgs(followArgs, &error);
  if (!settings) return fail(error);
  if (settings->help) {
    // A failed write shows in stdout's error state, which orvctl checks at its end.
    std::fputs(kHelp, stdout);
    return 0;
  }
  BandMap map;
  try {
    map = loadBandMap(settings->mapFile, lookup);
  } catch (const OperatorError& e) {
    return fail(e.message());
  }
  if (settings->checkOnly) {
    const QStringList hidden = hiddenRanges(map);
    for (const QString& line : hidden)
      printTo(stderr, "orvctl follow: warning: map " + printable(settings->mapFile) + ' ' + line);
    printTo(stdout, QStringLiteral("map %1: %2 rules, %3 warnings")
                        .arg(printable(settings->mapFile))
                        .arg(map.rules.size())
                        .arg(hidden.size()));
    return 0;
  }
  QuitOnSignal quitOnSignal;
  if (!quitOnSignal.installed()) return fail(QStringLiteral("cannot catch SIGINT and SIGTERM"));

  std::unique_ptr<FrequencySource> source;
  if (settings->n1mmPort)
    source =
        std::make_unique<N1mmSource>(settings->n1mmListen, *settings->n1mmPort, settings->n1mmSender, settings->radio);
  else
    source = std::make_unique<RigSource>(settings->rigHost, settings->rigPort, settings->pollMs);
  ControllerLink link;
  RequestQueue queue(link, RequestQueue::Options{controller.timeoutMs});
  Reconnector keepOpen(&link, controller.host, controller.port);
  FollowOptions options;
  options.switchWithoutPtt = settings->switchWithoutPtt;
  options.settleMs = settings->settleMs;
  Follower follower(std::move(map), *source, queue, std::move(lookup), options);
  QObject::connect(&follower, &Follower::event, [json = controller.json](const QString& text) {
    const QDateTime now = QDateTime::currentDateTime();
    printTo(stdout, json ? QString::fromUtf8(
                               QJsonDocument(QJsonObject{{"time", now.toString(Qt::ISODateWithMs)}, {"event", text}})
                                   .toJson(QJsonDocument::Compact))
                         : now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + text);
  });
  follower.start();
  keepOpen.start();
  QCoreApplication::exec();
  return 0;
}
