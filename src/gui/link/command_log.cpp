#include "gui/link/command_log.h"

#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QStyleOptionSlider>

#include <algorithm>

#include "core/link/command_log.h"

namespace {

// A scroll bar that repaints only when what it shows changes. The log moves the bar at every
// entry (a new range, then a new value), and in a long log the thumb stays on the same pixels for
// many entries; the check runs once both changes are in.
class LogScrollBar : public QScrollBar {
 public:
  using QScrollBar::QScrollBar;

 protected:
  void sliderChange(SliderChange change) override {
    if (change == SliderOrientationChange) {
      QScrollBar::sliderChange(change);
      return;
    }
    if (checkQueued_) return;
    checkQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          checkQueued_ = false;
          if (shown() != painted_) update();
        },
        Qt::QueuedConnection);
  }

  void paintEvent(QPaintEvent* event) override {
    painted_ = shown();
    QScrollBar::paintEvent(event);
  }

 private:
  struct Shown {
    QRect thumb;
    bool atMinimum = false;  // the arrows look disabled at either end
    bool atMaximum = false;
    bool operator==(const Shown&) const = default;
  };

  Shown shown() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
            value() == minimum(), value() == maximum()};
  }

  Shown painted_;
  bool checkQueued_ = false;
};

constexpr int kMargin = 3;

}  // namespace

TCommandLog::TCommandLog(CommandLog* log, QWidget* parent) : QListView(parent), log_(log) {
  setVerticalScrollBar(new LogScrollBar(Qt::Vertical, this));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long rows are elided
  setUniformItemSizes(true);
  setSelectionMode(ExtendedSelection);
  setEditTriggers(NoEditTriggers);
  setVerticalScrollMode(ScrollPerItem);  // the scroll bar counts rows
  setFocusPolicy(Qt::StrongFocus);
  setModel(log_);
  rowHeight_ = fontMetrics().height() + 2;
  updateScrollRange();
}

int TCommandLog::count() const { return log_->rowCount(); }

QString TCommandLog::text(int row) const { return log_->shownText(row); }

QString TCommandLog::selectedText() const {
  QList<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.append(index.row());
  std::sort(rows.begin(), rows.end());
  QStringList lines;
  lines.reserve(rows.size());
  for (int row : rows) lines.append(text(row));
  return lines.join(u'\n');
}

// A new entry: only its row is laid out; the rows in view shift up by one.
void TCommandLog::rowsInserted(const QModelIndex& parent, int start, int end) {
  QAbstractItemView::rowsInserted(parent, start, end);  // not QListView's: it lays out every row again
  updateScrollRange();
  QScrollBar* bar = verticalScrollBar();
  if (bar->value() != bar->maximum()) {
    bar->setValue(bar->maximum());  // shifts the rows in view and paints the new ones
  } else {
    viewport()->update(visualRect(log_->index(start)).united(visualRect(log_->index(end))));
  }
}

void TCommandLog::reset() {
  laidOut_.clear();
  QListView::reset();
  updateScrollRange();
  viewport()->update();
}

void TCommandLog::doItemsLayout() {
  // Rows need no layout of their own: their places follow from the row height.
  QAbstractItemView::doItemsLayout();
}

void TCommandLog::updateGeometries() {
  updateScrollRange();
  QAbstractItemView::updateGeometries();
}

int TCommandLog::rowsInView() const { return qMax(1, viewport()->height() / rowHeight()); }

void TCommandLog::updateScrollRange() {
  QScrollBar* bar = verticalScrollBar();
  const int inView = rowsInView();
  bar->setSingleStep(1);
  bar->setPageStep(inView);
  bar->setRange(0, qMax(0, count() - inView));
}

int TCommandLog::verticalOffset() const { return verticalScrollBar()->value() * rowHeight(); }

int TCommandLog::rowAt(int y) const {
  const int contentY = y + verticalOffset();
  return contentY < 0 ? -1 : contentY / rowHeight();
}

QRect TCommandLog::visualRect(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != log_) return {};
  return {0, index.row() * rowHeight() - verticalOffset(), viewport()->width(), rowHeight()};
}

QModelIndex TCommandLog::indexAt(const QPoint& point) const {
  const int row = rowAt(point.y());
  return row >= 0 && row < count() ? log_->index(row) : QModelIndex();
}

