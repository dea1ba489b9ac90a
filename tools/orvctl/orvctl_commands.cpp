#include "orvctl_commands.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "follow/band_map.h"
#include "follow/follow_command.h"
#include "follow/printable.h"
#include "follow/quit_on_signal.h"
#include "link/protocol.h"
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

struct CommandHelp {
  const char* name;
  const char* shape;
  const char* what;
};

const CommandHelp kCommands[] = {
    {"scan", "", "ask for every panel, then each one's status, paced as the program's poll"},
    {"get", "ADDR", "print the status value of panel ADDR (0x00 to 0x7F)"},
    {"set", "ADDR VALUE", "set panel ADDR to VALUE (0 to 255) and check that its reply reports it"},
    {"step", "ADDR +N|-N", "move an Orv11 tuner by N settings, within 0..255"},
    {"recall", "TUNER MEMORY", "send memory MEMORY (1..48) of tuner TUNER (1..4) from Configurations/Tuner.dat"},
    {"run", "N", "replay Configurations/N_UserConfig.txt (N 0..19), 100 ms between lines, each reply checked"},
    {"watch", "", "poll every panel, paced as the program's poll, and print a line per change until SIGINT or SIGTERM"},
    {"batch", "[--keep-going] FILE|-",
     "run get, set, step and recall lines from FILE (- for standard input) in one connection, one answer a line; "
     "stop at the first failure unless --keep-going"},
    {"follow", "...", "band following; orvctl follow --help"},
};

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
  for (const CommandHelp& c : kCommands)
    text +=
        QStringLiteral("  %1 %2\n      %3\n").arg(QLatin1String(c.name), QLatin1String(c.shape), QLatin1String(c.what));
  text += QStringLiteral(
      "\nExit status: 0 done, 1 bad use (nothing sent), 2 no connection or connection lost, 3 no reply in time,\n"
      "4 the controller answered otherwise, 5 the output could not be written.\n");
  return text;
}

const CommandHelp* helpFor(const QString& command) {
  for (const CommandHelp& c : kCommands)
    if (command == QLatin1String(c.name)) return &c;
  return nullptr;
}

// Text from the command line or a file, fit for one line of a message.
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

QString address(int a) { return addressText(a); }

struct Globals {
  QString host;
  int port = 0;
  int timeoutMs = kDefaultTimeoutMs;
  bool json = false;
  bool verbose = false;
};

// What a command has to say: text for a person, JSON for a script.
struct Result {
  QString text;
  QJsonValue json;
  // A failure that comes after the result is shown (a scan with a silent panel).
  std::optional<CommandFailure> failure;
};

Result statusResult(int panel, int status) {
  return {QString::number(status), QJsonObject{{"address", address(panel)}, {"status", status}}, std::nullopt};
}

// The memory's setting and its tuner's address when it was ever stored: a memory left as the
// program makes it (label "No config", or no label, at setting 0) has none.
std::optional<TunerMemory> storedTunerMemory(int tuner, int memory) {
  const TTunerRecord& rec = TunerArray[tuner - 1];
  const TKnapperRecord& button = rec.Buttons[memory - 1];
  const QString label = button.Tekst.text();
  if (button.Verdi == 0 && (label.isEmpty() || label == u"No \n config")) return std::nullopt;
  return TunerMemory{rec.Adresse, button.Verdi};
}

// A terminal line that says how far a scan is; cleared however the scan ends.
class Progress {
 public:
  explicit Progress(QTextStream& err) : err_(err), shown_(::isatty(STDERR_FILENO) == 1) {}
  ~Progress() {
    if (shown_) err_ << u'\r' << QString(40, u' ') << u'\r' << Qt::flush;
  }
  void show(const QString& text) {
    if (shown_) err_ << u'\r' << text << Qt::flush;
  }

 private:
  QTextStream& err_;
  bool shown_;
};

class Session {
 public:
  Session(const Globals& g, QTextStream& out, QTextStream& err)
      : g_(g), out_(out), err_(err), link_(g.host, g.port, g.timeoutMs, trafficTo(g, err)) {}

