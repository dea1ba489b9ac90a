#include "orvctl_commands.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include "follow/follow_command.h"
#include "follow/printable.h"
#include "model/file_names.h"
#include "model/formatting.h"
#include "model/program_folder.h"
#include "model/system_table.h"
#include "orvctl_link.h"
#include "storage/record_files.h"
#include "storage/settings_file.h"
#include "userconfig/command_files.h"

namespace {

constexpr int kDefaultTimeoutMs = 2000;
// The window program's settings file, which orvctl shares.
const QString kSettingsFile = QStringLiteral("OrvControlClient.INI");

const char* const kUsage = R"(Usage: orvctl [global options] COMMAND [arguments]

Talks to the controller of the Orv panels for the length of one command.

Global options (before the command):
  --host ADDR     controller address, numeric IPv4 (default: Address in the program's INI file, else 127.0.0.1)
  --port N        controller port (default: Port in the program's INI file, else 2501)
  --dir DIR       the program's folder with its Configurations and INI file (default: as the program's)
  --timeout MS    how long to wait for a reply (default 2000)
  -h, --help      this text

Commands:
  scan [--json]            ask for every panel and its status; --json prints a JSON array
  get ADDR                 print the status value of panel ADDR (0x00 to 0x7F)
  set ADDR VALUE           set panel ADDR to VALUE and check its reply
  step ADDR +N|-N          move an Orv11 tuner by N settings, within 0..255
  recall TUNER MEMORY      send memory MEMORY (1..48) of tuner TUNER (1..4) from Configurations/Tuner.dat
  run N                    replay Configurations/N_UserConfig.txt (N 0..19), 100 ms between lines
  follow ...               band following; orvctl follow --help

Exit status: 0 done, 1 bad use (nothing sent), 2 no connection or connection lost, 3 no reply in time,
4 the controller answered otherwise.
)";

[[noreturn]] void badUse(const QString& message) { throw CommandFailure{BadUse, message}; }

int integerArgument(const QString& text, const QString& what) {
  try {
    return StrToInt(text);
  } catch (const ConversionError& e) {
    badUse(what + QStringLiteral(": ") + e.message());
  }
}

int boundedArgument(const QString& text, const QString& what, int low, int high) {
  const int value = integerArgument(text, what);
  if (value < low || value > high)
    badUse(QStringLiteral("%1 must lie in %2..%3, not %4").arg(what).arg(low).arg(high).arg(value));
  return value;
}

// "0x" and two hexadecimal digits, 0x00 to 0x7F.
int addressArgument(const QString& text) {
  bool ok = false;
  const int value = text.size() == 4 && text.startsWith(u"0x", Qt::CaseInsensitive) ? text.mid(2).toInt(&ok, 16) : -1;
  if (!ok || !isSystemSlot(value))
    badUse(QStringLiteral("'%1' is not a panel address: write 0x and two hexadecimal digits, 0x00 to 0x7F")
               .arg(printable(text)));
  return value;
}

void expectArguments(const QStringList& args, qsizetype count, const QString& command, const QString& shape) {
  if (args.size() != count) badUse(QStringLiteral("usage: orvctl %1 %2").arg(command, shape));
}

struct Globals {
  QString host;
  int port = 0;
  int timeoutMs = kDefaultTimeoutMs;
};

QString statusShown(const TSystemRecord& rec) {
  return modelOf(rec) == Model::Orv11 ? hexText(rec.Status, 2) : QString::number(rec.Status);
}

int setAndCheck(OrvctlLink& link, int address, int value, QTextStream& out) {
  link.open();
  link.send(command::setValue(address, value));
  const int reported = link.waitForStatus(address);
  link.close();
  if (reported != value)
    throw CommandFailure{OtherAnswer,
                         QStringLiteral("0x%1 reported %2, not %3").arg(hexText(address, 2)).arg(reported).arg(value)};
  out << value << Qt::endl;
  return Done;
}

// The name request and its reply, taken into the table as the program does.
void readNames(OrvctlLink& link) {
  link.send(command::nameRequest());
  const QString reply =
      link.waitFor([](const QString& chunk) { return chunk.indexOf(u"0xFF") >= 1; }, QStringLiteral("the name reply"));
  const NameReply names = readNameReply(reply);
  if (names.failedText)
    throw CommandFailure{
        OtherAnswer, QStringLiteral("%1 answered: %2").arg(link.where(), ConversionError(*names.failedText).message())};
  applyNameReply(names);
}

int scan(const Globals& g, const QStringList& args, QTextStream& out, QTextStream& err) {
  if (args.size() > 1 || (args.size() == 1 && args[0] != u"--json"))
    badUse(QStringLiteral("usage: orvctl scan [--json]"));
  const bool json = args.size() == 1;
  const bool showProgress = ::isatty(STDERR_FILENO) == 1;
  OrvctlLink link(g.host, g.port, g.timeoutMs);
  link.open();
  readNames(link);
  QList<int> found;
  for (int n = 1; n < SystemSlots; ++n)
    if (SystemArray[n].I_bruk) found.append(n);
  for (qsizetype i = 0; i < found.size(); ++i) {
    TSystemRecord& rec = SystemArray[found[i]];
    if (showProgress)
      err << QStringLiteral("\rpolling 0x%1 (%2 of %3)").arg(hexText(rec.Adresse, 2)).arg(i + 1).arg(found.size())
          << Qt::flush;
    link.send(command::statusRequest(rec.Adresse));
    link.pause(Delay);
    rec.Status = link.waitForStatus(rec.Adresse);
  }
  if (showProgress) err << u'\r' << QString(40, u' ') << u'\r' << Qt::flush;
  link.close();

  if (json) {
    QJsonArray panels;
    for (int n : found) {
      const TSystemRecord& rec = SystemArray[n];
      panels.append(QJsonObject{{"address", addressText(rec.Adresse)},
                                {"model", rec.Navn.text()},
                                {"description", rec.BrukerDef.text()},
                                {"status", rec.Status},
                                {"tuner", modelOf(rec) == Model::Orv11 ? QJsonValue(rec.TunerNr) : QJsonValue()}});
    }
    out << QJsonDocument(panels).toJson(QJsonDocument::Indented);
  } else {
    for (int n : found) {
      const TSystemRecord& rec = SystemArray[n];
      out << QStringLiteral("%1  %2  %3  %4")
                 .arg(addressText(rec.Adresse), printable(rec.Navn.text()).leftJustified(6),
                      rec.BrukerDef.text().leftJustified(30), statusShown(rec))
          << Qt::endl;
    }
  }
  return Done;
}

int get(const Globals& g, const QStringList& args, QTextStream& out) {
  expectArguments(args, 1, QStringLiteral("get"), QStringLiteral("ADDR"));
  const int address = addressArgument(args[0]);
  OrvctlLink link(g.host, g.port, g.timeoutMs);
  link.open();
  link.send(command::statusRequest(address));
  out << link.waitForStatus(address) << Qt::endl;
  link.close();
  return Done;
}

int set(const Globals& g, const QStringList& args, QTextStream& out) {
  expectArguments(args, 2, QStringLiteral("set"), QStringLiteral("ADDR VALUE"));
  const int address = addressArgument(args[0]);
  const int value = integerArgument(args[1], QStringLiteral("VALUE"));
  OrvctlLink link(g.host, g.port, g.timeoutMs);
  return setAndCheck(link, address, value, out);
}

int step(const Globals& g, const QStringList& args, QTextStream& out) {
  expectArguments(args, 2, QStringLiteral("step"), QStringLiteral("ADDR +N|-N"));
  const int address = addressArgument(args[0]);
  const int delta = integerArgument(args[1], QStringLiteral("N"));
  OrvctlLink link(g.host, g.port, g.timeoutMs);
  link.open();
  readNames(link);
  const TSystemRecord& rec = SystemArray[address];
  if (!rec.I_bruk || rec.Adresse != address)
    throw CommandFailure{OtherAnswer, QStringLiteral("no panel answers at 0x%1").arg(hexText(address, 2))};
  if (modelOf(rec) != Model::Orv11)
    throw CommandFailure{
        OtherAnswer,
        QStringLiteral("0x%1 is an %2, not an Orv11").arg(hexText(address, 2), printable(rec.Navn.text()))};
  link.send(command::statusRequest(address));
  const int position = link.waitForStatus(address);
  return setAndCheck(link, address, orv11Step(position, delta), out);
}

int recall(const Globals& g, const QStringList& args, QTextStream& out) {
  expectArguments(args, 2, QStringLiteral("recall"), QStringLiteral("TUNER MEMORY"));
  const int tuner = boundedArgument(args[0], QStringLiteral("TUNER"), 1, TunerSlots);
  const int memory = boundedArgument(args[1], QStringLiteral("MEMORY"), 1, TunerMemories);
  if (const FileResult read = records::readTunerFile(); !read) badUse(read.error);
  const TTunerRecord& rec = TunerArray[tuner - 1];
  // A record that no scan has filled holds address 0, where no tuner is polled.
  if (rec.Adresse < 1 || !isSystemSlot(rec.Adresse))
    badUse(QStringLiteral("tuner %1 has no panel address in \"%2\"; a scan in the program stores it")
               .arg(tuner)
               .arg(records::tunerPath()));
  OrvctlLink link(g.host, g.port, g.timeoutMs);
  return setAndCheck(link, rec.Adresse, rec.Buttons[memory - 1].Verdi, out);
}

int run(const Globals& g, const QStringList& args) {
  expectArguments(args, 1, QStringLiteral("run"), QStringLiteral("N"));
  const int slot = boundedArgument(args[0], QStringLiteral("N"), 0, MaxUsrBtns - 1);
  const QString path = commandFilePath(slot);
  if (!QFileInfo(path).isFile()) badUse(QStringLiteral("Cannot open file \"%1\". The file does not exist.").arg(path));
  CommandFile file;
  try {
    file = readCommandFile(path);
  } catch (const OperatorError& e) {
    badUse(e.message());
  }
  OrvctlLink link(g.host, g.port, g.timeoutMs);
  link.open();
  // The first line is the button's text; each command is followed by the replay's pause.
  for (qsizetype i = 1; i < file.lines.size(); ++i) {
    link.send(file.lines[i] + CrLf);
    link.pause(Delay);
  }
  link.close();
  return Done;
}

int follow(const Globals& g, const QStringList& args) {
  TunerLookup lookup = [](int tuner, int memory) -> std::optional<TunerMemory> {
    if (tuner < 1 || tuner > TunerSlots || memory < 1 || memory > TunerMemories || !records::readTunerFile())
      return std::nullopt;
    const TTunerRecord& rec = TunerArray[tuner - 1];
    return TunerMemory{rec.Adresse, rec.Buttons[memory - 1].Verdi};
  };
  return runFollow(FollowTarget{g.host, static_cast<quint16>(g.port), g.timeoutMs}, args, std::move(lookup));
}

// The value of "--name VALUE" or "--name=VALUE" at args[i]; advances i past it.
std::optional<QString> optionValue(const QStringList& args, qsizetype& i, const QString& name) {
  const QString& a = args[i];
  if (a == name) {
    if (i + 1 >= args.size()) badUse(name + QStringLiteral(" needs a value"));
    i += 2;
    return args[i - 1];
  }
  if (a.startsWith(name + u'=')) {
    ++i;
    return a.mid(name.size() + 1);
  }
  return std::nullopt;
}

}  // namespace

