// SIGTERM and SIGINT end Loopcraft the way Quit does, so PARAMS.TXT is still written. The
// signal handler only writes a byte into a pipe; the event loop reads it and emits requested().
#pragma once

#include <QObject>

class QSocketNotifier;

namespace loopcraft {

class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    // Installs the handlers for SIGTERM and SIGINT; one instance per process.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    bool installed() const { return mNotifier != nullptr; }

signals:
    void requested(int signalNumber);

private:
    void drain();
    QSocketNotifier* mNotifier = nullptr;
};

} // namespace loopcraft