  OrvctlLink& link() {
    link_.open();
    return link_;
  }
  void close() { link_.close(); }
  QTextStream& out() { return out_; }
  QTextStream& err() { return err_; }
  const Globals& globals() const { return g_; }
  void warn(const QString& text) {
    out_.flush();
    err_ << "orvctl: warning: " << text << Qt::endl;
  }

 private:
  static std::function<void(const QString&)> trafficTo(const Globals& g, QTextStream& err) {
    if (!g.verbose) return {};
    return [&err](const QString& line) { err << line << Qt::endl; };
  }

  const Globals& g_;
  QTextStream& out_;
  QTextStream& err_;
  OrvctlLink link_;
};

int setAndCheck(Session& s, int panel, int value) {
  OrvctlLink& link = s.link();
  link.send(command::setValue(panel, value));
  const int reported = link.waitForStatus(panel);
  if (reported != value)
    throw CommandFailure{OtherAnswer,
                         QStringLiteral("%1 reported %2, not %3").arg(address(panel)).arg(reported).arg(value)};
  return value;
}

// The name request and its reply, taken into the table as the program does.
NameReply readNames(Session& s) {
  OrvctlLink& link = s.link();
  link.send(command::nameRequest());
  const QString reply =
      link.waitForLine([](const QString& line) { return line.startsWith(u"#0xFF Ret", Qt::CaseInsensitive); },
                       QStringLiteral("the name reply"));
  NameReply names = readNameReply(reply + QStringLiteral("\r\n"));
  if (names.failedText)
    throw CommandFailure{OtherAnswer,
                         QStringLiteral("%1 answered the name request with %2: %3")
                             .arg(link.where(), shown(reply), shown(ConversionError(*names.failedText).message()))};
  applyNameReply(names);
  return names;
}

// The panels a name reply gives that can be used; says which cannot.
QList<int> usablePanels(Session& s, const NameReply& names) {
  for (const NameEntry& e : names.entries)
    if (e.slot < 1 || e.slot > 0x7F)
      s.warn(QStringLiteral("the controller names %1 at %2, which cannot be used: panels are 0x01 to 0x7F")
                 .arg(shown(e.model), e.slot < 0 || e.slot > 0xFF ? QString::number(e.slot) : address(e.slot)));
  QList<int> found;
  for (int n = 1; n < SystemSlots; ++n)
    if (SystemArray[n].I_bruk && SystemArray[n].Adresse == n) found.append(n);
  return found;
}

Result scan(Session& s, const QStringList& args) {
  if (args.size() > 1 || (args.size() == 1 && args[0] != u"--json")) badUse(QStringLiteral("usage: orvctl scan"));
  const NameReply names = readNames(s);
  const QList<int> found = usablePanels(s, names);
  QList<int> silent;
  {
    Progress progress(s.err());
    for (qsizetype i = 0; i < found.size(); ++i) {
      TSystemRecord& rec = SystemArray[found[i]];
      progress.show(QStringLiteral("polling %1 (%2 of %3)").arg(address(rec.Adresse)).arg(i + 1).arg(found.size()));
      OrvctlLink& link = s.link();
      link.send(command::statusRequest(rec.Adresse));
      link.pause(Delay);
      try {
        rec.Status = link.waitForStatus(rec.Adresse);
      } catch (const CommandFailure& f) {
        if (f.status != NoReply) throw;
        silent.append(found[i]);
      }
    }
  }
  Result result;
  QJsonArray panels;
  for (int n : found) {
    const TSystemRecord& rec = SystemArray[n];
    const bool answered = !silent.contains(n);
    panels.append(QJsonObject{{"address", address(rec.Adresse)},
                              {"model", rec.Navn.text()},
                              {"description", rec.BrukerDef.text()},
                              {"status", answered ? QJsonValue(rec.Status) : QJsonValue()},
                              {"tuner", modelOf(rec) == Model::Orv11 ? QJsonValue(rec.TunerNr) : QJsonValue()}});
    result.text += QStringLiteral("%1  %2  %3  %4\n")
                       .arg(address(rec.Adresse), printable(rec.Navn.text()).leftJustified(6),
                            printable(rec.BrukerDef.text()).leftJustified(30),
                            answered ? QString::number(rec.Status) : QStringLiteral("no reply"));
  }
  result.text.chop(1);
  result.json = panels;
  if (!silent.isEmpty()) {
    QStringList silentNames;
    for (int n : silent) silentNames << address(n);
    result.failure = CommandFailure{NoReply, QStringLiteral("no reply from %1 within %2 ms: the status of %3")
                                                 .arg(s.link().where())
                                                 .arg(s.globals().timeoutMs)
                                                 .arg(silentNames.join(QStringLiteral(", ")))};
  }
  return result;
}

