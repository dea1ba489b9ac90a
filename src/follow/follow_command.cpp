#include "follow/follow_command.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <memory>

#include "follow/controller_channel.h"
#include "follow/follower.h"
#include "follow/n1mm_source.h"
#include "follow/rig_source.h"

namespace {

const char* const kUsage =
    "usage: orvctl [--host ADDR] [--port N] [--timeout MS] follow (--rig HOST:PORT [--poll MS] | --n1mm PORT "
    "[--radio N]) --map FILE [--no-ptt-check]";

std::optional<quint16> readPort(const QString& text) {
  bool ok = false;
  const int port = text.toInt(&ok);
  return ok && port >= 1 && port <= 65535 ? std::optional<quint16>(port) : std::nullopt;
}

void printTo(FILE* stream, const QString& line) {
  std::fputs((line + u'\n').toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

// SIGINT and SIGTERM end the event loop through a pipe, so the follower stops between events and
// every destructor runs. The previous handlers come back afterwards.
class QuitOnSignal {
 public:
  QuitOnSignal() {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    writeEnd_ = fds_[1];
    struct sigaction action {};
    action.sa_handler = &QuitOnSignal::onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
      char byte;
      while (::read(fds_[0], &byte, 1) > 0) {
      }
      QCoreApplication::quit();
    });
  }
  ~QuitOnSignal() {
    if (!notifier_) return;
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
    writeEnd_ = -1;
    notifier_.reset();
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  QuitOnSignal(const QuitOnSignal&) = delete;
  QuitOnSignal& operator=(const QuitOnSignal&) = delete;
  bool installed() const { return notifier_ != nullptr; }

 private:
  static void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(writeEnd_, &byte, 1);
  }

  static inline volatile std::sig_atomic_t writeEnd_ = -1;
  int fds_[2] = {-1, -1};
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

std::optional<FollowSettings> parseFollowArgs(const QStringList& args, QString* error) {
  QCommandLineParser parser;
  const QCommandLineOption rig(QStringLiteral("rig"), {}, QStringLiteral("HOST:PORT"));
  const QCommandLineOption n1mm(QStringLiteral("n1mm"), {}, QStringLiteral("PORT"));
  const QCommandLineOption radio(QStringLiteral("radio"), {}, QStringLiteral("N"));
  const QCommandLineOption map(QStringLiteral("map"), {}, QStringLiteral("FILE"));
  const QCommandLineOption poll(QStringLiteral("poll"), {}, QStringLiteral("MS"));
  const QCommandLineOption noPtt(QStringLiteral("no-ptt-check"));
  parser.addOptions({rig, n1mm, radio, map, poll, noPtt});
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);

  const auto fail = [error](const QString& message) {
    *error = message + u'\n' + QLatin1String(kUsage);
    return std::nullopt;
  };
  if (!parser.parse(QStringList{QStringLiteral("follow")} + args)) return fail(parser.errorText());
  if (!parser.positionalArguments().isEmpty())
    return fail("unexpected argument '" + parser.positionalArguments().first() + u'\'');
  if (parser.isSet(rig) == parser.isSet(n1mm)) return fail(QStringLiteral("give either --rig or --n1mm"));
  if (!parser.isSet(map)) return fail(QStringLiteral("--map FILE is missing"));

  FollowSettings settings;
  settings.mapFile = parser.value(map);
  settings.switchWithoutPtt = parser.isSet(noPtt);
  if (parser.isSet(rig)) {
    const QString value = parser.value(rig);
    const qsizetype colon = value.lastIndexOf(u':');
    const auto port = colon > 0 ? readPort(value.sliced(colon + 1)) : std::nullopt;
    if (!port) return fail("--rig '" + value + "' is not HOST:PORT");
    settings.rigHost = value.first(colon);
    settings.rigPort = *port;
  } else {
    settings.n1mmPort = readPort(parser.value(n1mm));
    if (!settings.n1mmPort) return fail("--n1mm '" + parser.value(n1mm) + "' is not a port 1 to 65535");
  }
  if (parser.isSet(radio)) {
    bool ok = false;
    settings.radio = parser.value(radio).toInt(&ok);
    if (!ok || *settings.radio < 1) return fail("--radio '" + parser.value(radio) + "' is not a radio number");
    if (!settings.n1mmPort) return fail(QStringLiteral("--radio goes with --n1mm"));
  }
  if (parser.isSet(poll)) {
    bool ok = false;
    settings.pollMs = parser.value(poll).toInt(&ok);
    if (!ok || settings.pollMs < 10 || settings.pollMs > 60000)
      return fail("--poll '" + parser.value(poll) + "' is not 10 to 60000 ms");
    if (!settings.rigPort) return fail(QStringLiteral("--poll goes with --rig"));
  }
  return settings;
}

BandMap loadBandMap(const QString& path, const TunerLookup& lookup) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) throw OperatorError("map " + path + ": " + file.errorString());
  try {
    BandMap map = parseBandMap(QString::fromUtf8(file.readAll()));
    checkTunerMemories(map, lookup);
    return map;
  } catch (const BandMapError& e) {
    throw OperatorError("map " + path + (e.line() > 0 ? QStringLiteral(" line %1").arg(e.line()) : QString()) + ": " +
                        e.reason());
  }
}

int runFollow(const FollowTarget& controller, const QStringList& followArgs, TunerLookup lookup) {
  QString error;
  const auto settings = parseFollowArgs(followArgs, &error);
  if (!settings) {
    printTo(stderr, "orvctl follow: " + error);
    return 1;
  }
  BandMap map;
  try {
    map = loadBandMap(settings->mapFile, lookup);
  } catch (const OperatorError& e) {
    printTo(stderr, "orvctl follow: " + e.message());
    return 1;
  }
  QuitOnSignal quitOnSignal;
  if (!quitOnSignal.installed()) {
    printTo(stderr, QStringLiteral("orvctl follow: cannot catch SIGINT and SIGTERM"));
    return 1;
  }

  std::unique_ptr<FrequencySource> source;
  if (settings->n1mmPort)
    source = std::make_unique<N1mmSource>(*settings->n1mmPort, settings->radio);
  else
    source = std::make_unique<RigSource>(settings->rigHost, settings->rigPort, settings->pollMs);
  ControllerChannel channel(controller.host, controller.port, controller.timeoutMs);
  Follower follower(std::move(map), *source, channel, std::move(lookup), {settings->switchWithoutPtt});
  QObject::connect(&follower, &Follower::event, [](const QString& text) {
    printTo(stdout, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + text);
  });
  follower.start();
  QCoreApplication::exec();
  return 0;
}
