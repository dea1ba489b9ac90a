#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/session/address_list.h"
#include "core/storage/record_files.h"
#include "gui/userconfig/u_frmConfigButtons.h"
#include "gui/userconfig/user_buttons.h"
#include "support/namesakes.h"
#include "userconfig_fixture.h"

namespace {

void setPanel(int slot, const char* navn, int status) {
  SystemArray[slot].I_bruk = true;
  SystemArray[slot].Adresse = slot;
  SystemArray[slot].Navn.set(QString::fromLatin1(navn));
  SystemArray[slot].Status = status;
}

struct Editor {
  ProgramFolder folder;
  AddressList mainAddress;
  QWidget host;
  UserButtons buttons{&host, nullptr};
  TfrmConfigButtons window{mainAddress, &buttons};

  Editor() {
    FirstScanDone = true;
    setPanel(2, "Orv15", 4);
    setPanel(6, "Orv11", 39);
    mainAddress.setAddresses({2, 6});
    mainAddress.select(0);
  }
  template <class T>
  T* get(const char* name) const {
    T* w = window.findChild<T*>(QString::fromLatin1(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }
  QComboBox* entries() const { return get<QComboBox>("cbEntries"); }
  QComboBox* address() const { return get<QComboBox>("cbAddress"); }
  QLineEdit* buttonText() const { return get<QLineEdit>("leButtonText"); }
  QLineEdit* position() const { return get<QLineEdit>("edtPos"); }
  QPlainTextEdit* commands() const { return get<QPlainTextEdit>("memCommands"); }
  QString product() const { return get<QLabel>("lblProdukt")->text(); }
  void click(const char* name) { get<QPushButton>(name)->click(); }
  void chooseAddress(int index) {
    address()->setCurrentIndex(index);
    window.cbAddressChange();
  }
  void typeAddress(const QString& text) {
    address()->setEditText(text);
    window.cbAddressChange();
  }
  void chooseEntry(int index) {
    entries()->setCurrentIndex(index);
    window.cbEntriesChange();
  }
  QByteArray file(int k) const { return folder.readBytes(commandFilePath(k)); }
};

}  // namespace

class TestConfigEditor : public QObject {
  Q_OBJECT
 private slots:
  void windowFollowsTheLayout() {
    Editor e;
    e.window.show();
    QCOMPARE(e.window.objectName(), u"frmConfigButtons"_qs);
    QCOMPARE(e.window.windowTitle(), u"Add user configuration"_qs);
    QCOMPARE(e.window.size(), QSize(392, 336));
    QCOMPARE(e.window.font().family(), u"Tahoma"_qs);
    QCOMPARE(e.window.font().pointSize(), 8);
    QVERIFY(e.window.windowFlags() & Qt::Tool);
    QVERIFY(!(e.window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(e.get<QPlainTextEdit>("memCommands")->geometry(), QRect(6, 124, 290, 154));
    QCOMPARE(e.get<QPushButton>("btnSaveCommand")->geometry(), QRect(302, 253, 70, 25));
    QCOMPARE(e.get<QPushButton>("btnClose")->geometry(), QRect(309, 303, 75, 25));
    QCOMPARE(e.get<QPushButton>("Button1")->text(), u"Edit this entry"_qs);
    QCOMPARE(e.buttonText()->maxLength(), 15);
    QCOMPARE(e.get<QLabel>("lblProdukt")->textFormat(), Qt::PlainText);
    QCOMPARE(e.get<QLabel>("lblProdukt")->font().pixelSize(), 19);
  }

  void firstEntryWritesTheExampleFile() {
    Editor e;
    e.window.show();
    QCOMPARE(e.entries()->count(), 0);
    QVERIFY(e.commands()->toPlainText().isEmpty());
    QCOMPARE(e.product(), u"Orv15"_qs);
    QCOMPARE(e.position()->text(), u"4"_qs);
    e.click("btnNewLine");
    e.chooseAddress(1);
    QCOMPARE(e.product(), u"Orv11"_qs);
    QCOMPARE(e.position()->text(), u"27"_qs);  // 39 in hexadecimal
    e.click("btnNewLine");
    e.buttonText()->setText(u"Evening"_qs);
    e.click("btnSaveCommand");

    QCOMPARE(e.file(0), QByteArray("Evening\r\n#0x02 Set X:1=4\r\n#0x06 Set X:1=39\r\n"));
    QVERIFY(UsrButtons[0].InUse);
    QCOMPARE(UsrButtons[0].Index, 0);
    QCOMPARE(UsrButtons[0].ButtonText.text(), u"Evening"_qs);
    QCOMPARE(UsrButtons[0].FileName.text(), InstalledPath + u"Configurations/0_UserConfig.txt"_qs);
    QCOMPARE(QFileInfo(records::usrButtonPath()).size(), records::UsrButtonFileSize);
    QVERIFY(e.commands()->toPlainText().isEmpty());
    QVERIFY(e.buttonText()->text().isEmpty());
    QVERIFY(e.window.isHidden());
    QCOMPARE(e.window.result(), int(QDialog::Accepted));
    QVERIFY(e.folder.rec.messages.isEmpty());
  }

  void showingSelectsTheLastEntryAndSavesACopy() {
    Editor e;
    e.folder.configure(0, u"Morning"_qs, "Morning\r\n#0x02 Set X:1=1\r\n");
    e.folder.configure(1, u"Noon"_qs, "Noon\r\n#0x02 Set X:1=2\r\n");
    e.folder.configure(2, u"Night"_qs, "Night\r\n#0x02 Set X:1=3\r\n#0x06 Set X:1=10\r\n");
    e.window.show();
    QCOMPARE(e.entries()->count(), 3);
    QCOMPARE(e.entries()->currentText(), u"Night"_qs);
    QCOMPARE(e.buttonText()->text(), u"Night"_qs);
    QCOMPARE(e.commands()->toPlainText(), u"#0x02 Set X:1=3\n#0x06 Set X:1=10\n"_qs);
    for (int k : {0, 1, 2}) QVERIFY(!e.buttons.button(k)->isHidden());
    QVERIFY(e.buttons.button(3)->isHidden());
    QVERIFY(e.window.ny);

    e.click("btnSaveCommand");  // new-entry mode: a copy
    QCOMPARE(e.file(3), QByteArray("Night\r\n#0x02 Set X:1=3\r\n#0x06 Set X:1=10\r\n"));
    QCOMPARE(e.file(2), QByteArray("Night\r\n#0x02 Set X:1=3\r\n#0x06 Set X:1=10\r\n"));
    QVERIFY(UsrButtons[3].InUse);
  }

  void editRewritesTheChosenSlotAndNewTakesTheFreedOne() {
    Editor e;
    e.folder.configure(0, u"Morning"_qs, "Morning\r\na\r\n");
    e.folder.configure(2, u"Night"_qs, "Night\r\nb\r\n");  // slot 1 was deleted
    e.window.show();
    QCOMPARE(e.entries()->count(), 2);
    e.chooseEntry(1);
    QCOMPARE(e.commands()->toPlainText(), u"b\n"_qs);
    e.click("Button1");
    QVERIFY(!e.window.ny);
    e.buttonText()->setText(u"Late night"_qs);
    e.click("btnSaveCommand");
    QCOMPARE(e.file(2), QByteArray("Late night\r\nb\r\n"));
    QCOMPARE(UsrButtons[2].ButtonText.text(), u"Late night"_qs);
    QVERIFY(!UsrButtons[1].InUse && !QFileInfo::exists(commandFilePath(1)));

    e.window.show();
    QVERIFY(e.window.ny);
    e.buttonText()->setText(u"New"_qs);
    e.click("btnSaveCommand");
    QVERIFY(UsrButtons[1].InUse);
    QCOMPARE(UsrButtons[1].Index, 1);
    QCOMPARE(e.file(1).left(5), QByteArray("New\r\n"));
  }

  // A command file copied in under another letter case is loaded from, and saved over, where it lies.
  void entryFileOfAnotherLetterCase() {
    Editor e;
    e.folder.configure(2, u"Night"_qs, "");
    QVERIFY(QFile::remove(commandFilePath(2)));
    const QString copied = e.folder.configurations() + u"2_userconfig.TXT"_qs;
    e.folder.writeBytes(copied, "Night\r\nb\r\n");
    e.window.show();
    QCOMPARE(e.commands()->toPlainText(), u"b\n"_qs);
    e.click("Button1");
    e.commands()->setPlainText(u"c\n"_qs);
    e.click("btnSaveCommand");
    QCOMPARE(namesakes(e.folder.configurations(), u"2_UserConfig.txt"_qs), QStringList{u"2_userconfig.TXT"_qs});
    QCOMPARE(e.folder.readBytes(copied), QByteArray("Night\r\nc\r\n"));
  }

  void loadingDropsOnlyAPlainHeader_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QByteArray>("savedAgain");
    QTest::newRow("plain header") << QByteArray("Eve\r\nc1\r\nc2") << u"c1\nc2\n"_qs
                                  << QByteArray("Eve\r\nc1\r\nc2\r\n");
    QTest::newRow("header with #") << QByteArray("#Eve\r\nc1\r\n") << u"#Eve\nc1\n"_qs
                                   << QByteArray("Eve\r\n#Eve\r\nc1\r\n");
    QTest::newRow("empty header") << QByteArray("\r\nc1\r\n") << u"\nc1\n"_qs << QByteArray("Eve\r\n\r\nc1\r\n");
    QTest::newRow("header only") << QByteArray("Eve\r\n") << QString() << QByteArray("Eve\r\n");
    QTest::newRow("first line a command") << QByteArray("#0x05 Set X:1=1\nc1") << u"#0x05 Set X:1=1\nc1\n"_qs
                                          << QByteArray("Eve\r\n#0x05 Set X:1=1\r\nc1\r\n");
  }
  void loadingDropsOnlyAPlainHeader() {
    QFETCH(QByteArray, file);
    QFETCH(QString, box);
    QFETCH(QByteArray, savedAgain);
    Editor e;
    e.folder.configure(0, u"Eve"_qs, file);
    e.window.show();
    QCOMPARE(e.commands()->toPlainText(), box);
    e.click("Button1");
    e.click("btnSaveCommand");
    QCOMPARE(e.file(0), savedAgain);
  }

  void unicodeFileIsWrittenBackWithItsMark() {
    Editor e;
    const QByteArray utf16(
        "\xFF\xFE"
        "E\0v\0e\0\r\0\n\0\xA9\x03\r\0\n\0",
        18);
    e.folder.configure(0, u"Eve"_qs, utf16);
    e.window.show();
    QCOMPARE(e.commands()->toPlainText(), u"Ω\n"_qs);
    e.click("Button1");
    e.click("btnSaveCommand");
    QCOMPARE(e.file(0), utf16);
  }

  // Only the file that was loaded with a mark is written back with it.
  void newEntryAfterAMarkedFileHasNoMark() {
    Editor e;
    const QByteArray marked = QByteArray("\xEF\xBB\xBF") + "Eve\r\n\xCE\xA9\r\n";
    e.folder.configure(0, u"Eve"_qs, marked);
    e.window.show();
    QCOMPARE(e.commands()->toPlainText(), u"Ω\n"_qs);
    e.commands()->setPlainText(u"#0x02 Set X:1=\u00e6\n"_qs);
    e.buttonText()->setText(u"New"_qs);
    e.click("btnSaveCommand");  // new-entry mode
    QCOMPARE(e.file(1), QByteArray("New\r\n#0x02 Set X:1=\xE6\r\n"));
    QCOMPARE(e.file(0), marked);
  }

  // The box's text is written as it stands, no-break spaces (byte A0) included, also after lines
  // were added to it.
  void noBreakSpaceIsWrittenUnchanged() {
    Editor e;
    e.folder.configure(0, u"Eve\u00a0Night"_qs, "Eve\xA0Night\r\n#0x02\xA0Set X:1=1\r\n");
    e.window.show();
    e.click("btnNewLine");
    e.click("Button1");
    e.click("btnSaveCommand");
    QCOMPARE(e.file(0), QByteArray("Eve\xA0Night\r\n#0x02\xA0Set X:1=1\r\n#0x02 Set X:1=4\r\n"));
  }

  // FileName holds the path as the program spells it, whatever the case of the folder and file on
  // disk that the entry is written to.
  void fileNameIsStoredAsTheProgramSpellsIt_data() {
    QTest::addColumn<QString>("folderOnDisk");
    QTest::addColumn<QString>("fileOnDisk");  // empty: no file yet
    QTest::newRow("folder of other case, new file") << "configurations"
                                                    << "";
    QTest::newRow("file of other case") << "Configurations"
                                        << "0_userconfig.TXT";
    QTest::newRow("both of other case") << "CONFIGURATIONS"
                                        << "0_USERCONFIG.txt";
  }
  void fileNameIsStoredAsTheProgramSpellsIt() {
    QFETCH(QString, folderOnDisk);
    QFETCH(QString, fileOnDisk);
    Editor e;
    if (folderOnDisk != u"Configurations"_qs) QVERIFY(QDir(InstalledPath).rename(u"Configurations"_qs, folderOnDisk));
    const QString folder = InstalledPath + folderOnDisk + u'/';
    if (!fileOnDisk.isEmpty()) e.folder.writeBytes(folder + fileOnDisk, "Old\r\nx\r\n");
    e.window.show();
    e.buttonText()->setText(u"Evening"_qs);
    e.commands()->setPlainText(u"c\n"_qs);
    e.click("btnSaveCommand");

    const QString spelled = InstalledPath + u"Configurations/0_UserConfig.txt"_qs;
    QCOMPARE(UsrButtons[0].FileName.text(), spelled);
    QCOMPARE(namesakes(InstalledPath, u"Configurations"_qs), QStringList{folderOnDisk});
    const QString written = fileOnDisk.isEmpty() ? u"0_UserConfig.txt"_qs : fileOnDisk;
    QCOMPARE(namesakes(folder, u"0_UserConfig.txt"_qs), QStringList{written});
    QCOMPARE(e.folder.readBytes(folder + written), QByteArray("Evening\r\nc\r\n"));
    resetProgramState();
    records::restoreAtStartup();
    QCOMPARE(UsrButtons[0].FileName.text(), spelled);
  }

  void missingOrUnreadableEntryFile() {
    Editor e;
    e.folder.configure(0, u"Gone"_qs, "Gone\r\nx\r\n");
    e.folder.configure(1, u"Dir"_qs, "");
    QFile::remove(commandFilePath(0));
    QFile::remove(commandFilePath(1));
    QDir().mkpath(commandFilePath(1));
    e.position()->setText(u"77"_qs);  // left from an earlier showing
    e.window.show();                  // loads slot 1: exists, cannot be read
    QCOMPARE(e.folder.rec.messages.size(), 1);
    QVERIFY(e.folder.rec.messages[0].startsWith(u"Cannot open file \""_qs + commandFilePath(1) + u"\". "_qs));
    QVERIFY(e.commands()->toPlainText().isEmpty());
    // The product is shown before the entry is loaded, the position only after it loaded.
    QCOMPARE(e.product(), u"Orv15"_qs);
    QCOMPARE(e.position()->text(), u"77"_qs);

    e.commands()->setPlainText(u"typed"_qs);
    e.buttonText()->setText(u"kept"_qs);
    e.chooseEntry(0);
    QVERIFY(e.commands()->toPlainText().isEmpty());
    QCOMPARE(e.buttonText()->text(), u"kept"_qs);
    QCOMPARE(e.folder.rec.messages.size(), 1);
  }

  void enterLineReadsThePositionAsHex_data() {
    QTest::addColumn<QString>("position");
    QTest::addColumn<QString>("result");  // the line, or the message
    QTest::newRow("decimal-looking") << u"4"_qs << u"#0x02 Set X:1=4"_qs;
    QTest::newRow("hex") << u"27"_qs << u"#0x02 Set X:1=39"_qs;
    QTest::newRow("lower case") << u"ff"_qs << u"#0x02 Set X:1=255"_qs;
    QTest::newRow("empty") << QString() << u"'$' is not a valid integer value"_qs;
    QTest::newRow("not hex") << u"1g"_qs << u"'$1g' is not a valid integer value"_qs;
    QTest::newRow("blank") << u" 5"_qs << u"'$ 5' is not a valid integer value"_qs;
    QTest::newRow("sign") << u"-1"_qs << u"'$-1' is not a valid integer value"_qs;
    QTest::newRow("too long") << u"123456789"_qs << u"'$123456789' is not a valid integer value"_qs;
  }
  void enterLineReadsThePositionAsHex() {
    QFETCH(QString, position);
    QFETCH(QString, result);
    Editor e;
    e.window.show();
    e.commands()->setPlainText(u"first"_qs);  // no line break at the end
    e.position()->setText(position);
    e.click("btnNewLine");
    if (result.startsWith(u'#')) {
      QCOMPARE(e.commands()->toPlainText(), u"first\n"_qs + result + u'\n');
      QVERIFY(e.folder.rec.messages.isEmpty());
    } else {
      QCOMPARE(e.folder.rec.messages, QStringList{result});
      QCOMPARE(e.commands()->toPlainText(), u"first"_qs);
    }
  }

  void enterLineUsesTheAddressTextAsTyped() {
    Editor e;
    e.window.show();
    e.typeAddress(u"0x6"_qs);
    QCOMPARE(e.product(), u"Orv11"_qs);
    e.position()->setText(u"A"_qs);
    e.click("btnNewLine");
    QCOMPARE(e.commands()->toPlainText(), u"#0x6 Set X:1=10\n"_qs);
  }

  void addressOutsideTheTableOrUnreadable() {
    Editor e;
    e.window.show();
    e.typeAddress(u"0xFF"_qs);  // no slot: nothing to show
    QVERIFY(e.product().isEmpty());
    QVERIFY(e.position()->text().isEmpty());
    QVERIFY(e.folder.rec.messages.isEmpty());

    e.chooseAddress(1);
    e.typeAddress(u"0xZZ"_qs);  // the previous panel stays shown
    QCOMPARE(e.folder.rec.messages, QStringList{u"'$ZZ' is not a valid integer value"_qs});
    QCOMPARE(e.product(), u"Orv11"_qs);
    QCOMPARE(e.position()->text(), u"27"_qs);
  }

  void useConfigSnapshotsEveryPanelInUse() {
    Editor e;
    setPanel(0, "Orv0", 3);
    setPanel(9, "Orv18", 8);
    setPanel(10, "Orv11", 9);
    setPanel(127, "Something", 300);
    SystemArray[40].Status = 5;  // not in use
    e.window.show();
    e.click("btnCurrConfig");
    QCOMPARE(e.commands()->toPlainText(),
             u"#0x00 Set X:1=3\n#0x02 Set X:1=4\n#0x06 Set X:1=27\n"
             u"#0x09 Set X:1=8\n#0x0A Set X:1=09\n#0x7F Set X:1=12C\n"_qs);
    e.click("btnClrKey");
    QVERIFY(e.commands()->toPlainText().isEmpty());
  }

  void fullTableRefusesANewEntry() {
    Editor e;
    for (int k = 0; k < MaxUsrBtns; ++k) e.folder.configure(k, u"B%1"_qs.arg(k), "B\r\nx\r\n");
    QFile::remove(records::usrButtonPath());
    const TUsrBtnType spare = UsrButtons[20];
    e.window.show();
    e.commands()->setPlainText(u"line\n"_qs);
    e.buttonText()->setText(u"One more"_qs);
    e.click("btnSaveCommand");
    QCOMPARE(e.folder.rec.messages, QStringList{TfrmConfigButtons::AllSlotsInUseMessage});
    QVERIFY(e.window.isVisible());
    QCOMPARE(e.commands()->toPlainText(), u"line\n"_qs);
    QCOMPARE(e.buttonText()->text(), u"One more"_qs);
    QCOMPARE(e.entries()->count(), 20);
    QVERIFY(!QFileInfo::exists(commandFilePath(20)));
    QVERIFY(!QFileInfo::exists(records::usrButtonPath()));
    QVERIFY(std::memcmp(&spare, &UsrButtons[20], sizeof spare) == 0);
  }

  void failedFileWriteChangesNothing_data() {
    QTest::addColumn<bool>("edit");
    QTest::newRow("new") << false;
    QTest::newRow("edit") << true;
  }
  void failedFileWriteChangesNothing() {
    QFETCH(bool, edit);
    Editor e;
    e.folder.configure(0, u"Old"_qs, "Old\r\nx\r\n");
    e.window.show();
    QDir(e.folder.configurations()).removeRecursively();
    if (edit) e.click("Button1");
    const TUsrBtnType before[2] = {UsrButtons[0], UsrButtons[1]};
    e.buttonText()->setText(u"New"_qs);
    e.click("btnSaveCommand");

    const int k = edit ? 0 : 1;
    QCOMPARE(e.folder.rec.messages.size(), 1);
    QVERIFY2(e.folder.rec.messages[0].startsWith(u"Cannot create file \""_qs + commandFilePath(k) + u"\". "_qs),
             qPrintable(e.folder.rec.messages[0]));
    QVERIFY(std::memcmp(before, UsrButtons, sizeof before) == 0);
    QCOMPARE(e.entries()->count(), 1);
    QCOMPARE(e.entries()->itemText(0), u"Old"_qs);
    QCOMPARE(e.commands()->toPlainText(), u"x\n"_qs);  // a retry must not gain a second header
    QVERIFY(e.window.isVisible());
    QVERIFY(!QFileInfo::exists(records::usrButtonPath()));
  }

  void editWithoutASelectedEntry_data() {
    QTest::addColumn<bool>("withEntry");
    QTest::addColumn<QString>("typed");
    QTest::newRow("empty list") << false << QString();
    QTest::newRow("typed text matching no entry") << true << u"Nothing like it"_qs;
  }
  void editWithoutASelectedEntry() {
    QFETCH(bool, withEntry);
    QFETCH(QString, typed);
    Editor e;
    if (withEntry) e.folder.configure(0, u"Old"_qs, "Old\r\nx\r\n");
    e.window.show();
    if (!typed.isEmpty()) {
      e.entries()->setEditText(typed);
      e.window.cbEntriesChange();
    }
    QCOMPARE(e.window.selectedSlot(), -1);
    e.commands()->setPlainText(u"y\n"_qs);
    e.click("Button1");
    e.click("btnSaveCommand");
    QCOMPARE(e.folder.rec.messages, QStringList{TfrmConfigButtons::NoEntrySelectedMessage});
    QVERIFY(e.window.isVisible());
    QCOMPARE(e.commands()->toPlainText(), u"y\n"_qs);
    QCOMPARE(e.file(0), withEntry ? QByteArray("Old\r\nx\r\n") : QByteArray());
    QVERIFY(!UsrButtons[0].InUse == !withEntry);
    QVERIFY(!QFileInfo::exists(records::usrButtonPath()));
  }

  void closeStoresNothing() {
    Editor e;
    e.window.show();
    e.commands()->setPlainText(u"x\n"_qs);
    e.click("btnClose");
    QVERIFY(e.window.isHidden());
    QCOMPARE(e.window.result(), int(QDialog::Rejected));
    QVERIFY(!QFileInfo::exists(commandFilePath(0)));
    QVERIFY(!UsrButtons[0].InUse);
  }

  void menuItemNeedsAScanThenRefreshesTheButtons() {
    Editor e;
    FirstScanDone = false;
    e.window.Configusernamesandbuttons1Click();
    QCOMPARE(e.folder.rec.messages, QStringList{u"Please scan the system for panels before using this function!"_qs});
    QVERIFY(e.window.isHidden());

    FirstScanDone = true;
    e.entries()->addItem(u"stale"_qs);
    bool sawWindow = false;
    QTimer::singleShot(0, &e.window, [&] {
      sawWindow = e.window.isVisible() && e.entries()->count() == 0;
      e.buttonText()->setText(u"Evening"_qs);
      e.click("btnNewLine");
      e.click("btnSaveCommand");
    });
    e.window.Configusernamesandbuttons1Click();
    QVERIFY(sawWindow);
    QVERIFY(!e.buttons.button(0)->isHidden());
    QCOMPARE(e.buttons.button(0)->text(), u"Evening"_qs);
    QCOMPARE(e.file(0), QByteArray("Evening\r\n#0x02 Set X:1=4\r\n"));

    if (qEnvironmentVariableIsSet("ORV_GRAB_DIR")) {
      const QString dir = qEnvironmentVariable("ORV_GRAB_DIR");
      e.folder.configure(1, u"Night"_qs, "Night\r\n#0x02 Set X:1=3\r\n#0x06 Set X:1=10\r\n");
      e.folder.configure(2, u"Morning"_qs, "Morning\r\n#0x02 Set X:1=1\r\n");
      e.entries()->clear();
      e.window.show();
      e.chooseEntry(1);
      e.window.grab().save(dir + u"/editor.png"_qs);
      e.window.hide();
      e.buttons.UpdateUsrButtons();
      e.host.resize(326, 140);
      e.host.show();
      e.host.grab().save(dir + u"/userbuttons.png"_qs);
    }
  }
};

QTEST_MAIN(TestConfigEditor)
#include "test_config_editor.moc"
