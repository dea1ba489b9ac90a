#include "orvctl_panel_commands.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include <unistd.h>

#include "core/follow/printable.h"
#include "core/model/formatting.h"
#include "core/session/bus_scan.h"
#include "core/model/panel_models.h"
#include "core/model/system_table.h"
#include "core/storage/record_files.h"
#include "core/storage/command_files.h"

namespace {

bool isTuner(const TSystemRecord& rec) {
  const PanelModel* model = panelModelOf(rec);
  return model && model->tuner;
}

Result statusResult(int panel, int status) {
  return {QString::number(status), QJsonObject{{"address", addressText(panel)}, {"status", status}}, std::nullopt};
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

int setAndCheck(Session& s, int panel, int value, int restMs = 0) {
  const int reported = s.ask(Request::set(panel, value, restMs)).value;
  if (reported != value)
    throw CommandFailure{OtherAnswer,
                         QStringLiteral("%1 reported %2, not %3").arg(addressText(panel)).arg(reported).arg(value)};
  return value;
}

}  // namespace

NameReply readNames(Session& s) {
  NameReply names = s.ask(Request::name()).names;
  applyNameReply(names);
  return names;
}

void warnOfUnusable(Session& s, const NameReply& names) {
  for (const NameEntry& e : names.entries)
    if (e.slot < 1 || e.slot > 0x7F)
      s.warn(QStringLiteral("the controller names %1 at %2, which cannot be used: panels are 0x01 to 0x7F")
                 .arg(printableStart(e.model),
                      e.slot < 0 || e.slot > 0xFF ? QString::number(e.slot) : addressText(e.slot)));
}

std::optional<TunerMemory> storedTunerMemory(int tuner, int memory) {
  const TTunerRecord& rec = TunerArray[tuner - 1];
  const TKnapperRecord& button = rec.Buttons[memory - 1];
  const QString label = button.Tekst.text();
  if (button.Verdi == 0 && (label.isEmpty() || label == u"No \n config")) return std::nullopt;
  return TunerMemory{rec.Adresse, button.Verdi};
}

namespace {

Result scan(Session& s, const QStringList& args) {
  if (args.size() > 1 || (args.size() == 1 && args[0] != u"--json")) badUse(QStringLiteral("usage: orvctl scan"));
  BusScan busScan(s.queue());
  BusScanResult scanned;
  {
    Progress progress(s.err());
    QObject::connect(&busScan, &BusScan::namesRead, [&s](const NameReply& names) { warnOfUnusable(s, names); });
    QObject::connect(&busScan, &BusScan::polling, [&progress](int address, qsizetype index, qsizetype count) {
      progress.show(QStringLiteral("polling %1 (%2 of %3)").arg(addressText(address)).arg(index + 1).arg(count));
    });
    scanned = waitForResult<BusScanResult>(
        [&busScan](QObject* context, const std::function<void(const BusScanResult&)>& done) {
          QObject::connect(&busScan, &BusScan::finished, context, done);
          busScan.start();
        });
    if (scanned.stopped) throw s.failureOf(scanned.stopped->request, scanned.stopped->failure);
  }
  const QList<int>& found = scanned.panels;
  const QList<int>& silent = scanned.silent;
  Result result;
  QJsonArray panels;
  for (int n : found) {
    const TSystemRecord& rec = SystemArray[n];
    const bool answered = !silent.contains(n);
    panels.append(QJsonObject{{"address", addressText(rec.Adresse)},
                              {"model", rec.Navn.text()},
                              {"description", rec.BrukerDef.text()},
                              {"status", answered ? QJsonValue(rec.Status) : QJsonValue()},
                              {"tuner", isTuner(rec) ? QJsonValue(rec.TunerNr) : QJsonValue()}});
    result.text += QStringLiteral("%1  %2  %3  %4\n")
                       .arg(addressText(rec.Adresse), printable(rec.Navn.text()).leftJustified(6),
                            printable(rec.BrukerDef.text()).leftJustified(30),
                            answered ? QString::number(rec.Status) : QStringLiteral("no reply"));
  }
  result.text.chop(1);
  result.json = panels;
  if (!silent.isEmpty()) {
    QStringList silentNames;
    for (int n : silent) silentNames << addressText(n);
    result.failure = CommandFailure{NoReply, QStringLiteral("no reply from %1 within %2 ms: the status of %3")
                                                 .arg(s.where())
                                                 .arg(s.globals().timeoutMs)
                                                 .arg(silentNames.join(QStringLiteral(", ")))};
  }
  return result;
}

Result get(Session& s, const QStringList& args) {
  const int panel = addressArgument(args[0]);
  return statusResult(panel, s.ask(Request::status(panel)).value);
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
    throw CommandFailure{OtherAnswer, QStringLiteral("no panel answers at %1").arg(addressText(panel))};
  if (!isTuner(rec))
    throw CommandFailure{
        OtherAnswer,
        QStringLiteral("%1 is an %2, not an Orv11").arg(addressText(panel), printableStart(rec.Navn.text()))};
  const int position = s.ask(Request::status(panel)).value;
  return statusResult(panel, setAndCheck(s, panel, panelModelOf(rec)->step(position, delta)));
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
                 .arg(printableStart(line)));
    commands.append(*command);
  }
  for (const TunerMemory& command : commands) setAndCheck(s, command.address, command.value, Delay);
  return {QString(), QJsonObject{{"button", slot}, {"commands", commands.size()}}, std::nullopt};
}

}  // namespace

const PanelCommand kPanelCommands[6] = {
    {"scan", "", "ask for every panel, then each one's status, paced as the program's poll", &scan, -1},
    {"get", "ADDR", "print the status value of panel ADDR (0x00 to 0x7F)", &get, 1},
    {"set", "ADDR VALUE", "set panel ADDR to VALUE (0 to 255) and check that its reply reports it", &set, 2},
    {"step", "ADDR +N|-N", "move an Orv11 tuner by N settings, within 0..255", &step, 2},
    {"recall", "TUNER MEMORY", "send memory MEMORY (1..48) of tuner TUNER (1..4) from Configurations/Tuner.dat",
     &recall, 2},
    {"run", "N", "replay Configurations/N_UserConfig.txt (N 0..19), 100 ms between lines, each reply checked", &run, 1},
};

const PanelCommand* panelCommand(const QString& name, const QStringList& args) {
  for (const PanelCommand& c : kPanelCommands) {
    if (name != QLatin1String(c.name)) continue;
    if (c.arguments >= 0 && args.size() != c.arguments)
      badUse(QStringLiteral("usage: orvctl %1 %2").arg(name, QLatin1String(c.shape)).trimmed());
    return &c;
  }
  return nullptr;
}
