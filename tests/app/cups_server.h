// A CUPS scheduler of the test's own: its configuration, spool and socket in
// a temporary directory, one cups-pdf queue as its default printer, and
// CUPS_SERVER pointing this process at it. Nothing of the machine's own
// printing system is used or changed, apart from the queue's cups-pdf
// settings file, which the backend only reads from /etc/cups and which is
// named after this run and removed again.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>

namespace parlane::test {

class CupsServer {
 public:
  CupsServer() = default;
  ~CupsServer() { Stop(); }

  // Empty on success, else why the scheduler could not be had.
  QString Start() {
    if (!dir_.isValid()) return QStringLiteral("no temporary directory");
    if (QStandardPaths::findExecutable(QStringLiteral("cupsd"),
                                       {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
            .isEmpty())
      return QStringLiteral("cupsd is not installed");
    if (!QFile::exists(QStringLiteral("/usr/lib/cups/backend/cups-pdf")))
      return QStringLiteral("the cups-pdf backend is not installed");
    if (geteuid() != 0) return QStringLiteral("cupsd runs the cups-pdf backend only as root");
    const QString d = dir_.path();
    for (const char* sub : {"spool", "tmp", "cache", "state", "pdf"})
      QDir(d).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(d, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                 QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                 QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                 QFileDevice::ExeGroup);
    // Filters run as the scheduler's unprivileged user: their scratch and the
    // backend's output must be open to it.
    chmod((d + QStringLiteral("/tmp")).toLocal8Bit().constData(), 01777);
    chmod((d + QStringLiteral("/pdf")).toLocal8Bit().constData(), 0777);
    socket_ = d + QStringLiteral("/cups.sock");
    Write(d + QStringLiteral("/cupsd.conf"),
          QStringLiteral("Listen %1\nLogLevel warn\nBrowsing Off\nWebInterface No\n"
                         "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n"
                         "</Location>\n<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                         "    Allow all\n  </Limit>\n</Policy>\n")
              .arg(socket_));
    Write(d + QStringLiteral("/cups-files.conf"),
          QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\n"
                         "StateDir %1/state\nErrorLog %1/error_log\nAccessLog %1/access_log\n"
                         "PageLog %1/page_log\nSystemGroup root\n")
              .arg(d));
    queueConf_ = QStringLiteral("/etc/cups/cups-pdf-parlanetest%1.conf").arg(getpid());
    if (!Write(queueConf_,
               QStringLiteral("Out %1/pdf\nAnonDirName %1/pdf\nGrp root\nUserUMask 0000\n"
                              "Label 0\nTitlePref 1\n")
                   .arg(d)))
      return QStringLiteral("cannot write %1").arg(queueConf_);

    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlives the test
      const QByteArray conf = (d + QStringLiteral("/cupsd.conf")).toLocal8Bit();
      const QByteArray files = (d + QStringLiteral("/cups-files.conf")).toLocal8Bit();
      execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", conf.constData(), "-s", files.constData(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    if (pid_ < 0) return QStringLiteral("fork failed");
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(socket_) && t.elapsed() < 5000) QThread::msleep(20);
    if (!QFile::exists(socket_)) return QStringLiteral("cupsd did not open its socket: ") + Log();
    const QString name = QStringLiteral("ParlanePDF");
    if (Run(QStringLiteral("lpadmin"),
            {QStringLiteral("-h"), socket_, QStringLiteral("-p"), name, QStringLiteral("-E"),
             QStringLiteral("-v"), QStringLiteral("cups-pdf:/parlanetest%1").arg(getpid()),
             QStringLiteral("-P"), PpdFile(),
             // keeps the text of the PDF readable
             QStringLiteral("-o"), QStringLiteral("pdftops-renderer-default=pdftocairo")}) != 0 ||
        Run(QStringLiteral("lpadmin"),
            {QStringLiteral("-h"), socket_, QStringLiteral("-d"), name}) != 0) {
      return QStringLiteral("lpadmin could not add the cups-pdf queue: ") + Log();
    }
    setenv("CUPS_SERVER", socket_.toLocal8Bit().constData(), 1);
    return {};
  }

  // Waits for the next PDF the queue writes; empty after `ms`.
  QString WaitForPdf(int ms = 30000) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
      const QStringList pdfs = QDir(dir_.path() + QStringLiteral("/pdf"))
                                   .entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time);
      for (const QString& pdf : pdfs) {
        const QString path = dir_.path() + QStringLiteral("/pdf/") + pdf;
        if (seen_.contains(path)) continue;
        // cups-pdf renames the file into place once it is whole.
        QThread::msleep(200);
        seen_ << path;
        return path;
      }
      QThread::msleep(100);
    }
    return {};
  }

  QString Log() const {
    QFile f(dir_.path() + QStringLiteral("/error_log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll().right(2000))
                                       : QString();
  }

  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
      pid_ = -1;
    }
    if (!queueConf_.isEmpty()) QFile::remove(queueConf_);
  }

 private:
  static QString PpdFile() {
    for (const char* p : {"/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd",
                          "/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd"}) {
      if (QFile::exists(QString::fromLatin1(p))) return QString::fromLatin1(p);
    }
    return {};
  }
  static bool Write(const QString& path, const QString& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(text.toLocal8Bit()) >= 0;
  }
  static int Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(20000)) return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }

  QTemporaryDir dir_;
  QString socket_;
  QString queueConf_;
  QStringList seen_;
  pid_t pid_ = -1;
};

}  // namespace parlane::test
