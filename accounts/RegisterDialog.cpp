#include "accounts/RegisterDialog.h"

#include "accounts/UserDatabase.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <memory>
#include <stdexcept>
#include <string>

RegisterDialog::RegisterDialog(QWidget* parent)
  : QDialog(parent)
{
  setWindowTitle(QStringLiteral("注册"));
  setMinimumSize(320, 220);
  setupUi();
}

RegisterDialog::~RegisterDialog() = default;

void RegisterDialog::setupUi()
{
  auto* layout = new QVBoxLayout(this);

  layout->addWidget(new QLabel(tr("用户名:"), this));
  usernameEdit = new QLineEdit(this);
  usernameEdit->setPlaceholderText(tr("2-20个字符"));
  layout->addWidget(usernameEdit);

  layout->addWidget(new QLabel(tr("手机号:"), this));
  phoneEdit = new QLineEdit(this);
  phoneEdit->setPlaceholderText(tr("请输入中国大陆手机号"));
  // Mainland mobile numbers: eleven digits, 1 then 3 to 9.
  phoneEdit->setValidator(
    new QRegularExpressionValidator(QRegularExpression(QStringLiteral("^1[3-9]\\d{9}$")), this));
  layout->addWidget(phoneEdit);

  layout->addWidget(new QLabel(tr("密码:"), this));
  passwordEdit = new QLineEdit(this);
  passwordEdit->setEchoMode(QLineEdit::Password);
  passwordEdit->setPlaceholderText(tr("6-10位"));
  layout->addWidget(passwordEdit);

  layout->addWidget(new QLabel(tr("确认密码:"), this));
  confirmPasswordEdit = new QLineEdit(this);
  confirmPasswordEdit->setEchoMode(QLineEdit::Password);
  layout->addWidget(confirmPasswordEdit);

  registerButton = new QPushButton(tr("注册"), this);
  // Enter acts only through the confirmation field's returnPressed: as the default button
  // this would submit a second time on the same key press.
  registerButton->setAutoDefault(false);
  layout->addWidget(registerButton);

  connect(registerButton, &QPushButton::clicked, this, &RegisterDialog::onRegister);
  connect(confirmPasswordEdit, &QLineEdit::returnPressed, this, &RegisterDialog::onRegister);
}

namespace
{

// Sign-in trims the typed password with Qt's white-space rule and the stored one with the
// ASCII rule of `trim`: a password is accepted only when both give the same, non-empty text,
// so that typing it exactly signs in.
bool SignsInAsTyped(const QString& password)
{
  const QString typed = password.trimmed();
  return !typed.isEmpty() && QString::fromStdString(trim(password.toStdString())) == typed;
}

} // namespace

bool RegisterDialog::validateInput()
{
  const QString username = usernameEdit->text().trimmed();
  const QString password = passwordEdit->text();

  QLineEdit* invalid = nullptr;
  QString message;
  if (username.length() < 2)
  {
    invalid = usernameEdit;
    message = tr("用户名至少2个字符。");
  }
  // Sign-in could never read a longer name back (UTF-8 bytes).
  else if (static_cast<unsigned long>(username.toUtf8().size()) > kStoredUsernameBytes)
  {
    invalid = usernameEdit;
    message = tr("用户名过长。");
  }
  else if (phoneEdit->text().isEmpty() || !phoneEdit->hasAcceptableInput())
  {
    invalid = phoneEdit;
    message = tr("请输入有效的手机号。");
  }
  else if (password.length() < 6 || password.length() > 10 || !SignsInAsTyped(password))
  {
    invalid = passwordEdit;
    message = tr("密码6-10位。");
  }
  else if (confirmPasswordEdit->text() != password)
  {
    invalid = confirmPasswordEdit;
    message = tr("两次密码不一致。");
  }
  if (!invalid)
  {
    return true;
  }

  QMessageBox::warning(this, tr("错误"), message);
  if (invalid == confirmPasswordEdit)
  {
    confirmPasswordEdit->clear();
  }
  invalid->setFocus(Qt::OtherFocusReason);
  return false;
}

void RegisterDialog::onRegister()
{
  if (!validateInput())
  {
    return;
  }
  registeredUsername = usernameEdit->text().trimmed();

  // A server that cannot be reached, or fails on the way, gets the same message.
  const auto serverFault = [this] {
    QMessageBox::critical(this, tr("错误"), tr(kServerFaultText));
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

  UserRecord record;
  record.username = registeredUsername.toStdString();
  record.is_enabled = 1;
  record.password_hash = passwordEdit->text().toStdString();
  record.phone = phoneEdit->text().toStdString();

  // registerUser leaves the error text as it is on a technical failure.
  std::string error = kServerFaultText;
  if (database->registerUser(record, error))
  {
    QMessageBox::information(this, tr("成功"), tr("注册成功！请返回登录。"));
    accept();
    return;
  }
  if (error == kServerFaultText)
  {
    serverFault();
    return;
  }
  QMessageBox::warning(this, tr("错误"), QString::fromStdString(error));
}
