#include "gui/common/operator_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

class RealDialogs : public DialogBackend {
 public:
  void showMessage(const QString& text) override {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), dialogs::shownText(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }

  QString askFileName(const FileDialogRequest& r) override {
    QFileDialog dialog(QApplication::activeWindow(), r.title, r.startFolder, dialogs::qtFilter(r.filter));
    dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Replacing an existing configuration is part of saving it again.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!r.proposedName.isEmpty()) dialog.selectFile(r.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
  }
};

RealDialogs realDialogs;
DialogBackend* backend = &realDialogs;

}  // namespace

namespace dialogs {

void showMessage(const QString& text) { backend->showMessage(text); }

QString askFileName(const FileDialogRequest& request) { return backend->askFileName(request); }

DialogBackend* install(DialogBackend* b) {
  DialogBackend* previous = backend;
  backend = b ? b : &realDialogs;
  return previous;
}

QString shownText(const QString& text) {
  if (text.size() <= kMaxShownCharacters) return text;
  const QString gap = QStringLiteral(" ... ");
  const qsizetype keep = kMaxShownCharacters - gap.size();
  const qsizetype head = keep / 2;
  return text.left(head) + gap + text.right(keep - head);
}

QString qtFilter(const QString& pipeFilter) {
  const QStringList parts = pipeFilter.split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) filters.append(parts[i] + " (" + parts[i + 1] + ")");
  return filters.join(";;");
}

}  // namespace dialogs

void reportFailure(const QString& text) { dialogs::showMessage(text); }

void reportIfFailed(const FileResult& result) {
  if (!result) reportFailure(result.error);
}