int runOrvctl(const QStringList& args, QTextStream& out, QTextStream& err) {
  try {
    std::optional<QString> host, port, dir, timeout;
    qsizetype i = 0;
    while (i < args.size() && args[i].startsWith(u'-')) {
      if (args[i] == u"-h" || args[i] == u"--help") {
        out << kUsage;
        return Done;
      }
      if (auto v = optionValue(args, i, QStringLiteral("--host")))
        host = v;
      else if (auto v = optionValue(args, i, QStringLiteral("--port")))
        port = v;
      else if (auto v = optionValue(args, i, QStringLiteral("--dir")))
        dir = v;
      else if (auto v = optionValue(args, i, QStringLiteral("--timeout")))
        timeout = v;
      else
        badUse(QStringLiteral("unknown option '%1'; orvctl --help lists them").arg(printable(args[i])));
    }
    if (i >= args.size()) badUse(QStringLiteral("no command given; orvctl --help lists them"));
    const QString command = args[i];
    const QStringList rest = args.mid(i + 1);

    InstalledPath = dir ? QFileInfo(*dir).absoluteFilePath() + u'/' : defaultProgramFolder();
    if (dir && !QFileInfo(*dir).isDir()) badUse(QStringLiteral("--dir: \"%1\" is not a folder").arg(*dir));
    const QString settingsPath = filenames::programFile(kSettingsFile);
    const TcpSettings stored = readTcpSettings(settingsPath);

    Globals g;
    g.host = host.value_or(stored.address);
    QHostAddress numeric;
    if (!numeric.setAddress(g.host) || numeric.protocol() != QAbstractSocket::IPv4Protocol)
      badUse(QStringLiteral("'%1' is not a numeric IPv4 address%2")
                 .arg(printable(g.host), host ? QString() : QStringLiteral(" (Address in \"%1\")").arg(settingsPath)));
    g.port = port ? boundedArgument(*port, QStringLiteral("--port"), 1, 65535)
                  : boundedArgument(stored.port, QStringLiteral("Port in \"%1\"").arg(settingsPath), 1, 65535);
    if (timeout) g.timeoutMs = boundedArgument(*timeout, QStringLiteral("--timeout"), 1, 3600000);

    if (command == u"scan") return scan(g, rest, out, err);
    if (command == u"get") return get(g, rest, out);
    if (command == u"set") return set(g, rest, out);
    if (command == u"step") return step(g, rest, out);
    if (command == u"recall") return recall(g, rest, out);
    if (command == u"run") return run(g, rest);
    if (command == u"follow") return follow(g, rest);
    badUse(QStringLiteral("unknown command '%1'; orvctl --help lists them").arg(printable(command)));
  } catch (const CommandFailure& f) {
    out.flush();
    err << QStringLiteral("orvctl: ") << f.message << Qt::endl;
    return f.status;
  }
}
