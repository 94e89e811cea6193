#include "accounts/LoginDialog.h"

#include "accounts/RegisterDialog.h"
#include "accounts/UserDatabase.h"
#include "settings/Settings.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>
#include <stdexcept>
#include <string>

LoginDialog::LoginDialog(QWidget* parent)
  : QDialog(parent)
{
  setWindowTitle(QStringLiteral("用户登录"));
  setMinimumSize(320, 220);
  setupUi();

  QString username;
  QString password;
  if (loadCredentials(username, password))
  {
    usernameEdit->setText(username);
    passwordEdit->setText(password);
  }
  connect(passwordEdit, &QLineEdit::returnPressed, this, &LoginDialog::onLogin);
}

LoginDialog::~LoginDialog() = default;

void LoginDialog::setupUi()
{
  auto* layout = new QVBoxLayout(this);

  layout->addWidget(new QLabel(tr("用户名:"), this));
  usernameEdit = new QLineEdit(this);
  usernameEdit->setPlaceholderText(tr("请输入用户名"));
  layout->addWidget(usernameEdit);

  layout->addWidget(new QLabel(tr("密码:"), this));
  passwordEdit = new QLineEdit(this);
  passwordEdit->setEchoMode(QLineEdit::Password);
  passwordEdit->setPlaceholderText(tr("请输入密码"));
  layout->addWidget(passwordEdit);

  auto* options = new QHBoxLayout;
  showPasswordCheckBox = new QCheckBox(tr("显示密码"), this);
  rememberCheckBox = new QCheckBox(tr("记住我"), this);
  rememberCheckBox->setChecked(true);
  options->addWidget(showPasswordCheckBox);
  options->addWidget(rememberCheckBox);
  options->addStretch();
  layout->addLayout(options);

  auto* buttons = new QHBoxLayout;
  loginButton = new QPushButton(tr("登录"), this);
  registerButton = new QPushButton(tr("注册新账号"), this);
  // Enter acts only through the password field's returnPressed: a default button would
  // sign in a second time on the same key press.
  loginButton->setAutoDefault(false);
  registerButton->setAutoDefault(false);
  buttons->addWidget(loginButton);
  buttons->addWidget(registerButton);
  layout->addLayout(buttons);

  connect(showPasswordCheckBox, &QCheckBox::toggled, this, &LoginDialog::togglePasswordVisibility);
  connect(loginButton, &QPushButton::clicked, this, &LoginDialog::onLogin);
  connect(registerButton, &QPushButton::clicked, this, &LoginDialog::onRegisterRequested);
}

void LoginDialog::onLogin()
{
  const QString username = usernameEdit->text().trimmed();
  if (username.isEmpty())
  {
    QMessageBox::warning(this, tr("输入错误"), tr("请输入用户名。"));
    usernameEdit->setFocus(Qt::OtherFocusReason);
    return;
  }
  const QString typedPassword = passwordEdit->text();
  if (typedPassword.isEmpty())
  {
    QMessageBox::warning(this, tr("输入错误"), tr("请输入密码。"));
    passwordEdit->setFocus(Qt::OtherFocusReason);
    return;
  }

  // A server that cannot be reached, or fails on the way, is no wrong attempt: the user may
  // simply try again later.
  const auto serverFault = [this] {
    QMessageBox::critical(this, QStringLiteral("错误"), QString::fromUtf8(kServerFaultText));
  };
  std::unique_ptr<UserDatabase> database;
  try
  {
    database = std::make_unique<UserDatabase>();
  }
  catch (const std::runtime_error&)
  {
    serverFault();
    return;
  }

  // verifyUser leaves the error text as it is on a technical failure, clears it for a wrong
  // name or password and replaces it for a disabled account. A password of blanks alone is
  // empty once trimmed: a wrong attempt, which needs no server.
  const std::string password = typedPassword.trimmed().toStdString();
  std::string error = password.empty() ? std::string() : std::string(kServerFaultText);
  if (database->verifyUser(username.toStdString(), password, error))
  {
    if (rememberCheckBox->isChecked())
    {
      saveCredentials(username, typedPassword);
    }
    accept();
    return;
  }
  if (error == kServerFaultText)
  {
    serverFault();
    return;
  }

  if (!error.empty())
  {
    QMessageBox::warning(this, QStringLiteral("登录失败"), QString::fromStdString(error));
    reject();
    return;
  }

  ++loginAttempts;
  if (loginAttempts < 3)
  {
    QMessageBox::warning(this, QStringLiteral("登录失败"),
                         QStringLiteral("用户名或密码错误！\n还有 %1 次尝试机会。").arg(3 - loginAttempts));
    passwordEdit->clear();
    passwordEdit->setFocus(Qt::OtherFocusReason);
  }
  else
  {
    QMessageBox::critical(this, QStringLiteral("登录失败"), QStringLiteral("登录尝试次数过多，程序将退出。"));
    reject();
  }
}

void LoginDialog::onRegisterRequested()
{
  RegisterDialog dialog(this);
  if (dialog.exec() == QDialog::Accepted)
  {
    usernameEdit->setText(dialog.registeredUsername);
    passwordEdit->clear();
    passwordEdit->setFocus(Qt::OtherFocusReason);
  }
}

void LoginDialog::togglePasswordVisibility(bool checked)
{
  passwordEdit->setEchoMode(checked ? QLineEdit::Normal : QLineEdit::Password);
}
