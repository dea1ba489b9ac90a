#include "access/access_config.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

#include "core/follow/band_map.h"
#include "core/follow/printable.h"

namespace {

constexpr qint64 kLargestFile = 1 << 20;

bool isHex(QStringView text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
  });
}

// A word of the file in an error, fit for one terminal line.
QString quoted(QStringView word) { return printable(word.left(60)); }

class Reader {
 public:
  explicit Reader(const QString& fileName) : fileName_(fileName) {}

  AccessConfig read(QByteArrayView bytes) {
    const QString text = QString::fromUtf8(bytes);
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
      line_ = static_cast<int>(i + 1);
      const QStringView line = lines[i];
      readLine(line.left(line.indexOf(u'#')).trimmed());
    }
    return config_;
  }

 private:
  [[noreturn]] void fail(const QString& reason) const { throw AccessConfigError(fileName_, line_, reason); }

  void readLine(QStringView line) {
    if (line.isEmpty()) return;
    static const QRegularExpression space(QStringLiteral("\\s+"));
    const QList<QStringView> words = line.split(space, Qt::SkipEmptyParts);
    const QString key = words[0].toString().toLower();
    const QList<QStringView> args = words.mid(1);
    if (key == u"token") return readToken(args);
    if (key == u"line-allow") return readNetwork(args);
    if (key == u"rf-exception") return readException(args);
    if (key != u"loopback-role" && key != u"remote-role" && key != u"line-role" && key != u"lock-lease" &&
        key != u"max-connections")
      fail(QStringLiteral("unknown setting \"%1\"").arg(quoted(words[0])));
    if (seen_.contains(key)) fail(QStringLiteral("%1 is given twice").arg(key));
    seen_.insert(key);
    expectWords(key, args, 1);
    if (key == u"loopback-role") config_.loopbackRole = role(args[0], true);
    if (key == u"remote-role") config_.remoteRole = role(args[0], true);
    if (key == u"line-role") config_.lineRole = role(args[0], false);
    if (key == u"lock-lease") config_.lockLeaseMs = number(key, args[0], 1, 86400) * 1000;
    if (key == u"max-connections") config_.maxConnectionsPerAddress = number(key, args[0], 1, 1000);
  }

  void expectWords(const QString& key, const QList<QStringView>& args, int count) const {
    if (args.size() != count)
      fail(QStringLiteral("%1 takes %2 %3, not %4")
               .arg(key)
               .arg(count)
               .arg(count == 1 ? QStringLiteral("word") : QStringLiteral("words"))
               .arg(args.size()));
  }

  Role role(QStringView word, bool noneAllowed) const {
    const auto role = readRole(word);
    if (!role || (*role == Role::None && !noneAllowed))
      fail(QStringLiteral("\"%1\" is not a role (%2observe, operate or admin)")
               .arg(quoted(word), noneAllowed ? QStringLiteral("none, ") : QString()));
    return *role;
  }

  int number(const QString& key, QStringView word, int lowest, int highest) const {
    bool ok = false;
    const int value = word.toInt(&ok);
    if (!ok || value < lowest || value > highest)
      fail(QStringLiteral("%1 must be a whole number from %2 to %3").arg(key).arg(lowest).arg(highest));
    return value;
  }

  void readToken(const QList<QStringView>& args) {
    expectWords(QStringLiteral("token"), args, 4);
    TokenEntry entry;
    if (!isTokenName(args[0])) fail(QStringLiteral("a token's name is 1 to 32 letters, digits, \".\", \"_\" or \"-\""));
    entry.name = args[0].toString();
    if (config_.tokenNamed(entry.name)) fail(QStringLiteral("the token name \"%1\" is taken").arg(entry.name));
    entry.role = role(args[1], false);
    if (args[2].size() != 2 * AccessConfig::kSaltBytes || !isHex(args[2]))
      fail(QStringLiteral("a token's salt is %1 hexadecimal digits").arg(2 * AccessConfig::kSaltBytes));
    if (args[3].size() != 2 * AccessConfig::kHashBytes || !isHex(args[3]))
      fail(QStringLiteral("a token's hash is %1 hexadecimal digits").arg(2 * AccessConfig::kHashBytes));
    entry.salt = QByteArray::fromHex(args[2].toLatin1());
    entry.hash = QByteArray::fromHex(args[3].toLatin1());
    config_.tokens << entry;
  }

  void readNetwork(const QList<QStringView>& args) {
    expectWords(QStringLiteral("line-allow"), args, 1);
    const auto subnet = QHostAddress::parseSubnet(args[0].toString());
    if (subnet.first.isNull() || !args[0].contains(u'/'))
      fail(QStringLiteral("\"%1\" is not a network (192.168.1.0/24, fd00::/8)").arg(quoted(args[0])));
    config_.lineNetworks << subnet;
  }

  void readException(const QList<QStringView>& args) {
    expectWords(QStringLiteral("rf-exception"), args, 1);
    const auto address = readPanelAddress(args[0]);
    if (!address) fail(QStringLiteral("\"%1\" is not a panel address (0x00..0x7F)").arg(quoted(args[0])));
    config_.rfExceptions.insert(*address);
  }

  QString fileName_;
  int line_ = 0;
  AccessConfig config_;
  QSet<QString> seen_;
};

}  // namespace

const TokenEntry* AccessConfig::tokenNamed(QStringView name) const {
  for (const TokenEntry& entry : tokens)
    if (entry.name.compare(name, Qt::CaseInsensitive) == 0) return &entry;
  return nullptr;
}

bool AccessConfig::lineAllowed(const QHostAddress& peer) const {
  const QHostAddress address = plainAddress(peer);
  if (address.isLoopback()) return true;
  return std::any_of(lineNetworks.begin(), lineNetworks.end(),
                     [&](const QPair<QHostAddress, int>& network) { return address.isInSubnet(network); });
}

AccessConfigError::AccessConfigError(const QString& fileName, int line, const QString& reason)
    : OperatorError(line > 0 ? QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(reason)
                             : QStringLiteral("%1: %2").arg(fileName, reason)) {}

AccessConfig parseAccessConfig(QByteArrayView bytes, const QString& fileName) { return Reader(fileName).read(bytes); }

QByteArray readAccessConfigBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw AccessConfigError(path, 0, "cannot be read: " + file.errorString());
  const QByteArray bytes = file.read(kLargestFile + 1);
  if (bytes.size() > kLargestFile) throw AccessConfigError(path, 0, QStringLiteral("is larger than 1 MiB"));
  return bytes;
}

AccessConfig readAccessConfig(const QString& path) { return parseAccessConfig(readAccessConfigBytes(path), path); }

QHostAddress plainAddress(const QHostAddress& peer) {
  bool mapped = false;
  const quint32 ipv4 = peer.toIPv4Address(&mapped);
  return mapped ? QHostAddress(ipv4) : peer;
}

bool isTokenName(QStringView name) {
  static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9._-]{1,32}$"));
  return pattern.match(name.toString()).hasMatch();
}
