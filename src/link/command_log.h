#pragma once
// The command log on screen: one row per entry, newest last. Rows have one height, so only the
// rows in view are drawn and an entry costs the same however long the log has grown.
#include <QAbstractScrollArea>
#include <QHash>
#include <QStaticText>
#include <QString>

#include <vector>

class TCommandLog : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit TCommandLog(QWidget* parent = nullptr);

  // Adds an entry as logged and shows its end.
  void append(const QString& entry);
  void clear();
  int count() const { return static_cast<int>(rows_.size()); }
  // The row as shown, before eliding to the width.
  QString text(int row) const { return rows_.at(static_cast<std::size_t>(row)); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  int rowHeight() const;
  int rowsInView() const;
  QRect rowRect(int row) const;
  void updateScrollRange();
  const QStaticText& laidOut(int row, int width);

  std::vector<QString> rows_;
  // Laid-out text of rows drawn lately: the log scrolls a row at every entry, and shaping the
  // rows in view again on every paint would be most of an entry's cost.
  QHash<int, QStaticText> laidOut_;
  int laidOutWidth_ = -1;
};
