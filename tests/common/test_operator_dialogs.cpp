// What a message box shows of a long message: its beginning and its end.
#include <QtTest>

#include "gui/common/operator_dialogs.h"
#include "core/model/integer_rule.h"

class TestOperatorDialogs : public QObject {
  Q_OBJECT
 private slots:
  void longFailingValueKeepsTheMessageEnd() {
    const QString value = QStringLiteral("#0x06 Ret X:1=") + QString(100000, u'9') + u'z';
    const QString message = ConversionError(value).message();
    const QString shown = dialogs::shownText(message);
    QCOMPARE(shown.size(), dialogs::kMaxShownCharacters);
    QVERIFY(shown.startsWith(QStringLiteral("'#0x06 Ret X:1=999")));
    QVERIFY(shown.endsWith(QStringLiteral("9z' is not a valid integer value")));
    QVERIFY(shown.contains(QStringLiteral(" ... ")));
  }

  void shortMessagesStayWhole_data() {
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QString();
    QTest::newRow("ordinary") << QStringLiteral("Unable to write to /tmp/x.INI");
    QTest::newRow("exactly the limit") << QString(dialogs::kMaxShownCharacters, u'a');
  }
  void shortMessagesStayWhole() {
    QFETCH(QString, message);
    QCOMPARE(dialogs::shownText(message), message);
  }
};

QTEST_MAIN(TestOperatorDialogs)
#include "test_operator_dialogs.moc"
