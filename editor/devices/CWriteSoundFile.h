#pragma once
// The recording's writer thread: appends the blocks the recorder hands on to
// the document while writing is on. Blocks that arrive while it is off are
// discarded.

#include "MessageThread.h"

#include <atomic>

class CRMWave;

class CWriteSoundFile : public CMessageThread {
public:
    CWriteSoundFile();
    ~CWriteSoundFile() override;

    // The document to append to; set by the player right after Start, before
    // any block can arrive.
    std::atomic<CRMWave*> m_pWave{nullptr};

protected:
    void OnMessage(ThreadMessage& message) override;

private:
    void WriteBlock(const WaveBlock& block);

    bool m_bWriting = false;  // only the thread itself touches it
};