void TCommandLog::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid() || index.model() != log_) return;
  QScrollBar* bar = verticalScrollBar();
  const int row = index.row();
  const int inView = rowsInView();
  switch (hint) {
    case EnsureVisible:
      if (row < bar->value()) {
        bar->setValue(row);
      } else if (row >= bar->value() + inView) {
        bar->setValue(row - inView + 1);
      }
      break;
    case PositionAtTop: bar->setValue(row); break;
    case PositionAtBottom: bar->setValue(row - inView + 1); break;
    case PositionAtCenter: bar->setValue(row - inView / 2); break;
  }
}

QModelIndex TCommandLog::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
  const int n = count();
  if (n == 0) return {};
  // Without a current row the keyboard starts at the newest entry, the one in view.
  const QModelIndex current = currentIndex();
  const bool byOne = action == MoveUp || action == MovePrevious || action == MoveDown || action == MoveNext;
  if (!current.isValid() && byOne) return log_->index(n - 1);
  const int row = current.isValid() ? current.row() : n - 1;
  const int page = rowsInView();
  int next = row;
  switch (action) {
    case MoveUp:
    case MovePrevious: next = row - 1; break;
    case MoveDown:
    case MoveNext: next = row + 1; break;
    case MovePageUp: next = row - page; break;
    case MovePageDown: next = row + page; break;
    case MoveHome: next = 0; break;
    case MoveEnd: next = n - 1; break;
    case MoveLeft:
    case MoveRight: break;
  }
  return log_->index(qBound(0, next, n - 1));
}

void TCommandLog::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) {
  const QRect r = rect.normalized();
  const int first = qMax(0, rowAt(r.top()));
  const int last = qMin(count() - 1, rowAt(r.bottom()));
  QItemSelection selection;
  if (first <= last) selection.select(log_->index(first), log_->index(last));
  selectionModel()->select(selection, flags);
}

QRegion TCommandLog::visualRegionForSelection(const QItemSelection& selection) const {
  QRegion region;
  for (const QItemSelectionRange& range : selection) {
    if (!range.isValid() || range.model() != log_) continue;
    region += visualRect(log_->index(range.top())).united(visualRect(log_->index(range.bottom())));
  }
  return region & viewport()->rect();
}

// The first scroll after a paint moves the drawn rows' pixels, and only the rows coming into view
// are painted. Moving them costs as much at every entry, so a later scroll before the next paint
// (a scan logs its request, the controller's reply and the next request between two paints) has
// the rows in view painted again from their kept layouts instead.
void TCommandLog::scrollContentsBy(int, int dy) {
  if (repaintInView_) return;
  if (scrolledSincePaint_) {
    repaintInView_ = true;
    viewport()->update();
    return;
  }
  scrolledSincePaint_ = true;
  viewport()->scroll(0, dy * rowHeight());
  // Rows moving up into full view are painted whole: the pixels moved into their slots came from
  // the slot the view's bottom edge cuts, drawn when those rows were not there yet.
  if (dy < 0) viewport()->update(0, (rowsInView() + dy) * rowHeight(), viewport()->width(), -dy * rowHeight());
}

// Text that shapes word by word exactly as a whole: left to right, no marks that join across a
// space. The code page's characters and what an operator types in the log are nearly always this.
static bool shapesByWords(const QString& text) {
  return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x0300; });
}

const QStaticText& TCommandLog::laidOutWord(QStringView word) {
  auto it = words_.constFind(word.toString());
  if (it != words_.cend()) return *it;
  if (words_.size() >= 4096) words_.clear();  // a log of ever new words must not grow this without end
  QStaticText text(word.toString());
  text.setTextFormat(Qt::PlainText);
  text.prepare(QTransform(), font());
  return *words_.insert(word.toString(), text);
}

TCommandLog::WordLayout TCommandLog::layOutByWords(const QString& shown, int width) {
  WordLayout row;
  const qreal space = QFontMetricsF(font()).horizontalAdvance(u' ');
  qreal x = 0;
  qsizetype at = 0;
  for (QStringView word : QStringView(shown).tokenize(u' ')) {
    if (!word.isEmpty()) {
      const QStaticText& text = laidOutWord(word);
      row.pieces.emplace_back(x, text);
      x += text.size().width();
      if (x > width) {
        row.wideStart = at + word.size();
        return row;
      }
    }
    x += space;
    at += word.size() + 1;
  }
  return row;
}

// Only the start of a row wider than the view shows, and a start that is itself too wide elides to
// the same text as the whole row: a chunk of thousands of characters is laid out in its first few
// hundred. The start begins at `guess` characters and doubles while it still fits.
static QString elidedRow(const QString& shown, int width, const QFontMetrics& metrics, qsizetype guess) {
  for (qsizetype n = qMax<qsizetype>(guess, 16); n < shown.size(); n *= 2) {
    const QString start = shown.left(n);
    QString elided = metrics.elidedText(start, Qt::ElideRight, width);
    if (elided != start) return elided;
  }
  return metrics.elidedText(shown, Qt::ElideRight, width);
}

