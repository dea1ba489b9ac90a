#include <QTemporaryDir>
#include <QtTest>

#include "access/access_config.h"
#include "access/token.h"

namespace {

const QByteArray kSalt(16, 's');

QByteArray tokenLine(const QByteArray& name, const QByteArray& role, const QByteArray& token) {
  return "token " + name + ' ' + role + ' ' + kSalt.toHex() + ' ' + tokenHash(kSalt, token).toHex() + '\n';
}

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

class TestAccessConfig : public QObject {
  Q_OBJECT

 private slots:
  void defaultsWithoutSettings() {
    const AccessConfig config = parseAccessConfig("# nothing set\n\n", QStringLiteral("orvd.conf"));
    QVERIFY(config.tokens.isEmpty());
    QCOMPARE(config.loopbackRole, Role::Observe);
    QCOMPARE(config.remoteRole, Role::None);
    QCOMPARE(config.lineRole, Role::Operate);
    QVERIFY(config.lineNetworks.isEmpty());
    QVERIFY(config.rfExceptions.isEmpty());
    QCOMPARE(config.lockLeaseMs, 60'000);
    QCOMPARE(config.maxConnectionsPerAddress, 8);
  }

  void everySetting() {
    const QByteArray text = "  # the station\r\n" + tokenLine("alice", "admin", "a-secret") +
                            tokenLine("bob.2", "OBSERVE", "b-secret") +
                            "LOOPBACK-ROLE operate\r\n"
                            "remote-role   observe\n"
                            "line-role admin\n"
                            "line-allow 192.168.1.0/24\n"
                            "line-allow fd00::/8\n"
                            "rf-exception 0x05\n"
                            "rf-exception 0x7F\n"
                            "lock-lease 90\n"
                            "max-connections 3";
    const AccessConfig config = parseAccessConfig(text, QStringLiteral("orvd.conf"));
    QCOMPARE(config.tokens.size(), 2);
    QCOMPARE(config.tokens[0].name, QStringLiteral("alice"));
    QCOMPARE(config.tokens[0].role, Role::Admin);
    QCOMPARE(config.tokens[0].salt, kSalt);
    QCOMPARE(config.tokens[0].hash, tokenHash(kSalt, "a-secret"));
    QCOMPARE(config.tokens[1].role, Role::Observe);
    QCOMPARE(config.loopbackRole, Role::Operate);
    QCOMPARE(config.remoteRole, Role::Observe);
    QCOMPARE(config.lineRole, Role::Admin);
    QCOMPARE(config.lineNetworks.size(), 2);
    QCOMPARE(config.rfExceptions, (QSet<int>{0x05, 0x7F}));
    QCOMPARE(config.lockLeaseMs, 90'000);
    QCOMPARE(config.maxConnectionsPerAddress, 3);
  }

  void badLines_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    const QByteArray ok = tokenLine("alice", "admin", "x");
    const QByteArray salt = kSalt.toHex(), hash = tokenHash(kSalt, "x").toHex();
    QTest::newRow("unknown") << QByteArray("\nlock-leese 5\n") << R"(orvd.conf:2: unknown setting "lock-leese")";
    QTest::newRow("control characters shown")
        << QByteArray("\x1b[31mred 1\n") << "orvd.conf:1: unknown setting \"\\x1b[31mred\"";
    QTest::newRow("placeholders kept") << QByteArray("remote-role %1%2\n")
                                       << R"(orvd.conf:1: "%1%2" is not a role (none, observe, operate or admin))";
    QTest::newRow("twice") << QByteArray("line-role operate\nLine-Role admin\n")
                           << "orvd.conf:2: line-role is given twice";
    QTest::newRow("no value") << QByteArray("remote-role\n") << "orvd.conf:1: remote-role takes 1 word, not 0";
    QTest::newRow("two values") << QByteArray("lock-lease 5 s\n") << "orvd.conf:1: lock-lease takes 1 word, not 2";
    QTest::newRow("bad role") << QByteArray("remote-role root\n")
                              << R"(orvd.conf:1: "root" is not a role (none, observe, operate or admin))";
    QTest::newRow("line role none") << QByteArray("line-role none\n")
                                    << R"(orvd.conf:1: "none" is not a role (observe, operate or admin))";
    QTest::newRow("lease zero") << QByteArray("lock-lease 0\n")
                                << "orvd.conf:1: lock-lease must be a whole number from 1 to 86400";
    QTest::newRow("lease huge") << QByteArray("lock-lease 99999999999\n")
                                << "orvd.conf:1: lock-lease must be a whole number from 1 to 86400";
    QTest::newRow("cap") << QByteArray("max-connections 1001\n")
                         << "orvd.conf:1: max-connections must be a whole number from 1 to 1000";
    QTest::newRow("network without length") << QByteArray("line-allow 10.0.0.1\n")
                                            << R"(orvd.conf:1: "10.0.0.1" is not a network (192.168.1.0/24, fd00::/8))";
    QTest::newRow("network garbage") << QByteArray("line-allow 300.1.1.0/24\n")
                                     << R"(orvd.conf:1: "300.1.1.0/24" is not a network (192.168.1.0/24, fd00::/8))";
    QTest::newRow("address outside the bus")
        << QByteArray("rf-exception 0x80\n") << R"(orvd.conf:1: "0x80" is not a panel address (0x00..0x7F))";
    QTest::newRow("token short") << QByteArray("token bob operate\n") << "orvd.conf:1: token takes 4 words, not 2";
    QTest::newRow("token name") << "token b/b operate " + salt + ' ' + hash + '\n'
                                << R"(orvd.conf:1: a token's name is 1 to 32 letters, digits, ".", "_" or "-")";
    QTest::newRow("token name taken") << ok + "token ALICE operate " + salt + ' ' + hash + '\n'
                                      << R"(orvd.conf:2: the token name "ALICE" is taken)";
    QTest::newRow("token role none") << "token bob none " + salt + ' ' + hash + '\n'
                                     << R"(orvd.conf:1: "none" is not a role (observe, operate or admin))";
    QTest::newRow("token salt") << "token bob operate " + salt.left(30) + "zz " + hash + '\n'
                                << "orvd.conf:1: a token's salt is 32 hexadecimal digits";
    QTest::newRow("token hash") << "token bob operate " + salt + ' ' + hash.left(63) + '\n'
                                << "orvd.conf:1: a token's hash is 64 hexadecimal digits";
  }
  void badLines() {
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    try {
      parseAccessConfig(text, QStringLiteral("orvd.conf"));
      QFAIL("read without an error");
    } catch (const AccessConfigError& e) {
      QCOMPARE(e.message(), error);
    }
  }

  void unreadableFileIsNamed() {
    QTemporaryDir dir;
    const QString path = dir.filePath("missing.conf");
    try {
      readAccessConfig(path);
      QFAIL("read without an error");
    } catch (const AccessConfigError& e) {
      QVERIFY2(e.message().startsWith(path + ": cannot be read: "), qPrintable(e.message()));
    }
  }

  void lineNetworks_data() {
    QTest::addColumn<QString>("peer");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("loopback") << "127.0.0.1" << true;
    QTest::newRow("loopback elsewhere in 127/8") << "127.3.0.9" << true;
    QTest::newRow("IPv6 loopback") << "::1" << true;
    QTest::newRow("mapped loopback") << "::ffff:127.0.0.1" << true;
    QTest::newRow("in the network") << "192.168.1.77" << true;
    QTest::newRow("mapped, in the network") << "::ffff:192.168.1.77" << true;
    QTest::newRow("next network") << "192.168.2.1" << false;
    QTest::newRow("IPv6 elsewhere") << "2001:db8::1" << false;
  }
  void lineNetworks() {
    QFETCH(QString, peer);
    QFETCH(bool, allowed);
    const AccessConfig config = parseAccessConfig("line-allow 192.168.1.0/24\n", QStringLiteral("orvd.conf"));
    QCOMPARE(config.lineAllowed(QHostAddress(peer)), allowed);
  }

  void constantTimeCompare_data() {
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<bool>("equal");
    QTest::newRow("equal") << QByteArray("0123456789") << QByteArray("0123456789") << true;
    QTest::newRow("both empty") << QByteArray() << QByteArray() << true;
    QTest::newRow("first byte") << QByteArray("x123456789") << QByteArray("0123456789") << false;
    QTest::newRow("last byte") << QByteArray("0123456789") << QByteArray("012345678x") << false;
    QTest::newRow("a prefix of b") << QByteArray("01234") << QByteArray("0123456789") << false;
    QTest::newRow("b a prefix of a") << QByteArray("0123456789") << QByteArray("01234") << false;
    QTest::newRow("one empty") << QByteArray() << QByteArray("0") << false;
    QTest::newRow("trailing zero byte") << QByteArray("ab", 2) << QByteArray("ab\0", 3) << false;
    QTest::newRow("high bit") << QByteArray("\x80") << QByteArray("\x00", 1) << false;
  }
  void constantTimeCompare() {
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(bool, equal);
    QCOMPARE(constantTimeEqual(a, b), equal);
  }

  void tokensAreFoundByTheirHash() {
    const AccessConfig config =
        parseAccessConfig(tokenLine("alice", "admin", "alice-token") + tokenLine("bob", "observe", "bob-token") +
                              tokenLine("long", "admin", QByteArray(300, 'x')),  // longer than any token is taken
                          "orvd.conf");
    const TokenEntry* bob = findToken(config.tokens, "bob-token");
    QVERIFY(bob);
    QCOMPARE(bob->name, QStringLiteral("bob"));
    for (const QByteArray& wrong :
         {QByteArray("bob-toke"), QByteArray("bob-token "), QByteArray(), tokenHash(kSalt, "bob-token").toHex(),
          QByteArray("BOB-TOKEN"), QByteArray(300, 'x')})
      QVERIFY2(!findToken(config.tokens, wrong), wrong.constData());
  }

  void newTokensAreLongAndPrintable() {
    const QString first = newToken();
    QCOMPARE(first.size(), 43);  // 256 bits
    static const QRegularExpression base64url(QStringLiteral("^[A-Za-z0-9_-]+$"));
    QVERIFY(base64url.match(first).hasMatch());
    QVERIFY(first != newToken());
    QVERIFY(newSalt() != newSalt());
  }

  void addTokenKeepsTheFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("orvd.conf");
    const QByteArray before = "# hand-written\r\nline-role  operate   # odd spacing kept\nrf-exception 0x05";
    QVERIFY(writeAll(path, before));
    const QString token = addToken(path, QStringLiteral("alice"), Role::Operate);
    const QByteArray after = readAll(path);
    QVERIFY(after.startsWith(before + '\n'));
    QVERIFY(!after.contains(token.toLatin1()));
    const AccessConfig config = readAccessConfig(path);
    QCOMPARE(config.rfExceptions, QSet<int>{0x05});
    const TokenEntry* found = findToken(config.tokens, token.toLatin1());
    QVERIFY(found);
    QCOMPARE(found->name, QStringLiteral("alice"));
    QCOMPARE(found->role, Role::Operate);
  }

  void addTokenCreatesAMissingFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("new.conf");
    const QString first = addToken(path, QStringLiteral("alice"), Role::Admin);
    const QString second = addToken(path, QStringLiteral("bob"), Role::Observe);
    const AccessConfig config = readAccessConfig(path);
    QCOMPARE(config.tokens.size(), 2);
    QCOMPARE(findToken(config.tokens, first.toLatin1())->role, Role::Admin);
    QCOMPARE(findToken(config.tokens, second.toLatin1())->role, Role::Observe);
  }

  void addTokenRefusals_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<Role>("role");
    QTest::addColumn<QString>("error");
    const QByteArray alice = tokenLine("alice", "admin", "x");
    QTest::newRow("name taken") << alice << "Alice" << Role::Operate << R"(: the token name "Alice" is taken)";
    QTest::newRow("bad name") << alice << "al ice" << Role::Operate
                              << R"(: "al ice" is not a token name (1 to 32 letters, digits, ., _, -))";
    QTest::newRow("no role") << alice << "bob" << Role::None << ": a token needs a role: observe, operate or admin";
    QTest::newRow("bad file") << QByteArray("lock-lease x\n") << "bob" << Role::Operate
                              << ":1: lock-lease must be a whole number from 1 to 86400";
  }
  void addTokenRefusals() {
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(Role, role);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath("orvd.conf");
    QVERIFY(writeAll(path, file));
    try {
      addToken(path, name, role);
      QFAIL("added");
    } catch (const AccessConfigError& e) {
      QCOMPARE(e.message(), path + error);
    }
    QCOMPARE(readAll(path), file);
  }

  void addTokenReportsAFailedWrite() {
    QTemporaryDir dir;
    const QString path = dir.filePath("no-such-folder/orvd.conf");
    try {
      addToken(path, QStringLiteral("alice"), Role::Admin);
      QFAIL("added");
    } catch (const AccessConfigError& e) {
      QVERIFY2(e.message().startsWith(path + ": cannot be written: "), qPrintable(e.message()));
    }
  }
};

QTEST_GUILESS_MAIN(TestAccessConfig)
#include "test_access_config.moc"
