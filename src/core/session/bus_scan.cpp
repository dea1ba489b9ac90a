#include "core/session/bus_scan.h"

#include "core/model/system_table.h"

BusScan::BusScan(RequestQueue& queue, QObject* parent) : QObject(parent), queue_(queue) {}

void BusScan::start() {
  result_ = {};
  queue_.submit(Request::name(), this, [this](const RequestResult& reply) {
    if (reply.failure) return stop(Request::name(), *reply.failure);
    result_.names = reply.names;
    applyNameReply(reply.names);
    result_.panels = usablePanels();
    emit namesRead(result_.names, result_.panels);
    pollFrom(0);
  });
}

void BusScan::pollFrom(qsizetype index) {
  if (index == result_.panels.size()) {
    emit finished(result_);
    return;
  }
  const int address = result_.panels[index];
  emit polling(address, index, result_.panels.size());
  const Request request = Request::status(address, Delay);
  queue_.submit(request, this, [this, request, index](const RequestResult& reply) {
    if (!reply.failure)
      SystemArray[request.address].Status = reply.value;
    else if (reply.failure->kind == RequestFailure::Kind::NoReply)
      result_.silent.append(request.address);
    else
      return stop(request, *reply.failure);
    pollFrom(index + 1);
  });
}

void BusScan::stop(const Request& request, const RequestFailure& failure) {
  result_.stopped = BusScanResult::Stop{request, failure};
  emit finished(result_);
}

QList<int> usablePanels() {
  QList<int> found;
  for (int n = 1; n < SystemSlots; ++n)
    if (SystemArray[n].I_bruk && SystemArray[n].Adresse == n) found.append(n);
  return found;
}
