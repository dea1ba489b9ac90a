#include "access/token.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>

#include "core/model/file_write.h"

namespace {

constexpr int kTokenBytes = 32;
// Far longer than any token newToken() makes; anything longer is not hashed at all.
constexpr qsizetype kLongestToken = 256;

QByteArray randomBytes(int count) {
  QByteArray bytes(count, Qt::Uninitialized);
  QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
  return bytes;
}

}  // namespace

QString newToken() {
  return QString::fromLatin1(
      randomBytes(kTokenBytes).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QByteArray newSalt() { return randomBytes(AccessConfig::kSaltBytes); }

QByteArray tokenHash(QByteArrayView salt, QByteArrayView token) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(salt);
  hash.addData(token);
  return hash.result();
}

bool constantTimeEqual(QByteArrayView a, QByteArrayView b) {
  // The lengths are no secret; the loop still runs over all of `a`.
  unsigned difference = a.size() == b.size() ? 0u : 1u;
  for (qsizetype i = 0; i < a.size(); ++i) {
    const unsigned other = i < b.size() ? static_cast<unsigned char>(b[i]) : 0u;
    difference |= static_cast<unsigned char>(a[i]) ^ other;
  }
  return difference == 0;
}

const TokenEntry* findToken(const QList<TokenEntry>& tokens, QByteArrayView token) {
  if (token.size() > kLongestToken) return nullptr;
  const TokenEntry* found = nullptr;
  for (const TokenEntry& entry : tokens)
    if (constantTimeEqual(tokenHash(entry.salt, token), entry.hash) && !found) found = &entry;
  return found;
}

QString addToken(const QString& path, const QString& name, Role role) {
  if (!isTokenName(name))
    throw AccessConfigError(path, 0,
                            "\"" + name.left(40) + "\" is not a token name (1 to 32 letters, digits, ., _, -)");
  if (role == Role::None)
    throw AccessConfigError(path, 0, QStringLiteral("a token needs a role: observe, operate or admin"));
  QByteArray text;
  if (QFile::exists(path)) {
    text = readAccessConfigBytes(path);
    if (parseAccessConfig(text, path).tokenNamed(name))
      throw AccessConfigError(path, 0, "the token name \"" + name + "\" is taken");
  }
  const QString token = newToken();
  const QByteArray salt = newSalt();
  if (!text.isEmpty() && !text.endsWith('\n')) text += '\n';
  text += "token " + name.toLatin1() + ' ' + roleName(role).toLatin1() + ' ' + salt.toHex() + ' ' +
          tokenHash(salt, token.toLatin1()).toHex() + '\n';
  const QString failure = filewrite::writeWhole(path, text);
  if (!failure.isEmpty()) throw AccessConfigError(path, 0, "cannot be written: " + failure);
  return token;
}
