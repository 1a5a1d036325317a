#pragma once

#include <QObject>
#include <QString>

namespace zk {

// The media player the music runs on: open a file, play it with a completion notice, stop,
// close. Every play request arms one notice; whatever ends that play (the end of the media, a
// stop, a close, a new open, an error) delivers it once, on the UI thread.
class MediaBackend : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MediaBackend)

public:
    enum class Ending {
        Finished,   // the end of the media was reached
        Aborted,    // stopped or closed
        Superseded, // another file was opened
        Failed,     // an error after the play request was accepted
    };
    Q_ENUM(Ending)

    explicit MediaBackend(QObject *parent = nullptr);
    ~MediaBackend() override;

    // Pictures are never shown; kept so the calling order stays the same for every backend.
    virtual void setDisplay() {}
    virtual void setFileName(const QString &fileName) = 0;
    // Closes what is open, opens the file and waits for the result.
    virtual bool open(QString *error) = 0;
    // Rewinds at the end of the media, then plays from the current position and waits until it
    // sounds. False when nothing is open or the media fails before it sounds.
    virtual bool play(QString *error) = 0;
    // Stops and waits. False when nothing is open.
    virtual bool stop() = 0;
    // Does nothing when nothing is open.
    virtual void close() = 0;

    bool noticePending() const { return m_noticePending; }

signals:
    void completed(zk::MediaBackend::Ending how);

protected:
    void armNotice();
    // Emits completed() if a play request is waiting for its notice.
    void deliverNotice(Ending how);
    // A play request that failed before it started gives no notice.
    void dropNotice() { m_noticePending = false; }

private:
    bool m_noticePending = false;
};

} // namespace zk
