// A counting semaphore with a maximum count (see Waitable.h). Each successful wait takes one count.
#pragma once

#include <atomic>

#include "platform/Waitable.h"

class CSemaphore : public CWaitable {
public:
    // False with the system's error code set when the system has no object for it.
    bool Create(int initialCount, int maximumCount);

    // Adds one count; false (and no change) when the count is already at its maximum.
    bool Release();
    int Count() const { return m_count.load(); }

    bool TryAcquire() override;
    void Acquired() override;

private:
    std::atomic<int> m_count{0};
    int m_maximum = 0;
};
