#pragma once

#include "DropFiles.h"
#include "MailCallbacks.h"

// One attachment copy as the window sees it, block by block. Every pass of the copy loop,
// the last one that reads 0 bytes included, processes events after its (possibly empty)
// write; a send also processes them before each read.
class CopyProgress
{
public:
    CopyProgress(const MailCallbacks &callbacks, bool pumpBeforeRead)
        : m_callbacks(callbacks)
        , m_pumpBeforeRead(pumpBeforeRead)
    {
    }
    CopyProgress(const CopyProgress &) = delete;
    CopyProgress &operator=(const CopyProgress &) = delete;

    CopyCallbacks callbacks()
    {
        CopyCallbacks copy;
        copy.onTotal = [this](std::int64_t total) { m_callbacks.show(total); };
        copy.beforeBlock = [this] {
            ++m_reads;
            if (m_pumpBeforeRead)
                m_callbacks.pump();
        };
        copy.onBlock = [this](std::int64_t written) {
            ++m_writes;
            m_callbacks.advance(written);
            m_callbacks.pump();
        };
        return copy;
    }

    // The pass that read 0 bytes ends the loop without a write of its own.
    void finish()
    {
        if (!m_finished && m_reads == m_writes + 1)
            m_callbacks.pump();
        m_finished = true;
    }

private:
    const MailCallbacks &m_callbacks;
    bool m_pumpBeforeRead;
    int m_reads = 0;
    int m_writes = 0;
    bool m_finished = false;
};

// Places one attachment reporting to the window block by block (see CopyProgress). Events
// are processed too while the folder's lock is waited for. Returns the name the copy stands
// under.
template<class Place>
QString copyWithProgress(const Place &place, const MailCallbacks &callbacks, bool pumpBeforeRead)
{
    CopyProgress progress(callbacks, pumpBeforeRead);
    const QString placed = place(progress.callbacks(), [&] {
        progress.finish();
        callbacks.pump();
    });
    progress.finish();
    return placed;
}

// The user's own file into a destination folder.
inline QString placeWithProgress(const std::string &source, const Folder &folder, const QString &name, bool count,
                                 const MailCallbacks &callbacks, bool pumpBeforeRead,
                                 const std::function<void(File &)> &prepare = {})
{
    return copyWithProgress(
        [&](const CopyCallbacks &copy, const std::function<void()> &whileWaiting) {
            return PlaceAttachment(source, AttachmentSource::Own, folder, name, count, copy, whileWaiting, prepare);
        },
        callbacks, pumpBeforeRead);
}

// A file of a server folder into the own folder.
inline QString placeWithProgress(const Folder &sourceFolder, const std::string &sourceName, const Folder &folder,
                                 const QString &name, bool count, const MailCallbacks &callbacks, bool pumpBeforeRead)
{
    return copyWithProgress(
        [&](const CopyCallbacks &copy, const std::function<void()> &whileWaiting) {
            return PlaceAttachment(sourceFolder, sourceName, folder, name, count, copy, whileWaiting);
        },
        callbacks, pumpBeforeRead);
}
