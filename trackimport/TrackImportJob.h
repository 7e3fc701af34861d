#pragma once

#include "trackimport/TrackImport.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <memory>

class QThread;

namespace trackimport {

// Reads a source's tracks on a thread of its own, so the window stays
// responsive on a slow disk or a large folder. Reports progress and ends with
// exactly one of finished or failed, unless it is cancelled or destroyed
// first.
class TrackImportJob : public QObject
{
    Q_OBJECT

public:
    explicit TrackImportJob(QObject* parent = nullptr);
    ~TrackImportJob() override;

    void start(const ImportRequest& request);
    // Stops the reading after the file at hand; nothing more is reported.
    void cancel();
    // From start until finished or failed is emitted, or until cancelled:
    // the thread itself may still be winding down when its last report
    // arrives, and that is no reading any more.
    bool isRunning() const;

signals:
    void progress(int done, int total);
    void finished(const trackimport::ImportResult& result);
    void failed(const QString& message);

private:
    void stopThread();
    void fail(const QString& message);

    struct Shared
    {
        std::atomic_bool cancelled = false;
    };

    QPointer<QThread> m_thread;
    std::shared_ptr<Shared> m_shared;
    bool m_running = false;
};

} // namespace trackimport
