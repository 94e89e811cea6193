// The sign-up dialog opened from the sign-in dialog: user name, phone and password typed
// twice, checked here, then inserted as a new enabled user into the user table.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class RegisterDialog : public QDialog
{
  Q_OBJECT

public:
  explicit RegisterDialog(QWidget* parent = nullptr);
  ~RegisterDialog() override;

  // The trimmed user name of the last attempt that passed the input checks; read by the
  // sign-in dialog after an accepted sign-up.
  QString registeredUsername;

private slots:
  void onRegister();

private:
  void setupUi();
  bool validateInput();

  QLineEdit* usernameEdit = nullptr;
  QLineEdit* phoneEdit = nullptr;
  QLineEdit* passwordEdit = nullptr;
  QLineEdit* confirmPasswordEdit = nullptr;
  QPushButton* registerButton = nullptr;
};
