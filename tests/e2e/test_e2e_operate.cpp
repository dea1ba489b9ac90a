// Operating the installation end to end: ports, steps, labels, tuner memories, user buttons and
// saved configurations, against the simulated controller, across restarts.
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QtTest>

#include "gui/controls/seven_seg.h"
#include "e2e/app_fixture.h"
#include "core/link/controller_link.h"
#include "gui/link/u_frmTCPIP.h"
#include "core/model/system_table.h"
#include "gui/panels/panel_control_area.h"
#include "gui/storage/u_frmSaveConfig.h"
#include "support/file_bytes.h"
#include "support/namesakes.h"
#include "gui/tuner/u_frmTuner.h"
#include "gui/userconfig/u_frmConfigButtons.h"
#include "gui/userconfig/user_buttons.h"

namespace {

QStringList sentLines(const QList<ReceivedLine>& lines) {
  QStringList out;
  for (const ReceivedLine& r : lines) out << QString::fromLatin1(r.line);
  return out;
}

void scanned(AppFixture& app, SimOptions options = {}) {
  app.start(options);
  app.connectToController();
  app.scan();
}

}  // namespace

class TestE2eOperate : public QObject {
  Q_OBJECT
 private slots:
  void selectPanelAndSwitchPort() {
    AppFixture app;
    scanned(app);
    QWidget* list = app.w().scrollStatus->widget();
    named<QPushButton>(list, "btnOrv18_3")->click();
    QCOMPARE(app.w().cbAddress->currentText(), QStringLiteral("0x03"));
    QVERIFY(app.w().panels->gbOrv18->isVisible());
    QCOMPARE(app.w().panels->gbOrv18->title(), QStringLiteral("Orv18 @ address 0x03"));

    app.received.clear();
    named<QAbstractButton>(app.w().panels->gbOrv18, "sbOrv18_5")->click();
    QCOMPARE(SystemArray[3].Status, 5);
    QCOMPARE(app.w().link->logEntries().last(), QStringLiteral("Tx to server: #0x03 Set X:1=5\r\n"));
    QTRY_COMPARE(sentLines(app.received), QStringList{QStringLiteral("#0x03 Set X:1=5")});
    QTRY_COMPARE(app.w().link->logEntries().last(), QStringLiteral("Rx from server: #0x03 Ret X:1=5\r\n"));
    QCOMPARE(named<TSevenSeg>(app.w().panels->gbOrv18, "ssOrv18")->caption(), QStringLiteral("5"));
    QCOMPARE(named<TSevenSeg>(list, "ssOrv18_3")->caption(), QStringLiteral("5"));
    QCOMPARE(app.sim().status(3), std::optional<int>(5));
  }

  void stepTheTuner() {
    AppFixture app;
    scanned(app);
    named<QPushButton>(app.w().scrollStatus->widget(), "btnOrv11_6")->click();
    QVERIFY(app.w().panels->gbOrv11->isVisible());
    auto* ss = named<TSevenSeg>(app.w().panels->gbOrv11, "ssOrv11");
    QCOMPARE(ss->caption(), QStringLiteral("27"));
    const QList<QPair<QString, int>> steps{
        {"sbOrv11_1pp", 55}, {"sbOrv11_1P", 56}, {"sbOrv11_1M", 55}, {"spOrv11_1NN", 39}};
    for (const auto& [button, value] : steps) {
      named<QAbstractButton>(app.w().panels->gbOrv11, button)->click();
      QCOMPARE(SystemArray[6].Status, value);
      // The reply sets the working position again; the next step starts from it.
      QTRY_COMPARE(app.w().link->logEntries().last(),
                   QStringLiteral("Rx from server: #0x06 Ret X:1=%1\r\n").arg(value));
    }
    QTRY_COMPARE(named<TSevenSeg>(app.w().scrollStatus->widget(), "ssOrv11_6")->caption(), QStringLiteral("27"));
  }

