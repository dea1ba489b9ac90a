#pragma once
// One orvctl run: what it reads from its arguments, the connection it holds, and how it prints
// results and failures (text for a person, JSON for a script).
#include <QJsonObject>
#include <QJsonValue>
#include <QTextStream>

#include <optional>

#include "core/link/controller_link.h"
#include "core/link/request_queue.h"

// The exit statuses of orvctl.
enum ExitStatus { Done = 0, BadUse = 1, NoConnection = 2, NoReply = 3, OtherAnswer = 4, OutputFailed = 5 };

struct CommandFailure {
  ExitStatus status;
  QString message;
};

struct Globals {
  QString host;
  int port = 0;
  int timeoutMs = 2000;
  bool json = false;
  bool verbose = false;
};

// What a command has to say: text for a person, JSON for a script.
struct Result {
  QString text;
  QJsonValue json;
  // A failure that comes after the result is shown (a scan with a silent panel).
  std::optional<CommandFailure> failure;
};

[[noreturn]] void badUse(const QString& message);
// The integer rule's reading of an argument; BadUse naming `what` when it is not a whole number or
// lies outside low..high.
int integerArgument(const QString& text, const QString& what);
int boundedArgument(const QString& text, const QString& what, int low, int high);
// Exactly "0x" and two hexadecimal digits, 0x00..0x7F.
int addressArgument(const QString& text);

// {"error": "no-reply", "message": ..., "status": 3}
QJsonObject failureObject(const CommandFailure& failure, const QString& message);
// One line on `err`, as JSON when `json`; `where` goes before the message ("line 3").
void printFailure(QTextStream& out, QTextStream& err, bool json, const CommandFailure& failure,
                  const QString& where = {});

// The controller link of one run: one connection, opened on first use and never again once lost;
// every wait limited by the timeout; only a line that came after its command counts as its reply;
// whatever the controller says on connecting is passed over. Every way a request can go wrong ends
// the command with its exit status and one line that says what failed.
class Session {
 public:
  Session(const Globals& g, QTextStream& out, QTextStream& err);

  // The run's one connection: NoConnection naming the address, the port and the system's reason
  // when it cannot be opened, or once it was lost.
  RequestQueue& queue();
  // Sends the request and waits for its reply; a failure is thrown as the CommandFailure below.
  RequestResult ask(const Request& request);
  CommandFailure failureOf(const Request& request, const RequestFailure& failure) const;
  void close() { link_.close(); }
  // "ADDRESS:PORT"
  QString where() const;
  const Globals& globals() const { return g_; }
  QTextStream& out() { return out_; }
  QTextStream& err() { return err_; }
  void warn(const QString& text);
  void print(const Result& result);

 private:
  const Globals& g_;
  QTextStream& out_;
  QTextStream& err_;
  ControllerLink link_;
  RequestQueue queue_;
  bool opened_ = false;
};
