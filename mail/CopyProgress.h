#pragma once

#include "DropFiles.h"
#include "MailCallbacks.h"

// Places one attachment reporting to the window block by block. Every pass of the copy
// loop, the last one that reads 0 bytes included, processes events after its (possibly
// empty) write; a send also processes them before each read. Events are processed too
// while the folder's lock is waited for. Returns the name the copy stands under.
template<class Place>
QString copyWithProgress(const Place &place, const MailCallbacks &callbacks, bool pumpBeforeRead)
{
    int reads = 0;
    int writes = 0;
    CopyCallbacks copy;
    copy.onTotal = [&](std::int64_t total) { callbacks.show(total); };
    copy.beforeBlock = [&] {
        ++reads;
        if (pumpBeforeRead)
            callbacks.pump();
    };
    copy.onBlock = [&](std::int64_t written) {
        ++writes;
        callbacks.advance(written);
        callbacks.pump();
    };
    bool finalPumped = false;
    const auto afterCopy = [&] {
        // The pass that read 0 bytes ends the loop without a write of its own.
        if (!finalPumped && reads == writes + 1)
            callbacks.pump();
        finalPumped = true;
    };
    const QString placed = place(copy, [&] {
        afterCopy();
        callbacks.pump();
    });
    afterCopy();
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
