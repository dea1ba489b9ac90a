#include <QtTest>

#include <climits>
#include <cstring>

#include "core/model/panel_models.h"
#include "core/model/system_table.h"

// The row a name stands for, by its own name; empty for none.
static QString rowName(const PanelModel* model) { return model ? QString(model->name) : QString(); }

class TestPanelModels : public QObject {
  Q_OBJECT
 private slots:
  void init() { resetProgramState(); }

  void lookupIsWholeTextExactCase_data() {
    QTest::addColumn<QByteArray>("navn");  // the record's bytes as a controller sent them
    QTest::addColumn<QString>("row");
    QTest::newRow("Orv0") << QByteArray("Orv0") << "Orv0";
    QTest::newRow("Orv11") << QByteArray("Orv11") << "Orv11";
    QTest::newRow("Orv15") << QByteArray("Orv15") << "Orv15";
    QTest::newRow("Orv18") << QByteArray("Orv18") << "Orv18";
    QTest::newRow("lower case") << QByteArray("orv11") << QString();
    QTest::newRow("upper case") << QByteArray("ORV18") << QString();
    QTest::newRow("longer") << QByteArray("Orv111") << QString();
    QTest::newRow("shorter") << QByteArray("Orv1") << QString();
    QTest::newRow("trailing blank") << QByteArray("Orv15 ") << QString();
    QTest::newRow("leading blank") << QByteArray(" Orv15") << QString();
    QTest::newRow("trailing CR") << QByteArray("Orv15\r") << QString();
    QTest::newRow("trailing NUL") << QByteArray("Orv15\0", 6) << QString();
    QTest::newRow("high byte") << QByteArray("Orv1\xB5") << QString();
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("unknown model") << QByteArray("Orv99") << QString();
  }
  void lookupIsWholeTextExactCase() {
    QFETCH(QByteArray, navn);
    QFETCH(QString, row);
    TSystemRecord& rec = SystemArray[5];
    rec.Navn.length = static_cast<unsigned char>(navn.size());
    std::memcpy(rec.Navn.chars, navn.constData(), std::size_t(navn.size()));
    QCOMPARE(rowName(panelModelOf(rec)), row);
    // The name as the program shows it finds the same row.
    QCOMPARE(rowName(panelModelNamed(rec.Navn.text())), row);
  }

  void settingsAreShownAsTheirModelShowsThem_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Orv11 39") << "Orv11" << 39 << "27";
    QTest::newRow("Orv11 0") << "Orv11" << 0 << "00";
    QTest::newRow("Orv11 255") << "Orv11" << 255 << "FF";
    QTest::newRow("Orv11 256") << "Orv11" << 256 << "100";
    QTest::newRow("Orv11 -1") << "Orv11" << -1 << "FFFFFFFF";
    QTest::newRow("Orv15 4") << "Orv15" << 4 << "4";
    QTest::newRow("Orv15 10") << "Orv15" << 10 << "10";
    QTest::newRow("Orv18 -1") << "Orv18" << -1 << "-1";
    QTest::newRow("Orv0 39") << "Orv0" << 39 << "39";
    QTest::newRow("unknown 39") << "orv11" << 39 << "39";
    QTest::newRow("no name 300") << "" << 300 << "300";
  }
  void settingsAreShownAsTheirModelShowsThem() {
    QFETCH(QString, model);
    QFETCH(int, status);
    QFETCH(QString, shown);
    TSystemRecord& rec = SystemArray[5];
    rec.Navn = model;
    rec.Status = status;
    QCOMPARE(settingTextOf(rec), shown);
  }

  void stepsKeepToTheRange_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("to");
    QTest::newRow("Orv11 up inside") << "Orv11" << 10 << 16 << 26;
    QTest::newRow("Orv11 up to the top") << "Orv11" << 250 << 16 << 255;
    QTest::newRow("Orv11 down to the bottom") << "Orv11" << 10 << -16 << 0;
    QTest::newRow("Orv11 reported above") << "Orv11" << 300 << -1 << 255;
    QTest::newRow("Orv11 reported below") << "Orv11" << -5 << 1 << 0;
    QTest::newRow("Orv11 no overflow") << "Orv11" << INT_MAX << 16 << 255;
    QTest::newRow("Orv15 ports") << "Orv15" << 8 << 1 << 8;
    QTest::newRow("Orv18 ports") << "Orv18" << 0 << 0 << 1;
  }
  void stepsKeepToTheRange() {
    QFETCH(QString, model);
    QFETCH(int, from);
    QFETCH(int, delta);
    QFETCH(int, to);
    QCOMPARE(panelModelNamed(model)->step(from, delta), to);
  }
};

QTEST_APPLESS_MAIN(TestPanelModels)
#include "test_panel_models.moc"
