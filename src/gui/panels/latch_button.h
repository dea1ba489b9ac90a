#pragma once
// The latching picture button of the panel boxes and the clickable caption laid over it.
#include <QAbstractButton>
#include <QLabel>

// Four faces: up (light grey, raised), disabled (dark grey), held (green), down (red).
// Checkable; an exclusive QButtonGroup keeps a down button down when it is clicked again.
class TLatchButton : public QAbstractButton {
  Q_OBJECT
 public:
  static constexpr int kWidth = 60;
  static constexpr int kHeight = 90;

  explicit TLatchButton(QWidget* parent = nullptr);
  QSize sizeHint() const override { return {kWidth, kHeight}; }

 signals:
  void rightPressed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  bool focusRing_ = false;
};

// The button's caption. A left click runs the button's action without touching which button is
// down; a right press is reported like one on the button.
class TCaptionLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TCaptionLabel(const QString& text, QWidget* parent = nullptr);

 signals:
  void clicked();
  void rightPressed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool leftHeld_ = false;
};