  void portLabelSurvivesARestart() {
    AppFixture app;
    scanned(app);
    named<QPushButton>(app.w().scrollStatus->widget(), "btnOrv18_3")->click();
    app.w().panels->Orv18BtnLblRightClick(187);
    auto* editor = named<QLineEdit>(app.w().panels->gbOrv18, "edtOrv18Text");
    QVERIFY(editor->isVisible());
    editor->setText(QStringLiteral("Beverage"));
    named<QPushButton>(app.w().panels->gbOrv18, "btnOrv18Text")->click();
    QCOMPARE(named<QLabel>(app.w().panels->gbOrv18, "lblOrv18Btn7")->text(), QStringLiteral("Beverage"));
    app.w().btnClose->click();

    resetProgramState();
    app.startProgram();
    QCOMPARE(SystemArray[3].Btn7Txt.text(), QStringLiteral("Beverage"));
    app.w().frmTCPIP->lePort->setText(QString::number(app.sim().port()));
    app.connectToController();
    app.scan();
    named<QPushButton>(app.w().scrollStatus->widget(), "btnOrv18_3")->click();
    QCOMPARE(named<QLabel>(app.w().panels->gbOrv18, "lblOrv18Btn7")->text(), QStringLiteral("Beverage"));
  }

  void tunerMemoryStoredRecalledAndKept() {
    AppFixture app;
    scanned(app);
    named<QPushButton>(app.w().scrollStatus->widget(), "btn2Orv11_6")->click();
    TfrmTuner1* tuner = app.w().frmTuner1;
    QVERIFY(tuner->isVisible());
    QVERIFY(Tuner1Shown);

    KnappNr = 5;
    tuner->Savenewvalue1Click();
    tuner->Configbutton1Click();
    named<QLineEdit>(tuner, "leLine1")->setText(QStringLiteral("40 m"));
    named<QLineEdit>(tuner, "leLine2")->setText(QStringLiteral("dipole"));
    tuner->btnSaveClick();
    QCOMPARE(TunerArray[0].Buttons[4].Verdi, 39);
    QCOMPARE(tuner->memoryButton(5)->text(), QStringLiteral("40 m\ndipole"));

    app.received.clear();
    tuner->btnxClick(5);
    QTRY_COMPARE(sentLines(app.received), QStringList{QStringLiteral("#0x06 Set X:1=39")});
    QCOMPARE(tuner->display()->caption(), QStringLiteral("27"));
    QVERIFY(!app.w().link->logEntries().last().startsWith(u"Tx"));  // straight on the wire
    tuner->btnCloseClick();
    QVERIFY(!Tuner1Shown);

    resetProgramState();
    app.startProgram();
    QCOMPARE(TunerArray[0].Buttons[4].Verdi, 39);
    QCOMPARE(TunerArray[0].Buttons[4].Tekst.text(), QStringLiteral("40 m\ndipole"));
    QCOMPARE(TunerArray[0].Buttons[0].Tekst.text(), QStringLiteral("No \n config"));
  }

