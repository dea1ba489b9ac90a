#include "line_port.h"

#include <QTcpSocket>

#include <algorithm>

#include "line_client.h"
#include "set_gate.h"

LinePort::LinePort(RequestQueue& queue, SetGate& gate, QObject* parent) : QObject(parent), queue_(queue), gate_(gate) {
  connect(&server_, &QTcpServer::newConnection, this, &LinePort::accept);
}

bool LinePort::listen(const QHostAddress& address, quint16 port) { return server_.listen(address, port); }

void LinePort::accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    const QHostAddress peer = socket->peerAddress();
    const auto fromPeer = std::count_if(clients_.cbegin(), clients_.cend(),
                                        [&](const LineClient* c) { return c->peerAddress() == peer; });
    if (fromPeer >= kMostPerPeer) {
      emit event(QStringLiteral("refused a connection from %1: %2 connections from there already")
                     .arg(peer.toString())
                     .arg(fromPeer));
      socket->abort();
      socket->deleteLater();
      continue;
    }
    auto* client = new LineClient(++lastId_, socket, queue_, gate_, this);
    clients_.append(client);
    connect(client, &LineClient::event, this, &LinePort::event);
    connect(client, &LineClient::gone, this, [this, client] {
      clients_.removeOne(client);
      gate_.clientLeft(client->id());
      client->deleteLater();
    });
    gate_.clientJoined(client->id(), client->name(), peer, true);
    emit event(client->name() + QStringLiteral(" connected"));
    client->serve();
  }
}
