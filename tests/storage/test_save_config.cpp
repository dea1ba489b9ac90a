#include <optional>
#include <QtTest>
#include <QtWidgets>

#include <cstring>

#include "gui/common/operator_dialogs.h"
#include "core/storage/record_files.h"
#include "gui/storage/u_frmSaveConfig.h"
#include "support/program_state.h"
#include "support/file_bytes.h"
#include "support/namesakes.h"

namespace {

QByteArray tableBytes() { return QByteArray(reinterpret_cast<const char*>(SystemArray), sizeof SystemArray); }

void putPanel(int slot, const char* name, int status, const char* description = "") {
  SystemArray[slot].I_bruk = true;
  SystemArray[slot].Adresse = slot;
  SystemArray[slot].Navn = QString::fromLatin1(name);
  SystemArray[slot].BrukerDef = QString::fromLatin1(description);
  SystemArray[slot].Status = status;
}

const QString LoadWarning = QStringLiteral(
    "If the current system configuration is different (other panels, different addresses etc.), the system will be "
    "messed up!\r\n\r\nThis may cause serious damage to equipment connected and the system will have odd "
    "behaviour!\r\n\r\nContinue loading at your own risk!");

}  // namespace

class TestSaveConfig : public QObject {
  Q_OBJECT
  QTemporaryDir dir;
  DialogRecorder rec;
  std::optional<ProgramState> state;
  QString configs;

 private slots:
  void init() {
    QDir(dir.path()).removeRecursively();
    QDir().mkpath(dir.path());
    rec = DialogRecorder();
    state.emplace(&rec, dir.path() + u'/');
    records::createConfigurationsFolder();
    configs = dir.path() + "/Configurations";
  }
  void cleanup() { state.reset(); }

