#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal on the main thread, so that a
// service manager's stop closes the program the way "Quit" does.
class CSignalBridge : public QObject
{
    Q_OBJECT

public:
    explicit CSignalBridge(QObject* parent = nullptr);
    ~CSignalBridge() override;

    bool IsInstalled() const { return m_pNotifier != nullptr; }

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    void OnReadable();

    QSocketNotifier* m_pNotifier = nullptr;
};
