#include "sim_options.h"

#include <QCommandLineParser>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <set>

std::vector<SimPanel> SimOptions::defaultPanels() {
  return {{0x02, "Orv15", 4}, {0x03, "Orv18", 1}, {0x04, "Orv15", 2}, {0x06, "Orv11", 39}};
}

namespace {

bool isHexDigits(const QString& text) {
  return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
  });
}

// One or two hex digits, optionally after 0x / 0X.
std::optional<int> parseHexAddress(QString text) {
  text = text.trimmed();
  if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) text = text.mid(2);
  if (text.size() > 2 || !isHexDigits(text)) return std::nullopt;
  return text.toInt(nullptr, 16);
}

std::optional<int> parseDecimal(const QString& text, int min, int max) {
  bool ok = false;
  const qlonglong value = text.toLongLong(&ok, 10);
  if (!ok || value < min || value > max || text.trimmed() != text) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

std::optional<std::vector<SimPanel>> parsePanelList(const QString& text, QString* error) {
  std::vector<SimPanel> panels;
  std::set<int> seen;
  if (text.trimmed().isEmpty()) return panels;
  for (const QString& item : text.split(QLatin1Char(','))) {
    const QString entry = item.trimmed();
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    if (eq < 0) {
      *error = QStringLiteral("panel '%1': expected address=model[:status]").arg(entry);
      return std::nullopt;
    }
    const auto address = parseHexAddress(entry.left(eq));
    if (!address || *address == 0xFF) {
      *error = QStringLiteral("panel '%1': address must be hex 00..FE").arg(entry);
      return std::nullopt;
    }
    if (!seen.insert(*address).second) {
      *error = QStringLiteral("panel '%1': address used twice").arg(entry);
      return std::nullopt;
    }
    QString model = entry.mid(eq + 1);
    int status = 0;
    const qsizetype colon = model.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
      const auto value = parseDecimal(model.mid(colon + 1), INT_MIN, INT_MAX);
      if (!value) {
        *error = QStringLiteral("panel '%1': status must be a decimal integer").arg(entry);
        return std::nullopt;
      }
      status = *value;
      model.truncate(colon);
    }
    panels.push_back({*address, model.toLatin1(), status});
  }
  std::sort(panels.begin(), panels.end(), [](const SimPanel& a, const SimPanel& b) { return a.address < b.address; });
  return panels;
}

std::vector<SimPanel> manyPanels(int n) {
  std::vector<SimPanel> panels;
  for (int a = 1; a <= n; ++a) {
    switch (a % 3) {
      case 1: panels.push_back({a, "Orv15", a % 8 + 1}); break;
      case 2: panels.push_back({a, "Orv18", (a + 3) % 8 + 1}); break;
      default: panels.push_back({a, "Orv11", (a * 37) % 256}); break;
    }
  }
  return panels;
}

std::optional<QByteArray> unescapeBytes(const QString& text, QString* error) {
  QByteArray out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.unicode() > 0xFF) {
      *error = QStringLiteral("character U+%1 does not fit in one byte").arg(c.unicode(), 4, 16, QLatin1Char('0'));
      return std::nullopt;
    }
    if (c != QLatin1Char('\\')) {
      out.append(static_cast<char>(c.unicode()));
      continue;
    }
    if (++i >= text.size()) {
      *error = QStringLiteral("escape '\\' at the end");
      return std::nullopt;
    }
    switch (text.at(i).unicode()) {
      case 'r': out.append('\r'); break;
      case 'n': out.append('\n'); break;
      case 't': out.append('\t'); break;
      case '0': out.append('\0'); break;
      case '\\': out.append('\\'); break;
      case 'x': {
        const QString digits = text.mid(i + 1, 2);
        if (digits.size() != 2 || !isHexDigits(digits)) {
          *error = QStringLiteral("\\x needs two hex digits");
          return std::nullopt;
        }
        out.append(static_cast<char>(digits.toInt(nullptr, 16)));
        i += 2;
        break;
      }
      default: *error = QStringLiteral("unknown escape '\\%1'").arg(text.at(i)); return std::nullopt;
    }
  }
  return out;
}

