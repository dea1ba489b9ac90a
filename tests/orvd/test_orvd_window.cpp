// The unchanged window program through the hub, end to end offscreen, while orvctl uses the same
// hub: both are served over the hub's one connection to the simulator.
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QtTest>

#include "core/link/controller_link.h"
#include "core/model/system_table.h"
#include "e2e/app_fixture.h"
#include "gui/link/u_frmTCPIP.h"
#include "gui/panels/panel_control_area.h"
#include "orvd/hub_processes.h"

class TestOrvdWindow : public QObject {
  Q_OBJECT
 private slots:
  void theWindowProgramAndOrvctlAtOnce() {
    ControllerProcess controller;
    HubProcess hub(controller.port());
    QVERIFY(hub.port());
    AppFixture app;
    app.startProgram();
    app.w().frmTCPIP->leIP->setText(QStringLiteral("127.0.0.1"));
    app.w().frmTCPIP->lePort->setText(hub.portText());
    app.w().btnConn_DisConn->click();
    QTRY_VERIFY(app.w().link->isConnected());

    // orvctl polls the bus while the window scans it.
    QProcess orvctl;
    orvctl.start(QStringLiteral(ORVCTL_PATH), {"--host", "127.0.0.1", "--port", hub.portText(), "scan"});
    QVERIFY(orvctl.waitForStarted(10000));
    app.scan();
    QWidget* list = app.w().scrollStatus->widget();
    QTRY_VERIFY(list->findChild<QPushButton*>(QStringLiteral("btnOrv18_3")));
    QTRY_COMPARE(SystemArray[6].Status, 39);
    QTRY_COMPARE_WITH_TIMEOUT(orvctl.state(), QProcess::NotRunning, 30000);
    QCOMPARE(orvctl.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(orvctl.readAllStandardOutput()).count(u'\n'), 4);

    named<QPushButton>(list, "btnOrv18_3")->click();
    QVERIFY(app.w().panels->gbOrv18->isVisible());
    named<QAbstractButton>(app.w().panels->gbOrv18, "sbOrv18_5")->click();
    QTRY_COMPARE(controller.received().count(QStringLiteral("#0x03 Set X:1=5")), 1);
    QTRY_COMPARE(app.w().link->logEntries().last(), QStringLiteral("Rx from server: #0x03 Ret X:1=5\r\n"));
    QCOMPARE(SystemArray[3].Status, 5);
    QTRY_VERIFY(hub.log().contains(QStringLiteral("set 0x03 to 5")));
  }
};

QTEST_MAIN(TestOrvdWindow)
#include "test_orvd_window.moc"
