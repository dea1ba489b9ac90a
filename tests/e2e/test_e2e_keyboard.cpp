// Keyboard use of every window: the Tab order, Escape and Enter, and the menu's shortcut letters.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

#include "gui/controls/seven_seg.h"
#include "e2e/app_fixture.h"
#include "gui/link/u_frmTCPIP.h"
#include "core/model/system_table.h"
#include "gui/tuner/u_frmTuner.h"

namespace {

QWidget* windowNamed(TfrmMain& main, const QString& name) {
  if (name == main.objectName()) return &main;
  return main.findChild<QWidget*>(name);
}

// The names met by Tab from the window itself, once round, in this window only.
QStringList focusChain(QWidget* window) {
  QStringList names;
  for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain())
    if (w->window() == window && !w->objectName().isEmpty()) names << w->objectName();
  return names;
}

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

}  // namespace

class TestE2eKeyboard : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    app = std::make_unique<AppFixture>();
    app->start();
  }
  void cleanup() { app.reset(); }

  // A screen reader names every control it can reach, in every window, the status list included.
  void everyControlIsNamed() {
    app->connectToController();
    app->scan();
    QList<QWidget*> windows{&app->w()};
    for (QWidget* w : app->w().findChildren<QWidget*>())
      if (w->isWindow()) windows << w;
    QStringList unnamed;
    int controls = 0;
    for (QWidget* window : windows) {
      for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractScrollArea*>(w) ||
                             qobject_cast<TSevenSeg*>(w);
        // Parts of another control (a combo box's line edit and list, scroll bars, the menu bar's
        // overflow button) are named by it.
        if (!control || w->window()->windowType() == Qt::Popup || qobject_cast<QComboBox*>(w->parentWidget()) ||
            w->objectName().startsWith(u"qt_"))
          continue;
        ++controls;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        if (!iface || iface->text(QAccessible::Name).trimmed().isEmpty())
          unnamed << window->objectName() + u'.' + w->objectName() + u'(' + w->metaObject()->className() + u')';
      }
    }
    QVERIFY(controls > 100);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));

    // The connect button keeps its name; its caption tells the state.
    QAccessibleInterface* connect = QAccessible::queryAccessibleInterface(app->w().btnConn_DisConn);
    QCOMPARE(connect->text(QAccessible::Name), QStringLiteral("Connection"));
    QCOMPARE(connect->text(QAccessible::Description), QStringLiteral("Disconnect the Server"));
  }

  void tabOrder_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("main") << "frmMain" << QStringList{"btnConn_DisConn", "btnScan",      "btnStopWaiting", "cbAddress",
                                                      "edtUserDefName",  "lbRespons",    "Button9",        "Button3",
                                                      "btnUsrConf0",     "btnUsrConf19", "btnClose"};
    QTest::newRow("TCPIP") << "frmTCPIP" << QStringList{"leIP", "lePort", "Button1"};
    QTest::newRow("user configuration") << "frmConfigButtons"
                                        << QStringList{"cbEntries", "leButtonText",   "Button1",       "cbAddress",
                                                       "edtPos",    "memCommands",    "btnCurrConfig", "btnNewLine",
                                                       "btnClrKey", "btnSaveCommand", "btnClose"};
    QTest::newRow("saving") << "frmSaveConfig"
                            << QStringList{"cbFKey",   "leUserConfigName", "btnSaveFKeys", "leComment",
                                           "memArray", "btnSave",          "btnClose"};
    QTest::newRow("show status") << "frmShowArray" << QStringList{"memArray", "btnToclpbrd", "btnClose"};
    QTest::newRow("about") << "frmAbout" << QStringList{"btnClose"};
    QTest::newRow("tuner 1") << "frmTuner1" << QStringList{"leLine1", "leLine2", "btnSave", "btnClose"};
    QTest::newRow("tuner 2") << "frmTuner2" << QStringList{"leLine1", "leLine2", "btnSave", "btnClose"};
  }
  void tabOrder() {
    QFETCH(QString, window);
    QFETCH(QStringList, order);
    QWidget* w = windowNamed(app->w(), window);
    QVERIFY(w);
    const QStringList chain = focusChain(w);
    qsizetype at = 0;
    for (const QString& name : order) {
      at = chain.indexOf(name, at);
      QVERIFY2(at >= 0, qPrintable(name + QStringLiteral(" out of order in ") + chain.join(u' ')));
      auto* control = w->findChild<QWidget*>(name);
      QVERIFY2(control->focusPolicy() & Qt::TabFocus, qPrintable(name + QStringLiteral(" takes no Tab")));
    }
  }

  // Escape is the close box: the window hides, and a tuner window writes nothing.
  void escapeCloses_data() {
    QTest::addColumn<QString>("window");
    for (const char* name : {"frmTCPIP", "frmConfigButtons", "frmSaveConfig", "frmShowArray", "frmAbout", "frmTuner1"})
      QTest::newRow(name) << QString::fromLatin1(name);
  }
  void escapeCloses() {
    QFETCH(QString, window);
    app->connectToController();
    app->scan();
    QTRY_VERIFY(FirstScanDone);
    QWidget* w = windowNamed(app->w(), window);
    const QString tunerFile = app->configFile(QStringLiteral("Tuner.dat"));
    const QByteArray tunersBefore = fileBytes(tunerFile);
    if (window == u"frmTuner1")
      app->w().btnTunerClick(1);
    else
      w->show();
    QTRY_VERIFY(w->isVisible());
    QTest::keyClick(w, Qt::Key_Escape);
    QTRY_VERIFY(!w->isVisible());
    QVERIFY(!Tuner1Shown);
    QCOMPARE(fileBytes(tunerFile), tunersBefore);
  }

  // Enter in a window's field presses its default button.
  void enterPressesDefault_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("fileDialogs");
    QTest::newRow("TCPIP: Close") << "frmTCPIP"
                                  << "lePort" << true << 0;
    QTest::newRow("About: Close") << "frmAbout"
                                  << "btnClose" << true << 0;
    QTest::newRow("saving: Save asks for a name") << "frmSaveConfig"
                                                  << "leComment" << false << 1;
  }
  void enterPressesDefault() {
    QFETCH(QString, window);
    QFETCH(QString, field);
    QFETCH(bool, closes);
    QFETCH(int, fileDialogs);
    QWidget* w = windowNamed(app->w(), window);
    w->show();
    QTRY_VERIFY(w->isVisible());
    auto* target = w->findChild<QWidget*>(field);
    QVERIFY(target);
    QTest::keyClick(target, Qt::Key_Return);
    QTRY_COMPARE(app->recorder.requests.size(), fileDialogs);
    QCOMPARE(!w->isVisible(), closes);
    QVERIFY(app->recorder.messages.isEmpty());
  }

  // Every menu and item has a shortcut letter, unique in its menu; the visible text is unchanged.
  void menuMnemonics() {
    const QList<QPair<QString, QStringList>> menus{
        {QStringLiteral("File"),
         {"Load all panels configuration", "Save all panels configuration", "Load programmed function keys",
          "Save programmed function keys", "Exit"}},
        {QStringLiteral("Configuration"), {"Factory defaults", "Remote setup", "Add user configuration"}},
        {QStringLiteral("About...."), {"Program info", "System information"}},
    };
    auto visible = [](QString text) { return text.remove(u'&'); };
    auto letter = [](const QString& text) {
      const qsizetype at = text.indexOf(u'&');
      return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
    };
    const QList<QAction*> bar = app->w().menuBar()->actions();
    QCOMPARE(bar.size(), menus.size());
    QSet<QChar> titles;
    for (qsizetype m = 0; m < menus.size(); ++m) {
      QCOMPARE(visible(bar[m]->text()), menus[m].first);
      QVERIFY2(!letter(bar[m]->text()).isNull(), qPrintable(menus[m].first));
      titles << letter(bar[m]->text());
      QStringList items;
      QSet<QChar> letters;
      for (QAction* a : bar[m]->menu()->actions()) {
        if (a->isSeparator()) continue;
        items << visible(a->text());
        QVERIFY2(!letter(a->text()).isNull(), qPrintable(a->text()));
        letters << letter(a->text());
      }
      QCOMPARE(items, menus[m].second);
      QCOMPARE(letters.size(), items.size());
    }
    QCOMPARE(titles.size(), menus.size());
  }

 private:
  std::unique_ptr<AppFixture> app;
};

QTEST_MAIN(TestE2eKeyboard)
#include "test_e2e_keyboard.moc"
