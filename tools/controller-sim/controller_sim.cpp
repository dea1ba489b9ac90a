#include "controller_sim.h"

#include <QMetaMethod>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <climits>
#include <cstdio>

namespace {

enum class Kind { Name, Get, Set };

struct Command {
  Kind kind;
  int address;
  int value = 0;
};

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<int> parseInt32(const QByteArray& text) {
  qsizetype i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size() || text.size() - i > 11) return std::nullopt;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  value = negative ? -value : value;
  if (value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

QByteArray trimBlanks(const QByteArray& line) {
  qsizetype begin = 0;
  qsizetype end = line.size();
  while (begin < end && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
  while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
  return line.mid(begin, end - begin);
}

// "#0xAA Get Name" (AA = FF), "#0xAA Get X", "#0xAA Set X:1=v"; hex digits of either case.
std::optional<Command> parseCommand(const QByteArray& raw) {
  const QByteArray line = trimBlanks(raw);
  if (line.size() < 7 || !line.startsWith('#') || line[1] != '0' || (line[2] != 'x' && line[2] != 'X'))
    return std::nullopt;
  const int high = hexValue(line[3]);
  const int low = hexValue(line[4]);
  if (high < 0 || low < 0 || line[5] != ' ') return std::nullopt;
  const int address = high * 16 + low;
  const QByteArray rest = line.mid(6);
  if (rest == "Get Name") return address == 0xFF ? std::optional<Command>({Kind::Name, address}) : std::nullopt;
  if (rest == "Get X") return Command{Kind::Get, address};
  static const QByteArray setPrefix = "Set X:1=";
  if (rest.startsWith(setPrefix)) {
    const auto value = parseInt32(rest.mid(setPrefix.size()));
    if (value) return Command{Kind::Set, address, *value};
  }
  return std::nullopt;
}

QByteArray withoutTerminator(const QByteArray& bytes) { return bytes.endsWith("\r\n") ? bytes.chopped(2) : bytes; }

}  // namespace

ControllerSim::ControllerSim(SimOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_server(new QTcpServer(this)) {
  for (const SimPanel& p : m_options.panels) m_panels[p.address] = p;
  m_clock.start();
  connect(m_server, &QTcpServer::newConnection, this, &ControllerSim::onNewConnection);
}

ControllerSim::~ControllerSim() {
  // Sockets are children of this object; drop their signals before they go.
  for (auto& [socket, client] : m_clients) socket->disconnect(this);
}

bool ControllerSim::listen() { return m_server->listen(m_options.bind, m_options.port); }

QString ControllerSim::errorString() const { return m_server->errorString(); }

QHostAddress ControllerSim::address() const { return m_server->serverAddress(); }

quint16 ControllerSim::port() const { return m_server->serverPort(); }

void ControllerSim::sendRaw(const QByteArray& bytes) {
  for (auto& [socket, client] : m_clients)
    if (socket->state() == QAbstractSocket::ConnectedState) write(*client, bytes, QStringLiteral("TX"));
}

void ControllerSim::closeClients() {
  for (auto& [socket, client] : m_clients) socket->disconnectFromHost();
}

std::optional<int> ControllerSim::status(int address) const {
  const auto it = m_panels.find(address);
  if (it == m_panels.end()) return std::nullopt;
  return it->second.status;
}

int ControllerSim::clientCount() const { return static_cast<int>(m_clients.size()); }

QByteArray ControllerSim::nameReply() const {
  QByteArray reply = "#0xFF Ret ";
  bool first = true;
  for (const auto& [address, panel] : m_panels) {
    if (!first) reply += ' ';
    first = false;
    reply += "0x" + QByteArray::number(address, 16).toUpper().rightJustified(2, '0') + ":Name:" + panel.model;
  }
  return reply + "\r\n";
}

QByteArray ControllerSim::statusReply(int address, int value) {
  return "#0x" + QByteArray::number(address, 16).toUpper().rightJustified(2, '0') +
         " Ret X:1=" + QByteArray::number(value) + "\r\n";
}

QString ControllerSim::printable(const QByteArray& bytes) {
  QString out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\r': out += QLatin1String("\\r"); break;
      case '\n': out += QLatin1String("\\n"); break;
      case '\t': out += QLatin1String("\\t"); break;
      case '\\': out += QLatin1String("\\\\"); break;
      default:
        if (c >= 0x20 && c < 0x7F)
          out += QLatin1Char(static_cast<char>(c));
        else
          out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
    }
  }
  return out;
}

bool ControllerSim::logging() const {
  return m_options.echo || isSignalConnected(QMetaMethod::fromSignal(&ControllerSim::logLine));
}

void ControllerSim::log(const QString& text) {
  const QString line = QStringLiteral("[t=%1] %2").arg(m_clock.elapsed()).arg(text);
  if (m_options.echo) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
  }
  emit logLine(line);
}

ControllerSim::Client* ControllerSim::find(QTcpSocket* socket) {
  const auto it = m_clients.find(socket);
  return it == m_clients.end() ? nullptr : it->second.get();
}

