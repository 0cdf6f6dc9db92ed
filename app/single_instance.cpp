#include "app/single_instance.hpp"

#include <QApplication>
#include <QLocalSocket>
#include <QMessageBox>
#include <QWidget>

#include "app/window_parts.hpp"
#include "base/error.hpp"
#include "base/translation.hpp"
#include "workspace/work_tree.hpp"

namespace felmo {
namespace {

constexpr char kComeForward[] = "come-forward\n";

}  // namespace

SingleInstance::SingleInstance(const std::string& workDir, const std::string& programDirectory,
                               QObject* parent)
    : QObject(parent),
      socketPath_(QString::fromStdString(workDir).chopped(workDir.ends_with('/') ? 1 : 0) +
                  QStringLiteral("/felmo.socket")) {
    try {
        // While this start holds the locks no other FELMO runs, so a socket left by one that
        // ended abnormally can go.
        const ProgramDirectoryLock programProbe(programDirectory);
        const WorkDirLock probe(workDir);
        QLocalServer::removeServer(socketPath_);
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        server_.listen(socketPath_);
    } catch (const Error& error) {
        const std::string_view message = error.what();
        // The core words its refusal in the language it speaks.
        anotherIsRunning_ = message.starts_with(alreadyRunningMessage());
        if (anotherIsRunning_)
            refusal_ = QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
    }
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

bool SingleInstance::askRunningToComeForward(int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(socketPath_, QIODevice::WriteOnly);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kComeForward);
    const bool delivered = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return delivered;
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto readRequest = [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == kComeForward)
                emit comeForwardRequested();
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, readRequest);
        readRequest();
    }
}

int refuseSecondStart(const SingleInstance& instance) {
    instance.askRunningToComeForward();
    QMessageBox::information(nullptr, applicationTitle(), instance.refusal());
    return 1;
}

void bringToFront(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

}  // namespace felmo
