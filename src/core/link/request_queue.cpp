#include "core/link/request_queue.h"

#include "core/link/controller_link.h"
#include "core/model/system_table.h"

namespace {

RequestResult failed(RequestFailure::Kind kind, QString line = {}, QString message = {}) {
  return {RequestFailure{kind, std::move(line), std::move(message)}, {}, 0, {}};
}

}  // namespace

QString Request::command() const {
  switch (kind) {
    case Kind::Name: return command::nameRequest();
    case Kind::Status: return command::statusRequest(address);
    case Kind::Set: return command::setValue(address, value);
  }
  return {};
}

RequestQueue::RequestQueue(ControllerLink& link, Options options, QObject* parent)
    : QObject(parent), link_(link), options_(options) {
  replyTimer_.setSingleShot(true);
  connect(&replyTimer_, &QTimer::timeout, this, [this] { finish(failed(RequestFailure::Kind::NoReply)); });
  restTimer_.setSingleShot(true);
  restTimer_.setTimerType(Qt::PreciseTimer);
  connect(&restTimer_, &QTimer::timeout, this, &RequestQueue::sendNext);
  connect(&link_, &ControllerLink::opened, this, [this] {
    // A link opened anew over an open one tells no close; a reply to a command of the old
    // connection cannot come on this one.
    if (out_) finish(failed(RequestFailure::Kind::ConnectionLost));
    reader_.clear();
    restUntil_ = QDeadlineTimer(options_.greetingMs, Qt::PreciseTimer);
    scheduleNext();
  });
  connect(&link_, &ControllerLink::closed, this, &RequestQueue::connectionEnded);
  // Every chunk, also one whose status replies the link could not read: it is still made of lines.
  connect(&link_, &ControllerLink::chunkRead, this, [this](const QString& chunk) { takeChunk(chunk); });
}

// Nobody is left waiting: what was asked fails as if the connection had gone.
RequestQueue::~RequestQueue() {
  if (out_) deliver(std::move(*out_), failed(RequestFailure::Kind::ConnectionLost));
  refuseWaiting(RequestFailure::Kind::NoConnection);
}

void RequestQueue::submit(const Request& request, QObject* context, std::function<void(const RequestResult&)> done) {
  Pending pending{request, context, std::move(done)};
  if (qsizetype(waiting_.size()) >= options_.capacity) {
    deliver(std::move(pending), failed(RequestFailure::Kind::QueueFull));
    return;
  }
  waiting_.push_back(std::move(pending));
  scheduleNext();
}

// The next command goes out from the event loop: never in the middle of the lines of a chunk that
// arrived before it, and never inside the call that asked for it.
void RequestQueue::scheduleNext() {
  if (!out_ && !restTimer_.isActive()) restTimer_.start(0);
}

void RequestQueue::sendNext() {
  if (out_) return;
  while (!waiting_.empty() && !waiting_.front().context) waiting_.pop_front();
  if (waiting_.empty()) return;
  if (!link_.isConnected()) {
    refuseWaiting(RequestFailure::Kind::NoConnection);
    return;
  }
  if (!restUntil_.hasExpired()) {
    restTimer_.start(static_cast<int>(restUntil_.remainingTime()));
    return;
  }
  // What arrived before the command, a stranger's line the link still holds included, is no reply to it.
  link_.takeHeldBytes();
  reader_.clear();
  out_ = std::move(waiting_.front());
  waiting_.pop_front();
  const QString command = out_->request.command();
  emit commandSent(command);
  link_.sendDirect(command);
  restUntil_ = QDeadlineTimer(out_->request.restMs, Qt::PreciseTimer);
  replyTimer_.start(options_.timeoutMs);
}

void RequestQueue::takeChunk(const QString& chunk) {
  for (const LineReader<QString>::Line& line : reader_.read(chunk)) {
    if (line.cut) {
      emit lineTooLong(line.text);
      if (out_) finish(failed(RequestFailure::Kind::LineTooLong, line.text));
      continue;
    }
    emit lineReceived(line.text);
    takeLine(line.text);
  }
}

void RequestQueue::takeLine(const QString& line) {
  if (!out_) return;
  const Request& request = out_->request;
  RequestResult result;
  result.line = line;
  if (request.kind == Request::Kind::Name) {
    if (!isNameReply(line)) return;
    result.names = readNameReply(line + CrLf);
    if (result.names.failedText)
      result = failed(RequestFailure::Kind::BadReply, line, ConversionError(*result.names.failedText).message());
    finish(std::move(result));
    return;
  }
  if (!isStatusReplyOf(line, request.address)) return;
  try {
    std::optional<int> value;
    for (const StatusReply& reply : readStatusReplies(line))
      if (reply.address == request.address) value = reply.value;
    // A line of another panel that only looks like this one's is passed over.
    if (!value) return;
    result.value = *value;
  } catch (const ConversionError& e) {
    result = failed(RequestFailure::Kind::BadReply, line, e.message());
  }
  finish(std::move(result));
}

void RequestQueue::connectionEnded() {
  reader_.clear();
  if (out_) finish(failed(RequestFailure::Kind::ConnectionLost));
  refuseWaiting(RequestFailure::Kind::NoConnection);
}

void RequestQueue::finish(RequestResult result) {
  replyTimer_.stop();
  Pending pending = std::move(*out_);
  out_.reset();
  deliver(std::move(pending), std::move(result));
  scheduleNext();
}

void RequestQueue::refuseWaiting(RequestFailure::Kind kind) {
  while (!waiting_.empty()) {
    Pending pending = std::move(waiting_.front());
    waiting_.pop_front();
    deliver(std::move(pending), failed(kind));
  }
}

void RequestQueue::deliver(Pending pending, RequestResult result) {
  if (!pending.context) return;
  QMetaObject::invokeMethod(
      pending.context.data(), [done = std::move(pending.done), result = std::move(result)] { done(result); },
      Qt::QueuedConnection);
}