void ControllerSim::onNewConnection() {
  while (QTcpSocket* socket = m_server->nextPendingConnection()) {
    auto client = std::make_unique<Client>(m_options.maxLineLength);
    client->socket = socket;
    client->id = m_nextId++;
    Client& c = *client;
    m_clients[socket] = std::move(client);
    log(QStringLiteral("client %1 connected from %2:%3")
            .arg(c.id)
            .arg(socket->peerAddress().toString())
            .arg(socket->peerPort()));
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { onDisconnected(socket); });
    if (!m_options.onConnect.isEmpty()) write(c, m_options.onConnect, QStringLiteral("TX"));
    if (m_options.closeAfter == 0) {
      c.closing = true;
      finishIfDone(c);
    }
  }
}

void ControllerSim::onDisconnected(QTcpSocket* socket) {
  if (Client* c = find(socket)) log(QStringLiteral("client %1 disconnected").arg(c->id));
  m_clients.erase(socket);
  socket->deleteLater();
}

void ControllerSim::onReadyRead(QTcpSocket* socket) {
  Client* c = find(socket);
  if (!c) return;
  for (auto& line : c->reader.read(socket->readAll())) {
    if (c->closing) return;
    if (line.cut)
      log(QStringLiteral("client %1: dropped a line longer than %2 bytes").arg(c->id).arg(m_options.maxLineLength));
    else
      handleLine(*c, std::move(line.text));
  }
}

void ControllerSim::handleLine(Client& client, QByteArray line) {
  // Nobody reads the traffic log of a quiet simulator in a benchmark: it is not put together.
  if (logging()) log(QStringLiteral("RX ") + printable(line));
  emit lineReceived(line);
  ++client.received;

  const auto command = parseCommand(line);
  if (!command) {
    log(QStringLiteral("ignored: not a command"));
  } else {
    const auto panel = m_panels.find(command->address);
    const bool known = command->kind == Kind::Name || panel != m_panels.end();
    if (!known) {
      log(QStringLiteral("no panel at 0x%1")
              .arg(QString::number(command->address, 16).toUpper().rightJustified(2, QLatin1Char('0'))));
    } else {
      if (command->kind == Kind::Set) panel->second.status = command->value;
      const bool silent = m_options.noAnswer || m_options.silentAddresses.contains(command->address);
      if (!silent)
        queueReply(client,
                   command->kind == Kind::Name ? nameReply() : statusReply(command->address, panel->second.status));
    }
  }

  if (m_options.closeAfter >= 0 && client.received >= m_options.closeAfter) {
    client.closing = true;
    finishIfDone(client);
  }
}

void ControllerSim::queueReply(Client& client, const QByteArray& bytes) {
  client.queue.push_back({bytes, m_clock.elapsed() + m_options.replyDelayMs});
  pump(client.socket);
}

// Writes the queued replies in order, each after its delay and, when splitting, in two halves.
void ControllerSim::pump(QTcpSocket* socket) {
  Client* c = find(socket);
  if (!c || c->busy) return;
  while (!c->queue.empty()) {
    const qint64 wait = c->queue.front().dueMs - m_clock.elapsed();
    if (wait > 0) {
      c->busy = true;
      QTimer::singleShot(std::chrono::milliseconds(wait), Qt::PreciseTimer, socket, [this, socket] {
        if (Client* again = find(socket)) {
          again->busy = false;
          again->queue.front().dueMs = 0;
          pump(socket);
        }
      });
      return;
    }
    const QByteArray bytes = c->queue.front().bytes;
    if (m_options.splitPauseMs < 0 || bytes.size() < 2) {
      c->queue.pop_front();
      write(*c, bytes, QStringLiteral("TX"));
      continue;
    }
    const qsizetype half = bytes.size() / 2;
    write(*c, bytes.left(half), QStringLiteral("TX 1/2"));
    c->busy = true;
    QTimer::singleShot(std::chrono::milliseconds(m_options.splitPauseMs), Qt::PreciseTimer, socket,
                       [this, socket, rest = bytes.mid(half)] {
                         if (Client* again = find(socket)) {
                           again->queue.pop_front();
                           again->busy = false;
                           write(*again, rest, QStringLiteral("TX 2/2"));
                           pump(socket);
                         }
                       });
    return;
  }
  finishIfDone(*c);
}

void ControllerSim::finishIfDone(Client& client) {
  if (!client.closing || client.busy || !client.queue.empty()) return;
  if (client.socket->state() == QAbstractSocket::ConnectedState) {
    log(QStringLiteral("closing client %1 after %2 lines").arg(client.id).arg(client.received));
    // Later, so no handler still working on this client sees it go; what was written is flushed.
    QTimer::singleShot(0, client.socket, [socket = client.socket] { socket->disconnectFromHost(); });
  }
}

void ControllerSim::write(Client& client, const QByteArray& bytes, const QString& label) {
  if (logging()) log(label + QLatin1Char(' ') + printable(withoutTerminator(bytes)));
  client.socket->write(bytes);
  client.socket->flush();  // out at once, as a controller answers, not at the event loop's next pass
}