Result get(Session& s, const QStringList& args) {
  const int panel = addressArgument(args[0]);
  OrvctlLink& link = s.link();
  link.send(command::statusRequest(panel));
  return statusResult(panel, link.waitForStatus(panel));
}

Result set(Session& s, const QStringList& args) {
  const int panel = addressArgument(args[0]);
  const int value = boundedArgument(args[1], QStringLiteral("VALUE"), 0, 255);
  return statusResult(panel, setAndCheck(s, panel, value));
}

Result step(Session& s, const QStringList& args) {
  const int panel = addressArgument(args[0]);
  const int delta = integerArgument(args[1], QStringLiteral("N"));
  readNames(s);
  const TSystemRecord& rec = SystemArray[panel];
  if (!rec.I_bruk || rec.Adresse != panel)
    throw CommandFailure{OtherAnswer, QStringLiteral("no panel answers at %1").arg(address(panel))};
  if (modelOf(rec) != Model::Orv11)
    throw CommandFailure{OtherAnswer,
                         QStringLiteral("%1 is an %2, not an Orv11").arg(address(panel), shown(rec.Navn.text()))};
  OrvctlLink& link = s.link();
  link.send(command::statusRequest(panel));
  const int position = link.waitForStatus(panel);
  return statusResult(panel, setAndCheck(s, panel, orv11Step(position, delta)));
}

Result recall(Session& s, const QStringList& args) {
  const int tuner = boundedArgument(args[0], QStringLiteral("TUNER"), 1, TunerSlots);
  const int memory = boundedArgument(args[1], QStringLiteral("MEMORY"), 1, TunerMemories);
  if (const FileResult read = records::readTunerFile(); !read) badUse(read.error);
  const TTunerRecord& rec = TunerArray[tuner - 1];
  // A record that no scan has filled holds address 0, where no tuner is polled.
  if (rec.Adresse < 1 || rec.Adresse > 0x7F)
    badUse(QStringLiteral("tuner %1 has no panel address in \"%2\"; a scan in the program stores it")
               .arg(tuner)
               .arg(records::tunerPath()));
  const auto stored = storedTunerMemory(tuner, memory);
  if (!stored)
    badUse(QStringLiteral("tuner %1 memory %2 has no stored setting in \"%3\"")
               .arg(tuner)
               .arg(memory)
               .arg(records::tunerPath()));
  if (stored->value < 0 || stored->value > 255)
    badUse(QStringLiteral("tuner %1 memory %2 holds %3 in \"%4\", not a setting 0..255")
               .arg(tuner)
               .arg(memory)
               .arg(stored->value)
               .arg(records::tunerPath()));
  return statusResult(rec.Adresse, setAndCheck(s, rec.Adresse, stored->value));
}

// "#0xAA Set X:1=V", as the editor writes them, with an address and a value a panel can take.
std::optional<TunerMemory> readSetLine(const QString& line) {
  static const QRegularExpression pattern(QStringLiteral("^#(0x[0-9A-Fa-f]{2}) Set X:1=(\\d{1,3})$"));
  const auto m = pattern.match(line);
  if (!m.hasMatch()) return std::nullopt;
  const auto panel = readPanelAddress(m.captured(1));
  const int value = m.captured(2).toInt();
  if (!panel || value > 255) return std::nullopt;
  return TunerMemory{*panel, value};
}

