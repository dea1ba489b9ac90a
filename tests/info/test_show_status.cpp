#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "gui/info/u_frmStatus4Print.h"
#include "core/model/system_table.h"

namespace {

struct Entry {
  int slot;
  int inUse;  // the raw byte: any non-zero value means in use
  int adresse;
  QString navn;
  QString brukerDef;
  int status;
};

void put(const QList<Entry>& entries) {
  for (const Entry& e : entries) {
    TSystemRecord& rec = SystemArray[e.slot];
    rec.I_bruk.value = static_cast<std::uint8_t>(e.inUse);
    rec.Adresse = e.adresse;
    rec.Navn = e.navn;
    rec.BrukerDef = e.brukerDef;
    rec.Status = e.status;
  }
}

QStringList block(const QString& address, const QString& name, const QString& description, const QString& status) {
  return {QStringLiteral("Address: 0x") + address, QStringLiteral("Name: ") + name,
          QStringLiteral("Description:: ") + description, QStringLiteral("Status: 0x") + status,
          QStringLiteral("*************************")};
}

}  // namespace

Q_DECLARE_METATYPE(Entry)

class TestShowStatus : public QObject {
  Q_OBJECT
 private slots:
  void init() { resetProgramState(); }

  void text_data();
  void text();
  void showingRebuildsTheText();
  void toClipboardCopiesTheMemoAndKeepsItSelected();
  void firstShowingCentresOnTheMainWindow();
};

void TestShowStatus::text_data() {
  QTest::addColumn<QList<Entry>>("entries");
  QTest::addColumn<QStringList>("lines");

  QTest::newRow("nothing in use") << QList<Entry>{} << QStringList{QString()};

  QTest::newRow("one Orv11") << QList<Entry>{{0x0A, 1, 0x0A, "Orv11", "Orvane Feedline Extender/Tuner", 0x25}}
                             << block("0A", "Orv11", "Orvane Feedline Extender/Tuner", "25") + QStringList{QString()};

  QTest::newRow("ascending, unused skipped, raw in-use byte")
      << QList<Entry>{{0x7F, 1, 0x7F, "Orv15", "Orvane Radio Router", 8},
                      {0x05, 0, 0x05, "Orv18", "left over from an earlier scan", 2},
                      {0x03, 2, 0x03, "Orv18", "Orvane 8 Port Auxiliary Switch", 3}}
      << block("03", "Orv18", "Orvane 8 Port Auxiliary Switch", "03") +
             block("7F", "Orv15", "Orvane Radio Router", "08") + QStringList{QString()};

  QTest::newRow("slot 0 never listed") << QList<Entry>{{0, 1, 0, "Orv11", "zero", 1}} << QStringList{QString()};

  // The fields themselves are shown, not the slot number; wide values keep all their digits.
  QTest::newRow("field values, wide hex")
      << QList<Entry>{{0x10, 1, 0x1AB, "Orv0", "No Response", 300}, {0x11, 1, 0x11, "", "", -1}}
      << block("1AB", "Orv0", "No Response", "12C") + block("11", "", "", "FFFFFFFF") + QStringList{QString()};
}

void TestShowStatus::text() {
  QFETCH(QList<Entry>, entries);
  QFETCH(QStringList, lines);
  put(entries);
  QCOMPARE(systemStatusText().split(u'\n'), lines);
}

void TestShowStatus::showingRebuildsTheText() {
  put({{0x03, 1, 0x03, "Orv18", "<b>bold?</b> &amp;", 3}});
  TfrmShowArray w;
  w.show();
  QCOMPARE(w.memArray->toPlainText(), systemStatusText());
  QVERIFY(w.memArray->toPlainText().contains(QStringLiteral("Description:: <b>bold?</b> &amp;")));

  QTest::keyClicks(w.memArray, QStringLiteral("typed by the operator"));
  QVERIFY(w.memArray->toPlainText().contains(QStringLiteral("typed by the operator")));
  w.hide();

  SystemArray[0x03].Status = 5;
  w.show();
  QCOMPARE(w.memArray->toPlainText(), systemStatusText());
  QVERIFY(w.memArray->toPlainText().contains(QStringLiteral("Status: 0x05")));
}

void TestShowStatus::toClipboardCopiesTheMemoAndKeepsItSelected() {
  put({{0x0A, 1, 0x0A, "Orv11", "<i>tuner</i>", 0x25}});
  TfrmShowArray w;
  w.show();
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  w.memArray->moveCursor(QTextCursor::End);
  QTest::keyClicks(w.memArray, QStringLiteral("note"));
  const QString shown = w.memArray->toPlainText();
  QVERIFY(shown.endsWith(QStringLiteral("\nnote")));

  QTest::mouseClick(w.btnToclpbrd, Qt::LeftButton);

  QCOMPARE(clipboard->text(), shown);
  QVERIFY(!clipboard->mimeData()->hasHtml());
  const QTextCursor cursor = w.memArray->textCursor();
  QCOMPARE(cursor.selectionStart(), 0);
  QCOMPARE(cursor.selectionEnd(), shown.size());
  QCOMPARE(w.memArray->toPlainText(), shown);
}

void TestShowStatus::firstShowingCentresOnTheMainWindow() {
  QWidget mainWindow;
  mainWindow.setGeometry(200, 150, 900, 700);
  mainWindow.show();
  TfrmShowArray w(&mainWindow);
  w.show();
  QCOMPARE(w.frameGeometry().center(), mainWindow.frameGeometry().center());

  // Where the operator moves it, it stays.
  w.hide();
  w.move(10, 20);
  w.show();
  QCOMPARE(w.pos(), QPoint(10, 20));
}

QTEST_MAIN(TestShowStatus)
#include "test_show_status.moc"
