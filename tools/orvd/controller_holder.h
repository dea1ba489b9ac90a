#pragma once
// The station's one connection to the controller: kept open with a growing pause between attempts,
// the bus scanned at every (re)connection, paced as the program's poll, and one request queue that
// every client of the hub shares. The system table follows every status reply that passes.
#include <QObject>
#include <QPointer>

#include "core/follow/reconnector.h"
#include "core/link/controller_link.h"
#include "core/link/request_queue.h"

class BusScan;
struct BusScanResult;

class ControllerHolder : public QObject {
  Q_OBJECT
 public:
  // For each reply, from the moment its command went out.
  static constexpr int kTimeoutMs = 2000;
  // A controller may greet a new connection; nothing goes out this soon after it opened.
  static constexpr int kGreetingMs = 50;
  // Requests of every client together waiting behind the one out.
  static constexpr qsizetype kQueueCapacity = 1024;

  ControllerHolder(const QString& host, int port, QObject* parent = nullptr);
  ~ControllerHolder() override;

  // Opens the connection the first time; from then on it is kept open.
  void start() { reconnector_.start(); }
  RequestQueue& queue() { return queue_; }
  QString where() const;

 signals:
  // One line for the event log.
  void event(const QString& text);

 private:
  void linkUp();
  void linkDown(const QString& why);
  void scanDone(const BusScanResult& result);

  const QString host_;
  const int port_;
  ControllerLink link_;
  RequestQueue queue_;
  Reconnector reconnector_;
  QPointer<BusScan> scan_;
  bool toldDown_ = false;  // a failed attempt is told once, not at every retry
};