Result run(Session& s, const QStringList& args) {
  const int slot = boundedArgument(args[0], QStringLiteral("N"), 0, MaxUsrBtns - 1);
  const QString path = commandFilePath(slot);
  if (!QFileInfo(path).isFile()) badUse(QStringLiteral("Cannot open file \"%1\". The file does not exist.").arg(path));
  CommandFile file;
  try {
    file = readCommandFile(path);
  } catch (const OperatorError& e) {
    badUse(e.message());
  }
  // Every line is checked before the first goes out; blank lines are passed over.
  QList<TunerMemory> commands;
  for (qsizetype i = 1; i < file.lines.size(); ++i) {
    const QString line = file.lines[i].trimmed();
    if (line.isEmpty()) continue;
    const auto command = readSetLine(line);
    if (!command)
      badUse(QStringLiteral("\"%1\" line %2: '%3' is not a command #0xAA Set X:1=V (0x00..0x7F, 0..255)")
                 .arg(path)
                 .arg(i + 1)
                 .arg(shown(line)));
    commands.append(*command);
  }
  for (const TunerMemory& command : commands) {
    setAndCheck(s, command.address, command.value);
    s.link().pause(Delay);
  }
  return {QString(), QJsonObject{{"button", slot}, {"commands", commands.size()}}, std::nullopt};
}

void printResult(Session& s, const Result& r) {
  if (s.globals().json)
    s.out() << (r.json.isArray() ? QJsonDocument(r.json.toArray()) : QJsonDocument(r.json.toObject()))
                   .toJson(QJsonDocument::Compact)
            << '\n';
  else if (!r.text.isEmpty())
    s.out() << r.text << '\n';
  s.out().flush();
}

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

QJsonObject failureObject(const CommandFailure& f, const QString& message) {
  return {{"error", errorName(f.status)}, {"message", message}, {"status", static_cast<int>(f.status)}};
}

void printFailure(QTextStream& out, QTextStream& err, bool json, const CommandFailure& f, const QString& where = {}) {
  out.flush();
  const QString message = where.isEmpty() ? f.message : where + QStringLiteral(": ") + f.message;
  if (json)
    err << QJsonDocument(failureObject(f, message)).toJson(QJsonDocument::Compact) << Qt::endl;
  else
    err << QStringLiteral("orvctl: ") << message << Qt::endl;
}

using Command = Result (*)(Session&, const QStringList&);

struct CommandEntry {
  const char* name;
  Command run;
  qsizetype arguments;  // -1: checked by the command
};

const CommandEntry kRunnable[] = {
    {"scan", &scan, -1}, {"get", &get, 1},       {"set", &set, 2},
    {"step", &step, 2},  {"recall", &recall, 2}, {"run", &run, 1},
};

