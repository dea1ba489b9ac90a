#include <QtTest>

#include "gui/app/version.h"
#include "core/model/operator_error.h"

class TestVersion : public QObject {
  Q_OBJECT
 private slots:
  void programVersion() {
    QCOMPARE(GetVersionInfo(vrFileVersion), QStringLiteral("0.20.0.108"));
    QCOMPARE(KeyWordStr[vrComments], QStringLiteral("Comments"));
    QCOMPARE(KeyWordStr[vrSpecialBuild], QStringLiteral("SpecialBuild"));
  }

  void lookups_data() {
    QTest::addColumn<QList<quint32>>("translations");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first translation decides")
        << QList<quint32>{0x04B00414u, 0x04E40409u} << "\\StringFileInfo\\041404B0\\FileVersion"
        << "1.2";
    QTest::newRow("other language misses") << QList<quint32>{0x04B00414u} << "\\StringFileInfo\\040904E4\\FileVersion"
                                           << "";
  }
  void lookups() {
    QFETCH(QList<quint32>, translations);
    QFETCH(QString, path);
    const VersionResource resource{translations, {{path, QStringLiteral("1.2")}}};
    QTEST(GetVersionInfo(vrFileVersion, &resource), "expected");
  }

  void missingResourceAndTranslation() {
    QCOMPARE(GetVersionInfo(vrFileVersion, nullptr), QString());
    const VersionResource noTranslation{{}, {}};
    try {
      GetVersionInfo(vrFileVersion, &noTranslation);
      QFAIL("no failure");
    } catch (const OperatorError& e) {
      QCOMPARE(e.message(), QStringLiteral("????????????"));
    }
  }
};

QTEST_APPLESS_MAIN(TestVersion)
#include "test_version.moc"
