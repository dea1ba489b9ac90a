#include "link/command_log.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

namespace {

// Line ends would only make a row tall.
QString shownEntry(const QString& entry) {
  QString shown = entry;
  while (shown.endsWith(u'\n') || shown.endsWith(u'\r')) shown.chop(1);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
  shown.replace(u'\r', u' ').replace(u'\n', u' ');
  constexpr qsizetype kShown = 4000;  // a flooding controller's megabyte chunk stays in the log whole
  return shown.size() > kShown ? shown.left(kShown) + QStringLiteral("...") : shown;
}

constexpr int kMargin = 3;

}  // namespace

TCommandLog::TCommandLog(QWidget* parent) : QAbstractScrollArea(parent) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long rows are elided
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  verticalScrollBar()->setSingleStep(1);  // the scroll bar counts rows
  updateScrollRange();
}

void TCommandLog::append(const QString& entry) {
  rows_.push_back(shownEntry(entry));
  updateScrollRange();
  QScrollBar* bar = verticalScrollBar();
  if (bar->value() != bar->maximum()) {
    bar->setValue(bar->maximum());  // shifts the rows in view and paints the new one
  } else {
    viewport()->update(rowRect(count() - 1));
  }
}

QRect TCommandLog::rowRect(int row) const {
  return QRect(0, (row - verticalScrollBar()->value()) * rowHeight(), viewport()->width(), rowHeight());
}

void TCommandLog::clear() {
  rows_.clear();
  laidOut_.clear();
  updateScrollRange();
  viewport()->update();
}

int TCommandLog::rowHeight() const { return fontMetrics().height() + 2; }

int TCommandLog::rowsInView() const { return qMax(1, viewport()->height() / rowHeight()); }

void TCommandLog::updateScrollRange() {
  QScrollBar* bar = verticalScrollBar();
  const int inView = rowsInView();
  bar->setPageStep(inView);
  bar->setRange(0, qMax(0, count() - inView));
}

void TCommandLog::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollRange();
}

void TCommandLog::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    laidOut_.clear();
    updateScrollRange();
    viewport()->update();
  }
}

// The rows already drawn move with the scroll; only the rows that come into view are painted.
void TCommandLog::scrollContentsBy(int, int dy) { viewport()->scroll(0, dy * rowHeight()); }

const QStaticText& TCommandLog::laidOut(int row, int width) {
  if (width != laidOutWidth_) {
    laidOut_.clear();
    laidOutWidth_ = width;
  }
  auto it = laidOut_.find(row);
  if (it != laidOut_.end()) return *it;
  // Keep the rows around the view only; entries never change, so a row's layout stays good.
  if (laidOut_.size() > 4 * rowsInView() + 8) {
    const int top = verticalScrollBar()->value();
    for (auto k = laidOut_.begin(); k != laidOut_.end();)
      k = (k.key() < top - rowsInView() || k.key() > top + 2 * rowsInView()) ? laidOut_.erase(k) : std::next(k);
  }
  // Most rows fit: lay the text out once, and elide only a row that is too wide.
  const QString& shown = rows_[static_cast<std::size_t>(row)];
  QStaticText text(shown);
  text.setTextFormat(Qt::PlainText);
  text.prepare(QTransform(), font());
  if (text.size().width() > width) {
    text.setText(fontMetrics().elidedText(shown, Qt::ElideRight, width));
    text.prepare(QTransform(), font());
  }
  return *laidOut_.insert(row, text);
}

void TCommandLog::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setFont(font());
  painter.setPen(palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, QPalette::Text));
  const int h = rowHeight();
  const int width = viewport()->width() - 2 * kMargin;
  const int top = verticalScrollBar()->value();
  const QRect dirty = event->rect();
  const int first = top + qMax(0, dirty.top() / h);
  const int last = qMin(count() - 1, top + dirty.bottom() / h);
  const qreal textTop = (h - fontMetrics().height()) / 2.0;
  for (int row = first; row <= last; ++row)
    painter.drawStaticText(QPointF(kMargin, (row - top) * h + textTop), laidOut(row, width));
}
