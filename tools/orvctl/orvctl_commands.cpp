#include "orvctl_commands.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonDocument>
#include <QRegularExpression>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/follow/follow_command.h"
#include "core/follow/printable.h"
#include "core/follow/quit_on_signal.h"
#include "core/model/file_names.h"
#include "core/model/formatting.h"
#include "core/model/program_folder.h"
#include "core/model/system_table.h"
#include "core/session/bus_scan.h"
#include "orvctl_panel_commands.h"
#include "core/storage/record_files.h"
#include "core/storage/settings_file.h"
#include "common/option_value.h"

namespace {

// The window program's settings file, which orvctl shares.
const QString kSettingsFile = QStringLiteral("OrvControlClient.INI");

struct CommandHelp {
  const char* name;
  const char* shape;
  const char* what;
};

// The commands beside those on panels.
const CommandHelp kRunCommands[] = {
    {"watch", "", "poll every panel, paced as the program's poll, and print a line per change until SIGINT or SIGTERM"},
    {"batch", "[--keep-going] FILE|-",
     "run get, set, step and recall lines from FILE (- for standard input) in one connection, one answer a line; "
     "stop at the first failure unless --keep-going"},
    {"follow", "...", "band following; orvctl follow --help"},
};

std::optional<CommandHelp> helpFor(const QString& command) {
  for (const PanelCommand& c : kPanelCommands)
    if (command == QLatin1String(c.name)) return CommandHelp{c.name, c.shape, c.what};
  for (const CommandHelp& c : kRunCommands)
    if (command == QLatin1String(c.name)) return c;
  return std::nullopt;
}

QString usageText() {
  QString text = QStringLiteral(
      "Usage: orvctl [global options] COMMAND [arguments]\n"
      "       orvctl [global options] - [--keep-going]      (batch from standard input)\n\n"
      "Talks to the controller of the Orv panels for the length of one command.\n\n"
      "Global options (before the command):\n"
      "  --host ADDR     controller address, numeric IPv4 (default: Address in the program's INI file, else "
      "127.0.0.1)\n"
      "  --port N        controller port (default: Port in the program's INI file, else 2501)\n"
      "  --dir DIR       the program's folder with its Configurations and INI file (default: as the program's)\n"
      "  --timeout MS    how long to wait for a reply (default 2000)\n"
      "  --json          results as JSON, failures as {\"error\", \"message\", \"status\"} on standard error\n"
      "  --verbose       show every line sent and received on standard error\n"
      "  --version       the version\n"
      "  -h, --help      this text; COMMAND --help describes one command\n\n"
      "Commands:\n");
  const auto line = [](const char* name, const char* shape, const char* what) {
    return QStringLiteral("  %1\n      %2\n")
        .arg((QLatin1String(name) + u' ' + QLatin1String(shape)).trimmed(), QLatin1String(what));
  };
  for (const PanelCommand& c : kPanelCommands) text += line(c.name, c.shape, c.what);
  for (const CommandHelp& c : kRunCommands) text += line(c.name, c.shape, c.what);
  text += QStringLiteral(
      "\nExit status: 0 done, 1 bad use (nothing sent), 2 no connection or connection lost, 3 no reply in time,\n"
      "4 the controller answered otherwise, 5 the output could not be written.\n");
  return text;
}

// Commands one a line, in one connection: each line answered by one line on standard output.
int batch(Session& s, QStringList args, QTextStream& in) {
  const bool keepGoing = args.removeAll(QStringLiteral("--keep-going")) > 0;
  if (args.size() != 1) badUse(QStringLiteral("usage: orvctl batch [--keep-going] FILE|-"));
  QFile file;
  QTextStream fileStream;
  QTextStream* source = &in;
  if (args[0] != u"-") {
    file.setFileName(args[0]);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
      badUse(QStringLiteral("batch \"%1\": %2").arg(printableStart(args[0]), file.errorString()));
    fileStream.setDevice(&file);
    source = &fileStream;
  }
  int status = Done;
  QString line;
  for (int number = 1; source->readLineInto(&line); ++number) {
    const QString text = line.trimmed();
    if (text.isEmpty() || text.startsWith(u'#')) continue;
    QStringList words = text.split(QRegularExpression(QStringLiteral("[ \\t]+")));
    const QString name = words.takeFirst();
    try {
      const PanelCommand* command = name == u"scan" || name == u"run" ? nullptr : panelCommand(name, words);
      if (!command)
        badUse(QStringLiteral("'%1' cannot be batched: get, set, step and recall can").arg(printableStart(name)));
      const Result result = command->run(s, words);
      s.print(result);
    } catch (const CommandFailure& f) {
      if (s.globals().json)
        s.out() << QJsonDocument(failureObject(f, f.message)).toJson(QJsonDocument::Compact) << '\n';
      else
        s.out() << QStringLiteral("error %1: %2\n").arg(f.status).arg(f.message);
      s.out().flush();
      printFailure(s.out(), s.err(), false, f, QStringLiteral("line %1").arg(number));
      if (status == Done) status = f.status;
      // A lost connection ends the batch whatever the option says.
      if (!keepGoing || f.status == NoConnection) break;
    }
  }
  s.close();
  return status;
}

// Polls every panel and prints its status at the start and whenever it changes.
int watch(Session& s, const QStringList& args) {
  if (!args.isEmpty()) badUse(QStringLiteral("usage: orvctl watch"));
  QuitOnSignal quit;
  if (!quit.installed()) badUse(QStringLiteral("cannot catch SIGINT and SIGTERM"));
  warnOfUnusable(s, readNames(s));
  const QList<int> found = usablePanels();
  if (found.isEmpty()) throw CommandFailure{OtherAnswer, QStringLiteral("the controller names no panel to watch")};
  QHash<int, std::optional<int>> last;
  while (!quit.requested()) {
    for (int panel : found) {
      std::optional<int> status;
      try {
        status = s.ask(Request::status(panel, Delay)).value;
      } catch (const CommandFailure& f) {
        if (f.status != NoReply) throw;
      }
      if (quit.requested()) break;
      if (last.contains(panel) && last.value(panel) == status) continue;
      last[panel] = status;
      s.print({addressText(panel) + u' ' + (status ? QString::number(*status) : QStringLiteral("no reply")),
               QJsonObject{{"address", addressText(panel)}, {"status", status ? QJsonValue(*status) : QJsonValue()}},
               std::nullopt});
      if (s.out().status() != QTextStream::Ok) return OutputFailed;
    }
  }
  s.close();
  return Done;
}

int follow(const Globals& g, const QStringList& args) {
  TunerLookup lookup = [loaded = false](int tuner, int memory) mutable -> std::optional<TunerMemory> {
    if (tuner < 1 || tuner > TunerSlots || memory < 1 || memory > TunerMemories) return std::nullopt;
    // Read once, at the start: a missing file is said with its path and reason.
    if (!loaded) {
      if (const FileResult read = records::readTunerFile(); !read) throw OperatorError(read.error);
      loaded = true;
    }
    // Address 0 is a record no scan has placed; the map check says so rather than "not stored".
    if (TunerArray[tuner - 1].Adresse == 0) return TunerMemory{0, 0};
    return storedTunerMemory(tuner, memory);
  };
  return runFollow(FollowTarget{g.host, static_cast<quint16>(g.port), g.timeoutMs, g.json}, args, std::move(lookup));
}

bool asksForHelp(const QStringList& args) { return args.contains(u"--help") || args.contains(u"-h"); }

int runCommand(const QStringList& args, QTextStream& in, QTextStream& out, QTextStream& err, bool& json) {
  std::optional<QString> host, port, dir, timeout;
  bool verbose = false;
  qsizetype i = 0;
  while (i < args.size() && args[i].startsWith(u'-') && args[i] != u"-") {
    if (args[i] == u"-h" || args[i] == u"--help") {
      out << usageText();
      return Done;
    }
    if (args[i] == u"--version") {
      out << QStringLiteral("orvctl %1\n").arg(QStringLiteral(ORVCTL_VERSION));
      return Done;
    }
    if (args[i] == u"--json") {
      json = true;
      ++i;
    } else if (args[i] == u"--verbose") {
      verbose = true;
      ++i;
    } else if (auto v = optionValue(args, i, QStringLiteral("--host"), badUse)) {
      host = v;
    } else if (auto v = optionValue(args, i, QStringLiteral("--port"), badUse)) {
      port = v;
    } else if (auto v = optionValue(args, i, QStringLiteral("--dir"), badUse)) {
      dir = v;
    } else if (auto v = optionValue(args, i, QStringLiteral("--timeout"), badUse)) {
      timeout = v;
    } else {
      badUse(QStringLiteral("unknown option '%1'; orvctl --help lists them").arg(printableStart(args[i])));
    }
  }
  if (i >= args.size()) badUse(QStringLiteral("no command given; orvctl --help lists them"));
  const QString command = args[i] == u"-" ? QStringLiteral("batch") : args[i];
  QStringList rest = args.mid(i + 1);
  if (args[i] == u"-") rest.append(QStringLiteral("-"));
  if (command == u"scan" && rest == QStringList{QStringLiteral("--json")}) json = true;

  if (command != u"follow" && asksForHelp(rest)) {
    const auto help = helpFor(command);
    if (!help) badUse(QStringLiteral("unknown command '%1'; orvctl --help lists them").arg(printableStart(command)));
    out << QStringLiteral("usage: orvctl %1\n  %2\n")
               .arg((command + u' ' + QLatin1String(help->shape)).trimmed(), QLatin1String(help->what));
    return Done;
  }

  InstalledPath = dir ? QFileInfo(*dir).absoluteFilePath() + u'/' : defaultProgramFolder();
  if (dir && !QFileInfo(*dir).isDir())
    badUse(QStringLiteral("--dir: \"%1\" is not a folder").arg(printableStart(*dir)));
  const QString settingsPath = filenames::programFile(kSettingsFile);
  const TcpSettings stored = readTcpSettings(settingsPath);

  Globals g;
  g.json = json;
  g.verbose = verbose;
  g.host = host.value_or(stored.address);
  QHostAddress numeric;
  if (!numeric.setAddress(g.host) || numeric.protocol() != QAbstractSocket::IPv4Protocol)
    badUse(
        QStringLiteral("'%1' is not a numeric IPv4 address%2")
            .arg(printableStart(g.host), host ? QString() : QStringLiteral(" (Address in \"%1\")").arg(settingsPath)));
  g.port = port ? boundedArgument(*port, QStringLiteral("--port"), 1, 65535)
                : boundedArgument(stored.port, QStringLiteral("Port in \"%1\"").arg(settingsPath), 1, 65535);
  if (timeout) g.timeoutMs = boundedArgument(*timeout, QStringLiteral("--timeout"), 1, 3600000);

  if (command == u"follow") return follow(g, rest);
  Session session(g, out, err);
  if (command == u"batch") return batch(session, rest, in);
  if (command == u"watch") return watch(session, rest);
  const PanelCommand* entry = panelCommand(command, rest);
  if (!entry) badUse(QStringLiteral("unknown command '%1'; orvctl --help lists them").arg(printableStart(command)));
  const Result result = entry->run(session, rest);
  session.close();
  session.print(result);
  if (result.failure) throw *result.failure;
  return Done;
}

}  // namespace

int runOrvctl(const QStringList& args, QTextStream& in, QTextStream& out, QTextStream& err) {
  bool json = false;
  int status = Done;
  try {
    status = runCommand(args, in, out, err, json);
  } catch (const CommandFailure& f) {
    printFailure(out, err, json, f);
    status = f.status;
  }
  // A full disk or a closed standard output is a failure too.
  out.flush();
  errno = 0;
  const bool stdioFailed = std::fflush(stdout) != 0 || std::ferror(stdout);
  const int stdioError = errno;
  if (out.status() != QTextStream::Ok || stdioFailed) {
    const QString reason = ::fcntl(STDOUT_FILENO, F_GETFD) == -1 ? QStringLiteral("it is closed")
                           : stdioError != 0                     ? QString::fromLocal8Bit(std::strerror(stdioError))
                           : out.device()                        ? out.device()->errorString()
                                                                 : QString();
    err << QStringLiteral("orvctl: cannot write to standard output: %1").arg(printable(reason)) << Qt::endl;
    return status == Done ? OutputFailed : status;
  }
  return status;
}
