#include "hub_options.h"

#include <QFileInfo>
#include <QHostInfo>

#include <optional>

#include "core/follow/printable.h"
#include "core/model/file_names.h"
#include "core/model/integer_rule.h"
#include "core/model/program_folder.h"
#include "core/model/system_table.h"
#include "core/storage/settings_file.h"
#include "common/option_value.h"

namespace {

// The window program's settings file, which the hub shares.
const QString kSettingsFile = QStringLiteral("OrvControlClient.INI");
const QString kDefaultListen = QStringLiteral("127.0.0.1:2502");

const char kUsage[] =
    "Usage: orvd [options]\n\n"
    "The station hub: holds the one connection to the controller of the Orv panels and serves every\n"
    "client (the window program, orvctl, a script) on the controller's own line protocol.\n\n"
    "Options:\n"
    "  --host ADDR          controller address, numeric IPv4 (default: Address in the program's INI file, else "
    "127.0.0.1)\n"
    "  --port N             controller port (default: Port in the program's INI file, else 2501)\n"
    "  --dir DIR            the program's folder with its Configurations and INI file (default: as the program's)\n"
    "  --listen ADDR:PORT   where clients connect (default 127.0.0.1:2502; port 0 picks a free one)\n"
    "  --station NAME       the station's name (default: this machine's host name)\n"
    "  --version            the version\n"
    "  -h, --help           this text\n\n"
    "Exit status: 0 ended by SIGINT or SIGTERM, 1 bad use, 2 the listening port cannot be opened.\n";

[[noreturn]] void badUse(const QString& message) { throw HubExit{1, QStringLiteral("orvd: ") + message}; }

int portNumber(const QString& text, const QString& what, int lowest) {
  std::optional<int> value;
  try {
    value = StrToInt(text);
  } catch (const ConversionError&) {
  }
  if (!value || *value < lowest || *value > 65535)
    badUse(
        QStringLiteral("%1 must be a port number %2..65535, not '%3'").arg(what).arg(lowest).arg(printableStart(text)));
  return *value;
}

QHostAddress numericIPv4(const QString& text, const QString& what) {
  QHostAddress address;
  if (!address.setAddress(text) || address.protocol() != QAbstractSocket::IPv4Protocol)
    badUse(QStringLiteral("%1: '%2' is not a numeric IPv4 address").arg(what, printableStart(text)));
  return address;
}

}  // namespace

QString endpointText(const QHostAddress& address, quint16 port) {
  return address.toString() + u':' + QString::number(port);
}

HubOptions readHubOptions(const QStringList& args) {
  std::optional<QString> host, port, dir, listen, station;
  for (qsizetype i = 0; i < args.size();) {
    if (args[i] == u"-h" || args[i] == u"--help") throw HubExit{0, QString::fromLatin1(kUsage)};
    if (args[i] == u"--version") throw HubExit{0, QStringLiteral("orvd %1\n").arg(QStringLiteral(ORVD_VERSION))};
    if (auto v = optionValue(args, i, QStringLiteral("--host"), badUse))
      host = v;
    else if (auto v = optionValue(args, i, QStringLiteral("--port"), badUse))
      port = v;
    else if (auto v = optionValue(args, i, QStringLiteral("--dir"), badUse))
      dir = v;
    else if (auto v = optionValue(args, i, QStringLiteral("--listen"), badUse))
      listen = v;
    else if (auto v = optionValue(args, i, QStringLiteral("--station"), badUse))
      station = v;
    else
      badUse(QStringLiteral("unknown option '%1'; orvd --help lists them").arg(printableStart(args[i])));
  }

  if (dir && !QFileInfo(*dir).isDir())
    badUse(QStringLiteral("--dir: \"%1\" is not a folder").arg(printableStart(*dir)));
  InstalledPath = dir ? QFileInfo(*dir).absoluteFilePath() + u'/' : defaultProgramFolder();
  const QString settingsPath = filenames::programFile(kSettingsFile);
  const TcpSettings stored = readTcpSettings(settingsPath);

  HubOptions options;
  const QString inSettings = QStringLiteral(" in \"%1\"").arg(settingsPath);
  options.host = host.value_or(stored.address);
  numericIPv4(options.host, host ? QStringLiteral("--host") : QStringLiteral("Address") + inSettings);
  options.port =
      portNumber(port.value_or(stored.port), port ? QStringLiteral("--port") : QStringLiteral("Port") + inSettings, 1);

  const QString listenText = listen.value_or(kDefaultListen);
  const qsizetype colon = listenText.lastIndexOf(u':');
  if (colon < 0) badUse(QStringLiteral("--listen: '%1' is not ADDRESS:PORT").arg(printableStart(listenText)));
  options.listenAddress = numericIPv4(listenText.left(colon), QStringLiteral("--listen"));
  options.listenPort = static_cast<quint16>(portNumber(listenText.mid(colon + 1), QStringLiteral("--listen"), 0));
  options.station = station.value_or(QHostInfo::localHostName());
  if (options.station.isEmpty()) badUse(QStringLiteral("--station: the name is empty"));
  return options;
}
