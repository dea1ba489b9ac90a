// Arbitrary bytes as the hub's access configuration: either a configuration within the file's
// limits or an error naming the file.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

#include "access/access_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  try {
    const AccessConfig config = parseAccessConfig(bytes, QStringLiteral("orvd.conf"));
    for (const TokenEntry& token : config.tokens)
      if (!isTokenName(token.name) || token.role == Role::None || token.salt.size() != AccessConfig::kSaltBytes ||
          token.hash.size() != AccessConfig::kHashBytes)
        std::abort();
    for (int address : config.rfExceptions)
      if (address < 0 || address > 0x7F) std::abort();
    if (config.lineRole == Role::None || config.lockLeaseMs < 1000 || config.lockLeaseMs > 86'400'000 ||
        config.maxConnectionsPerAddress < 1 || config.maxConnectionsPerAddress > 1000)
      std::abort();
  } catch (const AccessConfigError& e) {
    if (!e.message().startsWith(QStringLiteral("orvd.conf:"))) std::abort();
  }
  return 0;
}