void addSimOptions(QCommandLineParser& parser) {
  parser.addOptions({
      {QStringLiteral("bind"), QStringLiteral("Address to listen on (default 127.0.0.1)."), QStringLiteral("ADDR"),
       QStringLiteral("127.0.0.1")},
      {QStringLiteral("port"), QStringLiteral("TCP port (default 2501; 0 picks a free one)."), QStringLiteral("N"),
       QStringLiteral("2501")},
      {QStringLiteral("panels"),
       QStringLiteral("Panels as address=model[:status],... (default "
                      "0x02=Orv15:4,0x03=Orv18:1,0x04=Orv15:2,0x06=Orv11:39)."),
       QStringLiteral("LIST")},
      {QStringLiteral("many"), QStringLiteral("N panels of mixed models at addresses 1..N (1..127)."),
       QStringLiteral("N")},
      {QStringLiteral("reply-delay"), QStringLiteral("Answer each command after MS milliseconds."),
       QStringLiteral("MS")},
      {QStringLiteral("split-replies"), QStringLiteral("Send each reply in two writes, MS milliseconds apart."),
       QStringLiteral("MS")},
      {QStringLiteral("silent-address"), QStringLiteral("Never answer this hex address (repeatable)."),
       QStringLiteral("AA")},
      {QStringLiteral("close-after"),
       QStringLiteral("Close a connection after it has sent N lines (the Nth is still answered)."),
       QStringLiteral("N")},
      {QStringLiteral("on-connect"),
       QStringLiteral("Send TEXT to every new connection; escapes \\r \\n \\t \\0 \\\\ \\xHH."),
       QStringLiteral("TEXT")},
      {QStringLiteral("no-answer"), QStringLiteral("Never answer anything (set commands still act).")},
  });
}

std::optional<SimOptions> simOptionsFromParser(const QCommandLineParser& parser, QString* error) {
  SimOptions o;
  auto number = [&](const QString& name, int min, int max) -> std::optional<int> {
    const auto value = parseDecimal(parser.value(name), min, max);
    if (!value) *error = QStringLiteral("--%1: expected a whole number from %2 to %3").arg(name).arg(min).arg(max);
    return value;
  };

  if (!o.bind.setAddress(parser.value(QStringLiteral("bind")))) {
    *error = QStringLiteral("--bind: '%1' is not a numeric address").arg(parser.value(QStringLiteral("bind")));
    return std::nullopt;
  }
  const auto port = number(QStringLiteral("port"), 0, 65535);
  if (!port) return std::nullopt;
  o.port = static_cast<quint16>(*port);

  if (parser.isSet(QStringLiteral("panels")) && parser.isSet(QStringLiteral("many"))) {
    *error = QStringLiteral("--panels and --many exclude each other");
    return std::nullopt;
  }
  if (parser.isSet(QStringLiteral("panels"))) {
    auto panels = parsePanelList(parser.value(QStringLiteral("panels")), error);
    if (!panels) return std::nullopt;
    o.panels = std::move(*panels);
  }
  if (parser.isSet(QStringLiteral("many"))) {
    const auto n = number(QStringLiteral("many"), 1, 127);
    if (!n) return std::nullopt;
    o.panels = manyPanels(*n);
  }
  if (parser.isSet(QStringLiteral("reply-delay"))) {
    const auto ms = number(QStringLiteral("reply-delay"), 0, 3600000);
    if (!ms) return std::nullopt;
    o.replyDelayMs = *ms;
  }
  if (parser.isSet(QStringLiteral("split-replies"))) {
    const auto ms = number(QStringLiteral("split-replies"), 0, 3600000);
    if (!ms) return std::nullopt;
    o.splitPauseMs = *ms;
  }
  for (const QString& text : parser.values(QStringLiteral("silent-address"))) {
    const auto address = parseHexAddress(text);
    if (!address) {
      *error = QStringLiteral("--silent-address: '%1' is not a hex address").arg(text);
      return std::nullopt;
    }
    o.silentAddresses.insert(*address);
  }
  if (parser.isSet(QStringLiteral("close-after"))) {
    const auto n = number(QStringLiteral("close-after"), 0, INT_MAX);
    if (!n) return std::nullopt;
    o.closeAfter = *n;
  }
  if (parser.isSet(QStringLiteral("on-connect"))) {
    QString why;
    const auto bytes = unescapeBytes(parser.value(QStringLiteral("on-connect")), &why);
    if (!bytes) {
      *error = QStringLiteral("--on-connect: ") + why;
      return std::nullopt;
    }
    o.onConnect = *bytes;
  }
  o.noAnswer = parser.isSet(QStringLiteral("no-answer"));
  return o;
}
