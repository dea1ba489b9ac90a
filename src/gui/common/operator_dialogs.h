#pragma once
// Every message box and file dialog of the program goes through here, so that a test can record
// them instead of showing modal windows.
#include <QString>
#include <QStringList>

#include "core/model/operator_error.h"
#include "core/model/file_result.h"

class QWidget;

struct FileDialogRequest {
  bool save = false;
  QString title;
  QString startFolder;
  QString proposedName;
  QString filter;  // "Text|*.ext|All files|*.*"
};

class DialogBackend {
 public:
  virtual ~DialogBackend() = default;
  virtual void showMessage(const QString& text) = 0;
  // Empty text when the operator cancels.
  virtual QString askFileName(const FileDialogRequest& request) = 0;
};

// For tests: keeps every message and answers file dialogs from a queue (cancel when empty).
class DialogRecorder : public DialogBackend {
 public:
  void showMessage(const QString& text) override { messages.append(text); }
  QString askFileName(const FileDialogRequest& request) override {
    requests.append(request);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
  }
  QStringList messages;
  QList<FileDialogRequest> requests;
  QStringList fileAnswers;
};

namespace dialogs {

void showMessage(const QString& text);
QString askFileName(const FileDialogRequest& request);

// Installs a backend (nullptr restores the real dialogs); returns the previous one.
DialogBackend* install(DialogBackend* backend);

// A hostile controller can make a failing value megabytes long: a message box shows at most this
// many characters, the message's beginning and its end with the middle (the long value) cut out.
constexpr qsizetype kMaxShownCharacters = 2000;
QString shownText(const QString& text);

// Converts "Text|*.ext|All files|*.*" to Qt's "Text (*.ext);;All files (*.*)".
QString qtFilter(const QString& pipeFilter);

}  // namespace dialogs

void reportFailure(const QString& text);
// Shows a failed file write; a successful one shows nothing.
void reportIfFailed(const FileResult& result);

// Runs one event handler's body: a failure ends it and is shown in a message box.
template <class Body>
void guarded(Body&& body) {
  runHandler(std::forward<Body>(body), reportFailure);
}
