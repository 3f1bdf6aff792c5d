#include "host/telnet_server.h"

#include <unistd.h>

#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/app_context.h"
#include "app/commands.h"
#include "app/icons.h"
#include "config/main_config.h"
#include "platform/platform.h"
#include "script/script.h"

namespace parlane {

namespace {

// The settings keep the port text in 7 bytes (6 characters) and the script
// file name in 260 (259 characters).
constexpr int kPortTextMax = static_cast<int>(Main_Configuration_Struct::kHostPortSize) - 1;
constexpr int kScriptNameMax = static_cast<int>(Main_Configuration_Struct::kPathSize) - 1;

QString FromView(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* Field(QWidget* parent, int id) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::number(id));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

TelnetServerDialog::TelnetServerDialog(AppContext& app, OpenClientFn openClient, QWidget* parent,
                                       const QString* portText)
    : QWidget(parent),
      app_(app),
      openClient_(std::move(openClient)),
      listener_(
          app.loop, [this](HostListener::Client c) { Accepted(std::move(c)); },
          [this](std::string_view text) { SetStatus(FromView(text)); }) {
  setObjectName(QStringLiteral("TelnetServerDialog"));
  setWindowTitle(QStringLiteral("Telnet Host Mode Server"));
  name_ = Field(this, kName);
  address_ = Field(this, kAddress);
  status_ = Field(this, kStatus);
  status_->setWordWrap(true);
  port_ = new QLineEdit(this);
  port_->setObjectName(QString::number(kPort));
  port_->setMaxLength(kPortTextMax);
  script_ = new QLineEdit(this);
  script_->setObjectName(QString::number(kScript));
  script_->setMaxLength(kScriptNameMax);
  auto* update = new QPushButton(QStringLiteral("Update"), this);
  update->setObjectName(QString::number(kUpdate));
  auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
  browse->setObjectName(QString::number(kBrowse));
  connect(update, &QPushButton::clicked, this, &TelnetServerDialog::CmUpdate);
  connect(browse, &QPushButton::clicked, this, &TelnetServerDialog::CmBrowse);

  auto* grid = new QGridLayout(this);
  int row = 0;
  grid->addWidget(new QLabel(QStringLiteral("Your system's Internet name:"), this), row, 0);
  grid->addWidget(name_, row++, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Your system's Internet IP address:"), this), row, 0);
  grid->addWidget(address_, row++, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Current Status:"), this), row, 0);
  grid->addWidget(status_, row++, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Server port number:"), this), row, 0);
  grid->addWidget(port_, row, 1);
  grid->addWidget(update, row++, 2);
  grid->addWidget(
      new QLabel(QStringLiteral("Script to run after a client connects (optional):"), this), row++,
      0, 1, 3);
  grid->addWidget(script_, row, 0, 1, 2);
  grid->addWidget(browse, row++, 2);
  grid->setColumnStretch(1, 1);

  // Step 1: the stored fields (or the command line's port).
  port_->setText(portText ? *portText : QString::fromLocal8Bit(app_.config.HostPort.c_str()));
  script_->setText(QString::fromLocal8Bit(app_.config.HostScript.c_str()));
}

TelnetServerDialog::~TelnetServerDialog() { CleanupWindow(); }

bool TelnetServerDialog::SetupWindow() {
  name_->setText(QString::fromLocal8Bit(HostListener::MachineName().c_str()));
  address_->setText(QString::fromStdString(HostListener::MachineAddress()));
  const Listen result = StartListening();
  if (result == Listen::NoSocket) {
    app_.platform.Message(this, FromView(HostListener::kTextNoSocket), windowTitle(), MsgIcon::Stop,
                          MsgButtons::Ok);
    return false;
  }
  return true;
}

// Steps 5 to 8: the port from its text (23 when it is not a positive
// number), bind to every interface, listen, and say so with the text as typed.
TelnetServerDialog::Listen TelnetServerDialog::StartListening() {
  const QString text = port_->text();
  const int port = HostListener::PortFromText(text.toLocal8Bit().toStdString());
  switch (listener_.Listen(port)) {
    case HostListener::Result::Listening:
      SetStatus(QString::fromLocal8Bit(
          HostListener::WaitingText(text.toLocal8Bit().toStdString()).c_str()));
      return Listen::Listening;
    case HostListener::Result::BindFailed:
      SetStatus(FromView(HostListener::kTextBindFailed));
      return Listen::BindFailed;
    case HostListener::Result::NoSocket: break;
  }
  SetStatus(QString());
  return Listen::NoSocket;
}

void TelnetServerDialog::CmUpdate() {
  const Listen result = StartListening();
  if (result == Listen::Listening) {
    app_.config.HostPort = port_->text().toLocal8Bit().left(kPortTextMax).toStdString();
  } else if (result == Listen::NoSocket) {
    app_.platform.Message(this, FromView(HostListener::kTextNoSocket), windowTitle(), MsgIcon::Stop,
                          MsgButtons::Ok);
  }
}

void TelnetServerDialog::CmBrowse() {
  FileDialogRequest request;
  request.title = QStringLiteral("Select Script File To Use");
  request.filter = FromView(kScriptFileFilter);
  request.fileMustExist = true;
  request.initialDir = QString::fromLocal8Bit(app_.config.HostScript.c_str()).section('/', 0, -2);
  const std::optional<QString> chosen = app_.platform.OpenFile(this, request);
  if (!chosen) return;
  script_->setText(*chosen);
  app_.config.HostScript = chosen->toLocal8Bit().left(kScriptNameMax).toStdString();
}

void TelnetServerDialog::CleanupWindow() {
  if (cleanedUp_) return;
  cleanedUp_ = true;
  app_.config.HostPort = port_->text().toLocal8Bit().left(kPortTextMax).toStdString();
  app_.config.HostScript = script_->text().toLocal8Bit().left(kScriptNameMax).toStdString();
  listener_.Stop();
}

QString TelnetServerDialog::StatusText() const { return status_->text(); }

void TelnetServerDialog::SetStatus(const QString& text) { status_->setText(text); }

// A caller: the sound, then its own window. The status line stays as it is.
void TelnetServerDialog::Accepted(HostListener::Client client) {
  if (app_.playSound) app_.playSound(sound::kHostModeConnect);
  if (openClient_) {
    openClient_(std::move(client));
  } else {
    ::close(client.fd);
  }
}

TelnetServerMDIChild::TelnetServerMDIChild(AppContext& app,
                                           TelnetServerDialog::OpenClientFn openClient,
                                           QWidget* parent, const QString* portText)
    : QMdiSubWindow(parent) {
  setObjectName(QStringLiteral("TelnetServerMDIChild"));
  setWindowTitle(QStringLiteral("Telnet Host Mode Server"));
  setWindowIcon(CommandIcon(cmd::kOpenTelnet));  // the Telnet icon
  dialog_ = new TelnetServerDialog(app, std::move(openClient), this, portText);
  setWidget(dialog_);
}

void TelnetServerMDIChild::closeEvent(QCloseEvent* event) {
  dialog_->CleanupWindow();
  QMdiSubWindow::closeEvent(event);
}

}  // namespace parlane
