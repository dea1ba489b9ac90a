#include "gui/panels/latch_button.h"

#include <QMouseEvent>
#include <QPainter>

#include "gui/controls/accessibility.h"

namespace {
const QColor kUpFace(212, 207, 201);
const QColor kDisabledFace(51, 51, 51);
const QColor kHeldFace(0, 128, 0);
const QColor kDownFace(255, 0, 0);
}  // namespace

TLatchButton::TLatchButton(QWidget* parent) : QAbstractButton(parent) {
  setCheckable(true);
  setFixedSize(kWidth, kHeight);
  // Only the keyboard moves the focus here: a click leaves the faces as they were.
  setFocusPolicy(Qt::TabFocus);
  accessibility::describeAsLatching(this);
}

void TLatchButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  bool raised = false;
  QColor face;
  if (!isEnabled())
    face = kDisabledFace;
  else if (isDown())
    face = kHeldFace;
  else if (isChecked())
    face = kDownFace;
  else {
    face = kUpFace;
    raised = true;
  }
  p.fillRect(r, face);
  // Two-pixel bevel: light over dark when up, dark over light when sunk.
  const QColor light = raised ? QColor(255, 255, 255) : QColor(64, 64, 64);
  const QColor dark = raised ? QColor(64, 64, 64) : face.lighter(140);
  for (int i = 0; i < 2; ++i) {
    const QRect e = r.adjusted(i, i, -i - 1, -i - 1);
    p.setPen(light);
    p.drawLine(e.topLeft(), e.topRight());
    p.drawLine(e.topLeft(), e.bottomLeft());
    p.setPen(dark);
    p.drawLine(e.bottomLeft(), e.bottomRight());
    p.drawLine(e.topRight(), e.bottomRight());
  }
  if (hasFocus() && focusRing_) {
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(r.adjusted(4, 4, -5, -5));
  }
}

void TLatchButton::focusInEvent(QFocusEvent* event) {
  // Only focus that the keyboard moved here shows: a window opening hands out focus too.
  focusRing_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
  QAbstractButton::focusInEvent(event);
}

void TLatchButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    emit rightPressed();
    event->accept();
    return;
  }
  QAbstractButton::mousePressEvent(event);
}

TCaptionLabel::TCaptionLabel(const QString& text, QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignCenter);
  setText(text);
}

void TCaptionLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    emit rightPressed();
  } else if (event->button() == Qt::LeftButton) {
    leftHeld_ = true;
  }
  event->accept();
}

void TCaptionLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && leftHeld_) {
    leftHeld_ = false;
    if (rect().contains(event->position().toPoint())) emit clicked();
  }
  event->accept();
}
