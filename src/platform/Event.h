// An event, manual- or auto-reset, that threads signal and wait for (see Waitable.h).
#pragma once

#include "platform/Waitable.h"

class CEvent : public CWaitable {
public:
    // False with the system's error code set when the system has no object for it.
    bool Create(bool manualReset, bool initiallySignalled);

    bool Set();
    bool Reset();
    // True while signalled; does not take the signal.
    bool IsSet() const;

    bool TryAcquire() override;

private:
    bool m_manualReset = true;
};
