#include "controls/accessibility.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

#include "controls/seven_seg.h"

namespace {

accessibility::EventSink eventSink = nullptr;

// A display reads as text whose value is what it shows ("0A", "3"); its name says what it shows.
class DisplayInterface : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit DisplayInterface(TSevenSeg* display) : QAccessibleWidget(display, QAccessible::StaticText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return display()->caption();
    return QAccessibleWidget::text(t);
  }

  QVariant currentValue() const override { return display()->caption(); }
  void setCurrentValue(const QVariant&) override {}  // the display only shows
  QVariant maximumValue() const override { return {}; }
  QVariant minimumValue() const override { return {}; }
  QVariant minimumStepSize() const override { return {}; }

 private:
  TSevenSeg* display() const { return static_cast<TSevenSeg*>(widget()); }
};

QAccessibleInterface* displayFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("TSevenSeg") && object && object->isWidgetType())
    return new DisplayInterface(static_cast<TSevenSeg*>(object));
  return nullptr;
}

}  // namespace

namespace accessibility {

void installDisplayInterface() {
  static const bool installed = [] {
    QAccessible::installFactory(displayFactory);
    return true;
  }();
  Q_UNUSED(installed);
}

bool listening() { return eventSink || QAccessible::isActive(); }

void post(QAccessibleEvent* event) {
  if (eventSink) {
    eventSink(event);
  } else {
    QAccessible::updateAccessibility(event);
  }
}

void setEventSink(EventSink sink) { eventSink = sink; }

}  // namespace accessibility
