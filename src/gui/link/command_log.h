#pragma once
// The command log on screen: a list view of the log's rows, newest last. Rows are selected
// with the mouse and the keyboard, Ctrl+C copies them, and assistive technology reads them as the
// rows of a list.
//
// All rows have one height, so a row's place is its number times that height: an entry is laid out
// alone, the rows in view are drawn from kept layouts, and both cost the same however long the log
// has grown. QListView itself lays out every row again at each insert; this view answers the
// geometry questions from the row height and leaves QListView's own layout unused.
#include <QAccessible>
#include <QHash>
#include <QListView>
#include <QStaticText>
#include <QString>

#include <utility>
#include <vector>

class CommandLog;

class TCommandLog : public QListView {
  Q_OBJECT
 public:
  // Shows `log`, which outlives the view.
  explicit TCommandLog(CommandLog* log, QWidget* parent = nullptr);

  int count() const;
  // The row as shown, before eliding to the width.
  QString text(int row) const;
  // The selected rows as shown, one a line, in row order.
  QString selectedText() const;

  QRect visualRect(const QModelIndex& index) const override;
  QModelIndex indexAt(const QPoint& point) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  void doItemsLayout() override;
  void reset() override;

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
  QRegion visualRegionForSelection(const QItemSelection& selection) const override;
  int horizontalOffset() const override { return 0; }
  int verticalOffset() const override;
  void updateGeometries() override;
  void scrollContentsBy(int dx, int dy) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 protected slots:
  void rowsInserted(const QModelIndex& parent, int start, int end) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

 private:
  int rowHeight() const { return rowHeight_; }
  int rowsInView() const;
  int rowAt(int y) const;
  void updateScrollRange();
  void announceRow(QAccessible::Event type, const QModelIndex& index);
  // A row as pieces of laid-out text, each at its offset from the row's left edge.
  using RowLayout = std::vector<std::pair<qreal, QStaticText>>;
  const RowLayout& laidOut(int row, int width);
  // The row put together from its words; for a row wider than `width`, the length of its start
  // that already is (up to the end of the word that passes the width), and -1 for a row that fits.
  struct WordLayout {
    RowLayout pieces;
    qsizetype wideStart = -1;
  };
  WordLayout layOutByWords(const QString& shown, int width);
  const QStaticText& laidOutWord(QStringView word);

  CommandLog* log_;
  bool scrolledSincePaint_ = false;  // the rows' pixels were moved since the last paint
  bool repaintInView_ = false;       // the rows in view are all to be painted again
  int rowHeight_ = 1;
  // Laid-out text of the rows drawn lately, at laidOutWidth_.
  QHash<int, RowLayout> laidOut_;
  int laidOutWidth_ = -1;
  // Laid-out words: the log repeats a small vocabulary ("Tx to server: #0x05 Get X"), and shaping
  // is most of a row's cost, so each word is shaped once and rows are put together from them.
  QHash<QString, QStaticText> words_;
};