  void layoutAsDesigned() {
    TfrmSaveConfig form;
    QCOMPARE(form.objectName(), QStringLiteral("frmSaveConfig"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Saving configuration"));
    QCOMPARE(form.size(), QSize(423, 380));
    QVERIFY(form.windowFlags().testFlag(Qt::Tool));
    QCOMPARE(form.font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(form.font().pointSize(), 8);

    const struct {
      const char* name;
      QWidget* parent;
      QRect geometry;
    } expected[] = {
        {"gbFunctionKey", &form, {8, 8, 407, 85}},
        {"cbFKey", form.gbFunctionKey, {7, 25, 73, -1}},
        {"leUserConfigName", form.gbFunctionKey, {86, 25, 308, -1}},
        {"btnSaveFKeys", form.gbFunctionKey, {321, 52, 75, 25}},
        {"gbSystemConfiguration", &form, {8, 97, 407, 157}},
        {"leComment", form.gbSystemConfiguration, {9, 32, 387, -1}},
        {"btnSave", form.gbSystemConfiguration, {319, 122, 75, 25}},
        {"gbPanelsConfigurations", form.gbSystemConfiguration, {7, 59, 224, 88}},
        {"memArray", form.gbPanelsConfigurations, {4, 17, 216, 65}},
        {"lblBeAware", &form, {8, 262, -1, -1}},
        {"Label5", &form, {8, 281, 399, -1}},
        {"btnClose", &form, {340, 347, 75, 25}},
    };
    for (const auto& e : expected) {
      auto* w = form.findChild<QWidget*>(QString::fromLatin1(e.name));
      QVERIFY2(w, e.name);
      QCOMPARE(w->parentWidget(), e.parent);
      QCOMPARE(w->pos(), e.geometry.topLeft());
      if (e.geometry.width() > 0) QCOMPARE(w->width(), e.geometry.width());
      if (e.geometry.height() > 0) QCOMPARE(w->height(), e.geometry.height());
    }
    QCOMPARE(form.btnSave->text(), QStringLiteral("Save"));
    QCOMPARE(form.btnSaveFKeys->text(), QStringLiteral("Save"));
    QCOMPARE(form.btnClose->text(), QStringLiteral("Close"));
    QCOMPARE(form.gbFunctionKey->title(), QStringLiteral("Function Key"));
    QCOMPARE(form.gbSystemConfiguration->title(), QStringLiteral("System configuration"));
    QCOMPARE(form.gbPanelsConfigurations->title(), QStringLiteral("Panels configurations"));
    QCOMPARE(form.lblBeAware->text(), QStringLiteral("Please be aware of the following:"));
    QVERIFY(form.lblBeAware->font().bold() && form.Label5->font().bold());
    QCOMPARE(form.findChild<QLabel*>("leUserConfigNameLabel")->text(), QStringLiteral("Description"));
    QCOMPARE(form.findChild<QLabel*>("leCommentLabel")->text(),
             QStringLiteral("Keywords describing the System Configuration"));
    QVERIFY(form.memArray->toPlainText().isEmpty());

    QStringList keys;
    for (int i = 0; i < form.cbFKey->count(); ++i) keys << form.cbFKey->itemText(i);
    QCOMPARE(keys,
             QStringList({"Alt+F1",  "Alt+F2",  "Alt+F3",  "Alt+F4",  "Alt+F5",  "Alt+F5",   "Alt+F7",   "Alt+F8",
                          "Alt+F9",  "Alt+F10", "Alt+F11", "Alt+F12", "Ctrl+F1", "Ctrl+F2",  "Ctrl+F3",  "Ctrl+F4",
                          "Ctrl+F5", "Ctrl+F5", "Ctrl+F7", "Ctrl+F8", "Ctrl+F9", "Ctrl+F10", "Ctrl+F11", "Ctrl+F12"}));
    QVERIFY(form.cbFKey->isEditable());
    QCOMPARE(form.cbFKey->currentText(), QStringLiteral("Alt+F1"));
  }

  // Slot 0 never listed; Status in hex for every model; each showing lists the panels once.
  void showingListsThePanelsOnce() {
    putPanel(0, "Orv18", 2, "header");
    putPanel(1, "Orv11", 200, "Orvane Feedline Extender/Tuner");
    putPanel(5, "Orv15", 3, "Orvane Radio Router");
    putPanel(9, "Orv0", -1, "No Response");
    putPanel(10, "<b>odd</b>", 300);
    putPanel(127, "Orv18", 8, "Orvane 8 Port Auxiliary Switch");
    SystemArray[20].Navn = QStringLiteral("Orv15");  // not in use
    SystemArray[127].I_bruk.value = 2;

    TfrmSaveConfig form;
    form.show();
    form.hide();
    form.show();
    const QString expected =
        "Addrese: 0x01\nName: Orv11\nUser defined: Orvane Feedline Extender/Tuner\nStatus: 0xC8\n"
        "*************************\n"
        "Addrese: 0x05\nName: Orv15\nUser defined: Orvane Radio Router\nStatus: 0x03\n*************************\n"
        "Addrese: 0x09\nName: Orv0\nUser defined: No Response\nStatus: 0xFFFFFFFF\n*************************\n"
        "Addrese: 0x0A\nName: <b>odd</b>\nUser defined: \nStatus: 0x12C\n*************************\n"
        "Addrese: 0x7F\nName: Orv18\nUser defined: Orvane 8 Port Auxiliary Switch\nStatus: 0x08\n"
        "*************************";
    QCOMPARE(form.memArray->toPlainText(), expected);
    QCOMPARE(form.Label5->text(),
             QStringLiteral("If the current system hardware is changed after saving (other panels,\r\n"
                            "different addresses etc.), the system will be messed up!\r\n\r\n"
                            "This may cause serious damage to equipment connected and the\r\n"
                            "system will have odd behaviour!"));
    QCOMPARE(form.Label5->textFormat(), Qt::PlainText);

    // A panel found since the last showing appears at the next one.
    form.hide();
    SystemArray[1].I_bruk = false;
    form.show();
    QVERIFY(!form.memArray->toPlainText().contains("0x01"));
    QVERIFY(form.memArray->toPlainText().startsWith("Addrese: 0x05\n"));
  }

  void cancelledSaveKeepsTheCommentOnly() {
    TfrmSaveConfig form;
    form.show();
    form.leComment->setText("Contest station");
    form.leUserConfigName->setText("Field day");
    form.btnSave->click();

    QCOMPARE(rec.requests.size(), 1);
    const FileDialogRequest& r = rec.requests[0];
    QVERIFY(r.save);
    QCOMPARE(r.startFolder, configs);
    QCOMPARE(r.filter, QStringLiteral("Orvane Control system config files|*.dat|All files|*.*"));
    QVERIFY(r.proposedName.endsWith(".dat"));
    QVERIFY(!r.proposedName.chopped(4).contains(u':') && !r.proposedName.chopped(4).contains(u'.'));
    QVERIFY(!r.proposedName.contains(u'/'));

    QVERIFY(form.isVisible());
    QCOMPARE(SystemArray[0].Comment.text(), QStringLiteral("Contest station"));
    QVERIFY(SystemArray[0].BrukerDef.isEmpty());
    QCOMPARE(QDir(configs).entryList(QDir::Files), QStringList());
    QVERIFY(rec.messages.isEmpty());
  }

  void saveWritesTheTableAndCloses() {
    putPanel(3, "Orv18", 4, "Orvane 8 Port Auxiliary Switch");
    SystemArray[3].Btn4Txt = QStringLiteral("Yagi");
    TfrmSaveConfig form;
    form.show();
    form.leComment->setText(QString(300, u'k'));
    form.leUserConfigName->setText(QString::fromUtf8("Vår oppsett"));
    const QString path = configs + "/field day.dat";
    rec.fileAnswers << path;
    form.btnSave->click();

    QVERIFY(!form.isVisible());
    QCOMPARE(SystemArray[0].Comment.text(), QString(255, u'k'));
    QCOMPARE(SystemArray[0].BrukerDef.text(), QString::fromUtf8("Vår oppsett"));
    QCOMPARE(fileBytes(path), tableBytes());

    // Saving again under the same name replaces the file without a question.
    form.show();
    form.leComment->setText("second");
    rec.fileAnswers << path;
    form.btnSave->click();
    QVERIFY(!form.isVisible());
    QCOMPARE(QFileInfo(path).size(), 395776);
    QCOMPARE(fileBytes(path), tableBytes());
    QCOMPARE(SystemArray[0].Comment.text(), QStringLiteral("second"));
    QVERIFY(rec.messages.isEmpty());
    // The fields keep their text between showings.
    form.show();
    QCOMPARE(form.leUserConfigName->text(), QString::fromUtf8("Vår oppsett"));
  }

  void failedSaveIsReportedAndTheWindowStaysOpen() {
    TfrmSaveConfig form;
    form.show();
    const QString path = dir.path() + "/missing folder/config.dat";
    rec.fileAnswers << path;
    form.btnSave->click();
    QVERIFY(form.isVisible());
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(rec.messages.size(), 1);
    QVERIFY2(rec.messages[0].startsWith("Cannot create file \"" + path + "\". "), qPrintable(rec.messages[0]));
  }

  void functionKeySaveDoesNothingElse() {
    TfrmSaveConfig form;
    form.show();
    for (int index : {0, 5, 23}) {
      form.cbFKey->setCurrentIndex(index);
      form.btnSaveFKeys->click();
    }
    QCOMPARE(rec.messages, QStringList(3, QString::fromUtf8("Virker ikke ennå!")));
    QVERIFY(rec.requests.isEmpty());
    QVERIFY(form.isVisible());
    QCOMPARE(QDir(configs).entryList(QDir::Files | QDir::Hidden), QStringList());
  }

  void closeHides() {
    TfrmSaveConfig form;
    form.show();
    form.btnClose->click();
    QVERIFY(!form.isVisible());
  }

  void dialogsStartInTheFolderAsSpelledOnDisk() {
    QVERIFY(QDir(configs).removeRecursively());
    QVERIFY(QDir().mkpath(dir.path() + "/configurations"));
    TfrmSaveConfig form;
    form.show();
    form.btnSave->click();
    QVERIFY(!loadConfigurationFile());
    QCOMPARE(rec.requests.size(), 2);
    QCOMPARE(rec.requests[0].startFolder, dir.path() + "/configurations");
    QCOMPARE(rec.requests[1].startFolder, dir.path() + "/configurations");
  }

  void savingNeedsAFilledTable() {
    TfrmSaveConfig form;
    Saveconfiguration1Click(form);
    QCOMPARE(rec.messages, QStringList{"Please scan the system for panels before using this function!"});
    QVERIFY(!form.isVisible());
  }

  void cancelledLoadChangesNothing() {
    putPanel(2, "Orv15", 1);
    const QByteArray before = tableBytes();
    QVERIFY(!loadConfigurationFile());
    QCOMPARE(rec.messages, QStringList{LoadWarning});
    QCOMPARE(rec.requests.size(), 1);
    QVERIFY(!rec.requests[0].save);
    QCOMPARE(rec.requests[0].title, QStringLiteral("Open configuration files"));
    QCOMPARE(rec.requests[0].startFolder, configs);
    QCOMPARE(rec.requests[0].filter, QStringLiteral("Orvane Control configuration files|*.dat|All files|*.*"));
    QCOMPARE(tableBytes(), before);
  }

  void loadReplacesTheWholeTable_data() {
    QTest::addColumn<QString>("comment");
    QTest::newRow("with comment") << "Winter antennas";
    QTest::newRow("empty comment") << "";
  }
  void loadReplacesTheWholeTable() {
    QFETCH(QString, comment);
    // CurrentSetup.dat itself is a configuration like any other.
    putPanel(4, "Orv11", 0x55);
    SystemArray[4].TunerNr = 1;
    SystemArray[4].gap1[2] = 0x77;
    SystemArray[0].Comment = comment;
    QVERIFY(records::storeSystemSetup());
    const QByteArray saved = tableBytes();

    resetProgramState();
    putPanel(7, "Orv18", 2);
    SystemArray[7].Btn1Txt = QStringLiteral("gone");
    rec.fileAnswers << records::currentSetupPath();
    QVERIFY(loadConfigurationFile());
    QCOMPARE(tableBytes(), saved);
    QCOMPARE(rec.messages, QStringList({LoadWarning, "Comment assosiated with this config file: \r\n" + comment}));
  }

  void saveThenLoadBringsCommentAndDescriptionBack() {
    putPanel(6, "Orv15", 5);
    TfrmSaveConfig form;
    form.show();
    form.leComment->setText("Keywords");
    form.leUserConfigName->setText("Description text");
    const QString path = configs + "/roundtrip.dat";
    rec.fileAnswers << path;
    form.btnSave->click();
    const QByteArray saved = tableBytes();

    resetProgramState();
    rec.fileAnswers << path;
    QVERIFY(loadConfigurationFile());
    QCOMPARE(tableBytes(), saved);
    QCOMPARE(SystemArray[0].BrukerDef.text(), QStringLiteral("Description text"));
    QCOMPARE(rec.messages.last(), QStringLiteral("Comment assosiated with this config file: \r\nKeywords"));
  }

  // A name given in another letter case than the file on disk names that file, saving and loading.
  void configurationOfAnotherLetterCase_data() {
    QTest::addColumn<QString>("saveAs");
    QTest::addColumn<QString>("loadFrom");
    QTest::newRow("file name") << "/Configurations/mysetup.dat"
                               << "/Configurations/MYSETUP.DAT";
    QTest::newRow("folder and file name") << "/configurations/MYSETUP.dat"
                                          << "/CONFIGURATIONS/mysetup.DAT";
  }
  void configurationOfAnotherLetterCase() {
    QFETCH(QString, saveAs);
    QFETCH(QString, loadFrom);
    const QString onDisk = configs + "/MySetup.dat";
    writeFile(onDisk, QByteArray(395776, '\x01'));
    putPanel(6, "Orv15", 5);
    TfrmSaveConfig form;
    form.show();
    form.leComment->setText("Keywords");
    rec.fileAnswers << dir.path() + saveAs;
    form.btnSave->click();
    QVERIFY(!form.isVisible());
    QCOMPARE(namesakes(dir.path(), "Configurations"), QStringList{"Configurations"});
    QCOMPARE(namesakes(configs, "MySetup.dat"), QStringList{"MySetup.dat"});
    const QByteArray saved = tableBytes();
    QCOMPARE(fileBytes(onDisk), saved);

    resetProgramState();
    rec.fileAnswers << dir.path() + loadFrom;
    QVERIFY(loadConfigurationFile());
    QCOMPARE(tableBytes(), saved);
    QCOMPARE(rec.messages.last(), QStringLiteral("Comment assosiated with this config file: \r\nKeywords"));
  }

  void refusedFilesLeaveTheTableAsItWas_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("size");  // -1: a folder, -2: no file at all
    QTest::newRow("empty") << "empty.dat" << qint64(0);
    QTest::newRow("one byte short") << "short.dat" << qint64(395775);
    QTest::newRow("half") << "half.dat" << qint64(3092 * 64);
    QTest::newRow("one byte long") << "long.dat" << qint64(395777);
    QTest::newRow("folder") << "folder.dat" << qint64(-1);
    QTest::newRow("typed name that does not exist") << "nothing.dat" << qint64(-2);
  }
  void refusedFilesLeaveTheTableAsItWas() {
    QFETCH(QString, name);
    QFETCH(qint64, size);
    const QString path = configs + u'/' + name;
    if (size >= 0) writeFile(path, QByteArray(size, '\x01'));
    if (size == -1) QVERIFY(QDir().mkpath(path));
    putPanel(2, "Orv15", 1);
    SystemArray[0].Comment = QStringLiteral("before");
    const QByteArray before = tableBytes();

    rec.fileAnswers << path;
    QVERIFY(!loadConfigurationFile());
    QCOMPARE(tableBytes(), before);
    QCOMPARE(rec.messages.size(), 2);
    QVERIFY2(rec.messages[1].startsWith("Cannot load configuration file \"" + path + "\". "),
             qPrintable(rec.messages[1]));
  }

  void timeAndDateName_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("name");
    QTest::newRow("Norwegian: digits only, time first") << "nb_NO"
                                                        << "09050407032026";
    QTest::newRow("German two-digit year") << "de_DE"
                                           << "090504070326";
    QTest::newRow("US: AM and slashes stay") << "en_US"
                                             << "90504 AM3/7/26";
    QTest::newRow("British") << "en_GB"
                             << "09050407/03/2026";
    QTest::newRow("Swedish dashes") << "sv_SE"
                                    << "0905042026-03-07";
  }
  void timeAndDateName() {
    QFETCH(QString, locale);
    QFETCH(QString, name);
    const QDateTime when(QDate(2026, 3, 7), QTime(9, 5, 4));
    QCOMPARE(TidOgDato(when, QLocale(locale)), name);
  }
};

QTEST_MAIN(TestSaveConfig)
#include "test_save_config.moc"
