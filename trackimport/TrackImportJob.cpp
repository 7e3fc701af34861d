#include "trackimport/TrackImportJob.h"

#include "platform/ErrorReport.h"

#include <QMetaObject>
#include <QThread>

namespace trackimport {

TrackImportJob::TrackImportJob(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<trackimport::ImportResult>();
}

// Reading a file takes moments, so the thread is waited for: nothing it
// reports may reach a job that is gone.
TrackImportJob::~TrackImportJob()
{
    stopThread();
}

void TrackImportJob::stopThread()
{
    cancel();
    if (m_thread)
        m_thread->wait();
}

bool TrackImportJob::isRunning() const
{
    return m_running;
}

void TrackImportJob::fail(const QString& message)
{
    m_running = false;
    emit failed(message);
}

void TrackImportJob::cancel()
{
    if (m_shared)
        m_shared->cancelled = true;
    m_running = false;
}

void TrackImportJob::start(const ImportRequest& request)
{
    stopThread();
    auto shared = std::make_shared<Shared>();
    m_shared = shared;
    // Reports travel to this thread as queued calls, dropped when the run
    // they belong to was cancelled in the meantime.
    const auto deliver = [this, shared](auto report) {
        QMetaObject::invokeMethod(
            this,
            [this, shared, report] {
                if (!shared->cancelled)
                    report(*this);
            },
            Qt::QueuedConnection);
    };
    QThread* thread = QThread::create([request, shared, deliver] {
        try {
            ImportResult result = importTracks(request, [&](int done, int total) {
                deliver([done, total](TrackImportJob& job) { emit job.progress(done, total); });
                return !shared->cancelled;
            });
            deliver([result](TrackImportJob& job) {
                job.m_running = false;
                emit job.finished(result);
            });
        } catch (const platform::UserError& error) {
            deliver([text = error.text()](TrackImportJob& job) { job.fail(text); });
        } catch (const std::exception& error) {
            deliver([text = QString::fromLocal8Bit(error.what())](
                        TrackImportJob& job) { job.fail(text); });
        }
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_thread = thread;
    m_running = true;
    thread->start();
}

} // namespace trackimport