  // The replay is paced by pauses that hold the program's thread, so the controller runs as a
  // process of its own and stamps each line it receives.
  void userButtonReplaysItsLinesPaced() {
    AppFixture app;
    app.startControllerProcess();
    QProcess& sim = app.controllerProcess();
    app.scan();

    TfrmConfigButtons* editor = app.w().frmConfigButtons;
    QTimer::singleShot(0, editor, [editor] {
      auto* address = editor->findChild<QComboBox*>("cbAddress");
      address->setCurrentIndex(0);  // 0x02
      editor->cbAddressChange();
      editor->findChild<QLineEdit*>("edtPos")->setText(QStringLiteral("3"));
      editor->btnNewLineClick();
      address->setCurrentIndex(3);  // 0x06
      editor->cbAddressChange();
      editor->findChild<QLineEdit*>("edtPos")->setText(QStringLiteral("27"));
      editor->btnNewLineClick();
      editor->btnCurrConfigClick();
      editor->findChild<QLineEdit*>("leButtonText")->setText(QStringLiteral("Evening"));
      editor->btnSaveCommandClick();
    });
    app.w().Configusernamesandbuttons1Click();
    QVERIFY(UsrButtons[0].InUse);
    QPushButton* button = app.w().userButtons->button(0);
    QVERIFY(button->isVisible());
    QCOMPARE(button->text(), QStringLiteral("Evening"));

    QFile file(app.configFile("0_UserConfig.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("Evening\r\n#0x02 Set X:1=3\r\n#0x06 Set X:1=39\r\n#0x02 Set X:1=4\r\n"
                                        "#0x03 Set X:1=1\r\n#0x04 Set X:1=2\r\n#0x06 Set X:1=27\r\n"));

    sim.readAll();
    button->click();
    QCOMPARE(app.w().link->logEntries().last(), QStringLiteral("#0x06 Set X:1=27\r\n"));
    QList<qint64> stamps;
    const QRegularExpression rx(QStringLiteral("^\\[t=(\\d+)\\] RX #0x.. Set X:1="));
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
          while (sim.canReadLine()) {
            const auto m = rx.match(QString::fromLatin1(sim.readLine()));
            if (m.hasMatch()) stamps << m.captured(1).toLongLong();
          }
          return stamps.size() == 6;
        }(),
        10000);
    for (int k = 1; k < stamps.size(); ++k)
      QVERIFY2(stamps[k] - stamps[k - 1] >= 90, qPrintable(QString::number(stamps[k] - stamps[k - 1])));

    // Deleting hides the button and keeps its file.
    emit button->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(app.w().userButtons->popupButton(), 0);
    app.w().userButtons->popupMenu()->hide();
    app.w().userButtons->delBtnClick();
    QVERIFY(!button->isVisible());
    QVERIFY(!UsrButtons[0].InUse);
    QVERIFY(QFile::exists(app.configFile("0_UserConfig.txt")));
  }

  void savedConfigurationComesBack() {
    AppFixture app;
    scanned(app);
    SystemArray[2].Btn1Txt = QStringLiteral("IC-7300");
    const QString saved = app.folder() + "Configurations/station.dat";
    TfrmSaveConfig* form = app.w().frmSaveConfig;
    app.recorder.fileAnswers << saved;
    QTimer::singleShot(0, form, [form] {
      form->leComment->setText(QStringLiteral("Field day"));
      form->btnSave->click();
    });
    app.w().Saveconfiguration1Click();
    QCOMPARE(QFileInfo(saved).size(), 395776);

    app.w().Factorydefaults1Click();
    QVERIFY(!SystemArray[2].I_bruk);
    QCOMPARE(app.w().cbAddress->count(), 0);

    app.recorder.messages.clear();
    app.recorder.fileAnswers << saved;
    app.received.clear();
    app.w().Loadconfiguration1Click();
    QCOMPARE(app.recorder.messages.size(), 2);
    QVERIFY(app.recorder.messages[0].startsWith(QStringLiteral("If the current system configuration is different")));
    QCOMPARE(app.recorder.messages[1], QStringLiteral("Comment assosiated with this config file: \r\nField day"));
    QCOMPARE(SystemArray[2].Btn1Txt.text(), QStringLiteral("IC-7300"));
    QCOMPARE(app.w().cbAddress->count(), 4);
    QCOMPARE(sentLines(app.received).filter(QStringLiteral("Get X")).size(), 4);
    QVERIFY(FirstScanDone);
    QVERIFY(named<TSevenSeg>(app.w().scrollStatus->widget(), "ssOrv11_6"));
  }

  // A loaded file whose panel's address is not its slot: the list names the address, and the box,
  // the poll, the port commands and "Select panel" go by the slot that address names.
  void panelsAreNamedByTheirAddress() {
    AppFixture app;
    SimOptions options;
    options.panels = {{9, "Orv15", 3}};
    app.start(options);
    app.connectToController();
    SystemArray[5].I_bruk = true;
    SystemArray[5].Navn = QStringLiteral("Orv18");
    SystemArray[5].Adresse = 9;
    SystemArray[9].Navn = QStringLiteral("Orv15");
    SystemArray[9].Adresse = 9;
    const QString file = app.configFile("moved.dat");
    writeFile(file, QByteArray(reinterpret_cast<const char*>(SystemArray), sizeof SystemArray));
    resetProgramState();

    app.recorder.fileAnswers << file;
    app.received.clear();
    app.w().Loadconfiguration1Click();
    QCOMPARE(app.w().cbAddress->count(), 1);
    QCOMPARE(app.w().cbAddress->currentText(), QStringLiteral("0x09"));
    QVERIFY(app.w().panels->gbOrv15->isVisible());
    QVERIFY(!app.w().panels->gbOrv18->isVisible());
    QCOMPARE(app.w().panels->gbOrv15->title(), QStringLiteral("Orv15 @ address 0x09"));
    QCOMPARE(SystemArray[9].Status, 3);

    named<QAbstractButton>(app.w().panels->gbOrv15, "sbOrv15_2")->click();
    QTRY_COMPARE(sentLines(app.received), (QStringList{"#0x09 Get X", "#0x09 Set X:1=2"}));

    // The Orv18 of slot 5 has no entry of its own: its "Select panel" finds none.
    named<QPushButton>(app.w().scrollStatus->widget(), "btnOrv18_5")->click();
    QVERIFY(app.w().panels->gbOrv15->isVisible());
    QCOMPARE(app.w().cbAddress->currentText(), QStringLiteral("0x09"));
  }

  // Files copied in from a system that ignores letter case: start-up restores from them, a user
  // button replays from its file, and "Save log" and "Exit" write over them, never beside them.
  void filesOfAnotherLetterCaseAreUsed() {
    AppFixture app;
    const QString configs = app.folder() + "CONFIGURATIONS/";
    const auto systemBytes = [] { return QByteArray(reinterpret_cast<const char*>(SystemArray), sizeof SystemArray); };
    QVERIFY(QDir().mkpath(configs));
    SystemArray[3].I_bruk = true;
    SystemArray[3].Btn7Txt = QStringLiteral("Beverage");
    writeFile(configs + "currentsetup.DAT", systemBytes());
    UsrButtons[0].InUse = true;
    UsrButtons[0].ButtonText = QStringLiteral("Morning");
    writeFile(configs + "USRBUTTONSETUP.DAT",
              QByteArray(reinterpret_cast<const char*>(UsrButtons), MaxUsrBtns * sizeof(TUsrBtnType)));
    writeFile(configs + "0_userconfig.TXT", "Morning\r\n#0x03 Set X:1=6\r\n");
    const QString ini = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUpper() + ".ini";
    writeFile(app.folder() + ini, "[Other]\nkept=yes\n");
    writeFile(app.folder() + "CMDLOG.TXT", "old log\r\n");
    resetProgramState();

    scanned(app);
    named<QPushButton>(app.w().scrollStatus->widget(), "btnOrv18_3")->click();
    QCOMPARE(named<QLabel>(app.w().panels->gbOrv18, "lblOrv18Btn7")->text(), QStringLiteral("Beverage"));
    QPushButton* button = app.w().userButtons->button(0);
    QVERIFY(button->isVisible());
    app.received.clear();
    button->click();
    QTRY_COMPARE(sentLines(app.received), QStringList{QStringLiteral("#0x03 Set X:1=6")});

    app.w().Button9->click();
    app.w().btnClose->click();
    QVERIFY(app.recorder.messages.isEmpty());

    QCOMPARE(namesakes(app.folder(), "Configurations"), QStringList{"CONFIGURATIONS"});
    QCOMPARE(namesakes(configs, "CurrentSetup.dat"), QStringList{"currentsetup.DAT"});
    QCOMPARE(fileBytes(configs + "currentsetup.DAT"), systemBytes());
    QCOMPARE(namesakes(app.folder(), "cmdlog.txt"), QStringList{"CMDLOG.TXT"});
    QVERIFY(fileBytes(app.folder() + "CMDLOG.TXT").startsWith("#0xFF Get Name\r\n"));
    QCOMPARE(namesakes(app.folder(), ini), QStringList{ini});
    const QByteArray settings = fileBytes(app.folder() + ini);
    QVERIFY2(settings.contains("kept=yes") && settings.contains("Port=" + QByteArray::number(app.sim().port())),
             settings.constData());
  }
};

QTEST_MAIN(TestE2eOperate)
#include "test_e2e_operate.moc"
