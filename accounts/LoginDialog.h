// The sign-in dialog shown before the main window: user name and password checked against
// the user table, three attempts, a remembered sign-in, and the way to the sign-up dialog.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

class LoginDialog : public QDialog
{
  Q_OBJECT

public:
  explicit LoginDialog(QWidget* parent = nullptr);
  ~LoginDialog() override;

private slots:
  void onLogin();
  void onRegisterRequested();
  void togglePasswordVisibility(bool checked);

private:
  void setupUi();

  QLineEdit* usernameEdit = nullptr;
  QLineEdit* passwordEdit = nullptr;
  QPushButton* loginButton = nullptr;
  QPushButton* registerButton = nullptr;
  QCheckBox* showPasswordCheckBox = nullptr;
  QCheckBox* rememberCheckBox = nullptr;
  int loginAttempts = 0; // wrong attempts so far; the third one ends the dialog
};
