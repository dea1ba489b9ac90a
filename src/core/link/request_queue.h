#pragma once
// One command at a time towards the controller over the program's link, each reply matched to the
// request that asked for it and handed to its own asker alone. For many askers at once (a hub) as
// for one that waits for each answer in turn (a command-line run, through waitForResult).
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <optional>

#include "core/link/line_reader.h"
#include "core/link/protocol.h"

class ControllerLink;

// What is asked of the controller: the name request, a panel's status, or a new value for a panel.
struct Request {
  enum class Kind { Name, Status, Set };
  Kind kind = Kind::Name;
  int address = 0xFF;
  int value = 0;
  // The controller is left this long after the command went out before the next one goes out (the
  // pacing of the poll and of a replayed button).
  int restMs = 0;

  static Request name() { return {}; }
  static Request status(int address, int restMs = 0) { return {Kind::Status, address, 0, restMs}; }
  static Request set(int address, int value, int restMs = 0) { return {Kind::Set, address, value, restMs}; }
  // The command line, CR LF included.
  QString command() const;
};

struct RequestFailure {
  enum class Kind {
    NoReply,         // no reply within the timeout
    NoConnection,    // no connection when its turn came: never sent
    ConnectionLost,  // the connection ended while it waited for its reply
    BadReply,        // its reply fails the integer rule
    LineTooLong,     // a line longer than any reply came while it waited
    QueueFull,       // refused: as many requests wait as the queue takes
  };
  Kind kind = Kind::NoReply;
  QString line;     // BadReply: the reply; LineTooLong: the line's start
  QString message;  // BadReply: the integer rule's message
};

struct RequestResult {
  std::optional<RequestFailure> failure;
  QString line;     // the reply, without its line end
  int value = 0;    // Status and Set: the value the panel reports
  NameReply names;  // Name: the entries, read
};

class RequestQueue : public QObject {
  Q_OBJECT
 public:
  struct Options {
    int timeoutMs = 2000;  // for each reply, from the moment its command went out
    // A controller may greet a new connection: no command goes out this soon after it opened, so
    // the greeting cannot be taken for a reply.
    int greetingMs = 0;
    qsizetype capacity = 64;  // requests waiting behind the one out; more are refused
  };
  // Far beyond the longest reply (a name reply for every address).
  static constexpr qsizetype kLongestLine = 8192;

  RequestQueue(ControllerLink& link, Options options, QObject* parent = nullptr);
  ~RequestQueue() override;

  // Queues the request; `done` is called exactly once with its result, from the event loop, never
  // within this call, and only while `context` lives. A request whose context is gone before its
  // turn is not sent.
  void submit(const Request& request, QObject* context, std::function<void(const RequestResult&)> done);

  ControllerLink& link() const { return link_; }

 signals:
  // Every command as it goes out and every whole line as it arrives, for a traffic view.
  void commandSent(const QString& command);
  void lineReceived(const QString& line);
  // A line longer than any reply, by its start, whenever one comes (the request out fails too).
  void lineTooLong(const QString& start);

 private:
  struct Pending {
    Request request;
    QPointer<QObject> context;
    std::function<void(const RequestResult&)> done;
  };

  void scheduleNext();
  void sendNext();
  void takeChunk(const QString& chunk);
  void takeLine(const QString& line);
  void connectionEnded();
  void finish(RequestResult result);
  void refuseWaiting(RequestFailure::Kind kind);
  static void deliver(Pending pending, RequestResult result);

  ControllerLink& link_;
  Options options_;
  LineReader<QString> reader_{kLongestLine};
  std::deque<Pending> waiting_;
  std::optional<Pending> out_;
  QTimer replyTimer_;
  QTimer restTimer_;
  QDeadlineTimer restUntil_;  // no command goes out before this
};

// The one blocking wait, for a caller without an event loop of its own: runs the events until
// `start`'s operation hands its result to the callback it is given, with the context the result
// must go to; the first result counts. A quit asked meanwhile does not end it: every operation
// here ends by itself.
template <class Result, class Start>
Result waitForResult(Start&& start) {
  std::optional<Result> result;
  QObject context;
  const std::function<void(const Result&)> done = [&result](const Result& r) {
    if (!result) result = r;
  };
  start(&context, done);
  while (!result) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  return std::move(*result);
}

inline RequestResult waitForResult(RequestQueue& queue, const Request& request) {
  return waitForResult<RequestResult>([&](QObject* context, const std::function<void(const RequestResult&)>& done) {
    queue.submit(request, context, done);
  });
}
