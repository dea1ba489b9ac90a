#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class QShowEvent;

// The picture of the three panel front plates, 450 x 436.
inline constexpr char AboutPictureResource[] = ":/about/panels.png";

// Registers the picture's resource; this library is static, so nothing else pulls it in. Safe to
// call more than once.
void initAboutResources();

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  QLabel* lblHeading;
  QLabel* imgPanels;
  QPushButton* btnClose;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool centred = false;
};
