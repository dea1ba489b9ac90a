#pragma once
// Client tokens: 256 random bits from the system's generator, printed once and stored only as a
// salted SHA-256. A slow password hash guards secrets a person chose and an attacker can guess; a
// random token has nothing to guess, so one round of SHA-256 cannot be reversed or searched, and
// the salt keeps equal tokens in two files from showing.
#include <QByteArray>
#include <QString>

#include "access/access_config.h"

// 43 characters of base64url.
QString newToken();
QByteArray newSalt();
QByteArray tokenHash(QByteArrayView salt, QByteArrayView token);

// Compares every byte whatever it finds, so the time taken tells nothing of where they differ.
bool constantTimeEqual(QByteArrayView a, QByteArrayView b);

// The entry whose token this is, or nullptr; every entry is hashed and compared alike. A token
// longer than 256 bytes is nobody's.
const TokenEntry* findToken(const QList<TokenEntry>& tokens, QByteArrayView token);

// Adds a new token with `name` and `role` to the configuration file at `path` (created when missing),
// every other line kept as it stands; returns the token, which is stored nowhere. Throws
// AccessConfigError for a bad file, a taken name or a failed write.
QString addToken(const QString& path, const QString& name, Role role);
