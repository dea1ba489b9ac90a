#include "access/access_gate.h"

#include "access/token.h"

#include <algorithm>

AccessGate::AccessGate(AccessConfig config, TransmitInterlock& interlock, AuthAttempts::Options auth, QObject* parent)
    : QObject(parent),
      config_(std::move(config)),
      interlock_(interlock),
      authOptions_(auth),
      lock_(config_.lockLeaseMs) {}

AccessGate::~AccessGate() = default;

QString AccessGate::refuseConnection(const QHostAddress& peer, bool linePort) const {
  const QHostAddress address = plainAddress(peer);
  if (linePort && !config_.lineAllowed(address))
    return address.toString() + " is not on a network allowed to reach the line port";
  const auto fromThere = std::count_if(clients_.begin(), clients_.end(),
                                       [&](const auto& entry) { return plainAddress(entry.second.peer) == address; });
  if (fromThere >= config_.maxConnectionsPerAddress)
    return QStringLiteral("%1 has %2 connections already").arg(address.toString()).arg(fromThere);
  return {};
}

void AccessGate::clientJoined(quint64 clientId, const QString& name, const QHostAddress& peer, bool linePort) {
  Client& client = clients_[clientId];
  client = Client{};
  client.name = name;
  client.peer = peer;
  client.linePort = linePort;
  if (linePort) {
    client.role = config_.lineRole;
    return;
  }
  client.role = plainAddress(peer).isLoopback() ? config_.loopbackRole : config_.remoteRole;
  client.attempts = std::make_unique<AuthAttempts>(authOptions_);
  if (client.role != Role::None) return;
  connect(client.attempts.get(), &AuthAttempts::deadlinePassed, this, [this, clientId] {
    emit closeRequested(clientId, QStringLiteral("no token within %1 s").arg(authOptions_.deadlineMs / 1000.0));
  });
  client.attempts->startDeadline();
}

void AccessGate::clientLeft(quint64 clientId) {
  lock_.clientLeft(clientId);
  clients_.erase(clientId);
}

const AccessGate::Client* AccessGate::client(quint64 clientId) const {
  const auto found = clients_.find(clientId);
  return found == clients_.end() ? nullptr : &found->second;
}

Role AccessGate::role(quint64 clientId) const {
  const Client* found = client(clientId);
  return found ? found->role : Role::None;
}

QString AccessGate::clientName(quint64 clientId) const {
  const Client* found = client(clientId);
  return found ? found->name : QString();
}

AccessGate::AuthOutcome AccessGate::authenticate(quint64 clientId, QByteArrayView token) {
  const auto found = clients_.find(clientId);
  if (found == clients_.end() || !found->second.attempts) return {false, role(clientId), 0, false};
  Client& client = found->second;
  if (const TokenEntry* entry = findToken(config_.tokens, token)) {
    client.attempts->succeeded();
    client.role = entry->role;
    client.name = entry->name;
    return {true, client.role, 0, false};
  }
  const AuthAttempts::Verdict verdict = client.attempts->failed();
  return {false, client.role, verdict.delayMs, verdict.close};
}

std::optional<SetRefusal> AccessGate::checkOperate(quint64 clientId) const {
  switch (role(clientId)) {
    case Role::None: return SetRefusal{SetRefusal::Reason::Forbidden, QStringLiteral("not authenticated")};
    case Role::Observe:
      return SetRefusal{SetRefusal::Reason::Forbidden, QStringLiteral("the observe role may only watch")};
    case Role::Operate:
    case Role::Admin: break;
  }
  return std::nullopt;
}

std::optional<SetRefusal> AccessGate::checkSet(quint64 clientId, int address) const {
  if (auto refusal = checkOperate(clientId)) return refusal;
  if (lock_.heldByOther(clientId)) return SetRefusal{SetRefusal::Reason::Locked, "held by " + lock_.holder()->name};
  return interlock_.checkSet(address);
}

std::optional<SetRefusal> AccessGate::takeLock(quint64 clientId) {
  if (auto refusal = checkOperate(clientId)) return refusal;
  if (!lock_.take(clientId, clientName(clientId)))
    return SetRefusal{SetRefusal::Reason::Locked, "held by " + lock_.holder()->name};
  return std::nullopt;
}

void AccessGate::releaseLock(quint64 clientId) { lock_.release(clientId); }

std::optional<SetRefusal> AccessGate::kickLock(quint64 adminId) {
  if (role(adminId) != Role::Admin)
    return SetRefusal{SetRefusal::Reason::Forbidden, QStringLiteral("only an admin may free the lock")};
  lock_.kick();
  return std::nullopt;
}

void AccessGate::activity(quint64 clientId) { lock_.renew(clientId); }
