#pragma once
// The hub's access settings, a plain text file that operators edit by hand. One setting a line,
// words separated by spaces; "#" starts a comment that runs to the line's end:
//
//   token NAME ROLE SALT HASH   a client's token (written by add-token): NAME of letters, digits and
//                               "._-" (1..32), ROLE observe, operate or admin, SALT 32 and HASH 64
//                               hexadecimal digits, HASH = SHA-256 of the salt's bytes and the token
//   loopback-role ROLE          clients on loopback without a token; default observe
//   remote-role ROLE            clients elsewhere without a token; default none (must authenticate)
//   line-role ROLE              every client of the line port, which has no authentication of its
//                               own; default operate, so the window program can switch through it
//   line-allow CIDR             a network that may reach the line port besides loopback (repeated
//                               for more); none given: loopback alone
//   rf-exception ADDRESS        a panel off the RF path, 0x00..0x7F, switched even while the radio
//                               transmits (repeated for more)
//   lock-lease SECONDS          how long the lock outlives its holder's last activity, 1..86400;
//                               default 60
//   max-connections N           connections at once from one address, 1..1000; default 8
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>

#include "core/model/operator_error.h"
#include "access/role.h"

struct TokenEntry {
  QString name;
  Role role = Role::Observe;
  QByteArray salt;  // raw bytes
  QByteArray hash;  // raw SHA-256
};

struct AccessConfig {
  static constexpr int kSaltBytes = 16;
  static constexpr int kHashBytes = 32;

  QList<TokenEntry> tokens;
  Role loopbackRole = Role::Observe;
  Role remoteRole = Role::None;
  Role lineRole = Role::Operate;
  QList<QPair<QHostAddress, int>> lineNetworks;  // besides loopback
  QSet<int> rfExceptions;
  int lockLeaseMs = 60'000;
  int maxConnectionsPerAddress = 8;

  const TokenEntry* tokenNamed(QStringView name) const;
  // Loopback, or in one of the allowed networks.
  bool lineAllowed(const QHostAddress& peer) const;
};

// "FILE:LINE: what is wrong", or "FILE: what is wrong" for the file as a whole.
class AccessConfigError : public OperatorError {
 public:
  AccessConfigError(const QString& fileName, int line, const QString& reason);
};

// The whole file or an error naming its first bad line; `fileName` names it in the error.
AccessConfig parseAccessConfig(QByteArrayView bytes, const QString& fileName);
// The bytes of the file at `path` (at most 1 MiB); throws AccessConfigError.
QByteArray readAccessConfigBytes(const QString& path);
// Reads and parses the file at `path`; throws AccessConfigError.
AccessConfig readAccessConfig(const QString& path);

// A peer address as the hub compares it: an IPv4 address mapped into IPv6 as the IPv4 address.
QHostAddress plainAddress(const QHostAddress& peer);

// A token's name as the file allows it.
bool isTokenName(QStringView name);
