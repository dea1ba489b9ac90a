#include "gui/controls/accessibility.h"

#include <QAbstractButton>
#include <QAccessibleObject>
#include <QAccessibleTextInterface>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>

#include "gui/controls/seven_seg.h"

namespace {

accessibility::EventSink eventSink = nullptr;

// A display reads as the text it shows ("0A", "3"), which is also its value; its name says what it
// shows. It is a read-only text field rather than a label: Orca reads a named label by its name
// alone, a text field by its name and its text ("Position, read only text, 0A").
class DisplayInterface : public QAccessibleWidget, public QAccessibleValueInterface, public QAccessibleTextInterface {
 public:
  explicit DisplayInterface(TSevenSeg* display) : QAccessibleWidget(display, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    return s;
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return shown();
    return QAccessibleWidget::text(t);
  }

  QVariant currentValue() const override { return shown(); }
  void setCurrentValue(const QVariant&) override {}  // the display only shows
  QVariant maximumValue() const override { return {}; }
  QVariant minimumValue() const override { return {}; }
  QVariant minimumStepSize() const override { return {}; }

  QString text(int startOffset, int endOffset) const override {
    const QString s = shown();
    if (startOffset < 0 || endOffset > s.size() || startOffset > endOffset) return {};
    return s.mid(startOffset, endOffset - startOffset);
  }
  // The whole text is one line; Qt's default finds no lines.
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                       int* endOffset) const override {
    if (boundary != QAccessible::LineBoundary && boundary != QAccessible::ParagraphBoundary &&
        boundary != QAccessible::NoBoundary)
      return QAccessibleTextInterface::textAtOffset(offset, boundary, startOffset, endOffset);
    *startOffset = 0;
    *endOffset = characterCount();
    return shown();
  }
  int characterCount() const override { return int(shown().size()); }
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  // The glyphs are pictures: every character lies somewhere on the display.
  QRect characterRect(int offset) const override { return offset >= 0 && offset < characterCount() ? rect() : QRect(); }
  int offsetAtPoint(const QPoint& point) const override { return rect().contains(point) ? 0 : -1; }
  void scrollToSubstring(int, int) override {}
  // One run without attributes over the whole text (a reader splits the text by runs).
  QString attributes(int, int* startOffset, int* endOffset) const override {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
  }

 private:
  QString shown() const { return static_cast<TSevenSeg*>(widget())->caption(); }
};

// A latching button's one action is a press, which does what a click does: the button's own action
// runs and what it changes shows the state. Qt's "Toggle" would only flip the face.
class LatchingButtonInterface : public QAccessibleWidget {
 public:
  explicit LatchingButtonInterface(QAbstractButton* button) : QAccessibleWidget(button, QAccessible::CheckBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return button()->text().remove(u'&');
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = button()->isChecked();
    s.pressed = button()->isDown();
    return s;
  }

  QStringList actionNames() const override {
    QStringList names;
    if (widget()->isEnabled()) names << pressAction();
    return names << QAccessibleWidget::actionNames();
  }

  void doAction(const QString& action) override {
    if (action != pressAction()) return QAccessibleWidget::doAction(action);
    if (widget()->isEnabled()) button()->click();
  }

  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* interfaceFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("TSevenSeg") && object && object->isWidgetType())
    return new DisplayInterface(static_cast<TSevenSeg*>(object));
  return nullptr;
}

// What a control announces: a notification, not in the tree, that lives until the next one
// (a screen reader reads its text after the event).
class Announcement : public QAccessibleObject {
 public:
  Announcement(QObject* carrier, QWidget* source, const QString& message)
      : QAccessibleObject(carrier), source_(source), message_(message) {}

  QAccessibleInterface* parent() const override {
    return source_ ? QAccessible::queryAccessibleInterface(source_.data()) : nullptr;
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? message_ : QString(); }
  QAccessible::Role role() const override { return QAccessible::Notification; }
  QAccessible::State state() const override { return {}; }
  QRect rect() const override {
    if (!source_) return {};
    return {source_->mapToGlobal(QPoint(0, 0)), source_->size()};
  }

 private:
  QPointer<QWidget> source_;
  QString message_;
};

const char* const kAnnouncementCarrier = "accessibleAnnouncement";

}  // namespace

namespace accessibility {

void installInterfaces() {
  static const bool installed = [] {
    QAccessible::installFactory(interfaceFactory);
    return true;
  }();
  Q_UNUSED(installed);
}

bool listening() { return eventSink || QAccessible::isActive(); }

void describeAsLatching(QAbstractButton* button) {
  // Qt may have described the button already (setting its text does): that description gives way.
  if (QAccessibleInterface* described = QAccessible::queryAccessibleInterface(button))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(described));
  QAccessible::registerAccessibleInterface(new LatchingButtonInterface(button));
}

void post(QAccessibleEvent* event) {
  if (eventSink) {
    eventSink(event);
  } else {
    QAccessible::updateAccessibility(event);
  }
}

void setEventSink(EventSink sink) { eventSink = sink; }

void announce(QWidget* source, const QString& message) {
  if (!source || message.isEmpty() || !listening()) return;
  // A new object each time: a screen reader keeps what it read of an object, so one that changed
  // its text could be read with the old one.
  delete source->findChild<QObject*>(QLatin1String(kAnnouncementCarrier), Qt::FindDirectChildrenOnly);
  auto* carrier = new QObject(source);
  carrier->setObjectName(QLatin1String(kAnnouncementCarrier));
  auto* iface = new Announcement(carrier, source, message);
  QAccessible::registerAccessibleInterface(iface);
  QAccessibleEvent shown(iface, QAccessible::ObjectShow);
  post(&shown);
}

void announceReadout(QWidget* pressed, const TSevenSeg* readout) {
  announce(pressed, readout->accessibleName() + u' ' + readout->caption());
}

}  // namespace accessibility