const TCommandLog::RowLayout& TCommandLog::laidOut(int row, int width) {
  if (width != laidOutWidth_) {
    laidOut_.clear();
    laidOutWidth_ = width;
  }
  auto it = laidOut_.find(row);
  if (it != laidOut_.end()) return *it;
  // Keep the rows around the view only; entries never change, so a row's layout stays good.
  const int inView = rowsInView();
  if (laidOut_.size() > 4 * inView + 8) {
    const int top = verticalScrollBar()->value();
    for (auto k = laidOut_.begin(); k != laidOut_.end();)
      k = (k.key() < top - inView || k.key() > top + 2 * inView) ? laidOut_.erase(k) : std::next(k);
  }
  // Most rows fit: put them together from their words. A row that is too wide, or that shapes
  // across its spaces, is laid out as one text, elided.
  const QString shown = log_->shownText(row);
  qsizetype guess = 256;
  if (shapesByWords(shown)) {
    WordLayout byWords = layOutByWords(shown, width);
    if (byWords.wideStart < 0) return *laidOut_.insert(row, std::move(byWords.pieces));
    guess = byWords.wideStart;
  }
  QStaticText text(elidedRow(shown, width, fontMetrics(), guess));
  text.setTextFormat(Qt::PlainText);
  text.prepare(QTransform(), font());
  return *laidOut_.insert(row, RowLayout{{0.0, text}});
}

// The style draws the selection and the focus; the text is laid out once per row and kept, since
// shaping it again at every paint would be most of an entry's cost.
void TCommandLog::paintEvent(QPaintEvent* event) {
  scrolledSincePaint_ = repaintInView_ = false;
  QPainter painter(viewport());
  painter.setFont(font());
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  const QRect dirty = event->rect();
  const int first = qMax(0, rowAt(dirty.top()));
  const int last = qMin(count() - 1, rowAt(dirty.bottom()));
  const QModelIndex current = currentIndex();
  const QItemSelectionModel* selection = selectionModel();
  const bool focused = hasFocus();
  const QStyle::State base = option.state & ~(QStyle::State_Selected | QStyle::State_HasFocus);
  const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                     : isActiveWindow() ? QPalette::Normal
                                                        : QPalette::Inactive;
  const int width = viewport()->width() - 2 * kMargin;
  const qreal textTop = (rowHeight() - fontMetrics().height()) / 2.0;
  QStyle* style = this->style();
  for (int row = first; row <= last; ++row) {
    const QModelIndex index = log_->index(row);
    option.rect = visualRect(index);
    option.state = base;
    const bool selected = selection->isSelected(index);
    if (selected) option.state |= QStyle::State_Selected;
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, &painter, this);
    painter.setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    for (const auto& [x, text] : laidOut(row, width))
      painter.drawStaticText(QPointF(kMargin + x, option.rect.top() + textTop), text);
    if (focused && index == current) {
      QStyleOptionFocusRect focus;
      focus.QStyleOption::operator=(option);
      focus.state |= QStyle::State_HasFocus;
      focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
      style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
  }
}

void TCommandLog::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    QGuiApplication::clipboard()->setText(selectedText());
    event->accept();
    return;
  }
  QListView::keyPressEvent(event);
}

void TCommandLog::changeEvent(QEvent* event) {
  QListView::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    rowHeight_ = fontMetrics().height() + 2;
    laidOut_.clear();
    words_.clear();
    updateScrollRange();
    viewport()->update();
  }
}

// QListView finds a row's place for these events in its own layout, which this view leaves unused.
void TCommandLog::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  if (hasFocus()) announceRow(QAccessible::Focus, current);
  QAbstractItemView::currentChanged(current, previous);
}

void TCommandLog::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  announceRow(QAccessible::SelectionAdd, selected.indexes().value(0));
  announceRow(QAccessible::SelectionRemove, deselected.indexes().value(0));
  QAbstractItemView::selectionChanged(selected, deselected);
}

void TCommandLog::announceRow(QAccessible::Event type, const QModelIndex& index) {
  if (!index.isValid() || !QAccessible::isActive()) return;
  QAccessibleEvent event(this, type);
  event.setChild(index.row());
  QAccessible::updateAccessibility(&event);
}
