#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QSet>
#include <QTest>

#include "gui/info/u_frmAbout.h"

class TestAbout : public QObject {
  Q_OBJECT
 private slots:
  void windowShowsThePicture();
  void pictureIsTrueColour();
  void firstShowingCentresOnTheMainWindow();
};

void TestAbout::pictureIsTrueColour() {
  initAboutResources();
  const QImage picture(QString::fromLatin1(AboutPictureResource));
  QVERIFY(!picture.isNull());
  QCOMPARE(picture.size(), QSize(450, 436));
  QCOMPARE(picture.depth(), 32);
  QVERIFY(!picture.isGrayscale());
  // A palette image converted up would still hold at most 256 colours.
  QSet<QRgb> colours;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) colours.insert(picture.pixel(x, y));
  QVERIFY2(colours.size() > 4096, qPrintable(QString::number(colours.size())));
}

void TestAbout::windowShowsThePicture() {
  TfrmAbout w;
  const QPixmap shown = w.imgPanels->pixmap();
  QCOMPARE(shown.size(), QSize(450, 436));
  QVERIFY(w.imgPanels->geometry().contains(QRect(w.imgPanels->pos(), shown.size())));
}

void TestAbout::firstShowingCentresOnTheMainWindow() {
  QWidget mainWindow;
  mainWindow.setGeometry(120, 80, 1000, 760);
  mainWindow.show();
  TfrmAbout w(&mainWindow);
  w.show();
  QCOMPARE(w.frameGeometry().center(), mainWindow.frameGeometry().center());
}

QTEST_MAIN(TestAbout)
#include "test_about.moc"
