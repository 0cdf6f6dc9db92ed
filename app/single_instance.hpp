// One FELMO per user (and work tree). The running FELMO listens on a local socket inside its
// private work folder, which only its user can enter; a later start that finds the work folder
// taken asks the running one through it to come to the front, says that FELMO is already running
// and ends, without a window of its own.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <string>

namespace felmo {

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // Probes `programDirectory` and `workDir` with the locks the start-up sequence takes. When no
    // other FELMO holds either, this start listens for later ones. A folder refused for another
    // reason (a work folder that is not private, say) is left to the start-up sequence to
    // report. A FELMO found in the same program folder but with another work tree cannot be
    // reached; the refused start only says that FELMO is already running.
    SingleInstance(const std::string& workDir, const std::string& programDirectory,
                   QObject* parent = nullptr);

    bool anotherIsRunning() const { return anotherIsRunning_; }
    // What the refused start says (that FELMO is already running, and which folder is taken).
    const QString& refusal() const { return refusal_; }
    // Whether this start listens for later starts.
    bool listening() const { return server_.isListening(); }

    // Asks the running FELMO to bring its window to the front; false when the request could not
    // be delivered (an older FELMO that does not listen, say).
    bool askRunningToComeForward(int timeoutMs = 1000) const;

  signals:
    // A later start asked for the window.
    void comeForwardRequested();

  private:
    void onNewConnection();

    QString socketPath_;
    QLocalServer server_;
    bool anotherIsRunning_ = false;
    QString refusal_;
};

// A start refused because FELMO already runs: brings the running FELMO forward and shows only the
// message. Returns the exit status.
int refuseSecondStart(const SingleInstance& instance);

// Brings `window` (and a dialog open over it) to the front, restored when it was minimised.
void bringToFront(QWidget& window);

}  // namespace felmo
