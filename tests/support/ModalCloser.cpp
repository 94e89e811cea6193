#include "tests/support/ModalCloser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QWindow>

#ifdef CORAVEX_WINDOWTEST_GTEST
#include <gtest/gtest.h>
#endif

#include <algorithm>
#include <cstdio>

namespace
{

// A failure of the test that drives the window; the benchmarks, built without GTest, print it.
void ReportFailure(const char* what)
{
#ifdef CORAVEX_WINDOWTEST_GTEST
  ADD_FAILURE() << what;
#else
  std::fprintf(stderr, "%s\n", what);
#endif
}

} // namespace

void ChooseFile(QFileDialog* dialog, const QString& path)
{
  if (path.isEmpty())
  {
    dialog->reject();
    return;
  }
  // Typed into the name field: the dialog's folder list loads in the background and may not
  // know the file yet.
  dialog->selectFile(path);
  if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
  {
    name->setText(path);
  }
  static_cast<QDialog*>(dialog)->accept();
  QPointer<QFileDialog> stillOpen(dialog);
  QTimer::singleShot(500, [stillOpen] {
    if (stillOpen && stillOpen->isVisible())
    {
      ReportFailure("the file dialog did not take the path");
      stillOpen->reject();
    }
  });
}

ModalCloser::ModalCloser()
{
  // The dialogs' message boxes run their own event loops, in which this timer fires.
  connect(&timer_, &QTimer::timeout, this, &ModalCloser::poll);
  timer_.start(10);
}

void ModalCloser::poll()
{
  QWidget* modal = QApplication::activeModalWidget();
  // Answered only once mapped: closing a window the X server has not shown yet makes it
  // report focus errors.
  if (!modal || !modal->isVisible() || !modal->windowHandle() || !modal->windowHandle()->isExposed())
  {
    return;
  }
  if (auto* box = qobject_cast<QMessageBox*>(modal))
  {
    boxes.push_back({box->windowTitle(), box->text(), box->icon(), box->parentWidget(),
                     box->standardButtons()});
    QAbstractButton* answer = answers.empty() ? nullptr : box->button(answers.front());
    if (answer)
    {
      answers.pop_front();
      answer->click();
    }
    else if (QAbstractButton* ok = box->button(QMessageBox::Ok))
    {
      ok->click();
    }
    else
    {
      box->reject();
    }
    return;
  }
  auto* dialog = qobject_cast<QDialog*>(modal);
  if (!dialog || std::find(handled_.begin(), handled_.end(), modal) != handled_.end())
  {
    return;
  }
  handled_.push_back(modal);
  // Queued, so that message boxes the handler opens are answered by this timer again.
  QTimer::singleShot(0, dialog, [this, dialog] {
    if (onDialog)
    {
      onDialog(dialog);
    }
    else
    {
      dialog->reject();
    }
  });
}