const CommandEntry* runnable(const QString& name, const QStringList& args) {
  for (const CommandEntry& c : kRunnable) {
    if (name != QLatin1String(c.name)) continue;
    if (c.arguments >= 0 && args.size() != c.arguments)
      badUse(QStringLiteral("usage: orvctl %1 %2").arg(name, QLatin1String(helpFor(name)->shape)));
    return &c;
  }
  return nullptr;
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
      badUse(QStringLiteral("batch \"%1\": %2").arg(shown(args[0]), file.errorString()));
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
      const CommandEntry* command = name == u"scan" || name == u"run" ? nullptr : runnable(name, words);
      if (!command) badUse(QStringLiteral("'%1' cannot be batched: get, set, step and recall can").arg(shown(name)));
      const Result result = command->run(s, words);
      printResult(s, result);
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
  const QList<int> found = usablePanels(s, readNames(s));
  if (found.isEmpty()) throw CommandFailure{OtherAnswer, QStringLiteral("the controller names no panel to watch")};
  QHash<int, std::optional<int>> last;
  while (!quit.requested()) {
    for (int panel : found) {
      OrvctlLink& link = s.link();
      link.send(command::statusRequest(panel));
      link.pause(Delay);
      if (quit.requested()) break;
      std::optional<int> status;
      try {
        status = link.waitForStatus(panel);
      } catch (const CommandFailure& f) {
        if (f.status != NoReply) throw;
      }
      if (last.contains(panel) && last.value(panel) == status) continue;
      last[panel] = status;
      printResult(s, {address(panel) + u' ' + (status ? QString::number(*status) : QStringLiteral("no reply")),
                      QJsonObject{{"address", address(panel)}, {"status", status ? QJsonValue(*status) : QJsonValue()}},
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
    } else if (auto v = optionValue(args, i, QStringLiteral("--host"))) {
      host = v;
    } else if (auto v = optionValue(args, i, QStringLiteral("--port"))) {
      port = v;
    } else if (auto v = optionValue(args, i, QStringLiteral("--dir"))) {
      dir = v;
    } else if (auto v = optionValue(args, i, QStringLiteral("--timeout"))) {
      timeout = v;
    } else {
      badUse(QStringLiteral("unknown option '%1'; orvctl --help lists them").arg(shown(args[i])));
    }
  }
  if (i >= args.size()) badUse(QStringLiteral("no command given; orvctl --help lists them"));
  const QString command = args[i] == u"-" ? QStringLiteral("batch") : args[i];
  QStringList rest = args.mid(i + 1);
  if (args[i] == u"-") rest.append(QStringLiteral("-"));
  if (command == u"scan" && rest == QStringList{QStringLiteral("--json")}) json = true;

  if (command != u"follow" && asksForHelp(rest)) {
    const CommandHelp* help = helpFor(command);
    if (!help) badUse(QStringLiteral("unknown command '%1'; orvctl --help lists them").arg(shown(command)));
    out << QStringLiteral("usage: orvctl %1 %2\n  %3\n")
               .arg(command, QLatin1String(help->shape), QLatin1String(help->what));
    return Done;
  }

  InstalledPath = dir ? QFileInfo(*dir).absoluteFilePath() + u'/' : defaultProgramFolder();
  if (dir && !QFileInfo(*dir).isDir()) badUse(QStringLiteral("--dir: \"%1\" is not a folder").arg(shown(*dir)));
  const QString settingsPath = filenames::programFile(kSettingsFile);
  const TcpSettings stored = readTcpSettings(settingsPath);

  Globals g;
  g.json = json;
  g.verbose = verbose;
  g.host = host.value_or(stored.address);
  QHostAddress numeric;
  if (!numeric.setAddress(g.host) || numeric.protocol() != QAbstractSocket::IPv4Protocol)
    badUse(QStringLiteral("'%1' is not a numeric IPv4 address%2")
               .arg(shown(g.host), host ? QString() : QStringLiteral(" (Address in \"%1\")").arg(settingsPath)));
  g.port = port ? boundedArgument(*port, QStringLiteral("--port"), 1, 65535)
                : boundedArgument(stored.port, QStringLiteral("Port in \"%1\"").arg(settingsPath), 1, 65535);
  if (timeout) g.timeoutMs = boundedArgument(*timeout, QStringLiteral("--timeout"), 1, 3600000);

  if (command == u"follow") return follow(g, rest);
  Session session(g, out, err);
  if (command == u"batch") return batch(session, rest, in);
  if (command == u"watch") return watch(session, rest);
  const CommandEntry* entry = runnable(command, rest);
  if (!entry) badUse(QStringLiteral("unknown command '%1'; orvctl --help lists them").arg(shown(command)));
  const Result result = entry->run(session, rest);
  session.close();
  printResult(session, result);
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
  if (out.status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout)) {
    const QString reason = out.device() ? out.device()->errorString() : QString();
    err << QStringLiteral("orvctl: cannot write to standard output: %1")
               .arg(reason.isEmpty() ? QStringLiteral("write failed") : printable(reason))
        << Qt::endl;
    return status == Done ? OutputFailed : status;
  }
  return status;
}
