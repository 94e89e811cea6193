// Answers the modal windows that the dialogs open while a test drives them: every message
// box is recorded and closed with Ok, or with the answer queued for it; other modal dialogs go
// to a handler of the test.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

struct ShownBox
{
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QWidget* parent = nullptr;
  QMessageBox::StandardButtons buttons;
};

class QFileDialog;

// Answers an open file dialog with `path` as a user typing it would, or cancels it when the
// path is empty. A dialog that refuses the path is cancelled too (a test failure).
void ChooseFile(QFileDialog* dialog, const QString& path);

class ModalCloser : public QObject
{
public:
  ModalCloser();

  std::vector<ShownBox> boxes;
  // Answers for boxes that ask: a box that has the first button of the list is answered with
  // it (which leaves the list); any other box is closed with Ok.
  std::deque<QMessageBox::StandardButton> answers;
  // Runs once, from the event loop, for each modal dialog that is not a message box; without
  // a handler such a dialog is rejected.
  std::function<void(QDialog*)> onDialog;

private:
  void poll();

  QTimer timer_;
  std::vector<QPointer<QWidget>> handled_;
};
