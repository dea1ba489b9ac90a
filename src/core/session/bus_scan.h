#pragma once
// A scan of the bus over the request queue: the name request, its reply taken into the table, then
// one status request per usable panel in table order, each paced as the program's poll.
#include <QList>
#include <QObject>

#include <optional>

#include "core/link/request_queue.h"

struct BusScanResult {
  // The request that stopped the scan and why: the name request's failure, or a status request's
  // other than no reply.
  struct Stop {
    Request request;
    RequestFailure failure;
  };
  std::optional<Stop> stopped;
  NameReply names;
  QList<int> panels;  // polled, in table order
  QList<int> silent;  // gave no reply within the timeout
};

class BusScan : public QObject {
  Q_OBJECT
 public:
  explicit BusScan(RequestQueue& queue, QObject* parent = nullptr);

  // Starts the scan (one at a time); `finished` follows once, from the event loop.
  void start();

 signals:
  // The name reply is in the table; `panels` are the ones the scan polls.
  void namesRead(const NameReply& names, const QList<int>& panels);
  // Before each status request: the panel and its place among them, from 0.
  void polling(int address, qsizetype index, qsizetype count);
  void finished(const BusScanResult& result);

 private:
  void pollFrom(qsizetype index);
  void stop(const Request& request, const RequestFailure& failure);

  RequestQueue& queue_;
  BusScanResult result_;
};

// The panels of the table a scan polls: in use at their own address, 0x01 to 0x7F, in order.
QList<int> usablePanels();
