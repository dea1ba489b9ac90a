#include "follow/band_map.h"

#include <QRegularExpression>

#include "link/protocol.h"
#include "model/records.h"

namespace {

constexpr int kLastAddress = 0x7F;
constexpr int kLargestValue = 255;
constexpr int kTuners = 4;

// kHz with up to three decimals (whole Hz); nothing else.
std::optional<qint64> khzToHz(QStringView text) {
  static const QRegularExpression pattern(QStringLiteral("^(\\d{1,9})(?:\\.(\\d{1,3}))?$"));
  const auto match = pattern.match(text);
  if (!match.hasMatch()) return std::nullopt;
  QString fraction = match.captured(2);
  while (fraction.size() < 3) fraction.append(u'0');
  return match.captured(1).toLongLong() * 1000 + fraction.toLongLong();
}

// The integer rule, with its own failure message turned into the line's reason.
int readNumber(QStringView text, int line) {
  try {
    return StrToInt(text);
  } catch (const ConversionError& e) {
    throw BandMapError(line, e.message());
  }
}

BandAction readAction(QStringView token, int line) {
  const qsizetype eq = token.indexOf(u'=');
  const QString quoted = u'\'' + token.toString() + u'\'';
  if (eq <= 0) throw BandMapError(line, quoted + " is not an action (0xAA=V or tunerN=K)");
  const QStringView left = token.first(eq);
  const QStringView right = token.sliced(eq + 1);

  BandAction action;
  if (left.startsWith(u"0x", Qt::CaseInsensitive)) {
    action.kind = BandAction::Kind::Panel;
    action.address = readNumber(left, line);
    action.value = readNumber(right, line);
    if (action.address < 0 || action.address > kLastAddress)
      throw BandMapError(line, quoted + ": the panel address must be 0x00 to 0x7F");
    if (action.value < 0 || action.value > kLargestValue)
      throw BandMapError(line, quoted + ": the value must be 0 to 255");
    return action;
  }
  if (left.startsWith(u"tuner", Qt::CaseInsensitive)) {
    action.kind = BandAction::Kind::TunerMemory;
    action.tuner = readNumber(left.sliced(5), line);
    action.memory = readNumber(right, line);
    if (action.tuner < 1 || action.tuner > kTuners) throw BandMapError(line, quoted + ": the tuner must be 1 to 4");
    if (action.memory < 1 || action.memory > TunerMemories)
      throw BandMapError(line, quoted + QStringLiteral(": the memory must be 1 to %1").arg(TunerMemories));
    return action;
  }
  throw BandMapError(line, quoted + " is not an action (0xAA=V or tunerN=K)");
}

BandRule readRule(const QStringList& tokens, int line) {
  BandRule rule;
  rule.line = line;
  const QString& range = tokens.first();
  const qsizetype dash = range.indexOf(u'-');
  const auto from = dash > 0 ? khzToHz(QStringView(range).first(dash)) : std::nullopt;
  const auto to = dash > 0 ? khzToHz(QStringView(range).sliced(dash + 1)) : std::nullopt;
  if (!from || !to) throw BandMapError(line, u'\'' + range + "' is not a range FROM-TO in kHz");
  if (*to < *from) throw BandMapError(line, "the range " + range + " ends before it starts");
  rule.fromHz = *from;
  rule.toHz = *to;
  if (tokens.size() == 1) throw BandMapError(line, "the range " + range + " has no actions");
  for (qsizetype i = 1; i < tokens.size(); ++i) rule.actions.append(readAction(tokens[i], line));
  return rule;
}

}  // namespace

QString BandRule::describe() const {
  return QStringLiteral("line %1 (%2-%3 kHz)").arg(line).arg(formatKhz(fromHz), formatKhz(toHz));
}

BandMapError::BandMapError(int line, const QString& reason)
    : OperatorError(line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(reason) : reason),
      line_(line),
      reason_(reason) {}

const BandRule* BandMap::ruleFor(qint64 hz) const {
  for (const BandRule& rule : rules)
    if (rule.holds(hz)) return &rule;
  return nullptr;
}

BandMap parseBandMap(QStringView text) {
  static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
  BandMap map;
  int line = 0;
  for (QStringView raw : text.split(u'\n')) {
    ++line;
    const qsizetype hash = raw.indexOf(u'#');
    const QString content = (hash >= 0 ? raw.first(hash) : raw).toString().trimmed();
    if (content.isEmpty()) continue;
    map.rules.append(readRule(content.split(blanks), line));
  }
  if (map.rules.isEmpty()) throw BandMapError(0, "the map holds no rules");
  return map;
}

std::optional<TunerMemory> sendableTunerMemory(const TunerLookup& lookup, int tuner, int memory) {
  const auto found = lookup ? lookup(tuner, memory) : std::nullopt;
  if (!found || found->address < 0 || found->address > kLastAddress || found->value < 0 || found->value > kLargestValue)
    return std::nullopt;
  return found;
}

void checkTunerMemories(const BandMap& map, const TunerLookup& lookup) {
  for (const BandRule& rule : map.rules)
    for (const BandAction& action : rule.actions)
      if (action.kind == BandAction::Kind::TunerMemory && !sendableTunerMemory(lookup, action.tuner, action.memory))
        throw BandMapError(rule.line, QStringLiteral("tuner %1 memory %2 has no setting to send in Tuner.dat")
                                          .arg(action.tuner)
                                          .arg(action.memory));
}

QString formatKhz(qint64 hz) {
  QString text = QString::number(hz / 1000);
  const qint64 rest = hz % 1000;
  if (rest == 0) return text;
  QString fraction = QStringLiteral("%1").arg(rest, 3, 10, QLatin1Char('0'));
  while (fraction.endsWith(u'0')) fraction.chop(1);
  return text + u'.' + fraction;
}
