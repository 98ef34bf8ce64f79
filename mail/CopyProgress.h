#pragma once

#include "DropFiles.h"
#include "MailCallbacks.h"

// Copies one attachment reporting to the window block by block. Every pass of the copy
// loop, the last one that reads 0 bytes included, processes events after its (possibly
// empty) write; a send also processes them before each read.
inline void copyWithProgress(const std::string &source, const std::string &folder, const QString &name,
                             const MailCallbacks &callbacks, bool pumpBeforeRead)
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
    CopyAttachment(source, folder, name, copy);
    // The pass that read 0 bytes ends the loop without a write of its own.
    if (reads == writes + 1)
        callbacks.pump();
}
