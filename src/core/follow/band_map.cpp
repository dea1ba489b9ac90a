#include "core/follow/band_map.h"

#include <QRegularExpression>

#include "core/follow/printable.h"
#include "core/model/integer_rule.h"
#include "core/model/records.h"

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

// A whole number that the integer rule reads and that lies in low..high.
std::optional<int> readBounded(QStringView text, int low, int high) {
  try {
    const int value = StrToInt(text);
    return value >= low && value <= high ? std::optional(value) : std::nullopt;
  } catch (const ConversionError&) {
    return std::nullopt;
  }
}

BandAction readAction(QStringView token, int line) {
  const qsizetype eq = token.indexOf(u'=');
  const QString quoted = u'\'' + printable(token.left(40)) + (token.size() > 40 ? "...'" : "'");
  if (eq <= 0) throw BandMapError(line, quoted + " is not an action (0xAA=V or tunerN=K)");
  const QStringView left = token.first(eq);
  const QStringView right = token.sliced(eq + 1);

  BandAction action;
  if (left.startsWith(u"0x", Qt::CaseInsensitive)) {
    action.kind = BandAction::Kind::Panel;
    const auto address = readPanelAddress(left);
    if (!address) throw BandMapError(line, quoted + ": the panel address must be 0x and two digits, 0x00 to 0x7F");
    const auto value = readBounded(right, 0, kLargestValue);
    if (!value) throw BandMapError(line, quoted + ": the value must be a number 0 to 255");
    action.address = *address;
    action.value = *value;
    return action;
  }
  if (left.startsWith(u"tuner", Qt::CaseInsensitive)) {
    action.kind = BandAction::Kind::TunerMemory;
    const auto tuner = readBounded(left.sliced(5), 1, kTuners);
    if (!tuner) throw BandMapError(line, quoted + ": the tuner must be 1 to 4");
    const auto memory = readBounded(right, 1, TunerMemories);
    if (!memory)
      throw BandMapError(line, quoted + QStringLiteral(": the memory must be a number 1 to %1").arg(TunerMemories));
    action.tuner = *tuner;
    action.memory = *memory;
    return action;
  }
  throw BandMapError(line, quoted + " is not an action (0xAA=V or tunerN=K)");
}

BandRule readRule(const QStringList& tokens, int line) {
  BandRule rule;
  rule.line = line;
  const QString& range = tokens.first();
  const qsizetype dash = range.indexOf(u'-');
  const QString shown = printable(QStringView(range).left(40));
  const auto from = dash > 0 ? khzToHz(QStringView(range).first(dash)) : std::nullopt;
  const auto to = dash > 0 ? khzToHz(QStringView(range).sliced(dash + 1)) : std::nullopt;
  if (!from.has_value() || !to.has_value()) throw BandMapError(line, u'\'' + shown + "' is not a range FROM-TO in kHz");
  rule.fromHz = from.value();
  rule.toHz = to.value();
  if (rule.toHz < rule.fromHz) throw BandMapError(line, "the range " + shown + " ends before it starts");
  if (tokens.size() == 1) throw BandMapError(line, "the range " + shown + " has no actions");
  for (qsizetype i = 1; i < tokens.size(); ++i) rule.actions.append(readAction(tokens[i], line));
  return rule;
}

}  // namespace

std::optional<int> readPanelAddress(QStringView text) {
  static const QRegularExpression pattern(QStringLiteral("^0[xX][0-9A-Fa-f]{2}$"));
  if (!pattern.match(text).hasMatch()) return std::nullopt;
  const int address = text.sliced(2).toInt(nullptr, 16);
  return address <= kLastAddress ? std::optional(address) : std::nullopt;
}

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

QStringList hiddenRanges(const BandMap& map) {
  QStringList lines;
  for (qsizetype later = 1; later < map.rules.size(); ++later) {
    const BandRule& rule = map.rules[later];
    for (qsizetype earlier = 0; earlier < later; ++earlier) {
      const BandRule& first = map.rules[earlier];
      const qint64 from = std::max(first.fromHz, rule.fromHz);
      const qint64 to = std::min(first.toHz, rule.toHz);
      if (from > to) continue;
      if (from == rule.fromHz && to == rule.toHz) {
        lines.append(rule.describe() + " is never applied: " + first.describe() + " holds its whole range");
        break;
      }
      lines.append(rule.describe() + ": " + formatKhz(from) + u'-' + formatKhz(to) + " kHz goes to " +
                   first.describe());
    }
  }
  return lines;
}

std::optional<TunerMemory> sendableTunerMemory(const TunerLookup& lookup, int tuner, int memory) {
  const auto found = lookup ? lookup(tuner, memory) : std::nullopt;
  // Address 0 is where a record lies that no scan has filled: no tuner answers there.
  if (!found || found->address < 1 || found->address > kLastAddress || found->value < 0 || found->value > kLargestValue)
    return std::nullopt;
  return found;
}

void checkTunerMemories(const BandMap& map, const TunerLookup& lookup) {
  for (const BandRule& rule : map.rules)
    for (const BandAction& action : rule.actions) {
      if (action.kind != BandAction::Kind::TunerMemory || sendableTunerMemory(lookup, action.tuner, action.memory))
        continue;
      const auto found = lookup ? lookup(action.tuner, action.memory) : std::nullopt;
      if (found && found->address == 0)
        throw BandMapError(rule.line, QStringLiteral("tuner %1 has no panel address in Tuner.dat (a scan in the "
                                                     "program stores it)")
                                          .arg(action.tuner));
      throw BandMapError(rule.line, QStringLiteral("tuner %1 memory %2 has no setting to send in Tuner.dat")
                                        .arg(action.tuner)
                                        .arg(action.memory));
    }
}

QString formatKhz(qint64 hz) {
  QString text = QString::number(hz / 1000);
  const qint64 rest = hz % 1000;
  if (rest == 0) return text;
  QString fraction = QStringLiteral("%1").arg(rest, 3, 10, QLatin1Char('0'));
  while (fraction.endsWith(u'0')) fraction.chop(1);
  return text + u'.' + fraction;
}
